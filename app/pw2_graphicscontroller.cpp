#include "pw2_graphicscontroller.h"

#include "pw2_editor.h"
#include "pw2_filecommands.h"
#include "pw2_main.h"
#include "pw2_theme.h"
#include "pw2_window.h"
#include "qzdebugoutput.h"
#include "qzmain.h"
#include "qzscene.h"

#include <algorithm>
#include <cmath>

qzColor pw2_Lerp(qzColor a, qzColor b, double t) {
    const uint32_t t8 = static_cast<uint32_t>(std::trunc(t * 255 + 0.5));
    auto mix = [t8](uint8_t x, uint8_t y) {
        return static_cast<uint8_t>((x * (255 - t8) + y * t8 + 127) / 255);
    };
    return qzColor(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), mix(a.a, b.a));
}

qzColor pw2_Premultiplied(qzColor c) {
    auto scale = [&c](uint8_t channel) { return static_cast<uint8_t>((channel * c.a + 127) / 255); };
    return qzColor(scale(c.r), scale(c.g), scale(c.b), c.a);
}

pw2_GraphicsController::pw2_GraphicsController(pw2_Main* _main) {
    qzOutputDebugString("[pw2_GraphicsController] Constructor.\n");
    main = _main;
    qzWindow& window = main->GetMainWindow();
    device.Create(&window, false);
    device.SetSize(static_cast<uint32_t>(window.GetClientWidth()),
                   static_cast<uint32_t>(window.GetClientHeight()));
    device.SetDisplayMode(false, 0, false);
    device.SetBufferOptions(true, false, false);
    // opposite directions, so that a face lit from either side gets the same diffuse term
    const float directions[2][3] = {{-1, -2, -4}, {1, 2, 4}};
    for (int i = 0; i < 2; ++i) {
        lights[i].Create(&device);
        lights[i].SetType(D3DLIGHT_DIRECTIONAL);
        lights[i].SetColors(0, 0, 0, 0.3f, 0.3f, 0.3f, 0, 0, 0);
        lights[i].SetDirection(directions[i][0], directions[i][1], directions[i][2]);
    }
}

pw2_GraphicsController::~pw2_GraphicsController() {
    qzOutputDebugString("[pw2_GraphicsController] Destructor.\n");
    lights[1].Destroy();
    lights[0].Destroy();
    modelQueue.Destroy();
    screenQueue.Destroy();
    device.Destroy();
}

void pw2_GraphicsController::Update() {
    if (device.IsLost())
        OnDeviceReset();
    if (!redrawRequested || device.IsLost())
        return;
    device.Present();
    // a present that lost the device showed nothing: the request stands until the reset draws the frame
    redrawRequested = device.IsLost();
}

void pw2_GraphicsController::OnResize() {
    const qzWindow& window = main->GetMainWindow();
    device.SetSize(static_cast<uint32_t>(std::max(window.GetClientWidth(), PW2_MINIMUM_WIDTH)),
                   static_cast<uint32_t>(std::max(window.GetClientHeight(), PW2_MINIMUM_HEIGHT)));
    OnDeviceReset();
}

void pw2_GraphicsController::OnDeviceReset() {
    // Without a Direct3D object no device can be made: the program runs and draws nothing.
    if (main->GetEngineRoot()->GetDirect3D() == nullptr)
        return;
    if (!device.Restore())
        return;
    qzOutputDebugString("[pw2_GraphicsController] Device was reset.\n");
    ready = false;
    if (firstReset) {
        main->GetFont(0).CreateTexture(&device);
        main->GetFont(1).CreateTexture(&device);
        device.SetDrawCallback<&pw2_GraphicsController::DrawFrame>(this);
        firstReset = false;
    }
    screenQueue.Create(&device, PW2_QUEUE_VERTICES);
    modelQueue.Create(&device, PW2_QUEUE_VERTICES);
    ready = true;
    device.Present();
    redrawRequested = false;
}

void pw2_GraphicsController::DrawFrame() {
    const uint32_t background = PW2_COLOR_BACKGROUND.GetARGB();
    if (!ready) {
        device.Clear(true, background, false, 0);
        return;
    }
    // Ending the scene drops what the queues still hold, also when an exception leaves the frame.
    qzScene scene;
    scene.Begin(&device);
    scene.Register(&screenQueue);
    scene.Register(&modelQueue);
    device.Clear(true, background, false, 0);
    // every colour is premultiplied, so the source counts once
    device.SetBlend(D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA);
    device.SetCullMode(D3DCULL_CCW);
    device.SetAmbient(pw2_Lerp(qzColor(0, 0, 0), qzColor(255, 255, 255), 0.7).GetARGB());
    device.SetMaterial(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0);
    for (const qzLight& light : lights) {
        light.Apply();
        light.Enable(true);
    }
    main->GetRootWindow()->DrawTree(0, 0, static_cast<int32_t>(device.GetWidth()),
                                    static_cast<int32_t>(device.GetHeight()));
    device.DisableScissor();
    if (main->GetFileCommands()->IsProgressShown())
        DrawProgress();
    if (!main->GetEditor()->GetMessage().empty())
        DrawMessage(main->GetEditor()->GetMessage());
    // over everything, even the window drawn last
    pw2_TooltipTimer& tooltip = main->GetTooltipTimer();
    if (tooltip.IsShown())
        DrawTooltip(main->GetActiveWindow(), tooltip.GetShownX(), tooltip.GetShownY());
    scene.End();
    ++drawnframes;
}

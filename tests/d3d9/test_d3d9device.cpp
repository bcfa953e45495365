// The Direct3D 9 backend on Wine's Direct3D under the engine's own device on a window of the Win32 platform:
// what it draws is read back through the interface itself (render target to a system-memory texture) and
// compared pixel by pixel.
#include "devicedrawing.h"
#include "qzd3d9renderapi.h"
#include "qzindexbuffer.h"
#include "qzvertexbufferinternal.h"
#include "qzwin32platform.h"
// Last: the system's macros would replace the engine's names in the headers above.
#include "qzd3d9native.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Wine draws lines as OpenGL does, without their last pixel, whatever D3DRS_LASTPIXEL says.
bool LastPixelsOfLinesDrawn() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr;
}

// The engine's own device, queues and textures on top of this api and the Win32 window platform:
// what they draw is what Direct3D 9 draws for the same calls.
struct D3D9EngineDevice : DeviceDrawingTest {
    static void SetUpTestSuite() {
        platform = new qzWin32Platform;
        api = new qzD3D9RenderApi;
        qzSetRenderApi(api);
    }
    static void TearDownTestSuite() {
        qzSetRenderApi(nullptr);
        delete api;
        delete platform;
    }
    static qzWin32Platform* platform;
    static qzD3D9RenderApi* api;

    void TearDown() override {
        api->loseevery = 0;
        DeviceDrawingTest::TearDown();
    }
};
qzWin32Platform* D3D9EngineDevice::platform = nullptr;
qzD3D9RenderApi* D3D9EngineDevice::api = nullptr;

// Quads, the scissor and lines cover exactly their pixels, and a render target drawn as a point-sampled
// texture lands pixel for pixel.
TEST_F(D3D9EngineDevice, DrawingCoversExactlyItsPixels) {
    Open(64, 48);
    ExpectQuadsScissorAndLineExact(LastPixelsOfLinesDrawn() ? 13 : 12);
    ExpectRenderTargetDrawnPixelForPixel();
}

TEST_F(D3D9EngineDevice, BlendingAndTheDepthTestFollowTheirStates) {
    Open(32, 32, true);
    device.Clear(true, 0xFFC86432, true, 1.0f);
    // Premultiplied: source plus destination times one minus source alpha.
    device.SetBlend(D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA);
    Quad(0, 0, 8, 16, 0x80400010);
    queue.Flush();
    // Reverse subtraction: destination minus source.
    device.SetBlend(D3DBLENDOP_REVSUBTRACT, D3DBLEND_ONE, D3DBLEND_ONE);
    Quad(8, 0, 16, 16, 0xFF101010);
    queue.Flush();
    // The nearer quad stays in front though drawn first: the device made its depth buffer.
    device.SetBlend(D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ZERO);
    device.SetDepth(true, true);
    Quad(0, 16, 16, 32, RED, 0.2f);
    Quad(8, 16, 24, 32, GREEN, 0.8f);
    Pixels pixels = ReadBack();
    double keep = 1.0 - 128 / 255.0;
    EXPECT_TRUE(Near(pixels(3, 3), static_cast<int>(0x40 + 200 * keep + 0.5),
                     static_cast<int>(100 * keep + 0.5), static_cast<int>(0x10 + 50 * keep + 0.5)));
    EXPECT_TRUE(Near(pixels(12, 3), 200 - 16, 100 - 16, 50 - 16));
    EXPECT_TRUE(Near(pixels(20, 3), 200, 100, 50));
    EXPECT_EQ(pixels(10, 20), RED);
    EXPECT_EQ(pixels(20, 20), GREEN);
}

// The program's cycle: a present loses the device (the api's played loss), the next one finds it lost, the
// owner destroys its default-pool resources, restores the device (lost once, then reset) and makes them
// again. Managed textures and buffers come through untouched and render targets are destroyed; sizes change
// between resets.
TEST_F(D3D9EngineDevice, LostDevicesAndResizesKeepManagedResourcesAndDrawingGoesOn) {
    Open(64, 64);
    qzTexture gradient, target;
    MakeGradient(gradient);
    target.Create(&device, 16, 16, false, true);
    qzVertexBufferInternal corners;
    qzIndexBuffer indices;
    MakeIndexedQuad(corners, indices);

    api->loseevery = 3;
    int losses = 0;
    for (uint32_t round = 0; round < 24; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        const uint32_t width = device.GetWidth(), height = device.GetHeight();
        device.Clear(true, BLACK, false, 1.0f);
        TexturedQuad(gradient, static_cast<float>(width - 4), static_cast<float>(height - 4),
                     static_cast<float>(width), static_cast<float>(height));
        DrawIndexedQuad(corners, indices);
        Pixels pixels = ReadBack();
        ASSERT_EQ(pixels.width, width);
        ASSERT_EQ(pixels.height, height);
        ExpectPixels(pixels, [&](uint32_t x, uint32_t y) {
            if (x >= width - 4 && y >= height - 4)
                return Gradient(x - (width - 4), y - (height - 4));
            return InIndexedQuad(x, y) ? GREEN : BLACK;
        });

        device.EndScene();
        device.SetDrawCallback<&D3D9EngineDevice::DrawNothing>(this);
        device.Present();
        ASSERT_FALSE(device.IsLost());
        queue.Destroy();
        if (round == 0) {
            // Direct3D refuses a reset while a default-pool resource, here the render target, lives.
            D3DPRESENT_PARAMETERS parameters = device.GetPresentParameters();
            EXPECT_EQ(device.GetD3DDevice()->Reset(&parameters), D3DERR_INVALIDCALL);
        }
        if (api->presents % 3 == 0) {
            // The loss shows at the next present, and the device stays lost for one restore.
            device.Present();
            ASSERT_TRUE(device.IsLost());
            EXPECT_FALSE(device.Restore());
            ++losses;
        }
        device.SetSize(40 + round * 37 % 200, 30 + round * 53 % 150);
        ASSERT_TRUE(device.Restore());
        EXPECT_TRUE(gradient.Exists() && indices.Exists() && corners.Exists());
        ASSERT_FALSE(target.Exists());
        target.Create(&device, 16, 16, false, true);
        queue.Create(&device, 10000);
        Begin();
    }
    EXPECT_EQ(losses, 8);
}

} // namespace

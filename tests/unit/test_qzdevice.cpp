#include "test_qzdevice_fixture.h"

#include "qzexceptions.h"
#include "qzindexbuffer.h"
#include "qzlight.h"
#include "qzmessagequeue.h"
#include "qztexture.h"
#include "qzvertexbufferinternal.h"

#include <bit>
#include <cmath>
#include <functional>
#include <random>

namespace {

struct FrameLog {
    qzFakeRenderApi* api = nullptr;
    int frames = 0;
    // Where in the recorded calls the frame was drawn.
    int callsatframe = -1;
    void Draw() {
        ++frames;
        callsatframe = static_cast<int>(api->calls.size());
    }
};

} // namespace

TEST_F(DeviceTest, FirstRestoreCreatesTheDeviceWithTheCurrentSettings) {
    EXPECT_EQ(window.GetDevice(), &device);
    EXPECT_TRUE(device.IsLost());
    EXPECT_TRUE(api.calls.empty()); // nothing is made on the Direct3D side yet
    EXPECT_TRUE(device.Restore());
    EXPECT_FALSE(device.IsLost());
    EXPECT_EQ(api.calls, std::vector<std::string>{"CreateDevice 0 1 " + std::to_string(window.GetHandle()) +
                                                  " 0x40 800x600"});
    EXPECT_EQ(api.device->parameters.BackBufferFormat, D3DFMT_X8R8G8B8);
}

TEST_F(DeviceTest, EverySetterMarksTheDeviceLostAndTheNextResetAppliesIt) {
    for (bool on : {true, false}) {
        const std::vector<std::function<void()>> changes = {
            [&] { device.SetBufferOptions(on, on, on); },
            [&] { device.SetMultisampling(on ? 4 : 0); },
            [&] { device.SetDisplayMode(on, on ? 75 : 0, on); },
            [&] { device.SetSize(on ? 1024 : 640, 700); },
        };
        for (const auto& change : changes) {
            if (device.IsLost()) {
                ASSERT_TRUE(device.Restore());
            }
            change();
            EXPECT_TRUE(device.IsLost());
        }
        EXPECT_EQ(api.device->parameters.BackBufferWidth, on ? 800u : 1024u); // not before the reset
        ASSERT_TRUE(device.Restore());
        const D3DPRESENT_PARAMETERS& p = api.device->parameters;
        EXPECT_EQ(p.BackBufferWidth, on ? 1024u : 640u);
        EXPECT_EQ(p.BackBufferHeight, 700u);
        EXPECT_EQ(p.BackBufferCount, on ? 2u : 1u);
        EXPECT_EQ(p.SwapEffect, on ? D3DSWAPEFFECT_COPY : D3DSWAPEFFECT_DISCARD);
        EXPECT_EQ(p.EnableAutoDepthStencil, on);
        EXPECT_EQ(p.AutoDepthStencilFormat, on ? D3DFMT_D16 : D3DFMT_UNKNOWN);
        EXPECT_EQ(p.Flags, on ? D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL : 0u);
        EXPECT_EQ(p.MultiSampleType, on ? D3DMULTISAMPLE_NONMASKABLE : D3DMULTISAMPLE_NONE);
        EXPECT_EQ(p.MultiSampleQuality, on ? 3u : 0u);
        EXPECT_EQ(p.Windowed, !on);
        EXPECT_EQ(p.FullScreen_RefreshRateInHz, on ? 75u : 0u);
        EXPECT_EQ(p.PresentationInterval, on ? D3DPRESENT_INTERVAL_DEFAULT : D3DPRESENT_INTERVAL_IMMEDIATE);
    }
    EXPECT_EQ(device.GetWidth(), 640u);
    EXPECT_EQ(api.devicescreated, 1); // every later change went through a reset
}

TEST_F(DeviceTest, RestoreWaitsWhileTheSystemHoldsTheDeviceLost) {
    MakeUsable();
    api.LoseDevice();
    device.SetSize(900, 600);
    EXPECT_FALSE(device.Restore());
    EXPECT_FALSE(device.Restore());
    EXPECT_EQ(api.FindCall("Reset"), -1);
    EXPECT_TRUE(device.IsLost());
    api.AllowReset();
    EXPECT_TRUE(device.Restore());
    EXPECT_EQ(api.CallsStartingWith("Reset 900x600").size(), 1u);
    EXPECT_EQ(api.devicescreated, 1);
}

TEST_F(DeviceTest, ALostAnswerKeepsTheDeviceLostAndOtherFailuresThrowNamingTheCall) {
    for (const char* call : {"CreateDevice", "Reset"}) {
        SCOPED_TRACE(call);
        api.fail[call] = D3DERR_DEVICELOST;
        EXPECT_FALSE(device.Restore());
        EXPECT_TRUE(device.IsLost());
        api.fail[call] = D3DERR_NOTAVAILABLE;
        EXPECT_EQ(Failure<qzD3DException>([&] { device.Restore(); }),
                  std::string("qzDevice::_ResetDevice ") + (call == std::string("Reset")
                                                                ? "IDirect3DDevice9::Reset"
                                                                : "IDirect3D9::CreateDevice"));
        api.fail.clear();
        EXPECT_TRUE(device.Restore()); // the next Restore tries again
        device.SetSize(640, 480);
    }
    EXPECT_EQ(api.devicescreated, 1);
}

TEST_F(DeviceTest, ResetDestroysExactlyTheNonManagedResourcesAndDisablesEveryLight) {
    MakeUsable();
    qzVertexBufferInternal dynamicbuffers[2], managedbuffer;
    dynamicbuffers[0].Create(&device, 100, 0x1C4, 32, false, true, true);
    managedbuffer.Create(&device, 100, 0x1C4, 32, true, false, false);
    dynamicbuffers[1].Create(&device, 50, 0x1D2, 40, false, false, true);
    qzIndexBuffer defaultindices[2], managedindices;
    defaultindices[0].Create(&device, 30, false, false, true);
    managedindices.Create(&device, 30, true, false, false);
    defaultindices[1].Create(&device, 60, false, true, true);
    qzTexture managedtexture, rendertargets[2];
    rendertargets[0].Create(&device, 64, 64, false, true);
    managedtexture.Create(&device, 10, 10, false, false);
    rendertargets[1].Create(&device, 100, 30, false, true);
    qzLight lights[3];
    for (qzLight& light : lights) {
        light.Create(&device);
        light.Enable(true);
    }
    api.ClearCalls();

    device.SetSize(1000, 700);
    ASSERT_TRUE(device.Restore()); // the fake refuses a reset while default-pool resources live

    for (const qzVertexBufferInternal& buffer : dynamicbuffers)
        EXPECT_FALSE(buffer.Exists());
    for (const qzTexture& texture : rendertargets)
        EXPECT_FALSE(texture.Exists());
    for (const qzIndexBuffer& indices : defaultindices)
        EXPECT_FALSE(indices.Exists());
    EXPECT_TRUE(managedbuffer.Exists());
    EXPECT_TRUE(managedindices.Exists());
    EXPECT_TRUE(managedtexture.Exists());
    EXPECT_EQ(device.indexbuffers.count, 1);
    EXPECT_EQ(api.LiveVertexBuffers(D3DPOOL_DEFAULT), 0);
    EXPECT_EQ(api.LiveIndexBuffers(D3DPOOL_DEFAULT), 0);
    EXPECT_EQ(api.LiveTextures(D3DPOOL_DEFAULT), 0);
    // every light is switched off before the reset, and stays created
    int reset = api.FindCall("Reset");
    for (const qzLight& light : lights) {
        int off = api.FindCall("LightEnable " + std::to_string(light.GetIndex()) + " 0");
        EXPECT_GE(off, 0);
        EXPECT_LT(off, reset);
        EXPECT_TRUE(light.Exists());
    }
    EXPECT_EQ(device.lights.count, 3);
    // the destroyed resources can be made again on the reset device
    dynamicbuffers[0].Create(&device, 100, 0x1C4, 32, false, true, true);
    defaultindices[0].Create(&device, 30, false, false, true);
    rendertargets[0].Create(&device, 64, 64, false, true);
}

TEST_F(DeviceTest, PresentDrawsThroughTheCallbackThenPresentsThenValidates) {
    MakeUsable();
    device.Present(); // no callback: nothing is presented
    EXPECT_EQ(api.FindCall("Present"), -1);
    EXPECT_EQ(platform.CallsStartingWith("ValidateRect").size(), 1u);

    FrameLog log{&api};
    device.SetDrawCallback<&FrameLog::Draw>(&log);
    api.ClearCalls();
    device.Present();
    EXPECT_EQ(log.frames, 1);
    EXPECT_EQ(api.FindCall("Present"), log.callsatframe);
    EXPECT_EQ(api.device->presents, 1);
    EXPECT_EQ(platform.CallsStartingWith("ValidateRect").size(), 2u);

    api.LoseDevice();
    device.Present();
    EXPECT_TRUE(device.IsLost());
    EXPECT_EQ(log.frames, 2);
    device.Present(); // a lost device only validates the window
    EXPECT_EQ(log.frames, 2);
    EXPECT_EQ(platform.CallsStartingWith("ValidateRect").size(), 4u);

    api.AllowReset();
    ASSERT_TRUE(device.Restore());
    api.fail["Present"] = D3DERR_DRIVERINTERNALERROR; // only a loss is taken quietly
    EXPECT_EQ(Failure<qzD3DException>([&] { device.Present(); }),
              "qzDevice::_ResetDevice IDirect3DDevice9::Present");
    EXPECT_FALSE(device.IsLost());
}

TEST_F(DeviceTest, APaintMessagePresentsAndTheWindowsDestructionDestroysTheDevice) {
    MakeUsable();
    FrameLog log{&api};
    device.SetDrawCallback<&FrameLog::Draw>(&log);
    qzMessage paint;
    paint.window = window.GetHandle();
    paint.message = WM_PAINT;
    qzSendMessage(paint);
    EXPECT_EQ(log.frames, 1);
    EXPECT_EQ(api.device->presents, 1);

    qzTexture texture;
    texture.Create(&device, 4, 4, false, false);
    qzIndexBuffer indices[2];
    indices[0].Create(&device, 30, true, false, false);
    indices[1].Create(&device, 30, false, true, true);
    window.Destroy();
    EXPECT_EQ(device.window, nullptr);
    EXPECT_EQ(window.GetDevice(), nullptr);
    EXPECT_FALSE(texture.Exists());
    EXPECT_FALSE(indices[0].Exists());
    EXPECT_FALSE(indices[1].Exists());
    EXPECT_EQ(device.indexbuffers.count, 0);
    EXPECT_EQ(api.device, nullptr); // released
    EXPECT_EQ(api.LiveTextures(D3DPOOL_MANAGED), 0);
    EXPECT_EQ(api.LiveIndexBuffers(D3DPOOL_MANAGED) + api.LiveIndexBuffers(D3DPOOL_DEFAULT), 0);
}

TEST_F(DeviceTest, BeginSceneStartsOnTheBackBufferWithBlendingAndNoScissor) {
    MakeUsable();
    device.BeginScene();
    EXPECT_EQ(api.calls, (std::vector<std::string>{
                             "BeginScene", "SetRenderState D3DRS_ALPHABLENDENABLE 1", "GetBackBuffer 0 0 0",
                             "SetRenderTarget 0 backbuffer", "Release backbuffer",
                             "SetRenderState D3DRS_SCISSORTESTENABLE 0", "SetViewport 0 0 800 600 0 1"}));
    device.EndScene();
    EXPECT_EQ(api.calls.back(), "EndScene");
    EXPECT_EQ(api.LiveSurfaceReferences(), 0);
}

TEST_F(DeviceTest, SetRenderTargetUsesTheTexturesAllocatedSizeAndComesBack) {
    MakeUsable();
    qzTexture target;
    target.Create(&device, 300, 200, false, true);
    device.BeginScene();
    device.SetRenderTarget(&target);
    EXPECT_EQ(api.device->rendertarget, static_cast<qzFakeTexture*>(target.GetD3DTexture())->name);
    EXPECT_EQ(api.calls.back(), "SetViewport 0 0 512 256 0 1");
    EXPECT_EQ(device.GetTargetWidth(), 512u);
    EXPECT_EQ(device.GetTargetHeight(), 256u);
    EXPECT_EQ(api.device->renderstates[D3DRS_SCISSORTESTENABLE], 0u);
    device.SetRenderTarget(nullptr);
    EXPECT_EQ(api.device->rendertarget, "backbuffer");
    EXPECT_EQ(device.GetTargetWidth(), 800u);
    device.EndScene();
    EXPECT_EQ(api.LiveSurfaceReferences(), 0);
}

// Only the wrappers that do more than pass their arguments on; arguments of -1 leave their states alone, and
// the point size goes as a float's bits.
TEST_F(DeviceTest, StateWrappersTranslateTheirArguments) {
    MakeUsable();
    device.SetLighting(true);
    device.Clear(true, 0xFFB4B4B4, false, 0.0f);
    device.Clear(false, 0, true, 1.0f);
    device.SetScissor(10, 20, 30, 40);
    device.DisableScissor();
    device.SetTextureStage(1, -1, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, -1, -1, -1, D3DTA_TEXTURE);
    device.SetSampler(0, D3DTEXF_POINT, D3DTEXF_LINEAR, true);
    device.SetSampler(1, D3DTEXF_LINEAR, D3DTEXF_POINT, false);
    device.SetPointSize(3.0f);
    EXPECT_EQ(api.calls,
              (std::vector<std::string>{
                  "SetRenderState D3DRS_LIGHTING 1", "SetRenderState D3DRS_SPECULARENABLE 1",
                  "Clear 0x1 0xffb4b4b4 0 0", "Clear 0x2 0x0 1 0", "SetRenderState D3DRS_SCISSORTESTENABLE 1",
                  "SetScissorRect 10 20 40 60", "SetRenderState D3DRS_SCISSORTESTENABLE 0",
                  "SetTextureStageState 1 D3DTSS_COLOROP 2", "SetTextureStageState 1 D3DTSS_COLORARG1 0",
                  "SetTextureStageState 1 D3DTSS_ALPHAARG2 2", "SetSamplerState 0 D3DSAMP_MINFILTER 1",
                  "SetSamplerState 0 D3DSAMP_MAGFILTER 2", "SetSamplerState 0 D3DSAMP_MIPFILTER 2",
                  "SetSamplerState 1 D3DSAMP_MINFILTER 2", "SetSamplerState 1 D3DSAMP_MAGFILTER 1",
                  "SetSamplerState 1 D3DSAMP_MIPFILTER 0",
                  "SetRenderState D3DRS_POINTSIZE " + std::to_string(std::bit_cast<uint32_t>(3.0f))}));
}

TEST_F(DeviceTest, TheMaterialsAlphaIsTheDiffuseOnesAndTheProjectionIsSqueezedIntoTheSubRectangle) {
    MakeUsable();
    device.SetMaterial(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0.5f, 13);
    const D3DMATERIAL9& m = api.device->material;
    EXPECT_EQ(
        (std::vector<float>{m.Ambient.a, m.Diffuse.r, m.Diffuse.a, m.Specular.b, m.Emissive.r, m.Power}),
        (std::vector<float>{0, 4, 0.5f, 9, 10, 13}));

    qzMatrix projection;
    projection.Orthographic(2, 3, 1, 10);
    device.SetProjection(projection, 0.25f, 0.5f, 0.5f, 0.25f);
    qzMatrix squeezed = qzDevice::SubRectangleProjection(projection, 0.25, 0.5, 0.5, 0.25);
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c)
            EXPECT_FLOAT_EQ(api.device->transforms[D3DTS_PROJECTION].m[r][c],
                            static_cast<float>(squeezed(r, c)));
}

TEST(DeviceProjection, ASubRectangleReceivesTheWholeClipSpace) {
    // A point of normalised device coordinates (x, y) lies at the target fraction ((x+1)/2, (1-y)/2); in the
    // sub-rectangle it must lie at left + that * width, top + that * height.
    std::mt19937 random(11);
    std::uniform_real_distribution<double> value(-2, 2), fraction(0, 1);
    qzMatrix perspective;
    perspective.Perspective(1.2, 0.9, 0.5, 100);
    for (int round = 0; round < 200; ++round) {
        qzMatrix p = perspective;
        p(3, 0) = value(random); // some translation of clip space too
        double left = fraction(random) * 0.8, top = fraction(random) * 0.8;
        double width = 0.05 + fraction(random) * (1 - left - 0.05);
        double height = 0.05 + fraction(random) * (1 - top - 0.05);
        qzMatrix squeezed = qzDevice::SubRectangleProjection(p, left, top, width, height);
        EXPECT_EQ(qzDevice::SubRectangleProjection(p, 0, 0, 1, 1), p);
        qzVector3 point(value(random), value(random), 1 + fraction(random) * 50);
        qzVector3 whole = p.ProjectPoint(point);
        qzVector3 part = squeezed.ProjectPoint(point);
        double fx = (whole.x + 1) / 2, fy = (1 - whole.y) / 2;
        EXPECT_NEAR((part.x + 1) / 2, left + fx * width, 1e-9);
        EXPECT_NEAR((1 - part.y) / 2, top + fy * height, 1e-9);
        EXPECT_NEAR(part.z, whole.z, 1e-9);
    }
}

TEST_F(DeviceTest, MaxMultisampleQualityIsTheSmallerOfColourAndDepthAndZeroForCopySwaps) {
    api.qualitylevels[D3DFMT_X8R8G8B8] = 8;
    api.qualitylevels[D3DFMT_D16] = 3;
    EXPECT_EQ(device.GetMaxMultisampleQuality(), 8u);
    EXPECT_EQ(api.calls, std::vector<std::string>{"CheckDeviceMultiSampleType 0 1 22 1 1"});
    device.SetBufferOptions(true, false, false);
    EXPECT_EQ(device.GetMaxMultisampleQuality(), 3u);
    EXPECT_EQ(api.calls.back(), "CheckDeviceMultiSampleType 0 1 80 1 1");
    api.qualitylevels[D3DFMT_D16] = 12;
    EXPECT_EQ(device.GetMaxMultisampleQuality(), 8u);
    api.fail["CheckDeviceMultiSampleType"] = D3DERR_NOTAVAILABLE;
    EXPECT_EQ(device.GetMaxMultisampleQuality(), 0u);
    api.fail.clear();
    api.ClearCalls();
    device.SetBufferOptions(true, true, false);
    EXPECT_EQ(device.GetMaxMultisampleQuality(), 0u);
    EXPECT_TRUE(api.calls.empty());
}

TEST_F(DeviceTest, ADeviceIsCreatedOnce) {
    EXPECT_DEATH(device.Create(&window, false), "Expression: window==NULL");
}

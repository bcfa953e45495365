#include "pw2_filecommands.h"
#include "pw2_graphicscontroller.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "pw2_view.h"
#include "pw2_window.h"
#include "test_pw2_graphics_fixture.h"

#include "qzmessage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

// Notes its clip and where in the recorded calls its draw slot ran.
struct ClipProbe : pw2_Window {
    ClipProbe(pw2_Main* main, pw2_Window* parent, const qzFakeRenderApi* api)
        : pw2_Window(main, parent), api(api) {}
    void Draw(int32_t x, int32_t y, int32_t w, int32_t h) override {
        clips.push_back(std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
                        std::to_string(h));
        callindex = static_cast<int>(api->calls.size());
    }
    const qzFakeRenderApi* api;
    std::vector<std::string> clips;
    int callindex = -1;
};

} // namespace

TEST(GraphicsLerp, EndsAreExactAndTheMiddleRoundsEveryChannelAlike) {
    std::mt19937 random(7);
    for (int round = 0; round < 1000; ++round) {
        const qzColor a = qzColor::FromARGB(static_cast<uint32_t>(random()));
        const qzColor b = qzColor::FromARGB(static_cast<uint32_t>(random()));
        EXPECT_EQ(pw2_Lerp(a, b, 0), a);
        EXPECT_EQ(pw2_Lerp(a, b, 1), b);
        const qzColor grey = pw2_Lerp(qzColor(0, 0, 0), qzColor(255, 255, 255), round / 999.0);
        EXPECT_TRUE(grey.r == grey.g && grey.g == grey.b && grey.a == 255);
    }
    // 0.7 of the way lands on 179, not 178: the weight is rounded in double precision
    EXPECT_EQ(pw2_Lerp(qzColor(0, 0, 0), qzColor(255, 255, 255), 0.7), qzColor(179, 179, 179));
    EXPECT_EQ(pw2_Lerp(qzColor(0, 0, 0, 0), qzColor(60, 60, 60, 50), 0.5), qzColor(30, 30, 30, 25));
}

TEST_F(GraphicsTest, FirstUpdateMakesTheDeviceAndResetsRepeatOnlyWhatTheyLose) {
    EXPECT_EQ(api.devicescreated, 0) << "the device waits for the first pass of the loop";
    app->RequestRedraw();
    // The system refuses the device at first: nothing is drawn and the request stands.
    api.fail["CreateDevice"] = D3DERR_DEVICELOST;
    testing::internal::CaptureStderr();
    app->RunOnce();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(api.devicescreated, 0);
    EXPECT_FALSE(Graphics().IsReady());
    EXPECT_TRUE(Graphics().IsRedrawRequested());

    api.fail.clear();
    testing::internal::CaptureStderr();
    app->RunOnce();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[pw2_GraphicsController] Device was reset.\n");
    ASSERT_EQ(api.devicescreated, 1);
    EXPECT_TRUE(Graphics().IsReady());
    EXPECT_FALSE(Graphics().IsRedrawRequested());
    EXPECT_EQ(Presents(), 1) << "the reset draws a frame at once";
    EXPECT_EQ(api.LiveTextures(D3DPOOL_MANAGED), 2) << "the two font textures";
    EXPECT_EQ(api.LiveVertexBuffers(D3DPOOL_DEFAULT), 5)
        << "the two queues, the model's faces, edges and points";

    // A present that finds the device lost shows nothing; the system holds the device a while.
    api.LoseDevice();
    app->RequestRedraw();
    app->RunOnce();
    EXPECT_EQ(Presents(), 1);
    EXPECT_TRUE(Graphics().GetDevice().IsLost());
    EXPECT_TRUE(Graphics().IsRedrawRequested());
    api.ClearCalls();
    app->RunOnce();
    app->RunOnce();
    EXPECT_EQ(api.FindCall("Reset"), -1);
    EXPECT_EQ(api.CallsStartingWith("TestCooperativeLevel").size(), 2u);

    // Given back, the device is reset: the queues and the model's buffers come again, the fonts and the
    // callback stay.
    api.AllowReset();
    api.ClearCalls();
    app->RunOnce();
    EXPECT_EQ(api.CallsStartingWith("Reset"), (std::vector<std::string>{"Reset 808x624"}));
    for (const std::string& call : api.CallsStartingWith("CreateTexture"))
        EXPECT_EQ(call.find("D3DPOOL_MANAGED"), std::string::npos) << "the fonts keep their textures";
    EXPECT_EQ(api.CallsStartingWith("CreateVertexBuffer").size(), 5u);
    EXPECT_EQ(api.LiveTextures(D3DPOOL_MANAGED), 2);
    EXPECT_EQ(Presents(), 2);
    EXPECT_FALSE(Graphics().IsRedrawRequested());
    EXPECT_EQ(api.devicescreated, 1);
}

TEST_F(GraphicsControlTest, FramesAreDrawnOnlyOnRequestAndOncePerRequest) {
    const int before = Presents();
    for (int pass = 0; pass < 5; ++pass)
        app->RunOnce();
    EXPECT_EQ(Presents(), before);

    app->RequestRedraw();
    app->RequestRedraw();
    app->RunOnce();
    app->RunOnce();
    EXPECT_EQ(Presents(), before + 1);

    // The mouse entering a tab of the menu bar changes its look: the same pass draws it.
    MoveMouse(20, 455);
    EXPECT_EQ(Presents(), before + 2);
    MoveMouse(21, 455);
    EXPECT_EQ(Presents(), before + 2) << "moving within the tab changes nothing";
}

TEST_F(GraphicsControlTest, BackBufferNeverGetsSmallerThan800By600AndBoundsTheTree) {
    ClipProbe* probe = new ClipProbe(app.get(), app->GetRootWindow(), &api);
    probe->SetRect(0, 0, 5000, 5000);
    const struct {
        int32_t width, height;
        const char *reset, *clip;
    } sizes[] = {{640, 480, "Reset 800x600", "0,0,800,600"},
                 {1024, 500, "Reset 1024x600", "0,0,1024,600"},
                 {500, 900, "Reset 800x900", "0,0,800,900"}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.reset);
        api.ClearCalls();
        probe->clips.clear();
        Send(WM_SIZE, SIZE_RESTORED, qzMakeLParam(size.width, size.height));
        EXPECT_EQ(api.CallsStartingWith("Reset"), (std::vector<std::string>{size.reset}));
        // the reset draws the frame at once, with the whole back buffer as the root's clip
        EXPECT_EQ(probe->clips, (std::vector<std::string>{size.clip}));
    }
}

TEST_F(GraphicsControlTest, FrameSetsItsStatesBeforeTheTreeAndSwitchesTheScissorOffAfterIt) {
    ClipProbe* probe = new ClipProbe(app.get(), app->GetRootWindow(), &api);
    api.ClearCalls();
    DrawOneFrame();
    const std::vector<std::string> before = {"BeginScene", "Clear 0x1 0xffb4b4b4 0 0",
                                             "SetRenderState D3DRS_SRCBLEND 2", "LightEnable 0 1",
                                             "LightEnable 1 1"};
    int at = 0;
    for (const std::string& call : before) {
        int found = api.FindCall(call, static_cast<size_t>(at));
        ASSERT_GE(found, at) << call;
        at = found + 1;
    }
    ASSERT_GE(probe->callindex, at) << "the tree is drawn after the frame's states";
    // a change of render target switches the scissor off as well: the one meant comes after the tree
    const int scissoroff =
        api.FindCall("SetRenderState D3DRS_SCISSORTESTENABLE 0", static_cast<size_t>(probe->callindex));
    EXPECT_GE(scissoroff, probe->callindex);
    const int end = api.FindCall("EndScene");
    EXPECT_GT(end, scissoroff);
    EXPECT_EQ(api.calls.back(), "Present");
}

TEST_F(GraphicsControlTest, DestructorReleasesLightsQueuesAndDeviceInThatOrder) {
    api.ClearCalls();
    testing::internal::CaptureStderr();
    app.reset();
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("[pw2_GraphicsController] Destructor.\n"), std::string::npos);
    const int light = api.FindCall("LightEnable 0 0");
    const int buffer = api.FindCall("Release vb");
    const int device = api.FindCall("Release device");
    ASSERT_GE(light, 0);
    EXPECT_GT(buffer, light);
    EXPECT_GT(device, buffer);
    EXPECT_EQ(api.LiveVertexBuffers(D3DPOOL_DEFAULT), 0);
    EXPECT_EQ(api.LiveTextures(D3DPOOL_MANAGED), 0);
}

TEST_F(MainTest, WithoutADirect3DObjectTheProgramRunsAndDrawsNothing) {
    app->RequestRedraw();
    Send(WM_SIZE, SIZE_RESTORED, qzMakeLParam(900, 700));
    EXPECT_FALSE(app->GetGraphicsController()->IsReady());
}

TEST_F(GraphicsTest, TheLoopSleepsUntilTheNextMessageUnlessAFrameAStepOrATooltipIsDue) {
    app->RunOnce();
    ASSERT_TRUE(Graphics().IsReady());
    EXPECT_EQ(app->GetIdleTimeout(), QZINFINITE);
    app->RequestRedraw();
    EXPECT_EQ(app->GetIdleTimeout(), 1u);
    app->RunOnce();
    EXPECT_EQ(app->GetIdleTimeout(), QZINFINITE);

    // A turn takes a step every 14 ms: the loop looks every millisecond until it ends.
    app->GetLeftView()->OnFront();
    EXPECT_EQ(app->GetIdleTimeout(), 1u);
    testnow += 400;
    app->RunOnce();
    EXPECT_EQ(app->GetIdleTimeout(), 1u) << "the last step's frame goes out at the next pass";
    app->RunOnce();
    EXPECT_EQ(app->GetIdleTimeout(), QZINFINITE);

    // An armed tooltip wakes the loop just past its delay.
    pw2_Window* tipped = new pw2_Window(app.get(), app->GetRootWindow());
    tipped->SetRect(0, 0, 100, 100);
    tipped->SetTooltip("Front");
    MoveMouse(5, 5);
    app->RunOnce();
    ASSERT_TRUE(app->GetTooltipTimer().IsArmed());
    EXPECT_EQ(app->GetIdleTimeout(), 601u);
    testnow += 600;
    EXPECT_EQ(app->GetIdleTimeout(), 1u);
    testnow += 1;
    EXPECT_EQ(app->GetIdleTimeout(), 0u);
    app->RunOnce();
    EXPECT_TRUE(app->GetTooltipTimer().IsShown());
    EXPECT_EQ(app->GetIdleTimeout(), QZINFINITE);

    // A lost device is retried every millisecond.
    api.LoseDevice();
    app->RequestRedraw();
    app->RunOnce();
    EXPECT_EQ(app->GetIdleTimeout(), 1u);
}

namespace {

// No pass of the loop runs before the test's own.
struct MissingStartFileDrawTest : GraphicsTest {
    void SetUp() override {
        startfile = "/nonexistent/missing.obj";
        GraphicsTest::SetUp();
    }
};

} // namespace

// A start file that fails says why over the window drawn with the sample scene, never over an empty one.
TEST_F(MissingStartFileDrawTest, AFailedStartFileSaysWhyOnlyOnceAFrameIsDrawn) {
    auto boxes = [&] { return platform.CallsStartingWith("MessageBox").size(); };
    const pw2_GraphicsController& graphics = *app->GetGraphicsController();
    pw2_FileCommands& commands = *app->GetFileCommands();
    // a file that is not there fails at once: the first pass finds the load ended
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (int i = 0; i < 20000 && (commands.IsLoading() || commands.HasMessageToShow()); ++i) {
        const uint64_t drawn = graphics.GetDrawnFrames();
        app->RunOnce();
        if (boxes() > 0) {
            EXPECT_GT(drawn, 0u) << "the box came before the window was drawn";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(boxes(), 1u);
    EXPECT_EQ(app->GetModel()->currentgeometry->pointcount, 212u);
}

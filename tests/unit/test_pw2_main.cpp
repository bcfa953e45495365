#include "pw2_testmain.h"
#include "pw2_theme.h"
#include "pw2_view.h"
#include "pw2_viewimage.h"
#include "qzmessagequeue.h"
#include "test_pw2_view_fixture.h"

#include <gtest/gtest.h>

#include <string>

TEST(ScreenLayout, ViewsShareTheWidthAboveTheMenuAndSmallAreasCountAsTheMinimum) {
    for (int32_t width : {799, 800, 801, 1001, 1920}) {
        for (int32_t height : {0, 600, 700}) {
            pw2_ScreenLayout layout = pw2_ComputeLayout(width, height);
            int32_t w = std::max(width, 800), h = std::max(height, 600);
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
            EXPECT_EQ(layout.root, (pw2_Rect{0, 0, w, h}));
            // The views tile the area above the menu exactly; the right one takes the odd pixel.
            EXPECT_EQ(layout.leftview.width + layout.rightview.width, w);
            EXPECT_EQ(layout.rightview.x, layout.leftview.width);
            EXPECT_GE(layout.rightview.width - layout.leftview.width, 0);
            EXPECT_LE(layout.rightview.width - layout.leftview.width, 1);
            EXPECT_EQ(layout.leftview.height, h - 155);
            EXPECT_EQ(layout.rightview.height, h - 155);
            EXPECT_EQ(layout.menu, (pw2_Rect{0, h - 155, w, 155}));
        }
    }
}

TEST_F(MainTest, StartupShowsTheTopViewOnTheLeftAndThe3DViewOnTheRightBothSchematic) {
    pw2_View* left = app->GetLeftView();
    pw2_View* right = app->GetRightView();
    EXPECT_TRUE(left->GetOrtho());
    EXPECT_FALSE(right->GetOrtho());
    // the views start as their "Top" and "3D" buttons leave them (the latter converts in single precision)
    const qzQuaternion top = left->GetRotation(), threed = right->GetRotation();
    left->OnTop();
    right->On3D();
    EXPECT_LT(AngleBetween(left->GetRotation(), top), 1e-7);
    EXPECT_LT(AngleBetween(right->GetRotation(), threed), 1e-6);
}

TEST_F(MainTest, ViewsFillTheAreaAboveTheMenuAndTheMouseReachesTheirParts) {
    Send(WM_SIZE, SIZE_RESTORED, qzMakeLParam(1001, 700));
    const pw2_ScreenLayout& layout = app->GetLayout();
    for (auto [view, rect] :
         {std::pair{app->GetLeftView(), layout.leftview}, std::pair{app->GetRightView(), layout.rightview}})
        EXPECT_EQ((pw2_Rect{view->GetX(), view->GetY(), view->GetWidth(), view->GetHeight()}), rect);
    MoveMouse(10, 10);
    EXPECT_EQ(app->GetActiveWindow(), app->GetLeftView()->GetImage());
    MoveMouse(999, 498);
    EXPECT_EQ(app->GetActiveWindow(), app->GetRightView()->GetImage());
    // the odd pixel belongs to the right view, whose frame begins at 500
    MoveMouse(500, 10);
    EXPECT_EQ(app->GetActiveWindow(), app->GetRightView());
    MoveMouse(499, 10);
    EXPECT_EQ(app->GetActiveWindow(), app->GetLeftView());
}

TEST_F(MainTest, TheLoopTurnsBothViewsInStepsOfAtLeast14Milliseconds) {
    pw2_View* left = app->GetLeftView();
    pw2_View* right = app->GetRightView();
    left->OnFront();
    right->OnTop();
    const uint32_t start = testnow;
    uint32_t redraws = app->GetRedrawRequestCount();
    testnow = start + 14;
    app->RunOnce();
    for (pw2_View* view : {left, right}) {
        EXPECT_TRUE(view->IsAnimating());
        EXPECT_DOUBLE_EQ(view->GetAnimationFraction(), 14.0 / 400);
    }
    EXPECT_EQ(app->GetRedrawRequestCount(), redraws + 2);
    // the next step waits another 14 milliseconds from this one
    testnow = start + 27;
    app->RunOnce();
    EXPECT_DOUBLE_EQ(right->GetAnimationFraction(), 14.0 / 400);
    testnow = start + 400;
    redraws = app->GetRedrawRequestCount();
    app->RunOnce();
    EXPECT_FALSE(left->IsAnimating());
    EXPECT_FALSE(right->IsAnimating());
    EXPECT_EQ(app->GetRedrawRequestCount(), redraws + 2);
}

TEST_F(MainTest, F11TwiceReturnsToTheSameClientPlacement) {
    Send(WM_MOVE, 0, qzMakeLParam(44, 50));
    Send(WM_SIZE, SIZE_RESTORED, qzMakeLParam(900, 650));
    platform.ClearCalls();
    Send(WM_KEYDOWN, VK_F11);
    EXPECT_TRUE(app->IsFullscreen());
    // The platform answers the new placement with move and size messages.
    Send(WM_MOVE, 0, qzMakeLParam(0, 0));
    Send(WM_SIZE, SIZE_RESTORED, qzMakeLParam(1280, 1024));
    Send(WM_KEYDOWN, VK_F11, 1 << 30); // auto-repeat toggles as well
    EXPECT_FALSE(app->IsFullscreen());
    EXPECT_EQ(platform.CallsStartingWith("SetWindowPos"),
              (std::vector<std::string>{"SetWindowPos 1 0 0 1280 1024", "SetWindowPos 1 40 30 908 674"}));
    EXPECT_EQ(platform.CallsStartingWith("SetMinimumClientSize"),
              (std::vector<std::string>{"SetMinimumClientSize 1 0 0", "SetMinimumClientSize 1 800 600"}));
}

TEST_F(MainTest, CloseLogsAndEndsTheLoopBeforeAnotherPass) {
    pw2_Window* tipped = new pw2_Window(app.get(), app->GetRootWindow());
    tipped->SetRect(0, 0, 100, 100);
    tipped->SetTooltip("Front");
    MoveMouse(5, 5);
    testnow += 700;
    testing::internal::CaptureStderr();
    platform.Deliver(qzFakeMessage(Handle(), WM_CLOSE));
    EXPECT_EQ(app->Run(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[pw2_Main] OnClose.\n");
    // The pass that took the quit message did no per-frame work.
    EXPECT_TRUE(app->GetTooltipTimer().IsArmed());
    EXPECT_FALSE(app->GetTooltipTimer().IsShown());
    EXPECT_EQ(qzGetQueuedMessageCount(), 0u);
}

TEST_F(MainTest, ShutdownDestroysTheMainWindow) {
    app.reset();
    EXPECT_EQ(platform.CallsStartingWith("DestroyWindow"), (std::vector<std::string>{"DestroyWindow 1"}));
    EXPECT_EQ(engine->windows.count, 0);
}

TEST(MainStartup, MissingOrCorruptFontsBecomeTheFontTextAndLeaveNoWindowBehind) {
    // One block missing, then one cut short: an I/O and a format failure.
    for (bool missing : {true, false}) {
        qzFakePlatform platform;
        TestBlocks blocks;
        if (missing)
            blocks.blocks.erase("1002");
        else
            blocks.blocks["1001"].resize(100);
        qzSetResourceProvider(&blocks);
        qzMain engine(1);
        testing::internal::CaptureStderr();
        try {
            pw2_Main app(&engine);
            ADD_FAILURE() << "no exception";
        } catch (const char* text) {
            EXPECT_STREQ(text, "Failed to load fonts.");
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  std::string(pw2_ThemeDefinitionText().c_str()) + "[pw2_Main] Constructor.\n");
        EXPECT_EQ(engine.windows.count, 0);
        EXPECT_EQ(platform.CallsStartingWith("DestroyWindow").size(), 1u);
        qzSetResourceProvider(nullptr);
    }
}

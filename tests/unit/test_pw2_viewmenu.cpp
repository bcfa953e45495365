#include "pw2_control_button.h"
#include "pw2_control_dropdown.h"
#include "pw2_control_toggle.h"
#include "pw2_view.h"
#include "pw2_viewimage.h"
#include "pw2_viewmenuleft.h"
#include "pw2_viewmenuright.h"
#include "qzmessage.h"
#include "test_pw2_view_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double PI = std::numbers::pi;

std::vector<pw2_Window*> Controls(const pw2_Window* bar) {
    std::vector<pw2_Window*> controls;
    for (pw2_Window* w = bar->GetChildren().first; w != nullptr; w = w->next)
        controls.push_back(w);
    return controls;
}

// The controls are found by their tooltips, which are all different, and driven through the main
// object's routing with real messages.
struct ViewMenuTest : ViewTest {
    pw2_ViewMenuLeft* left = nullptr;
    pw2_ViewMenuRight* right = nullptr;

    void SetUp() override {
        ViewTest::SetUp();
        left = view->GetLeftMenu();
        right = view->GetRightMenu();
    }
    std::vector<pw2_Window*> Bars() const { return {left, right}; }
    template <class T> T* Find(const char* tooltip) {
        for (const pw2_Window* bar : Bars()) {
            for (pw2_Window* w : Controls(bar)) {
                if (w->GetTooltip() == tooltip)
                    return dynamic_cast<T*>(w);
            }
        }
        return nullptr;
    }
    pw2_Control_Toggle* Toggle(const char* tooltip) { return Find<pw2_Control_Toggle>(tooltip); }
    pw2_Control_Dropdown* Dropdown(const char* tooltip) { return Find<pw2_Control_Dropdown>(tooltip); }

    void ClickAt(int32_t x, int32_t y) {
        MoveMouse(x, y);
        Send(WM_LBUTTONDOWN, 1, qzMakeLParam(x, y));
        Send(WM_LBUTTONUP, 0, qzMakeLParam(x, y));
    }
    void Click(pw2_Window* control) {
        ASSERT_NE(control, nullptr);
        const int32_t x = control->GetAbsoluteX() + control->GetWidth() / 2;
        const int32_t y = control->GetAbsoluteY() + control->GetHeight() / 2;
        MoveMouse(x, y);
        ASSERT_EQ(app->GetActiveWindow(), control);
        ClickAt(x, y);
    }
    void Click(const char* tooltip) { Click(Find<pw2_Window>(tooltip)); }
    // Opens the list with a click and clicks the entry.
    void Choose(pw2_Control_Dropdown* dropdown, uint32_t index) {
        Click(dropdown);
        pw2_Window* popup = dropdown->GetPopup();
        ASSERT_NE(popup, nullptr);
        ClickAt(popup->GetAbsoluteX() + popup->GetWidth() / 2,
                popup->GetAbsoluteY() + PW2_POPUP_BORDER +
                    PW2_POPUP_ROW_HEIGHT * static_cast<int32_t>(index) + PW2_POPUP_ROW_HEIGHT / 2);
        EXPECT_EQ(dropdown->GetPopup(), nullptr);
    }
};

} // namespace

TEST_F(ViewMenuTest, BarsLineTheBottomEdgeAndTheirControlsTileThemWithoutOverlap) {
    for (auto [w, h] : {std::pair{400, 445}, std::pair{1500, 120}}) {
        view->SetRect(0, 0, w, h);
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        // 5 pixels in from the sides, 3 above the bottom, under the image
        EXPECT_EQ(left->GetX(), 5);
        EXPECT_EQ(right->GetX() + right->GetWidth(), w - 5);
        for (pw2_Window* bar : Bars()) {
            EXPECT_EQ(bar->GetY() + bar->GetHeight(), h - 3);
            EXPECT_GT(bar->GetY(), view->GetImage()->GetY() + view->GetImage()->GetHeight());
        }
    }

    for (pw2_Window* bar : Bars()) {
        const std::vector<pw2_Window*> controls = Controls(bar);
        int32_t minx = 1000, miny = 1000, maxx = -1, maxy = -1;
        int32_t area = 0;
        for (size_t i = 0; i < controls.size(); i++) {
            const pw2_Window* a = controls[i];
            minx = std::min(minx, a->GetX());
            miny = std::min(miny, a->GetY());
            maxx = std::max(maxx, a->GetX() + a->GetWidth());
            maxy = std::max(maxy, a->GetY() + a->GetHeight());
            // a control's cells are its size and the margins, four cells high; they fill the bar together
            area += (a->GetWidth() + 2) * 20;
            for (size_t j = i + 1; j < controls.size(); j++) {
                const pw2_Window* b = controls[j];
                const bool apart =
                    a->GetX() + a->GetWidth() <= b->GetX() || b->GetX() + b->GetWidth() <= a->GetX() ||
                    a->GetY() + a->GetHeight() <= b->GetY() || b->GetY() + b->GetHeight() <= a->GetY();
                EXPECT_TRUE(apart) << i << " " << j;
            }
        }
        // a one-pixel margin all round
        EXPECT_EQ(minx, 1);
        EXPECT_EQ(miny, 1);
        EXPECT_EQ(maxx, bar->GetWidth() - 1);
        EXPECT_EQ(maxy, bar->GetHeight() - 1);
        EXPECT_EQ(area, bar->GetWidth() * bar->GetHeight());
    }

    // only "Geom" and "Tex" are joined, so they touch
    pw2_Window* geom = Toggle("Show model geometry");
    EXPECT_EQ(geom->GetY() + geom->GetHeight(), Toggle("Show texture map")->GetY());
}

TEST_F(ViewMenuTest, StandardViewButtonsLookAlongTheirAxesWithTheRightUpAndShowTheGridPlaneFacingThem) {
    std::mt19937 random(5);
    pw2_Control_Dropdown* grid = Dropdown("Change grid orientation");
    pw2_Control_Toggle* orthotoggle = Toggle("Enable/disable orthogonal projection");
    const struct {
        const char* tooltip;
        qzVector3 towardviewer, up;
        uint32_t grid;
    } cases[] = {
        {"Change to top view", {0, 0, 1}, {0, -1, 0}, 0},
        {"Change to bottom view", {0, 0, -1}, {0, -1, 0}, 0},
        {"Change to front view", {0, 1, 0}, {0, 0, 1}, 1},
        {"Change to back view", {0, -1, 0}, {0, 0, 1}, 1},
        {"Change to left view", {-1, 0, 0}, {0, 0, 1}, 2},
        {"Change to right view", {1, 0, 0}, {0, 0, 1}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tooltip);
        view->SetOrtho(false);
        view->SetRotation(RandomRotation(random));
        view->SetGridOrientation(2 - c.grid); // another plane than the button's
        Click(c.tooltip);
        EXPECT_TRUE(view->GetOrtho());
        EXPECT_TRUE(orthotoggle->IsOn());
        EXPECT_TRUE(view->IsAnimating());
        EXPECT_EQ(view->GetGridOrientation(), c.grid);
        EXPECT_EQ(FacingGrid(view->GetRotation()), c.grid);
        // the dropdown asks the view, so it shows the plane the button chose
        EXPECT_EQ(grid->GetSelectedIndex(), c.grid);
        view->StopAnimation();
        view->UpdateMatrices();
        // camera space: x right, y up, z away from the viewer (the screen frame is left-handed)
        EXPECT_NEAR(view->GetViewMatrix().TransformVector(c.towardviewer).z, -1, 1e-12);
        EXPECT_NEAR(view->GetViewMatrix().TransformVector(c.up).y, 1, 1e-12);
    }

    // "3D" goes back to perspective, looking down at the XY grid from the start orientation of the right view
    Click("Change to 3D view");
    EXPECT_FALSE(view->GetOrtho());
    EXPECT_FALSE(orthotoggle->IsOn());
    EXPECT_EQ(grid->GetSelectedIndex(), 0u);
    const qzQuaternion chosen = view->GetRotation();
    view->SetRotationFromAngles(120 * PI / 180, -30 * PI / 180);
    EXPECT_LT(AngleBetween(chosen, view->GetRotation()), 1e-6);
    EXPECT_GT(Matrix(chosen)(2, 2), 0);
}

TEST_F(ViewMenuTest, AlignSnapsAsTheViewDoesAndTurnsFromWhereItWasInOrthogonalProjection) {
    std::mt19937 random(23);
    const qzQuaternion start = RandomRotation(random);
    view->SetOrtho(false);
    view->SetRotation(start);
    Click("Align the view with the screen (change to nearest orthogonal view)");
    const qzQuaternion aligned = view->GetRotation();
    EXPECT_TRUE(view->GetOrtho());
    EXPECT_TRUE(view->IsAnimating());
    view->UpdateMatrices();
    EXPECT_LT(AngleBetween(view->GetCurrentRotation(), start), 1e-7);
    view->SetRotation(start);
    view->Align();
    EXPECT_LT(AngleBetween(view->GetRotation(), aligned), 1e-12);
}

TEST_F(ViewMenuTest, OrthoToggleFlipsTheProjectionAndEndsATurn) {
    pw2_Control_Toggle* toggle = Toggle("Enable/disable orthogonal projection");
    view->SetOrtho(false);
    Click("Change to front view");
    ASSERT_TRUE(view->IsAnimating());
    Click(toggle);
    EXPECT_FALSE(view->GetOrtho());
    EXPECT_FALSE(toggle->IsOn());
    EXPECT_FALSE(view->IsAnimating());
    Click(toggle);
    EXPECT_TRUE(view->GetOrtho());
    EXPECT_TRUE(toggle->IsOn());
    // the toggle shows changes made elsewhere, as by the keypad
    view->SetOrtho(false);
    EXPECT_FALSE(toggle->IsOn());
}

TEST_F(ViewMenuTest, DropdownsChooseTheGridPlaneAndTheDisplayModeAndEndATurn) {
    pw2_Control_Dropdown* grid = Dropdown("Change grid orientation");
    pw2_Control_Dropdown* display = Dropdown("Change display mode");
    ASSERT_EQ(grid->GetStateCount(), 3u);
    ASSERT_EQ(display->GetStateCount(), 5u);
    for (auto [dropdown, i] : {std::pair{grid, 2u}, std::pair{grid, 1u}, std::pair{display, 4u},
                               std::pair{display, 1u}, std::pair{display, 2u}}) {
        Click("Change to top view");
        Choose(dropdown, i);
        EXPECT_EQ(dropdown == grid ? view->GetGridOrientation() : view->GetDisplayMode(), i);
        EXPECT_EQ(dropdown->GetSelectedIndex(), i);
        EXPECT_FALSE(view->IsAnimating());
    }
    // an index past the list means its last entry
    grid->Select(7);
    display->Select(9);
    EXPECT_EQ(view->GetGridOrientation(), 2u);
    EXPECT_EQ(view->GetDisplayMode(), 4u);
    EXPECT_TRUE(display->GetState(display->GetSelectedIndex()) == "Solid-Wire");
}

TEST_F(ViewMenuTest, ZoomButtonsStepWholeUnitsAndLetATurnGoOn) {
    view->SetZoom(2.4);
    Click("Zoom out");
    EXPECT_EQ(view->GetZoom(), 3);
    Click("Zoom in");
    Click("Zoom in");
    EXPECT_EQ(view->GetZoom(), 1);

    Click("Change to left view");
    Click("Zoom in");
    EXPECT_TRUE(view->IsAnimating());
}

TEST_F(ViewMenuTest, MoveToggleSwitchesTheMoveModeWithItsCursorOverTheImage) {
    Settings().animationtime = 0;
    pw2_Control_Toggle* toggle =
        Toggle("Rotate/move/zoom (middle mouse button)\nHold shift to move, hold ctrl to zoom.");
    ASSERT_NE(toggle, nullptr);
    platform.ClearCalls();
    Click(toggle);
    EXPECT_TRUE(view->GetImage()->GetMoveMode());
    EXPECT_TRUE(toggle->IsOn());
    // the toggle, not the image, is under the mouse: the cursor changes when the mouse comes to the image
    EXPECT_TRUE(platform.CallsStartingWith("SetCursor").empty());
    MoveMouse(200, 200);
    std::vector<std::string> cursors = platform.CallsStartingWith("SetCursor");
    ASSERT_EQ(cursors.size(), 1u);
    EXPECT_EQ(cursors[0].substr(cursors[0].rfind(' ')), " 9");

    Click(toggle);
    EXPECT_FALSE(view->GetImage()->GetMoveMode());
    EXPECT_FALSE(toggle->IsOn());
    cursors = platform.CallsStartingWith("SetCursor");
    ASSERT_EQ(cursors.size(), 2u);
    EXPECT_EQ(cursors[1].substr(cursors[1].rfind(' ')), " 3");
}

TEST_F(ViewMenuTest, CenterBringsTheTargetBackAndEndsATurnWhereItWasHeading) {
    view->SetTarget(qzVector3(3, -4, 5));
    view->SetZoom(-7);
    Click("Change to back view");
    const qzQuaternion heading = view->GetRotation();
    ASSERT_TRUE(view->IsAnimating());
    Click("Move the view back to the center");
    EXPECT_EQ(view->GetTarget().Norm(), 0);
    EXPECT_FALSE(view->IsAnimating());
    EXPECT_EQ(AngleBetween(view->GetRotation(), heading), 0);
    EXPECT_EQ(view->GetZoom(), -7);
}

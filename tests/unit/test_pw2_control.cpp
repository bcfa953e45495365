#include "pw2_control_button.h"
#include "pw2_control_grid.h"
#include "pw2_control_toggle.h"
#include "test_pw2_control_fixture.h"

#include <gtest/gtest.h>

TEST(ControlGrid, AJoinedEdgeLiesOnTheCellBoundaryAndCarriesTheCaptionCentreAlong) {
    // cells 2 .. 11 by 3 .. 6, that is pixels 10 .. 59 by 15 .. 34; unjoined edges stand one pixel in
    const struct {
        bool l, r, t, b;
        pw2_GridPlacement want;
    } cases[] = {{false, false, false, false, {11, 16, 48, 18, 24, 9}},
                 {true, false, false, false, {10, 16, 49, 18, 25, 9}},
                 {false, true, false, false, {11, 16, 49, 18, 24, 9}},
                 {false, false, true, false, {11, 15, 48, 19, 24, 10}},
                 {false, false, false, true, {11, 16, 48, 19, 24, 9}},
                 {true, true, true, true, {10, 15, 50, 20, 25, 10}}};
    for (const auto& c : cases) {
        const pw2_GridPlacement got = pw2_ComputeGridPlacement(2, 3, 10, 4, c.l, c.r, c.t, c.b);
        EXPECT_TRUE(got == c.want) << c.l << c.r << c.t << c.b << ": " << got.x << "," << got.y << ","
                                   << got.width << "," << got.height << " text " << got.textx << ","
                                   << got.texty;
    }
}

struct ButtonTest : ControlTest {
    ControlOwner owner;
    pw2_Window* panel = nullptr;
    pw2_Control_Button* button = nullptr;
    void SetUp() override {
        ControlTest::SetUp();
        panel = new pw2_Window(app.get(), app->GetRootWindow());
        panel->SetRect(100, 100, 300, 200);
        button = new pw2_Control_Button(app.get(), panel);
        button->SetText("Point");
        button->SetGridPosition(2, 2, 10, 4); // absolute 111, 111, 48 x 18
        button->SetOnClick(qzCallback<>::Bind<&ControlOwner::Click>(&owner));
    }
};

TEST_F(ButtonTest, ActsOnReleaseOverItAndNotAfterLeavingUnlessItCameBack) {
    Press(120, 120);
    EXPECT_TRUE(button->IsPressed());
    EXPECT_EQ(owner.clicks, 0);
    Release(120, 120);
    EXPECT_EQ(owner.clicks, 1);
    EXPECT_FALSE(button->IsPressed());

    // Off and released outside: nothing. Held away, it stays hot but shows released.
    Press(120, 120);
    Move(300, 250);
    EXPECT_FALSE(button->IsPressed());
    EXPECT_EQ(button->GetLook().face.quad.topright,
              pw2_ButtonColors()[PW2_COLOR_CONTROL_BUTTON_NORMAL_HIGHLIGHT1]);
    EXPECT_TRUE(button->IsActive()) << "the pressed button keeps the input while the left button is held";
    Release(300, 250);
    EXPECT_EQ(owner.clicks, 1);
    Move(300, 251);
    EXPECT_EQ(app->GetActiveWindow(), panel);

    // Off and back before the release: it acts.
    Press(120, 120);
    Move(300, 250);
    Move(158, 128); // the last pixel inside
    EXPECT_TRUE(button->IsPressed());
    Release(158, 128);
    EXPECT_EQ(owner.clicks, 2);

    // The second press of a double click is a press too.
    Press(120, 120);
    Release(120, 120);
    Press(120, 120, WM_LBUTTONDBLCLK);
    Release(120, 120);
    EXPECT_EQ(owner.clicks, 4);
}

TEST_F(ButtonTest, OtherButtonsDoNothingAndAMissingCallbackStillShowsThePress) {
    for (auto [down, up] :
         {std::pair{WM_RBUTTONDOWN, WM_RBUTTONUP}, std::pair{WM_MBUTTONDOWN, WM_MBUTTONUP}}) {
        Press(120, 120, down);
        EXPECT_FALSE(button->IsPressed());
        Release(120, 120, up);
    }
    EXPECT_EQ(owner.clicks, 0);

    Move(300, 250);
    uint32_t before = Redraws();
    Move(120, 120);
    EXPECT_GT(Redraws(), before) << "entering redraws";
    button->SetOnClick(qzCallback<>());
    Press(120, 120);
    EXPECT_TRUE(button->IsPressed());
    before = Redraws();
    Release(120, 120);
    EXPECT_FALSE(button->IsPressed());
    EXPECT_GT(Redraws(), before);
}

struct ToggleTest : ControlTest {
    ControlOwner owner;
    pw2_Control_Toggle* toggle = nullptr;
    void SetUp() override {
        ControlTest::SetUp();
        toggle = new pw2_Control_Toggle(app.get(), app->GetRootWindow());
        toggle->SetText("Ortho");
        toggle->SetGridPosition(20, 20, 12, 4, false, false, false, true); // 101, 101, 58 x 19
        toggle->SetOnClick(qzCallback<>::Bind<&ControlOwner::Flip>(&owner));
        toggle->SetOnState(qzCallback<bool()>::Bind<&ControlOwner::State>(&owner));
    }
};

TEST_F(ToggleTest, ActsOnThePressAndShowsTheOwnersState) {
    const pw2_ControlColors& family = pw2_ToggleColors();
    EXPECT_FALSE(toggle->IsOn());

    Press(110, 110);
    EXPECT_EQ(owner.clicks, 1) << "acts on the press";
    EXPECT_TRUE(toggle->IsOn());
    Move(500, 300); // dragging away does not take it back
    Release(500, 300);
    EXPECT_EQ(owner.clicks, 1);
    Move(110, 110);
    EXPECT_EQ(toggle->GetLook().face.quad.topleft, family[PW2_COLOR_CONTROL_BUTTON_PRESSED_HIGHLIGHT1]);

    Press(110, 110, WM_RBUTTONDOWN);
    Release(110, 110, WM_RBUTTONUP);
    EXPECT_EQ(owner.clicks, 1);
    Click(110, 110);
    EXPECT_FALSE(toggle->IsOn());
    EXPECT_EQ(toggle->GetLook().face.quad.topleft, family[PW2_COLOR_CONTROL_BUTTON_NORMAL_HIGHLIGHT1]);

    // Without a state callback a toggle is off; without a click callback a press only redraws.
    owner.on = true;
    toggle->SetOnState(qzCallback<bool()>());
    toggle->SetOnClick(qzCallback<>());
    EXPECT_FALSE(toggle->IsOn());
    uint32_t before = Redraws();
    Click(110, 110);
    EXPECT_GT(Redraws(), before);
    EXPECT_EQ(owner.clicks, 2);
}

#include "pw2_testmain.h"
#include "pw2_view.h"
#include "pw2_viewimage.h"
#include "pw2_viewsettings.h"
#include "test_pw2_view_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr double PI = std::numbers::pi;

} // namespace

TEST_F(ViewTest, RotationFromAnglesIsTheAzimuthTurnAfterTheElevationTurn) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> azimuth(-PI, PI), elevation(-PI / 2, PI / 2);
    for (int i = 0; i < 200; i++) {
        const double a1 = azimuth(random), a2 = elevation(random);
        view->SetRotationFromAngles(a1, a2);
        const qzQuaternion expected =
            qzQuaternion(qzVector3(0, 0, 1), PI / 2 - a1) * qzQuaternion(qzVector3(1, 0, 0), -(a2 + PI / 2));
        EXPECT_LT(AngleBetween(view->GetRotation(), expected), 1e-7);
        // and the angles read back give the same orientation
        double b1, b2;
        view->GetAngles(b1, b2);
        EXPECT_GE(b2, -PI / 2 - 1e-9);
        EXPECT_LE(b2, PI / 2 + 1e-9);
        view->SetRotationFromAngles(b1, b2);
        EXPECT_LT(AngleBetween(view->GetRotation(), expected), 1e-7);
    }
    // the poles read back as poles, not as the pole turned upside down
    for (double a2 : {-PI / 2, PI / 2}) {
        view->SetRotationFromAngles(0.3, a2);
        double b1, b2;
        view->GetAngles(b1, b2);
        EXPECT_NEAR(b2, a2, 1e-9);
    }
}

TEST_F(ViewTest, AlignChoosesTheNearestAxisViewInBothRotationModes) {
    // the free turns may land on any axis rotation, the turntable on the twelve with z up or down
    std::vector<qzMatrix> candidates[2] = {AxisRotations(), {}};
    ASSERT_EQ(candidates[0].size(), 24u);
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 3; j++) {
            view->SetRotationFromAngles(PI / 2 + i * PI / 2, j * PI / 2 - PI / 2);
            candidates[1].push_back(Matrix(view->GetRotation()));
        }
    std::mt19937 random(11);
    for (uint32_t mode : {3u, 1u}) {
        Settings().rotationmode = mode;
        const std::vector<qzMatrix>& allowed = candidates[mode == 1 ? 1 : 0];
        for (int trial = 0; trial < 300; trial++) {
            const qzQuaternion start = RandomRotation(random);
            view->SetRotation(start);
            const uint32_t n = view->Align();
            const qzQuaternion aligned = view->GetRotation();
            EXPECT_LT(n, allowed.size());
            EXPECT_NEAR(aligned.Dot(aligned), 1, 1e-12);
            EXPECT_EQ(view->GetGridOrientation(), FacingGrid(aligned));
            // one of the mode's candidates, and the nearest of them
            double nearest = 10, landed = 10;
            for (const qzMatrix& r : allowed) {
                nearest = std::min(nearest, AngleBetween(r, Matrix(start)));
                landed = std::min(landed, AngleBetween(r, Matrix(aligned)));
            }
            EXPECT_LT(landed, 1e-6);
            EXPECT_NEAR(AngleBetween(aligned, start), nearest, 1e-9);
            EXPECT_EQ(view->Align(), n) << "aligning again stays put";
        }
    }
}

TEST_F(ViewTest, ZoomScalePassesOneTwoFiveTenAndIsSmooth) {
    const double marks[][2] = {{0, 1},    {3, 2},    {6, 5},      {9, 10},
                               {-9, 0.1}, {18, 100}, {-45, 1e-5}, {27, 1000}};
    for (const auto& mark : marks) {
        view->SetZoom(mark[0]);
        EXPECT_NEAR(view->ZoomScale() / mark[1], 1, 1e-12) << mark[0];
    }
    double previous = 0;
    for (double z = -45; z <= 27; z += 0.01) {
        view->SetZoom(z);
        const double s = view->ZoomScale();
        if (previous > 0) {
            // continuous and rising: one hundredth of a step changes the scale by well under 1%
            EXPECT_GT(s, previous) << z;
            EXPECT_LT(s / previous, 1.005) << z;
        }
        previous = s;
    }
}

TEST_F(ViewTest, SettersClampAndIgnoreNaN) {
    view->SetZoom(30);
    EXPECT_EQ(view->GetZoom(), 27);
    view->SetZoom(-50);
    EXPECT_EQ(view->GetZoom(), -45);
    const uint32_t before = app->GetRedrawRequestCount();
    view->ChangeZoom(-1);
    EXPECT_EQ(view->GetZoom(), -45);
    EXPECT_GT(app->GetRedrawRequestCount(), before);
    view->SetZoom(std::nan(""));
    EXPECT_EQ(view->GetZoom(), -45);
}

TEST_F(ViewTest, GridStepIsAPowerOfTenThatFadesTowardTheNextDecade) {
    for (double unitsize : {1.0, 0.25, 3.0}) {
        for (double z = -45; z <= 27; z += 0.37) {
            view->SetZoom(z);
            double fade = -1;
            const double step = view->GridStep(unitsize, &fade);
            const double decade = std::log10(step / unitsize);
            EXPECT_NEAR(decade, std::round(decade), 1e-9);
            EXPECT_GE(fade, 0);
            EXPECT_LE(fade, 1);
            // step and fade together give forty pixels' worth of model units
            EXPECT_NEAR(step * std::pow(10.0, fade) / (40 * view->ZoomScale()), 1, 1e-9) << z;
        }
    }
}

TEST_F(ViewTest, OnePixelCoversZoomScaleUnitsAtTheTargetInBothProjections) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> coordinate(-50, 50), zoom(-45, 27);
    for (int trial = 0; trial < 100; trial++) {
        view->SetOrtho(trial % 2 == 0);
        view->SetZoom(zoom(random));
        view->SetTarget(qzVector3(coordinate(random), coordinate(random), coordinate(random)));
        view->SetRotation(RandomRotation(random));
        view->UpdateMatrices();
        const double w = view->GetImage()->GetWidth(), h = view->GetImage()->GetHeight();
        const double s = view->ZoomScale();
        const qzMatrix turn = Matrix(view->GetCurrentRotation());
        const qzVector3 right(turn(0, 0), turn(1, 0), turn(2, 0));
        const qzVector3 down(turn(0, 1), turn(1, 1), turn(2, 1));
        auto pixel = [&](const qzVector3& p, unsigned k, double* depth = nullptr) {
            qzMatrix all;
            all.Multiply(view->GetViewMatrix(), view->GetProjection(k));
            const qzVector3 ndc = all.ProjectPoint(p);
            if (depth != nullptr)
                *depth = ndc.z;
            return qzVector2((ndc.x + 1) * w / 2, (1 - ndc.y) * h / 2);
        };
        const qzVector3 t = view->GetTarget();
        const qzVector2 centre = pixel(t, 0);
        const qzVector2 r = pixel(t + right * s, 0);
        const qzVector2 d = pixel(t + down * s, 0);
        EXPECT_NEAR(centre.x, w / 2, 1e-6);
        EXPECT_NEAR(centre.y, h / 2, 1e-6);
        EXPECT_NEAR(r.x - centre.x, 1, 1e-6);
        EXPECT_NEAR(r.y - centre.y, 0, 1e-6);
        EXPECT_NEAR(d.x - centre.x, 0, 1e-6);
        EXPECT_NEAR(d.y - centre.y, 1, 1e-6);
        // the target lies inside the depth range, and the later ranges put it nearer
        double depth[3];
        for (unsigned k = 0; k < 3; k++)
            pixel(t, k, &depth[k]);
        EXPECT_GT(depth[0], 0);
        EXPECT_LT(depth[0], 1);
        EXPECT_LT(depth[1], depth[0]);
        EXPECT_LT(depth[2], depth[1]);
    }
}

TEST_F(ViewTest, AnEmptyImageStillGivesFiniteMatrices) {
    view->SetRect(0, 0, 2, 47);
    for (bool ortho : {true, false}) {
        view->SetOrtho(ortho);
        view->UpdateMatrices();
        for (unsigned k = 0; k < 3; k++)
            for (double e : view->GetProjection(k).m)
                EXPECT_TRUE(std::isfinite(e));
    }
}

TEST_F(ViewTest, AnimationStepsWithTheClockAndEndsAtTheNewOrientation) {
    // start just before the clock wraps, so that the arithmetic is checked across it
    testnow = 0xFFFFFF00u;
    view->OnTop();
    const qzQuaternion origin = view->GetRotation();
    view->OnFront();
    const qzQuaternion goal = view->GetRotation();
    ASSERT_TRUE(view->IsAnimating());
    EXPECT_EQ(view->GetOriginGridOrientation(), 0u);
    const double full = AngleBetween(origin, goal);

    uint32_t redraws = app->GetRedrawRequestCount();
    testnow += 13;
    view->AdvanceAnimation();
    EXPECT_EQ(app->GetRedrawRequestCount(), redraws);
    EXPECT_EQ(view->GetAnimationFraction(), 0);

    testnow += 1;
    view->AdvanceAnimation();
    EXPECT_EQ(app->GetRedrawRequestCount(), redraws + 1);
    EXPECT_DOUBLE_EQ(view->GetAnimationFraction(), 14.0 / 400);

    testnow += 186; // 200 ms in: half way along the arc
    view->AdvanceAnimation();
    EXPECT_DOUBLE_EQ(view->GetAnimationFraction(), 0.5);
    view->UpdateMatrices();
    EXPECT_NEAR(AngleBetween(origin, view->GetCurrentRotation()), full / 2, 1e-9);
    EXPECT_NEAR(AngleBetween(view->GetCurrentRotation(), goal), full / 2, 1e-9);

    testnow += 200;
    view->AdvanceAnimation();
    EXPECT_FALSE(view->IsAnimating());
    view->UpdateMatrices();
    EXPECT_LT(AngleBetween(view->GetCurrentRotation(), goal), 1e-12);

    view->OnTop();
    // a turn to where the view already is stays there all the way
    view->OnTop();
    testnow += 100;
    view->AdvanceAnimation();
    view->UpdateMatrices();
    EXPECT_LT(AngleBetween(view->GetCurrentRotation(), view->GetRotation()), 1e-12);

    // without an animation time the view jumps
    Settings().animationtime = 0;
    view->OnBack();
    EXPECT_FALSE(view->IsAnimating());
    view->UpdateMatrices();
    EXPECT_LT(AngleBetween(view->GetCurrentRotation(), view->GetRotation()), 1e-12);
}

TEST_F(ViewTest, KeypadTurnsLandOnAxisViewsAndFourQuarterTurnsComeBack) {
    std::mt19937 random(5);
    for (int digit : {4, 6, 8, 2, 7, 9}) {
        view->SetRotation(RandomRotation(random));
        view->OnKeypad(5);
        const qzQuaternion start = view->GetRotation();
        for (int i = 0; i < 4; i++) {
            view->OnKeypad(digit);
            EXPECT_TRUE(view->GetOrtho());
            EXPECT_EQ(FacingGrid(view->GetRotation()), view->GetGridOrientation());
            EXPECT_NEAR(AngleBetween(view->GetRotation(), start), i == 1 ? PI : (i == 3 ? 0 : PI / 2), 1e-9);
        }
    }
    view->OnTop();
    view->OnKeypad(1);
    EXPECT_NEAR(AngleBetween(view->GetRotation(), qzQuaternion()), PI, 1e-9);
    // the turns are about the screen's axes: keypad 8 after "Top" looks from the front or the back
    view->OnTop();
    view->OnKeypad(8);
    EXPECT_EQ(view->GetGridOrientation(), 1u);
}

TEST_F(ViewTest, TurntableKeypadTurnsStepTheAzimuthAndTheElevation) {
    Settings().rotationmode = 1;
    auto at = [&](int i, int j) {
        view->SetRotationFromAngles(PI / 2 + i * PI / 2, j * PI / 2 - PI / 2);
        return view->GetRotation();
    };
    for (int i = 0; i < 4; i++) {
        struct Step {
            int digit, from, toi, toj;
        };
        // from a side view (j 1): 4 and 6 step the azimuth, 8 rises to the top, 2 sinks to the bottom, 7
        // and 9 would roll the view and do nothing; from the top (j 0) 4 and 6 come down to a side
        const Step steps[] = {{4, 1, i + 3, 1}, {6, 1, i + 1, 1}, {8, 1, i, 0},     {2, 1, i, 2},
                              {7, 1, i, 1},     {9, 1, i, 1},     {4, 0, i + 3, 1}, {6, 0, i + 1, 1}};
        for (const Step& step : steps) {
            view->SetRotation(at(i, step.from));
            view->OnKeypad(step.digit);
            const qzQuaternion expected = at(step.toi % 4, step.toj);
            EXPECT_LT(AngleBetween(view->GetRotation(), expected), 1e-9) << i << " " << step.digit;
            EXPECT_EQ(FacingGrid(view->GetRotation()), view->GetGridOrientation());
        }
    }
}

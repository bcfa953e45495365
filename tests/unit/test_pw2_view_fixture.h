// A view on the main object's root over the fake platform, with the test's clock.
#pragma once

#include "pw2_testmain.h"
#include "pw2_view.h"
#include "pw2_viewsettings.h"

#include <random>

struct ViewTest : MainTest {
    pw2_View* view = nullptr;

    void SetUp() override {
        MainTest::SetUp();
        view = new pw2_View(app.get(), app->GetRootWindow(), TestClock);
        view->SetRect(0, 0, 400, 445); // an image of 398 x 398
    }
    // The settings belong to the main object, which hands them out read-only; the tests change them.
    pw2_ViewSettings& Settings() { return const_cast<pw2_ViewSettings&>(app->GetViewSettings()); }
};

// Uniformly distributed over the orientations: a normalised 4-vector of normal deviates.
inline qzQuaternion RandomRotation(std::mt19937& random) {
    std::normal_distribution<double> normal;
    qzQuaternion q(normal(random), normal(random), normal(random), normal(random));
    q.Normalize();
    return q;
}

// A view on the main object's root over the fake platform, with the test's clock.
#pragma once

#include "pw2_testmain.h"
#include "pw2_view.h"
#include "pw2_viewsettings.h"

#include "qzmatrix.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

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

// The rotation's matrix as it acts on row vectors.
inline qzMatrix Matrix(const qzQuaternion& q) {
    qzMatrix m;
    m.RotationMatrix(q);
    return m;
}

inline double Determinant3(const qzMatrix& m) {
    return m(0, 0) * (m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1)) -
           m(0, 1) * (m(1, 0) * m(2, 2) - m(1, 2) * m(2, 0)) +
           m(0, 2) * (m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0));
}

// The angle between two orientations from their matrices: trace(A^T B) = 1 + 2 cos angle.
inline double AngleBetween(const qzMatrix& a, const qzMatrix& b) {
    double trace = 0;
    for (unsigned i = 0; i < 3; i++)
        for (unsigned j = 0; j < 3; j++)
            trace += a(i, j) * b(i, j);
    return std::acos(std::clamp((trace - 1) / 2, -1.0, 1.0));
}
inline double AngleBetween(const qzQuaternion& a, const qzQuaternion& b) {
    return AngleBetween(Matrix(a), Matrix(b));
}

// All 24 rotations that map each axis onto an axis, as signed permutation matrices of determinant 1.
inline std::vector<qzMatrix> AxisRotations() {
    std::vector<qzMatrix> rotations;
    unsigned p[3] = {0, 1, 2};
    do {
        for (int signs = 0; signs < 8; signs++) {
            qzMatrix m;
            for (unsigned i = 0; i < 3; i++)
                for (unsigned j = 0; j < 3; j++)
                    m(i, j) = j != p[i] ? 0 : (signs >> i) & 1 ? -1 : 1;
            if (Determinant3(m) > 0)
                rotations.push_back(m);
        }
    } while (std::next_permutation(p, p + 3));
    return rotations;
}

// The grid plane that faces the camera: the model axis that the rotation turns onto the viewing axis.
inline uint32_t FacingGrid(const qzQuaternion& q) {
    const qzMatrix m = Matrix(q);
    for (unsigned i = 0; i < 3; i++) {
        if (std::fabs(std::fabs(m(i, 2)) - 1) < 1e-9)
            return 2 - i;
    }
    return 99;
}

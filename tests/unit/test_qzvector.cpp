#include "qzvector.h"

#include <gtest/gtest.h>

#include <random>

TEST(Vector3, CrossProductIsOrthogonalWithTheAreaAsLength) {
    EXPECT_EQ((qzVector3(1, 0, 0).Cross(qzVector3(0, 1, 0)) - qzVector3(0, 0, 1)).Norm(), 0);
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> d(-3, 3);
    for (int n = 0; n < 100; n++) {
        const qzVector3 a(d(rng), d(rng), d(rng)), b(d(rng), d(rng), d(rng));
        const qzVector3 c = a.Cross(b);
        EXPECT_NEAR(c.Dot(a), 0, 1e-12);
        EXPECT_NEAR(c.Dot(b), 0, 1e-12);
        const double area2 = a.Dot(a) * b.Dot(b) - a.Dot(b) * a.Dot(b);
        EXPECT_NEAR(c.Norm() * c.Norm(), area2, 1e-9);
        const qzVector3 back = (a + b * 2.5) - 2.5 * b;
        EXPECT_NEAR((back - a).Norm(), 0, 1e-12);
    }
    EXPECT_DOUBLE_EQ(qzVector3(2, -3, 6).Norm(), 7);
}

TEST(Vector2, TheProductWithATwoByTwoMatrixTakesTheVectorAsARow) {
    const qzVector2 w = qzVector2(2, 3) * qzMatrix2(5, 7, 11, 13);
    EXPECT_EQ(w.x, 2 * 5 + 3 * 11);
    EXPECT_EQ(w.y, 2 * 7 + 3 * 13);
}

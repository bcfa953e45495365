#include "qzquaternion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace {

void ExpectNear(const qzQuaternion& a, const qzQuaternion& b, double tolerance = 1e-12) {
    EXPECT_NEAR(a.w, b.w, tolerance);
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

qzQuaternion RandomUnit(std::mt19937& rng) {
    std::normal_distribution<double> d;
    qzQuaternion q(d(rng), d(rng), d(rng), d(rng));
    q.Normalize();
    return q;
}

qzQuaternion Negated(const qzQuaternion& q) {
    return qzQuaternion(-q.w, -q.x, -q.y, -q.z);
}

double Length(const qzQuaternion& q) {
    return std::sqrt(q.Dot(q));
}

} // namespace

TEST(QuaternionDeathTest, AxisMustBeAUnitVector) {
    EXPECT_DEATH(qzQuaternion(qzVector3(1.02, 0, 0), 1),
                 "Expression: fabs\\(axis.Norm\\(\\)-\\(F\\)\\(1.0\\)\\)<\\(F\\)\\(0.01\\)");
}

TEST(Quaternion, ProductIsHamiltonsAndConjugateInvertsUnitQuaternions) {
    const qzQuaternion i(0, 1, 0, 0), j(0, 0, 1, 0), k(0, 0, 0, 1);
    ExpectNear(i * j, k);
    ExpectNear(j * i, Negated(k));
    ExpectNear(j * k, i);
    ExpectNear(k * i, j);
    ExpectNear(i * i, qzQuaternion(-1, 0, 0, 0));

    std::mt19937 rng(7);
    for (int n = 0; n < 50; n++) {
        qzQuaternion q = RandomUnit(rng), r = RandomUnit(rng), s = RandomUnit(rng);
        q.w *= 3; // not unit: the product with the conjugate is the squared length
        ExpectNear(q * q.Conjugate(), qzQuaternion(q.Dot(q), 0, 0, 0));
        ExpectNear((q * r) * s, q * (r * s), 1e-12);
        // composing rotations about one axis adds the angles
        ExpectNear(qzQuaternion(qzVector3(0, 1, 0), 0.3 * n) * qzQuaternion(qzVector3(0, 1, 0), 0.2),
                   qzQuaternion(qzVector3(0, 1, 0), 0.3 * n + 0.2));
        // an operand may be the result
        const qzQuaternion expected = q * r;
        q.Multiply(q, r);
        ExpectNear(q, expected, 0);
        r.Multiply(s, r);
        EXPECT_NEAR(Length(r), 1, 1e-12);
    }
}

TEST(Quaternion, SlerpEndpointsShorterArcAndNearlyEqualQuaternions) {
    std::mt19937 rng(8);
    qzQuaternion s;
    for (int n = 0; n < 100; n++) {
        const qzQuaternion q1 = RandomUnit(rng), q2 = RandomUnit(rng);
        s.Slerp(q1, q2, 0);
        ExpectNear(s, q1.Dot(q2) < 0 ? Negated(q1) : q1);
        s.Slerp(q1, q2, 1);
        ExpectNear(s, q2);
    }
    // Equal or nearly equal quaternions use linear weights; the dot product of a non-unit quaternion with
    // itself exceeds 1, where acos has no value.
    const qzQuaternion big(2, 0, 0, 0);
    s.Slerp(big, big, 0.3);
    ExpectNear(s, big);
    const qzQuaternion q1(qzVector3(0, 0, 1), 0.1), q2(qzVector3(0, 0, 1), 0.1 + 1e-5);
    s.Slerp(q1, q2, 0.25);
    ExpectNear(s, qzQuaternion(0.75 * q1.w + 0.25 * q2.w, 0, 0, 0.75 * q1.z + 0.25 * q2.z), 0);
}

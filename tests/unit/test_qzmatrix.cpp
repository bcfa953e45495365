#include "qzmatrix.h"
#include "qzquaternion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

qzMatrix RandomMatrix(std::mt19937& rng) {
    std::uniform_real_distribution<double> d(-2, 2);
    qzMatrix m;
    for (double& e : m.m)
        e = d(rng);
    return m;
}

qzMatrix RandomAffine(std::mt19937& rng) {
    qzMatrix m = RandomMatrix(rng);
    m(0, 3) = m(1, 3) = m(2, 3) = 0;
    m(3, 3) = 1;
    return m;
}

qzQuaternion RandomUnitQuaternion(std::mt19937& rng) {
    std::normal_distribution<double> d;
    qzQuaternion q(d(rng), d(rng), d(rng), d(rng));
    q.Normalize();
    return q;
}

void ExpectNear(const qzMatrix& a, const qzMatrix& b, double tolerance = 1e-12) {
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "element " << i;
}

void ExpectNear(const qzVector3& a, const qzVector3& b, double tolerance = 1e-12) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

qzMatrix Transpose(const qzMatrix& a) {
    qzMatrix t;
    for (unsigned i = 0; i < 4; i++)
        for (unsigned j = 0; j < 4; j++)
            t(i, j) = a(j, i);
    return t;
}

double Determinant3(const qzMatrix& a) {
    const qzVector3 r0(a(0, 0), a(0, 1), a(0, 2)), r1(a(1, 0), a(1, 1), a(1, 2)),
        r2(a(2, 0), a(2, 1), a(2, 2));
    return r0.Dot(r1.Cross(r2));
}

// v rotated by q, the reference: q v q*
qzVector3 Rotate(const qzQuaternion& q, const qzVector3& v) {
    const qzQuaternion r = q * qzQuaternion(0, v.x, v.y, v.z) * q.Conjugate();
    return qzVector3(r.x, r.y, r.z);
}

} // namespace

TEST(Matrix, AffineProductAgreesWithFullProductAndForcesColumnThree) {
    std::mt19937 rng(3);
    for (int n = 0; n < 50; n++) {
        const qzMatrix a = RandomAffine(rng), b = RandomAffine(rng);
        qzMatrix full, affine;
        full.Multiply(a, b);
        affine.MultiplyAffine(a, b);
        ExpectNear(affine, full);
        qzMatrix inplace = a;
        inplace.MultiplyAffine(b);
        EXPECT_EQ(inplace, affine);

        // operands that are not affine still give exactly (0, 0, 0, 1) in column 3
        const qzMatrix p = RandomMatrix(rng), q = RandomMatrix(rng);
        qzMatrix r;
        r.MultiplyAffine(p, q);
        EXPECT_EQ((std::vector<double>{r(0, 3), r(1, 3), r(2, 3), r(3, 3)}),
                  (std::vector<double>{0, 0, 0, 1}));
        for (unsigned j = 0; j < 3; j++)
            EXPECT_NEAR(r(3, j), p(3, 0) * q(0, j) + p(3, 1) * q(1, j) + p(3, 2) * q(2, j) + q(3, j), 1e-12);
    }
}

TEST(MatrixDeathTest, ProductsRefuseThisAsAnOperand) {
    qzMatrix m, other;
    EXPECT_DEATH(m.Multiply(m, other), "Expression: this!=&a && this!=&b");
}

TEST(Matrix, RotationOfAUnitQuaternionIsOrthonormalAndComposesLikeTheProduct) {
    std::mt19937 rng(4);
    qzMatrix identityrotation;
    identityrotation.RotationMatrix(qzQuaternion(1, 0, 0, 0));
    EXPECT_EQ(identityrotation, qzMatrix());
    for (int n = 0; n < 100; n++) {
        const qzQuaternion q1 = RandomUnitQuaternion(rng), q2 = RandomUnitQuaternion(rng);
        qzMatrix r, rt, rrt;
        r.RotationMatrix(q1);
        rt = Transpose(r);
        rrt.Multiply(r, rt);
        ExpectNear(rrt, qzMatrix());
        EXPECT_NEAR(Determinant3(r), 1, 1e-12);

        // a row vector times R(q) is the vector rotated by the conjugate of q
        const qzVector3 v(0.3, -1.2, 2);
        ExpectNear(r.TransformVector(v), Rotate(q1.Conjugate(), v));

        qzMatrix r1, r2, product, composed;
        r1.RotationMatrix(q1);
        r2.RotationMatrix(q2);
        product.RotationMatrix(q1 * q2);
        composed.Multiply(r1, r2);
        ExpectNear(product, composed);
    }
}

TEST(Matrix, ViewMatrixInvertsTheCameraFrame) {
    std::mt19937 rng(5);
    for (int n = 0; n < 50; n++) {
        qzMatrix axes;
        axes.RotationMatrix(RandomUnitQuaternion(rng));
        const double rotation[9] = {axes(0, 0), axes(0, 1), axes(0, 2), axes(1, 0), axes(1, 1),
                                    axes(1, 2), axes(2, 0), axes(2, 1), axes(2, 2)};
        const qzVector3 position(3, -4, 5);
        qzMatrix frame = axes; // the camera's axes as rows, its position in row 3
        frame(3, 0) = position.x;
        frame(3, 1) = position.y;
        frame(3, 2) = position.z;
        qzMatrix view, product;
        view.ViewMatrix(position, rotation);
        product.Multiply(view, frame);
        ExpectNear(product, qzMatrix());
        product.Multiply(frame, view);
        ExpectNear(product, qzMatrix());
        // the camera sits at the origin and looks along its third axis
        ExpectNear(view.TransformPoint(position), qzVector3(0, 0, 0));
        const qzVector3 ahead = position + qzVector3(rotation[6], rotation[7], rotation[8]) * 2;
        ExpectNear(view.TransformPoint(ahead), qzVector3(0, 0, 2));
    }
}

TEST(Matrix, PerspectiveMapsNearToZeroAndFarToOne) {
    qzMatrix p;
    p.Perspective(1, 1, 1, 10);
    double w;
    EXPECT_NEAR(p.ProjectPoint(qzVector3(0, 0, 1), &w).z, 0, 1e-12);
    EXPECT_EQ(w, 1);
    EXPECT_NEAR(p.ProjectPoint(qzVector3(0, 0, 10), &w).z, 1, 1e-12);
    EXPECT_EQ(w, 10);
    // depth grows with distance; x and y shrink with it and scale by 1/a and 1/b
    EXPECT_LT(p.ProjectPoint(qzVector3(0, 0, 3)).z, p.ProjectPoint(qzVector3(0, 0, 4)).z);
    p.Perspective(2, 0.5, 0.1, 100);
    ExpectNear(p.ProjectPoint(qzVector3(4, 1, 4)), qzVector3(0.5, 0.5, 100 / 99.9 * (1 - 0.1 / 4)));
    EXPECT_NEAR(p.ProjectPoint(qzVector3(0, 0, 0.1)).z, 0, 1e-12);
    EXPECT_NEAR(p.ProjectPoint(qzVector3(0, 0, 100)).z, 1, 1e-12);
}

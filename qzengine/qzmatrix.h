// A 4x4 matrix of doubles, row-major (element [row][column] at index 4*row+column), acting on row vectors:
// p' = p*M, so the translation lies in row 3 and the projective column is column 3.
#pragma once

#include "qzvector.h"

struct qzQuaternion;

struct qzMatrix {
    // The identity.
    qzMatrix();
    explicit qzMatrix(const double (&elements)[16]);

    double& operator()(unsigned row, unsigned column) { return m[4 * row + column]; }
    double operator()(unsigned row, unsigned column) const { return m[4 * row + column]; }
    bool operator==(const qzMatrix& other) const;

    void SetIdentity();
    static qzMatrix Identity() { return qzMatrix(); }

    // this = a*b; neither operand may be this.
    void Multiply(const qzMatrix& a, const qzMatrix& b);
    // this = a*b for affine operands: column 3 is set to (0,0,0,1), not computed.
    void MultiplyAffine(const qzMatrix& a, const qzMatrix& b);
    // this = this*a, affine.
    void MultiplyAffine(const qzMatrix& a);

    void Translation(const qzVector3& v);
    // The rotation of the quaternion as it is, not normalised.
    void RotationMatrix(const qzQuaternion& q);
    // The inverse of the camera frame: rotation is the camera's axes as the rows of a 3x3 row-major block.
    void ViewMatrix(const qzVector3& position, const double (&rotation)[9]);
    // Left-handed projections mapping depth n to 0 and depth f to 1.
    void Perspective(double a, double b, double n, double f);
    void Orthographic(double a, double b, double n, double f);

    // (p, 1)*M without the projective column.
    qzVector3 TransformPoint(const qzVector3& p) const;
    // (v, 0)*M: the upper 3x3 block only.
    qzVector3 TransformVector(const qzVector3& v) const;
    // (p, 1)*M divided by its w; w itself through the pointer when given.
    qzVector3 ProjectPoint(const qzVector3& p, double* w = nullptr) const;

    double m[16];
};

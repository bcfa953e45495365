// A quaternion (w, x, y, z) of doubles; orientations are unit quaternions.
#pragma once

#include "qzvector.h"

struct qzQuaternion {
    qzQuaternion() = default;
    qzQuaternion(double w, double x, double y, double z) : w(w), x(x), y(y), z(z) {}
    // The rotation by angle (radians) about a unit axis.
    qzQuaternion(const qzVector3& axis, double angle);

    // this = a*b, the Hamilton product; either operand may be this.
    void Multiply(const qzQuaternion& a, const qzQuaternion& b);
    qzQuaternion operator*(const qzQuaternion& q) const;
    qzQuaternion Conjugate() const { return qzQuaternion(w, -x, -y, -z); }
    double Dot(const qzQuaternion& q) const { return w * q.w + x * q.x + y * q.y + z * q.z; }
    void Normalize();
    // this = the spherical interpolation from q1 (t=0) to q2 (t=1) along the shorter arc, not normalised.
    void Slerp(const qzQuaternion& q1, const qzQuaternion& q2, double t);

    double w = 1;
    double x = 0;
    double y = 0;
    double z = 0;
};

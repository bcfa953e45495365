#include "qzquaternion.h"

#include "qzassert.h"

#include <cmath>

qzQuaternion::qzQuaternion(const qzVector3& axis, double angle) {
    QZASSERT(std::fabs(axis.Norm() - 1.0) < 0.01, "fabs(axis.Norm()-(F)(1.0))<(F)(0.01)");
    const double s = std::sin(angle / 2);
    w = std::cos(angle / 2);
    x = s * axis.x;
    y = s * axis.y;
    z = s * axis.z;
}

void qzQuaternion::Multiply(const qzQuaternion& a, const qzQuaternion& b) {
    const qzQuaternion p(
        a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
        a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w);
    *this = p;
}

qzQuaternion qzQuaternion::operator*(const qzQuaternion& q) const {
    qzQuaternion p;
    p.Multiply(*this, q);
    return p;
}

void qzQuaternion::Normalize() {
    const double norm = std::sqrt(Dot(*this));
    w /= norm;
    x /= norm;
    y /= norm;
    z /= norm;
}

void qzQuaternion::Slerp(const qzQuaternion& q1, const qzQuaternion& q2, double t) {
    qzQuaternion from = q1;
    double dot = q1.Dot(q2);
    if (dot < 0) {
        dot = -dot;
        from = qzQuaternion(-q1.w, -q1.x, -q1.y, -q1.z);
    }
    const double angle = dot < 1 ? std::acos(dot) : 0;
    const double s = std::sin(angle);
    double k1, k2;
    if (s >= 0.0001) {
        k1 = std::sin((1 - t) * angle) / s;
        k2 = std::sin(t * angle) / s;
    } else {
        k1 = 1 - t;
        k2 = t;
    }
    *this = qzQuaternion(k1 * from.w + k2 * q2.w, k1 * from.x + k2 * q2.x, k1 * from.y + k2 * q2.y,
                         k1 * from.z + k2 * q2.z);
}

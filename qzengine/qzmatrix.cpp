#include "qzmatrix.h"

#include "qzassert.h"
#include "qzquaternion.h"

#include <algorithm>

qzMatrix::qzMatrix() {
    SetIdentity();
}

qzMatrix::qzMatrix(const double (&elements)[16]) {
    std::copy(elements, elements + 16, m);
}

bool qzMatrix::operator==(const qzMatrix& other) const {
    return std::equal(m, m + 16, other.m);
}

void qzMatrix::SetIdentity() {
    std::fill(m, m + 16, 0.0);
    m[0] = m[5] = m[10] = m[15] = 1;
}

void qzMatrix::Multiply(const qzMatrix& a, const qzMatrix& b) {
    QZASSERT(this != &a && this != &b, "this!=&a && this!=&b");
    for (unsigned i = 0; i < 4; i++)
        for (unsigned j = 0; j < 4; j++)
            m[4 * i + j] = a.m[4 * i] * b.m[j] + a.m[4 * i + 1] * b.m[4 + j] + a.m[4 * i + 2] * b.m[8 + j] +
                           a.m[4 * i + 3] * b.m[12 + j];
}

void qzMatrix::MultiplyAffine(const qzMatrix& a, const qzMatrix& b) {
    QZASSERT(this != &a && this != &b, "this!=&a && this!=&b");
    for (unsigned i = 0; i < 4; i++) {
        for (unsigned j = 0; j < 3; j++) {
            m[4 * i + j] = a.m[4 * i] * b.m[j] + a.m[4 * i + 1] * b.m[4 + j] + a.m[4 * i + 2] * b.m[8 + j];
            if (i == 3)
                m[4 * i + j] += b.m[12 + j];
        }
        m[4 * i + 3] = i == 3 ? 1 : 0;
    }
}

void qzMatrix::MultiplyAffine(const qzMatrix& a) {
    QZASSERT(this != &a, "this!=&a");
    const qzMatrix copy = *this;
    MultiplyAffine(copy, a);
}

void qzMatrix::Translation(const qzVector3& v) {
    SetIdentity();
    m[12] = v.x;
    m[13] = v.y;
    m[14] = v.z;
}

void qzMatrix::RotationMatrix(const qzQuaternion& q) {
    const double w = q.w, x = q.x, y = q.y, z = q.z;
    const double rows[16] = {1 - 2 * (y * y + z * z),
                             2 * (x * y - w * z),
                             2 * (x * z + w * y),
                             0,
                             2 * (x * y + w * z),
                             1 - 2 * (x * x + z * z),
                             2 * (y * z - w * x),
                             0,
                             2 * (x * z - w * y),
                             2 * (y * z + w * x),
                             1 - 2 * (x * x + y * y),
                             0,
                             0,
                             0,
                             0,
                             1};
    std::copy(rows, rows + 16, m);
}

void qzMatrix::ViewMatrix(const qzVector3& position, const double (&rotation)[9]) {
    for (unsigned i = 0; i < 3; i++) {
        for (unsigned j = 0; j < 3; j++)
            m[4 * i + j] = rotation[3 * j + i];
        m[4 * i + 3] = 0;
        const qzVector3 row(rotation[3 * i], rotation[3 * i + 1], rotation[3 * i + 2]);
        m[12 + i] = -row.Dot(position);
    }
    m[15] = 1;
}

void qzMatrix::Perspective(double a, double b, double n, double f) {
    std::fill(m, m + 16, 0.0);
    m[0] = 1 / a;
    m[5] = 1 / b;
    m[10] = f / (f - n);
    m[11] = 1;
    m[14] = n * f / (n - f);
}

void qzMatrix::Orthographic(double a, double b, double n, double f) {
    std::fill(m, m + 16, 0.0);
    m[0] = 1 / a;
    m[5] = 1 / b;
    m[10] = 1 / (f - n);
    m[14] = n / (n - f);
    m[15] = 1;
}

qzVector3 qzMatrix::TransformPoint(const qzVector3& p) const {
    return TransformVector(p) + qzVector3(m[12], m[13], m[14]);
}

qzVector3 qzMatrix::TransformVector(const qzVector3& v) const {
    return qzVector3(v.x * m[0] + v.y * m[4] + v.z * m[8], v.x * m[1] + v.y * m[5] + v.z * m[9],
                     v.x * m[2] + v.y * m[6] + v.z * m[10]);
}

qzVector3 qzMatrix::ProjectPoint(const qzVector3& p, double* w) const {
    const double pw = p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15];
    if (w != nullptr)
        *w = pw;
    return TransformPoint(p) * (1 / pw);
}

// Vectors of doubles: positions, directions and axes; and the 2x2 matrix that acts on the 2-vector.
#pragma once

struct qzVector3 {
    qzVector3() = default;
    qzVector3(double x, double y, double z) : x(x), y(y), z(z) {}

    double Norm() const;
    double Dot(const qzVector3& v) const { return x * v.x + y * v.y + z * v.z; }
    qzVector3 Cross(const qzVector3& v) const {
        return qzVector3(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x);
    }

    qzVector3 operator+(const qzVector3& v) const { return qzVector3(x + v.x, y + v.y, z + v.z); }
    qzVector3 operator-(const qzVector3& v) const { return qzVector3(x - v.x, y - v.y, z - v.z); }
    qzVector3 operator-() const { return qzVector3(-x, -y, -z); }
    qzVector3 operator*(double s) const { return qzVector3(x * s, y * s, z * s); }
    qzVector3& operator+=(const qzVector3& v) { return *this = *this + v; }
    qzVector3& operator-=(const qzVector3& v) { return *this = *this - v; }
    qzVector3& operator*=(double s) { return *this = *this * s; }

    double x = 0;
    double y = 0;
    double z = 0;
};

inline qzVector3 operator*(double s, const qzVector3& v) {
    return v * s;
}

// Row-major: a row vector multiplies it from the left.
struct qzMatrix2 {
    qzMatrix2() = default;
    qzMatrix2(double m00, double m01, double m10, double m11) : m00(m00), m01(m01), m10(m10), m11(m11) {}

    double m00 = 1;
    double m01 = 0;
    double m10 = 0;
    double m11 = 1;
};

struct qzVector2 {
    qzVector2() = default;
    qzVector2(double x, double y) : x(x), y(y) {}

    qzVector2 operator*(double s) const { return qzVector2(x * s, y * s); }
    qzVector2 operator*(const qzMatrix2& m) const {
        return qzVector2(x * m.m00 + y * m.m10, x * m.m01 + y * m.m11);
    }
    qzVector2& operator*=(double s) { return *this = *this * s; }
    qzVector2& operator*=(const qzMatrix2& m) { return *this = *this * m; }

    double x = 0;
    double y = 0;
};

inline qzVector2 operator*(double s, const qzVector2& v) {
    return v * s;
}

// Vectors of doubles: positions, directions and axes.
#pragma once

struct qzVector3 {
    qzVector3() = default;
    qzVector3(double x, double y, double z) : x(x), y(y), z(z) {}

    double x = 0;
    double y = 0;
    double z = 0;
};

struct qzVector2 {
    qzVector2() = default;
    qzVector2(double x, double y) : x(x), y(y) {}

    double x = 0;
    double y = 0;
};

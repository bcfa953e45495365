// A 32-bit colour: bytes blue, green, red, alpha in memory, which is the ARGB word the device takes.
// Hue runs from 0 up to 6 in sixths of a turn: red 0, yellow 1, green 2, cyan 3, blue 4, magenta 5.
#pragma once

#include <cstdint>

struct qzColor {
    qzColor() = default;
    qzColor(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 255)
        : b(blue), g(green), r(red), a(alpha) {}

    uint32_t GetARGB() const { return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | b; }
    static qzColor FromARGB(uint32_t argb) {
        return qzColor(uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb), uint8_t(argb >> 24));
    }
    bool operator==(const qzColor& other) const { return GetARGB() == other.GetARGB(); }

    // Hue, chroma (largest channel less smallest) and the smallest channel, all from channels in 0..1.
    void GetHCM(double* hue, double* c, double* m) const;
    // Value is the largest channel; saturation is chroma over value, 0 for black.
    void GetHSV(double* hue, double* saturation, double* value) const;

    uint8_t b = 0;
    uint8_t g = 0;
    uint8_t r = 0;
    uint8_t a = 0;
};
static_assert(sizeof(qzColor) == 4);

// The inverse of GetHSV up to rounding; the hue is taken modulo 6.
qzColor qzColorHSV(double hue, double saturation, double value, uint8_t alpha = 255);

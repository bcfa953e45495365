#include "qzcolor.h"

#include "qzassert.h"

#include <algorithm>
#include <cmath>

void qzColor::GetHCM(double* hue, double* c, double* m) const {
    QZASSERT(hue != nullptr && c != nullptr && m != nullptr, "hue!=NULL && c!=NULL && m!=NULL");
    const double R = r / 255.0, G = g / 255.0, B = b / 255.0;
    const double max = std::max({R, G, B}), min = std::min({R, G, B});
    *c = max - min;
    *m = min;
    // ties go to the earlier case: red before green before blue
    if (R >= G && R >= B) {
        if (*c == 0)
            *hue = 0; // grey
        else if (G < B)
            *hue = 6 - (B - G) / *c;
        else
            *hue = (G - B) / *c;
    } else if (G >= R && G >= B) {
        *hue = 2 + (B - R) / *c;
    } else {
        *hue = 4 + (R - G) / *c;
    }
}

void qzColor::GetHSV(double* hue, double* saturation, double* value) const {
    QZASSERT(hue != nullptr && saturation != nullptr && value != nullptr,
             "hue!=NULL && saturation!=NULL && value!=NULL");
    double c, m;
    GetHCM(hue, &c, &m);
    *value = c + m;
    *saturation = *value > 0.0001 ? c / *value : 0;
}

namespace {

// Channels outside 0..1 (saturation or value above 1) saturate instead of wrapping round the byte.
uint8_t ChannelByte(double x) {
    const double scaled = std::trunc(x * 255 + 0.5);
    if (!(scaled > 0))
        return 0; // also NaN
    return scaled >= 255 ? 255 : uint8_t(scaled);
}

} // namespace

qzColor qzColorHSV(double hue, double saturation, double value, uint8_t alpha) {
    const double c = value * saturation;
    const double m = (1 - saturation) * value;
    double h = std::fmod(hue, 6.0);
    if (h < 0)
        h += 6;
    // a tiny negative remainder rounds up to 6 itself, which is red again
    if (!(h < 6))
        h = 0;
    double red, green, blue;
    if (h < 1) {
        red = c + m, green = h * c + m, blue = m;
    } else if (h < 2) {
        red = (2 - h) * c + m, green = c + m, blue = m;
    } else if (h < 3) {
        red = m, green = c + m, blue = (h - 2) * c + m;
    } else if (h < 4) {
        red = m, green = (4 - h) * c + m, blue = c + m;
    } else if (h < 5) {
        red = (h - 4) * c + m, green = m, blue = c + m;
    } else {
        red = c + m, green = m, blue = (6 - h) * c + m;
    }
    return qzColor(ChannelByte(red), ChannelByte(green), ChannelByte(blue), alpha);
}

#include "pw2_theme.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

namespace {

// HSV to RGB by the max/min form (each channel from its own offset on the hue circle), independent of the
// sector-by-sector form the engine uses.
qzColor ReferenceHSV(double hue, double saturation, double value) {
    double h = std::fmod(hue, 6.0);
    if (h < 0)
        h += 6;
    auto channel = [&](double n) {
        double k = std::fmod(n + h, 6.0);
        double x = value - value * saturation * std::max(0.0, std::min({k, 4 - k, 1.0}));
        return static_cast<uint8_t>(std::trunc(x * 255 + 0.5));
    };
    return qzColor(channel(5), channel(3), channel(1));
}

std::string Text(const qzColor& c) {
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + "," +
           std::to_string(c.a);
}

} // namespace

TEST(Theme, EachFamilyTakesItsOwnHue) {
    // the hue circle's conversion is checked below; here the normal face pins the hue of each family
    EXPECT_EQ(Text(pw2_ButtonColors()[0]), Text(qzColor(133, 161, 204)));
    EXPECT_EQ(Text(pw2_ToggleColors()[0]), Text(qzColor(133, 204, 161)));
    EXPECT_EQ(Text(pw2_DropdownColors()[0]), Text(qzColor(154, 133, 204)));
}

TEST(Theme, EveryColourAgreesWithAnIndependentConversionOverTheHueCircle) {
    for (double hue = -6.0; hue <= 12.0; hue += 0.1) {
        SCOPED_TRACE(hue);
        pw2_ControlColors family = pw2_ComputeControlColors(hue);
        for (int i = 0; i < PW2_CONTROL_COLOR_COUNT; ++i) {
            const pw2_ControlColorDefinition& d = pw2_controlcolordefinitions[i];
            EXPECT_EQ(Text(family[i]), Text(ReferenceHSV(hue, d.saturation, d.value)));
        }
        pw2_ColorPair title = pw2_SubmenuTitleColors(hue);
        EXPECT_EQ(Text(title.first), Text(ReferenceHSV(hue, 0.65, 0.85)));
        EXPECT_EQ(Text(title.second), Text(ReferenceHSV(hue, 0.65, 0.7)));
        const double values[4][3] = {
            {0.4, 0.8, 0.65}, {0.4, 0.9, 0.75}, {0.65, 0.7, 0.85}, {0.65, 0.8, 0.95}};
        for (int state = 0; state < 4; ++state) {
            bool hot = state % 2 == 1, open = state >= 2;
            pw2_ColorPair face = pw2_SubmenuButtonColors(hue, hot, open);
            EXPECT_EQ(Text(face.first), Text(ReferenceHSV(hue, values[state][0], values[state][1])));
            EXPECT_EQ(Text(face.second), Text(ReferenceHSV(hue, values[state][0], values[state][2])));
        }
    }
}

TEST(Theme, DefinitionTextNamesEachButtonColourWithNumbersThatGiveItBack) {
    std::istringstream lines(pw2_ThemeDefinitionText().c_str());
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(count, PW2_CONTROL_COLOR_COUNT) << line;
        char name[64];
        double h, s, v;
        ASSERT_EQ(std::sscanf(line.c_str(), "#define %63s qzColorHSV(%lf, %lf, %lf)", name, &h, &s, &v), 4)
            << line;
        EXPECT_STREQ(name, pw2_controlcolordefinitions[count].name);
        EXPECT_EQ(line.back(), ')');
        // Read back from RGB, the numbers are near the defining ones and give the same colour again.
        EXPECT_NEAR(h, 3.6, 0.05) << line;
        EXPECT_NEAR(s, pw2_controlcolordefinitions[count].saturation, 0.01) << line;
        EXPECT_NEAR(v, pw2_controlcolordefinitions[count].value, 0.005) << line;
        EXPECT_EQ(Text(qzColorHSV(h, s, v)), Text(pw2_ButtonColors()[count])) << line;
        ++count;
    }
    EXPECT_EQ(count, PW2_CONTROL_COLOR_COUNT);
}

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

TEST(Theme, FamiliesMatchTheTabulatedColours) {
    // RGB of each family, in the order of the eight states.
    const uint8_t button[8][3] = {{133, 161, 204}, {116, 141, 179}, {60, 87, 128},  {72, 104, 153},
                                  {149, 181, 230}, {133, 161, 204}, {72, 104, 153}, {84, 122, 179}};
    const uint8_t toggle[8][3] = {{133, 204, 161}, {116, 179, 141}, {60, 128, 87},  {72, 153, 104},
                                  {149, 230, 181}, {133, 204, 161}, {72, 153, 104}, {84, 179, 122}};
    const uint8_t dropdown[8][3] = {{154, 133, 204}, {135, 116, 179}, {80, 60, 128}, {96, 72, 153},
                                    {173, 149, 230}, {154, 133, 204}, {96, 72, 153}, {112, 84, 179}};
    const pw2_ControlColors* families[3] = {&pw2_ButtonColors(), &pw2_ToggleColors(), &pw2_DropdownColors()};
    const uint8_t(*tables[3])[3] = {button, toggle, dropdown};
    for (int f = 0; f < 3; ++f) {
        for (int i = 0; i < PW2_CONTROL_COLOR_COUNT; ++i) {
            SCOPED_TRACE(std::to_string(f) + " " + pw2_controlcolordefinitions[i].name);
            EXPECT_EQ(Text((*families[f])[i]),
                      Text(qzColor(tables[f][i][0], tables[f][i][1], tables[f][i][2])));
        }
    }
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

#include "pw2_theme.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

namespace {

std::string Text(const qzColor& c) {
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + "," +
           std::to_string(c.a);
}

} // namespace

TEST(Theme, EachFamilyTakesItsOwnHue) {
    // the normal face pins the hue of each family
    EXPECT_EQ(Text(pw2_ButtonColors()[0]), Text(qzColor(133, 161, 204)));
    EXPECT_EQ(Text(pw2_ToggleColors()[0]), Text(qzColor(133, 204, 161)));
    EXPECT_EQ(Text(pw2_DropdownColors()[0]), Text(qzColor(154, 133, 204)));
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

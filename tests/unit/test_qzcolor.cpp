#include "qzcolor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace {

std::tuple<int, int, int> RGB(const qzColor& c) {
    return {c.r, c.g, c.b};
}

double Hue(const qzColor& c) {
    double hue, chroma, m;
    c.GetHCM(&hue, &chroma, &m);
    return hue;
}

} // namespace

TEST(Color, EveryColourSurvivesHSVAndBack) {
    for (uint32_t rgb = 0; rgb < (1u << 24); rgb++) {
        const qzColor colour = qzColor::FromARGB(0xFF000000u | rgb);
        double hue, saturation, value;
        colour.GetHSV(&hue, &saturation, &value);
        const qzColor back = qzColorHSV(hue, saturation, value);
        if (!(back == colour)) {
            ADD_FAILURE() << std::hex << rgb << " came back as " << back.GetARGB() << " through " << hue
                          << ", " << saturation << ", " << value;
            return;
        }
    }
}

TEST(Color, PrimaryAndSecondaryColoursSitOnWholeHues) {
    const qzColor sextants[6] = {{255, 0, 0},   {255, 255, 0}, {0, 255, 0},
                                 {0, 255, 255}, {0, 0, 255},   {255, 0, 255}};
    for (int i = 0; i < 6; i++) {
        double hue, chroma, m;
        sextants[i].GetHCM(&hue, &chroma, &m);
        EXPECT_EQ(hue, i);
        EXPECT_EQ(chroma, 1);
        EXPECT_EQ(m, 0);
        EXPECT_EQ(qzColorHSV(i, 1, 1), sextants[i]) << i;
    }
    EXPECT_DOUBLE_EQ(Hue(qzColor(255, 128, 0)), 128 / 255.0);
    EXPECT_DOUBLE_EQ(Hue(qzColor(0, 255, 128)), 2 + 128 / 255.0);
    EXPECT_DOUBLE_EQ(Hue(qzColor(255, 0, 1)), 6 - 1 / 255.0);
}

TEST(Color, HueIsContinuousAcrossYellowAndCyanAndBelowSix) {
    // one step of one channel either side of a whole hue moves the hue by little
    EXPECT_NEAR(Hue(qzColor(255, 254, 0)), 1, 0.01);
    EXPECT_NEAR(Hue(qzColor(254, 255, 0)), 1, 0.01);
    EXPECT_NEAR(Hue(qzColor(0, 255, 254)), 3, 0.01);
    EXPECT_NEAR(Hue(qzColor(0, 254, 255)), 3, 0.01);
    for (uint32_t rgb = 1; rgb < (1u << 24); rgb += 9973) {
        const double hue = Hue(qzColor::FromARGB(rgb));
        EXPECT_TRUE(hue >= 0 && hue < 6) << std::hex << rgb << " " << hue;
    }
}

TEST(Color, GreyHasNoHueOrChromaAndBlackNoSaturation) {
    for (int v : {1, 128, 255}) {
        double hue, chroma, m, saturation, value;
        qzColor(v, v, v).GetHCM(&hue, &chroma, &m);
        EXPECT_EQ(hue, 0);
        EXPECT_EQ(chroma, 0);
        EXPECT_DOUBLE_EQ(m, v / 255.0);
        qzColor(v, v, v).GetHSV(&hue, &saturation, &value);
        EXPECT_EQ(saturation, 0);
        EXPECT_DOUBLE_EQ(value, v / 255.0);
    }
    double hue = 1, saturation = 1, value = 1;
    qzColor(0, 0, 0).GetHSV(&hue, &saturation, &value);
    EXPECT_EQ(hue, 0);
    EXPECT_EQ(saturation, 0);
    EXPECT_EQ(value, 0);
}

TEST(Color, ThemeTableColoursForEveryHueShift) {
    struct Row {
        double saturation, value;
        std::tuple<int, int, int> button, toggle, dropdown;
    };
    const Row rows[] = {
        {0.35, 0.8, {133, 161, 204}, {133, 204, 161}, {154, 133, 204}},
        {0.35, 0.7, {116, 141, 179}, {116, 179, 141}, {135, 116, 179}},
        {0.53, 0.5, {60, 87, 128}, {60, 128, 87}, {80, 60, 128}},
        {0.53, 0.6, {72, 104, 153}, {72, 153, 104}, {96, 72, 153}},
        {0.35, 0.9, {149, 181, 230}, {149, 230, 181}, {173, 149, 230}},
        {0.53, 0.7, {84, 122, 179}, {84, 179, 122}, {112, 84, 179}},
    };
    // a hue outside 0..6 is taken modulo 6
    for (double shift : {0.0, 6.0, -6.0, 12.0, -12.0}) {
        for (const Row& row : rows) {
            EXPECT_EQ(RGB(qzColorHSV(3.6 + shift, row.saturation, row.value)), row.button) << shift;
            EXPECT_EQ(RGB(qzColorHSV(2.4 + shift, row.saturation, row.value)), row.toggle) << shift;
            EXPECT_EQ(RGB(qzColorHSV(4.3 + shift, row.saturation, row.value)), row.dropdown) << shift;
        }
    }
}

TEST(Color, HSVKeepsAlphaAndHandlesEdgesOfTheHueRange) {
    EXPECT_EQ(qzColorHSV(1.5, 0.5, 0.5, 7).a, 7);
    EXPECT_EQ(qzColorHSV(2, 1, 1).a, 255);
    // a remainder just below 0 lands on 6, which is red again
    EXPECT_EQ(qzColorHSV(-1e-20, 1, 1), qzColor(255, 0, 0));
    EXPECT_EQ(qzColorHSV(6, 1, 1), qzColor(255, 0, 0));
    EXPECT_EQ(qzColorHSV(-1, 1, 1), qzColor(255, 0, 255));
    EXPECT_EQ(qzColorHSV(NAN, 0, 0.5), qzColor(128, 128, 128));
}

TEST(Color, ChannelsBeyondTheRangeSaturateInsteadOfWrapping) {
    EXPECT_EQ(qzColorHSV(0, 1, 1.01), qzColor(255, 0, 0));
    EXPECT_EQ(qzColorHSV(0, 0, 3), qzColor(255, 255, 255));
    // saturation above 1 drives the smallest channel below 0
    EXPECT_EQ(qzColorHSV(4, 1.5, 1), qzColor(0, 0, 255));
    EXPECT_EQ(qzColorHSV(0, 1, -1), qzColor(0, 0, 0));
}

TEST(ColorDeathTest, ConversionsRequireEveryOutput) {
    double d;
    const qzColor colour(1, 2, 3);
    EXPECT_DEATH(colour.GetHCM(&d, &d, nullptr), "Expression: hue!=NULL && c!=NULL && m!=NULL");
    EXPECT_DEATH(colour.GetHSV(nullptr, &d, &d), "Expression: hue!=NULL && saturation!=NULL && value!=NULL");
}

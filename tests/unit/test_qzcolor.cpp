#include "qzcolor.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

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

TEST(Color, PrimaryAndSecondaryColoursSitOnWholeHuesAndGreysOnNone) {
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
    // grey has no hue or chroma, black no saturation either
    for (int v : {1, 128, 255}) {
        double hue, chroma, m, saturation, value;
        qzColor(v, v, v).GetHCM(&hue, &chroma, &m);
        EXPECT_EQ(hue + chroma, 0);
        EXPECT_DOUBLE_EQ(m, v / 255.0);
        qzColor(v, v, v).GetHSV(&hue, &saturation, &value);
        EXPECT_EQ(saturation, 0);
    }
    double hue = 1, saturation = 1, value = 1;
    qzColor(0, 0, 0).GetHSV(&hue, &saturation, &value);
    EXPECT_EQ(hue, 0);
    EXPECT_EQ(saturation, 0);
    EXPECT_EQ(value, 0);
}

TEST(Color, ChannelsBeyondTheRangeSaturateInsteadOfWrapping) {
    EXPECT_EQ(qzColorHSV(0, 1, 1.01), qzColor(255, 0, 0));
    EXPECT_EQ(qzColorHSV(0, 0, 3), qzColor(255, 255, 255));
    // saturation above 1 drives the smallest channel below 0
    EXPECT_EQ(qzColorHSV(4, 1.5, 1), qzColor(0, 0, 255));
    EXPECT_EQ(qzColorHSV(0, 1, -1), qzColor(0, 0, 0));
}

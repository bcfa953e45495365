#include "qzbitmapfont.h"
#include "qzexceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A BmpF block whose glyph i has code codes[i], advance i + 1 and coverage i at every pixel.
std::vector<uint8_t> Block(const std::string& codes, uint8_t w, uint8_t h) {
    std::vector<uint8_t> b = {'B', 'm', 'p', 'F', static_cast<uint8_t>(codes.size()), w, h, 0xFF, 0xF8};
    for (size_t i = 0; i < codes.size(); ++i) {
        b.push_back(static_cast<uint8_t>(codes[i]));
        b.push_back(static_cast<uint8_t>(i + 1));
        b.insert(b.end(), static_cast<size_t>(w) * h, static_cast<uint8_t>(i));
    }
    return b;
}

} // namespace

TEST(BitmapFont, TheProgramFontsHoldThePrintableCharacters) {
    for (const char* file : {"font1001.bmpf", "font1002.bmpf"}) {
        qzBitmapFont font;
        font.LoadFile((std::string(QZ_SOURCE_DIR "/resources/") + file).c_str(), true);
        const uint32_t w = font.GetWidth(), h = font.GetHeight();
        // 95 glyphs, 16 to a row, in cells with a border of 2
        EXPECT_EQ(font.GetAtlas().GetWidth(), 16 * (w + 2) + 2);
        EXPECT_EQ(font.GetAtlas().GetHeight(), 6 * (h + 2) + 2);
        for (unsigned char c : {'\t', '\n', '\x7f', '\xe9'})
            EXPECT_EQ(font.GetGlyph(c), qzBitmapFont::NOGLYPH);
        for (int c = 32; c < 127; ++c) {
            uint8_t glyph = font.GetGlyph(static_cast<unsigned char>(c));
            ASSERT_LT(glyph, 95) << c;
            EXPECT_GE(font.GetGlyphWidth(glyph), 3u);
            EXPECT_LE(font.GetGlyphWidth(glyph), w + 2);
        }
        // Every visible character has ink; the cell borders have none.
        const qzImage& atlas = font.GetAtlas();
        for (uint32_t x = 0; x < atlas.GetWidth(); ++x)
            ASSERT_EQ(atlas.GetPixel(x, 0)->a, 0);
        for (uint32_t y = 0; y < atlas.GetHeight(); ++y)
            ASSERT_EQ(atlas.GetPixel(0, y)->a, 0);
        for (int c = 33; c < 127; ++c) {
            uint32_t g = font.GetGlyph(static_cast<unsigned char>(c)), ink = 0;
            for (uint32_t y = 0; y < h; ++y)
                for (uint32_t x = 0; x < w; ++x)
                    ink += atlas.GetPixel((w + 2) * (g % 16) + 2 + x, (h + 2) * (g / 16) + 2 + y)->a;
            EXPECT_GT(ink, 100u) << static_cast<char>(c);
        }
    }
}

TEST(BitmapFont, BlocksAreCheckedAtEveryLength) {
    std::vector<uint8_t> block = Block("ab\ncda", 3, 2);
    for (size_t n = 0; n < block.size(); ++n) {
        qzBitmapFont font;
        EXPECT_THROW(font.Load(block.data(), n, true), qzFormatException) << n;
        EXPECT_FALSE(font.exists);
    }
    qzBitmapFont font;
    font.Load(block.data(), block.size(), false);
    EXPECT_EQ(font.GetGlyph('a'), 5); // a later glyph with the same code wins
    EXPECT_EQ(font.GetGlyph('\n'), qzBitmapFont::NOGLYPH);
    EXPECT_EQ(font.GetGlyph('d'), 4);
    EXPECT_EQ(font.GetGlyphWidth(4), 5u);
    EXPECT_EQ(font.GetHorizontalOffset(), -1);
    // Glyph 4 of 3 x 2 cells: coverage 4 in white, its cell starting at (5 * 4 + 2, 2).
    const qzImage& atlas = font.GetAtlas();
    EXPECT_EQ(atlas.GetPixel(22, 2)->GetARGB(), qzColor(255, 255, 255, 4).GetARGB());
    EXPECT_EQ(atlas.GetPixel(21, 2)->GetARGB(), 0u);

    for (size_t at : {size_t(3), size_t(4)}) {
        std::vector<uint8_t> bad = block;
        bad[at] = at == 3 ? 'G' : 0; // the fourth magic byte; no glyphs
        qzBitmapFont other;
        EXPECT_THROW(other.Load(bad.data(), bad.size(), true), qzFormatException);
    }
}

TEST(BitmapFont, GlyphRectanglesAreCellsWithABorderInTextureCoordinates) {
    std::string codes;
    for (int i = 0; i < 40; ++i)
        codes += static_cast<char>('A' + i);
    std::vector<uint8_t> block = Block(codes, 11, 10);
    qzBitmapFont font;
    font.Load(block.data(), block.size(), true);
    EXPECT_EQ(*font.GetAtlas().GetPixel(2, 2), qzColor(0, 0, 0, 0)); // glyph 0 has coverage 0
    EXPECT_EQ(*font.GetAtlas().GetPixel(15, 14), qzColor(17, 17, 17, 17));
    qzGlyphRect r = font.GetGlyphRect(17); // the atlas is 210 x 38, its texture 256 x 64
    EXPECT_FLOAT_EQ(r.left, 14.0f / 256);
    EXPECT_FLOAT_EQ(r.top, 13.0f / 64);
    EXPECT_FLOAT_EQ(r.right, 27.0f / 256);
    EXPECT_FLOAT_EQ(r.bottom, 25.0f / 64);
}

TEST(BitmapFontDeathTest, LoadingTwiceAndTheNoGlyphIndex) {
    qzBitmapFont font;
    std::vector<uint8_t> block = Block("a", 1, 1);
    font.Load(block.data(), block.size(), true);
    EXPECT_DEATH(font.Load(block.data(), block.size(), true), "Expression: !exists");
    EXPECT_DEATH(font.GetGlyphWidth(255), "Expression: glyph<255");
}

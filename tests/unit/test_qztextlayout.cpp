#include "qztextlayout.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Letters a to h with advances 1 to 8, the space 3 wide, the line break stored but never mapped; cells 8
// x 10.
struct TestFont {
    TestFont() {
        std::vector<uint8_t> b = {'B', 'm', 'p', 'F', 10, 8, 10, 0, 0xF8};
        const char codes[] = "abcdefgh \n";
        for (int i = 0; i < 10; ++i) {
            b.push_back(static_cast<uint8_t>(codes[i]));
            b.push_back(static_cast<uint8_t>(i < 8 ? i + 1 : 3));
            b.insert(b.end(), 80, 255);
        }
        font.Load(b.data(), b.size(), true);
    }
    qzBitmapFont font;
};

struct Expected {
    uint32_t first, width;
};

// The lines as the rules define them, found greedily: a word runs to and includes its space, a line takes
// whole words while they fit, and character wrap cuts a word that fits no line at the last character that
// fits; a character wider than any line is cut off from what precedes it but never leaves an empty line.
std::vector<Expected> Reference(const std::string& text, bool word, bool character, uint32_t max,
                                uint32_t spacing, const qzBitmapFont& font) {
    std::vector<Expected> lines;
    auto advance = [&](char c) {
        uint8_t g = font.GetGlyph(static_cast<unsigned char>(c));
        return g == qzBitmapFont::NOGLYPH ? 0u : font.GetGlyphWidth(g) + spacing;
    };
    uint32_t first = 0, width = 0;
    size_t i = 0;
    while (i <= text.size()) {
        if (i == text.size() || text[i] == '\n') {
            lines.push_back({first, width});
            first = static_cast<uint32_t>(i + 1);
            width = 0;
            ++i;
            continue;
        }
        size_t end = i; // the word: up to and including the next space, or to the line's end
        uint32_t wordwidth = 0;
        while (end < text.size() && text[end] != '\n') {
            wordwidth += advance(text[end]);
            if (text[end++] == ' ')
                break;
        }
        // Only a glyph can overflow a line: a word of none stays where it is.
        if (width + wordwidth <= max || wordwidth == 0 || !(word || character)) {
            width += wordwidth;
            i = end;
            continue;
        }
        if (word && first != i) {
            lines.push_back({first, width});
            first = static_cast<uint32_t>(i);
            width = 0;
        }
        for (; i < end; ++i) {
            uint32_t a = advance(text[i]);
            if (character && a != 0 && width > 0 && width + a > max) {
                lines.push_back({first, width});
                first = static_cast<uint32_t>(i);
                width = 0;
            }
            width += a;
        }
    }
    return lines;
}

} // namespace

TEST(TextLayout, LongTextsBreakAsTheGreedyRulesSay) {
    TestFont f;
    std::mt19937 random(31);
    const char alphabet[] = "abcdefgh  \n\t";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int n = random() % 120; n > 0; --n)
            text += alphabet[random() % (sizeof alphabet - 1)];
        bool word = random() % 2, character = random() % 2;
        // Some widths are narrower than the widest glyph.
        uint32_t spacing = random() % 2, max = round % 4 == 0 ? random() % 9 : 9 + random() % 60;
        qzTextLayout layout(&f.font, spacing, 4);
        layout.Layout({text.data(), static_cast<uint32_t>(text.size())}, word, character, max);
        std::vector<Expected> expected = Reference(text, word, character, max, spacing, f.font);
        std::string got, want;
        for (auto& l : layout.lines)
            got += std::to_string(l.firstcharacter) + ":" + std::to_string(l.width) + " ";
        for (auto& l : expected)
            want += std::to_string(l.first) + ":" + std::to_string(l.width) + " ";
        ASSERT_EQ(got, want) << '"' << text << "\" " << word << character << " " << max << " " << spacing;
        for (size_t i = 0; i < expected.size(); ++i) {
            // With character wrap only a single character too wide for any line overflows.
            uint32_t stop = i + 1 < expected.size() ? expected[i + 1].first : uint32_t(text.size());
            uint32_t wide = 0;
            for (uint32_t j = expected[i].first; j < stop; ++j)
                wide += layout.characters[j].advance != 0;
            if (character && layout.lines[i].width > max) {
                ASSERT_EQ(wide, 1u) << '"' << text << "\" line " << i;
            }
        }
        ASSERT_EQ(layout.characters.size(), text.size());
        // Line breaks and tabs have no glyph, though the font stores one for the line break.
        uint32_t glyphs = 0;
        for (size_t j = 0; j < text.size(); ++j) {
            bool none = text[j] == '\n' || text[j] == '\t';
            ASSERT_EQ(layout.characters[j].glyph == 255u, none) << j;
            glyphs += !none;
        }
        ASSERT_EQ(layout.glyphcount, glyphs);
    }
}

TEST(TextLayout, AlignmentAndMeasure) {
    TestFont f;
    qzTextLayout layout(&f.font, 1, 4);
    layout.Layout(qzStringRef::FromText("ab cf\nbbb"), false, false, 0); // widths 2+3+4+4+7 = 20, then 9
    layout.Align(QZALIGN_CENTER, QZALIGN_MIDDLE);
    EXPECT_EQ(layout.lines[0].offset, -10); // visible width 19
    EXPECT_EQ(layout.lines[1].offset, -4);  // visible width 8
    EXPECT_EQ(layout.verticaloffset, -12);  // two lines of 14 less the spacing: 24
    uint32_t w, h;
    layout.Measure(&w, &h);
    EXPECT_EQ(w, 19u);
    EXPECT_EQ(h, 24u);
    layout.Layout(qzStringRef::FromText("aaaaaaa"), false, false, 0); // 7 glyphs of 2: visible width 13
    layout.Align(QZALIGN_RIGHT, QZALIGN_BASELINE);
    EXPECT_EQ(layout.lines[0].offset, -13);
    EXPECT_EQ(layout.verticaloffset, -8);
    layout.Align(QZALIGN_CENTER, QZALIGN_BOTTOM);
    EXPECT_EQ(layout.lines[0].offset, -7);
    EXPECT_EQ(layout.verticaloffset, -10);
    layout.Align(7, 7); // unknown values act as left and top
    EXPECT_EQ(layout.lines[0].offset, 0);
    EXPECT_EQ(layout.verticaloffset, 0);
}

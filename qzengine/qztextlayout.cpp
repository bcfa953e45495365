#include "qztextlayout.h"

#include "qzassert.h"

qzTextLayout::qzTextLayout(qzBitmapFont* font, uint32_t characterspacing, uint32_t linespacing)
    : bitmapfont(font), characterspacing(characterspacing), linespacing(linespacing) {}

void qzTextLayout::Layout(qzStringRef text, bool wordwrap, bool characterwrap, uint32_t maxwidth) {
    QZASSERT(bitmapfont != nullptr, "bitmapfont!=NULL");
    lines.clear();
    characters.clear();
    characters.reserve(text.length);
    glyphcount = 0;
    lineheight = bitmapfont->GetHeight() + linespacing;
    uint32_t linestart = 0, wordstart = 0;
    // 64-bit sums: a long unwrapped line cannot wrap the width round.
    uint64_t linewidth = 0, wordwidth = 0;
    auto close = [this](uint32_t first, uint64_t width) {
        lines.push_back({first, static_cast<uint32_t>(width < 0xFFFFFFFFu ? width : 0xFFFFFFFFu), 0});
    };
    for (uint32_t i = 0; i < text.length; ++i) {
        unsigned char c = static_cast<unsigned char>(text.data[i]);
        if (c == 10) {
            close(linestart, linewidth + wordwidth);
            linestart = wordstart = i + 1;
            linewidth = wordwidth = 0;
            characters.push_back({qzBitmapFont::NOGLYPH, 0});
            continue;
        }
        uint32_t glyph = bitmapfont->GetGlyph(c);
        uint32_t advance = 0;
        if (glyph != qzBitmapFont::NOGLYPH) {
            ++glyphcount;
            advance = bitmapfont->GetGlyphWidth(glyph) + characterspacing;
            if (linewidth + wordwidth + advance > maxwidth) {
                if (wordwrap && wordstart != linestart) {
                    close(linestart, linewidth);
                    linestart = wordstart;
                    linewidth = 0;
                }
                // A character wider than the whole line stays on a line that holds nothing yet: cutting
                // before it would leave an empty line above it.
                if (characterwrap && linewidth + wordwidth > 0 &&
                    linewidth + wordwidth + advance > maxwidth) {
                    close(linestart, linewidth + wordwidth);
                    linestart = wordstart = i;
                    linewidth = wordwidth = 0;
                }
            }
            wordwidth += advance;
        }
        if (c == 32) {
            linewidth += wordwidth;
            wordstart = i + 1;
            wordwidth = 0;
        }
        characters.push_back({glyph, advance});
    }
    close(linestart, linewidth + wordwidth);
}

uint32_t qzTextLayout::VisibleWidth(const Line& line) const {
    return line.width > characterspacing ? line.width - characterspacing : 0;
}

uint32_t qzTextLayout::BlockHeight() const {
    if (lines.empty())
        return 0;
    uint64_t h = static_cast<uint64_t>(lines.size()) * lineheight - linespacing;
    return static_cast<uint32_t>(h < 0xFFFFFFFFu ? h : 0xFFFFFFFFu);
}

void qzTextLayout::Align(uint32_t horizontal, uint32_t vertical) {
    QZASSERT(bitmapfont != nullptr, "bitmapfont!=NULL");
    for (Line& line : lines) {
        int64_t w = VisibleWidth(line);
        line.offset = horizontal == QZALIGN_CENTER  ? static_cast<int32_t>(-((w + 1) / 2))
                      : horizontal == QZALIGN_RIGHT ? static_cast<int32_t>(-w)
                                                    : 0;
    }
    int64_t h = BlockHeight();
    verticaloffset = vertical == QZALIGN_BASELINE ? bitmapfont->GetBaselineOffset()
                     : vertical == QZALIGN_MIDDLE ? static_cast<int32_t>(-((h + 1) / 2))
                     : vertical == QZALIGN_BOTTOM ? static_cast<int32_t>(-h)
                                                  : 0;
}

void qzTextLayout::Measure(uint32_t* width, uint32_t* height) const {
    QZASSERT(bitmapfont != nullptr, "bitmapfont!=NULL");
    uint32_t widest = 0;
    for (const Line& line : lines)
        if (VisibleWidth(line) > widest)
            widest = VisibleWidth(line);
    *width = widest;
    *height = BlockHeight();
}

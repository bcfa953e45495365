#include "qztextlayout.h"

#include "qzassert.h"

#include <algorithm>
#include <vector>

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

namespace {

// Two clockwise triangles, every corner less half a pixel so that pixel centres are hit exactly.
void WriteQuad(qzVertex2D* v, float left, float top, float right, float bottom, const qzGlyphRect& uv,
               uint32_t color) {
    const struct {
        float x, y, u, v;
    } corners[6] = {{left, top, uv.left, uv.top},         {right, top, uv.right, uv.top},
                    {right, bottom, uv.right, uv.bottom}, {right, bottom, uv.right, uv.bottom},
                    {left, bottom, uv.left, uv.bottom},   {left, top, uv.left, uv.top}};
    for (const auto& corner : corners) {
        v->x = corner.x - 0.5f;
        v->y = corner.y - 0.5f;
        v->z = 0;
        v->rhw = 1;
        v->diffuse = color;
        v->u = corner.u;
        v->v = corner.v;
        ++v;
    }
}

// Glyph quads handed over as arrays are built this many at a time, so a huge text needs no huge buffer.
constexpr uint32_t ARRAYQUADS = 2048;

} // namespace

template <class Write> void qzTextLayout::ForEachQuad(int32_t x, int32_t y, Write write) const {
    const float cellwidth = static_cast<float>(bitmapfont->GetWidth() + 2);
    const float cellheight = static_cast<float>(bitmapfont->GetHeight() + 2);
    int64_t liney = static_cast<int64_t>(y) + verticaloffset;
    uint32_t quad = 0;
    for (size_t l = 0; l < lines.size(); ++l) {
        size_t end = l + 1 < lines.size() ? lines[l + 1].firstcharacter : characters.size();
        int64_t charx = static_cast<int64_t>(x) + lines[l].offset + bitmapfont->GetHorizontalOffset();
        for (size_t c = lines[l].firstcharacter; c < end; ++c) {
            const Character& character = characters[c];
            if (character.glyph != qzBitmapFont::NOGLYPH) {
                float left = static_cast<float>(charx - 1), top = static_cast<float>(liney - 1);
                write(quad++, left, top, left + cellwidth, top + cellheight, character.glyph);
            }
            charx += character.advance;
        }
        liney += lineheight;
    }
}

void qzTextLayout::Draw(qzVertexQueue2D* queue, uint32_t color, int32_t x, int32_t y) const {
    QZASSERT(bitmapfont != nullptr, "bitmapfont!=NULL");
    uint64_t n = static_cast<uint64_t>(glyphcount) * 6;
    if (n <= queue->capacity) {
        qzVertex2D* vertices = queue->Enqueue(D3DPT_TRIANGLELIST, static_cast<uint32_t>(n));
        ForEachQuad(x, y,
                    [&](uint32_t quad, float left, float top, float right, float bottom, uint32_t glyph) {
                        WriteQuad(vertices + 6 * static_cast<size_t>(quad), left, top, right, bottom,
                                  bitmapfont->GetGlyphRect(glyph), color);
                    });
        return;
    }
    std::vector<qzVertex2D> block(static_cast<size_t>(std::min<uint64_t>(glyphcount, ARRAYQUADS)) * 6,
                                  qzVertex2D{});
    uint32_t inblock = 0;
    ForEachQuad(x, y, [&](uint32_t, float left, float top, float right, float bottom, uint32_t glyph) {
        WriteQuad(block.data() + 6 * static_cast<size_t>(inblock), left, top, right, bottom,
                  bitmapfont->GetGlyphRect(glyph), color);
        if (++inblock == ARRAYQUADS) {
            queue->EnqueueArray(D3DPT_TRIANGLELIST, block.data(), inblock * 6);
            inblock = 0;
        }
    });
    if (inblock > 0)
        queue->EnqueueArray(D3DPT_TRIANGLELIST, block.data(), inblock * 6);
}

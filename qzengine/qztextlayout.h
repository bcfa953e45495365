// A string laid out in lines of one bitmap font's glyphs, wrapped at words or characters, aligned around a
// point and measured. Drawing writes the glyph quads into the 2D vertex queue once there is a device.
#pragma once

#include "qzbitmapfont.h"
#include "qzstring.h"
#include "qzvertexqueue.h"

#include <cstdint>
#include <vector>

enum : uint32_t { QZALIGN_LEFT = 1, QZALIGN_CENTER = 2, QZALIGN_RIGHT = 3 };
enum : uint32_t { QZALIGN_TOP = 1, QZALIGN_BASELINE = 2, QZALIGN_MIDDLE = 3, QZALIGN_BOTTOM = 4 };

class qzTextLayout {
public:
    struct Line {
        uint32_t firstcharacter;
        uint32_t width; // character spacing and trailing spaces included
        int32_t offset;
    };
    struct Character {
        uint32_t glyph; // 255 for a line break or a character without a glyph
        uint32_t advance;
    };

    qzTextLayout(qzBitmapFont* font, uint32_t characterspacing, uint32_t linespacing);

    // Without either wrap only line breaks end lines; a character that fits no line stays on a line of its
    // own.
    void Layout(qzStringRef text, bool wordwrap, bool characterwrap, uint32_t maxwidth);
    void Align(uint32_t horizontal, uint32_t vertical);
    void Measure(uint32_t* width, uint32_t* height) const;
    // One textured quad per glyph into the queue, as a triangle list: written in place when the quads fit
    // the queue, else passed as arrays. The font's texture must be set on stage 0 by the caller.
    void Draw(qzVertexQueue2D* queue, uint32_t color, int32_t x, int32_t y) const;

    qzBitmapFont* bitmapfont;
    std::vector<Line> lines;
    std::vector<Character> characters;
    uint32_t glyphcount = 0;
    uint32_t lineheight = 0;
    int32_t verticaloffset = 0;
    uint32_t characterspacing;
    uint32_t linespacing;

private:
    // The width of a line without the spacing after its last glyph; 0 for an empty line.
    uint32_t VisibleWidth(const Line& line) const;
    uint32_t BlockHeight() const;
    // Calls write(quad index, left, top, right, bottom, glyph) for every glyph in drawing order.
    template <class Write> void ForEachQuad(int32_t x, int32_t y, Write write) const;
};

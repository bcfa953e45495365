// fontgen FONTFILE OUTDIR: renders a TrueType font through FreeType into the program's two BmpF fonts,
// OUTDIR/font1001.bmpf (cells 11 x 10) and OUTDIR/font1002.bmpf (cells 12 x 11). The output depends only on
// the font file and FreeType's rendering, so the committed files can be made again byte for byte.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The glyph order of both fonts: letters, digits, then the punctuation with the space as glyph 70.
const char GLYPHS[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-*/.,;: `[]{}()\"'\\<>?~!@#$%^&_=|";

struct FontCells {
    const char* name;
    int cellwidth, cellheight;
    int horizontaloffset, baselineoffset; // the baseline lies -baselineoffset rows below the cell's top
    double pixelsize;
    int minadvance, maxadvance;
};

const FontCells FONTS[2] = {
    {"font1001.bmpf", 11, 10, -1, -8, 10.0, 3, 11},
    {"font1002.bmpf", 12, 11, 0, -9, 11.0, 3, 13},
};

// Small text reads crisper with coverage lifted a little above linear.
uint8_t Coverage(uint8_t linear) {
    return static_cast<uint8_t>(std::lround(255.0 * std::pow(linear / 255.0, 1 / 1.3)));
}

// The coverage of a glyph's pixels that fall outside its cell when its bitmap starts at (left, top).
uint32_t LostCoverage(const FT_Bitmap& bitmap, int left, int top, const FontCells& cells) {
    uint32_t lost = 0;
    for (int by = 0; by < static_cast<int>(bitmap.rows); ++by)
        for (int bx = 0; bx < static_cast<int>(bitmap.width); ++bx) {
            int x = left + bx, y = top + by;
            if (x < 0 || y < 0 || x >= cells.cellwidth || y >= cells.cellheight)
                lost += bitmap.buffer[by * bitmap.pitch + bx];
        }
    return lost;
}

bool Render(FT_Face face, const FontCells& cells, std::vector<uint8_t>& out, uint32_t& lost) {
    if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(cells.pixelsize * 64), 72, 72) != 0)
        return false;
    const size_t count = std::strlen(GLYPHS);
    out = {'B',
           'm',
           'p',
           'F',
           static_cast<uint8_t>(count),
           static_cast<uint8_t>(cells.cellwidth),
           static_cast<uint8_t>(cells.cellheight),
           static_cast<uint8_t>(cells.horizontaloffset),
           static_cast<uint8_t>(cells.baselineoffset)};
    const int baseline = -cells.baselineoffset;
    lost = 0;
    for (size_t i = 0; i < count; ++i) {
        unsigned char c = static_cast<unsigned char>(GLYPHS[i]);
        if (FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0)
            return false;
        FT_GlyphSlot g = face->glyph;
        int advance = static_cast<int>((g->advance.x + 32) >> 6);
        advance = std::clamp(advance, cells.minadvance, cells.maxadvance);
        out.push_back(c);
        out.push_back(static_cast<uint8_t>(advance));
        // The pen starts one pixel into the cell, which the horizontal offset of -1 takes back for the first
        // font.
        int left = g->bitmap_left + 1 + cells.horizontaloffset + 1;
        int wide = static_cast<int>(g->bitmap.width);
        if (left + wide > cells.cellwidth)
            left = std::max(0, cells.cellwidth - wide); // a glyph wider than its place keeps its right edge
        // A glyph reaching below the cell (brackets, underscore) moves up as far as the room above allows.
        int top = baseline - g->bitmap_top;
        int below = top + static_cast<int>(g->bitmap.rows) - cells.cellheight;
        if (below > 0)
            top -= std::min(below, std::max(top, 0));
        // Likewise a glyph reaching above the cell (the grave accent) moves down as far as the room below
        // allows.
        int room = cells.cellheight - (top + static_cast<int>(g->bitmap.rows));
        if (top < 0)
            top += std::min(-top, std::max(room, 0));
        lost += LostCoverage(g->bitmap, left, top, cells);
        for (int y = 0; y < cells.cellheight; ++y)
            for (int x = 0; x < cells.cellwidth; ++x) {
                int bx = x - left, by = y - top;
                uint8_t a = 0;
                if (bx >= 0 && by >= 0 && bx < wide && by < static_cast<int>(g->bitmap.rows))
                    a = Coverage(g->bitmap.buffer[by * g->bitmap.pitch + bx]);
                out.push_back(a);
            }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fontgen FONTFILE OUTDIR\n");
        return 2;
    }
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, argv[1], 0, &face) != 0) {
        std::fprintf(stderr, "fontgen: %s cannot be opened as a font\n", argv[1]);
        return 1;
    }
    for (const FontCells& cells : FONTS) {
        std::vector<uint8_t> out;
        uint32_t lost = 0;
        if (!Render(face, cells, out, lost)) {
            std::fprintf(stderr, "fontgen: %s cannot be rendered\n", cells.name);
            return 1;
        }
        std::string path = std::string(argv[2]) + "/" + cells.name;
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
            std::fprintf(stderr, "fontgen: %s cannot be written\n", path.c_str());
            return 1;
        }
        // Coverage cut off by the cells, in units of one fully covered pixel: worth a look when it grows.
        std::printf("%s: %zu bytes, %.1f pixels of coverage outside the cells\n", path.c_str(), out.size(),
                    lost / 255.0);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}

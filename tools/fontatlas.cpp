// Writes the glyph atlas of a BmpF font as a BMP for inspection: dark coverage on white, each atlas pixel
// enlarged to a square of SCALE pixels, and a sample line of text under the atlas.
//
//   fontatlas FONT.bmpf OUT.bmp [SCALE]
#include "qzbitmapfont.h"
#include "qzimage.h"
#include "qztextlayout.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

const char SAMPLE[] = "Geometry  Select  Actions  History  Solid-Wire  Align the view (x, y) = 0.25";

void Paint(qzImage& out, uint32_t scale, uint32_t x, uint32_t y, uint8_t coverage) {
    uint8_t grey = uint8_t(255 - coverage);
    for (uint32_t dy = 0; dy < scale; ++dy)
        for (uint32_t dx = 0; dx < scale; ++dx) {
            uint32_t px = x * scale + dx, py = y * scale + dy;
            if (px < out.GetWidth() && py < out.GetHeight())
                *out.GetPixel(px, py) = qzColor(grey, grey, grey);
        }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: fontatlas FONT.bmpf OUT.bmp [SCALE]\n");
        return 2;
    }
    uint32_t scale = argc > 3 ? uint32_t(std::atoi(argv[3])) : 4;
    if (scale < 1 || scale > 16)
        scale = 4;
    try {
        qzBitmapFont font;
        font.LoadFile(argv[1], false);
        const qzImage& atlas = font.GetAtlas();

        qzTextLayout layout(&font, 0, 4);
        layout.Layout(qzStringRef::FromText(SAMPLE), false, false, 0);
        uint32_t textwidth, textheight;
        layout.Measure(&textwidth, &textheight);
        uint32_t width = std::max(atlas.GetWidth(), textwidth + 8);
        uint32_t height = atlas.GetHeight() + textheight + 8;

        qzImage out;
        out.Create(width * scale, height * scale);
        out.Clear(qzColor(255, 255, 255));
        for (uint32_t y = 0; y < atlas.GetHeight(); ++y)
            for (uint32_t x = 0; x < atlas.GetWidth(); ++x)
                Paint(out, scale, x, y, atlas.GetPixel(x, y)->a);

        // The sample text, placed the way the drawing places glyph cells.
        int32_t penx = 4 + font.GetHorizontalOffset();
        uint32_t top = atlas.GetHeight() + 4;
        for (const qzTextLayout::Character& character : layout.characters) {
            if (character.glyph != qzBitmapFont::NOGLYPH) {
                uint32_t cellx = (font.GetWidth() + 2) * (character.glyph % 16) + 2;
                uint32_t celly = (font.GetHeight() + 2) * (character.glyph / 16) + 2;
                for (uint32_t y = 0; y < font.GetHeight(); ++y)
                    for (uint32_t x = 0; x < font.GetWidth(); ++x) {
                        uint8_t a = atlas.GetPixel(cellx + x, celly + y)->a;
                        int32_t px = penx + int32_t(x);
                        if (a != 0 && px >= 0)
                            Paint(out, scale, uint32_t(px), top + y, a);
                    }
            }
            penx += int32_t(character.advance);
        }
        out.SaveFile(argv[2], false);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fontatlas: %s\n", e.what());
        return 1;
    }
    return 0;
}

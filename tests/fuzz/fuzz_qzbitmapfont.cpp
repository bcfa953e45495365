// Fuzz target: any block given to the font reader either loads a font whose glyph map, advances and
// rectangles can all be asked for, or throws qzFormatException.
#include "qzbitmapfont.h"
#include "qzexceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    qzBitmapFont font;
    try {
        font.Load(bytes, size, size % 2 == 0);
    } catch (const qzFormatException&) {
        return 0;
    }
    float sum = 0;
    for (int c = 0; c < 256; ++c) {
        uint8_t glyph = font.GetGlyph(static_cast<unsigned char>(c));
        if (glyph != qzBitmapFont::NOGLYPH)
            sum += font.GetGlyphWidth(glyph) + font.GetGlyphRect(glyph).right;
    }
    return sum < 0 ? 1 : 0;
}

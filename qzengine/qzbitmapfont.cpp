#include "qzbitmapfont.h"

#include "qzassert.h"
#include "qzexceptions.h"
#include "qzfile.h"
#include "qzresource.h"

#include <cstring>

namespace {

constexpr size_t HEADERSIZE = 9;

} // namespace

void qzBitmapFont::Load(const void* data, size_t size, bool premultiplied) {
    QZASSERT(!exists, "!exists");
    const uint8_t* b = static_cast<const uint8_t*>(data);
    if (size < HEADERSIZE || std::memcmp(b, "BmpF", 4) != 0)
        throw qzFormatException();
    uint32_t n = b[4], w = b[5], h = b[6];
    if (n == 0)
        throw qzFormatException();
    const uint64_t recordsize = static_cast<uint64_t>(w) * h + 2;
    if (size < HEADERSIZE + n * recordsize)
        throw qzFormatException();

    atlas.Create((w + 2) * CELLSPERROW + 2, (h + 2) * ((n + CELLSPERROW - 1) / CELLSPERROW) + 2);
    atlas.Clear(qzColor(0, 0, 0, 0));
    std::memset(glyphmap, NOGLYPH, sizeof glyphmap);
    const uint8_t* record = b + HEADERSIZE;
    for (uint32_t i = 0; i < n; ++i, record += recordsize) {
        uint8_t code = record[0];
        if (code != 10)
            glyphmap[code] = static_cast<uint8_t>(i); // a later glyph with the same code wins
        advances[i] = record[1];
        const uint8_t* coverage = record + 2;
        uint32_t left = (w + 2) * (i % CELLSPERROW) + 2, top = (h + 2) * (i / CELLSPERROW) + 2;
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x) {
                uint8_t a = *coverage++;
                *atlas.GetPixel(left + x, top + y) =
                    premultiplied ? qzColor(a, a, a, a) : qzColor(255, 255, 255, a);
            }
    }
    glyphcount = n;
    cellwidth = w;
    cellheight = h;
    horizontaloffset = static_cast<int8_t>(b[7]);
    baselineoffset = static_cast<int8_t>(b[8]);
    exists = true;
}

void qzBitmapFont::LoadFile(const char* path, bool premultiplied) {
    qzString data;
    qzFile file;
    file.Open(path, true, false, true, false, OPEN_EXISTING);
    file.ReadAll(data);
    Load(data.GetData(), data.GetLength(), premultiplied);
}

void qzBitmapFont::LoadResource(const char* name, bool premultiplied) {
    qzString data = qzLoadResourceData(name);
    Load(data.GetData(), data.GetLength(), premultiplied);
}

void qzBitmapFont::LoadResource(unsigned number, bool premultiplied) {
    qzString data = qzLoadResourceData(number);
    Load(data.GetData(), data.GetLength(), premultiplied);
}

void qzBitmapFont::Release() {
    QZASSERT(exists, "exists");
    atlas.Release();
    if (tex.Exists())
        tex.Destroy();
    exists = false;
}

void qzBitmapFont::CreateTexture(qzDevice* device) {
    QZASSERT(exists, "exists");
    QZASSERT(!tex.Exists(), "!tex.Exists()");
    tex.CreateFromImage(device, &atlas, false);
}

void qzBitmapFont::SetTexture(uint32_t stage) const {
    QZASSERT(exists, "exists");
    QZASSERT(tex.Exists(), "tex.Exists()");
    tex.SetTexture(stage);
}

uint8_t qzBitmapFont::GetGlyph(unsigned char character) const {
    QZASSERT(exists, "exists");
    return glyphmap[character];
}

uint32_t qzBitmapFont::GetWidth() const {
    QZASSERT(exists, "exists");
    return cellwidth;
}

uint32_t qzBitmapFont::GetHeight() const {
    QZASSERT(exists, "exists");
    return cellheight;
}

int32_t qzBitmapFont::GetHorizontalOffset() const {
    QZASSERT(exists, "exists");
    return horizontaloffset;
}

int32_t qzBitmapFont::GetBaselineOffset() const {
    QZASSERT(exists, "exists");
    return baselineoffset;
}

uint32_t qzBitmapFont::GetGlyphWidth(uint32_t glyph) const {
    QZASSERT(exists, "exists");
    QZASSERT(glyph < 255, "glyph<255");
    return advances[glyph];
}

qzGlyphRect qzBitmapFont::GetGlyphRect(uint32_t glyph) const {
    QZASSERT(exists, "exists");
    QZASSERT(glyph < 255, "glyph<255");
    float texturewidth = static_cast<float>(qzRoundUpToPowerOfTwo(atlas.GetWidth()));
    float textureheight = static_cast<float>(qzRoundUpToPowerOfTwo(atlas.GetHeight()));
    uint32_t x = (cellwidth + 2) * (glyph % CELLSPERROW) + 1;
    uint32_t y = (cellheight + 2) * (glyph / CELLSPERROW) + 1;
    return {x / texturewidth, y / textureheight, (x + cellwidth + 2) / texturewidth,
            (y + cellheight + 2) / textureheight};
}

// A font of fixed-size glyph cells read from a BmpF block into a glyph atlas, with a map from character codes
// to glyphs and each glyph's advance. The atlas becomes a texture once there is a device.
#pragma once

#include "qzimage.h"
#include "qztexture.h"

#include <cstddef>
#include <cstdint>

class qzDevice;

struct qzGlyphRect {
    float left, top, right, bottom;
};

class qzBitmapFont {
public:
    static constexpr uint8_t NOGLYPH = 255;
    static constexpr uint32_t CELLSPERROW = 16;

    // Throws qzFormatException for a short, mislabelled, empty or truncated block and stays unloaded.
    void Load(const void* data, size_t size, bool premultiplied);
    void LoadFile(const char* path, bool premultiplied);
    void LoadResource(const char* name, bool premultiplied);
    void LoadResource(unsigned number, bool premultiplied);
    // Also destroys the texture when it exists.
    void Release();
    // The atlas as a managed texture without mipmaps.
    void CreateTexture(qzDevice* device);
    void SetTexture(uint32_t stage) const;

    uint8_t GetGlyph(unsigned char character) const;
    uint32_t GetWidth() const;
    uint32_t GetHeight() const;
    int32_t GetHorizontalOffset() const;
    int32_t GetBaselineOffset() const;
    uint32_t GetGlyphWidth(uint32_t glyph) const;
    // The glyph's cell with a one-pixel border, in texture coordinates of the atlas rounded to powers of two.
    qzGlyphRect GetGlyphRect(uint32_t glyph) const;
    const qzImage& GetAtlas() const { return atlas; }

    bool exists = false;
    qzTexture tex;

private:
    qzImage atlas;
    uint8_t glyphmap[256] = {};
    uint32_t glyphcount = 0;
    uint32_t cellwidth = 0;
    uint32_t cellheight = 0;
    int32_t horizontaloffset = 0;
    int32_t baselineoffset = 0;
    uint8_t advances[255] = {};
};

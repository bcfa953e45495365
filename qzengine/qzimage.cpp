#include "qzimage.h"

#include "qzassert.h"
#include "qzexceptions.h"
#include "qzfile.h"
#include "qzresource.h"

#include <cstring>
#include <new>

namespace {

constexpr uint32_t HEADERSIZE = 54;

uint32_t Read16(const uint8_t* p) {
    return p[0] | p[1] << 8;
}

uint32_t Read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void Write16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Write32(uint8_t* p, uint32_t v) {
    Write16(p, v);
    Write16(p + 2, v >> 16);
}

// The magnitude of a signed header value; the most negative one has no positive counterpart in 32 bits.
uint32_t Magnitude(uint32_t bits) {
    return (bits & 0x80000000u) != 0 ? 0u - bits : bits;
}

uint64_t RowSize(uint64_t width, uint32_t bitsperpixel) {
    return bitsperpixel == 32 ? width * 4 : (width * 3 + 3) & ~uint64_t(3);
}

} // namespace

void qzImage::Create(uint32_t w, uint32_t h) {
    if (w == width && h == height)
        return;
    Release();
    if (w == 0 && h == 0)
        return;
    uint64_t count = static_cast<uint64_t>(w) * h;
    if (count > MAXPIXELS)
        throw std::bad_alloc();
    // Raw storage: new pixels are not initialised.
    pixels = static_cast<qzColor*>(::operator new[](count * sizeof(qzColor)));
    width = w;
    height = h;
}

void qzImage::Release() {
    ::operator delete[](pixels);
    pixels = nullptr;
    width = height = 0;
}

void qzImage::Clear(qzColor color) {
    QZASSERT(pixels != nullptr, "pixels!=NULL");
    uint64_t count = static_cast<uint64_t>(width) * height;
    for (uint64_t i = 0; i < count; ++i)
        pixels[i] = color;
}

void qzImage::ReplaceColor(qzColor from, qzColor to) {
    QZASSERT(pixels != nullptr, "pixels!=NULL");
    uint64_t count = static_cast<uint64_t>(width) * height;
    for (uint64_t i = 0; i < count; ++i)
        if (pixels[i] == from)
            pixels[i] = to;
}

void qzImage::LoadBMP(const void* data, size_t size) {
    const uint8_t* b = static_cast<const uint8_t*>(data);
    if (size < HEADERSIZE || Read16(b) != 0x4D42 || Read32(b + 2) != size)
        throw qzFormatException();
    uint32_t offset = Read32(b + 10);
    uint32_t infosize = Read32(b + 14);
    uint32_t widthbits = Read32(b + 18);
    uint32_t heightbits = Read32(b + 22);
    uint32_t planes = Read16(b + 26);
    uint32_t bitsperpixel = Read16(b + 28);
    uint32_t compression = Read32(b + 30);
    uint32_t imagesize = Read32(b + 34);
    if (infosize < 40 || widthbits == 0 || heightbits == 0 || planes != 1 || compression != 0)
        throw qzFormatException();
    if (static_cast<uint64_t>(offset) + imagesize > size)
        throw qzFormatException();
    if (bitsperpixel != 24 && bitsperpixel != 32)
        throw qzFormatException();
    // Everything is checked before the pixels are allocated: a header alone cannot make a gigabyte image.
    uint32_t w = Magnitude(widthbits);
    uint32_t h = Magnitude(heightbits);
    uint64_t rowsize = RowSize(w, bitsperpixel);
    if (imagesize < rowsize * h)
        throw qzFormatException();
    Create(w, h);

    bool bottomup = (heightbits & 0x80000000u) == 0;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = b + offset + rowsize * (bottomup ? h - 1 - y : y);
        qzColor* out = GetRow(y);
        if (bitsperpixel == 32) {
            std::memcpy(out, row, static_cast<size_t>(w) * 4);
            continue;
        }
        for (uint32_t x = 0; x < w; ++x, row += 3) {
            out[x].b = row[0];
            out[x].g = row[1];
            out[x].r = row[2];
            out[x].a = 255;
        }
    }
}

void qzImage::LoadFile(const char* path) {
    qzString data;
    qzFile file;
    file.Open(path, true, false, true, false, OPEN_EXISTING);
    file.ReadAll(data);
    LoadBMP(data.GetData(), data.GetLength());
}

void qzImage::LoadResource(const char* name) {
    qzString data = qzLoadResourceData(name);
    LoadBMP(data.GetData(), data.GetLength());
}

void qzImage::SaveBMP(qzString& buffer, bool alpha) const {
    uint32_t bitsperpixel = alpha ? 32 : 24;
    uint64_t rowsize = RowSize(width, bitsperpixel);
    uint64_t imagesize = rowsize * height;
    if (HEADERSIZE + imagesize > 0xFFFFFFFFu - buffer.GetLength())
        throw std::bad_alloc();
    uint32_t at = buffer.GetLength();
    buffer.Resize(at + HEADERSIZE + static_cast<uint32_t>(imagesize));
    uint8_t* b = reinterpret_cast<uint8_t*>(buffer.GetData()) + at;
    std::memset(b, 0, HEADERSIZE + imagesize);
    Write16(b, 0x4D42);
    Write32(b + 2, HEADERSIZE + static_cast<uint32_t>(imagesize));
    Write32(b + 10, HEADERSIZE);
    Write32(b + 14, 40);
    Write32(b + 18, width);
    Write32(b + 22, height);
    Write16(b + 26, 1);
    Write16(b + 28, bitsperpixel);
    Write32(b + 34, static_cast<uint32_t>(imagesize));
    Write32(b + 38, 2835);
    Write32(b + 42, 2835);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = b + HEADERSIZE + rowsize * (height - 1 - y);
        const qzColor* in = GetRow(y);
        for (uint32_t x = 0; x < width; ++x) {
            *row++ = in[x].b;
            *row++ = in[x].g;
            *row++ = in[x].r;
            if (alpha)
                *row++ = in[x].a;
        }
    }
}

void qzImage::SaveFile(const char* path, bool alpha) const {
    qzString data;
    SaveBMP(data, alpha);
    qzFile file;
    file.Open(path, false, true, false, false, CREATE_ALWAYS);
    file.Write(data.GetData(), data.GetLength());
}

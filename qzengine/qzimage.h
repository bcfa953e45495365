// A picture of 32-bit colours in memory, top row first, read from and written to the BMP format.
#pragma once

#include "qzcolor.h"
#include "qzstring.h"

#include <cstddef>
#include <cstdint>

class qzImage {
public:
    // The largest image, counted as width times height.
    static constexpr uint64_t MAXPIXELS = 0x10000000;

    qzImage() = default;
    qzImage(const qzImage&) = delete;
    qzImage& operator=(const qzImage&) = delete;
    ~qzImage() { Release(); }

    // Keeps the pixels when the size is unchanged; new pixels are not initialised. 0 x 0 leaves no pixels.
    void Create(uint32_t width, uint32_t height);
    void Release();

    uint32_t GetWidth() const { return width; }
    uint32_t GetHeight() const { return height; }
    bool Exists() const { return pixels != nullptr; }
    qzColor* GetRow(uint32_t y) const { return pixels + static_cast<size_t>(width) * y; }
    qzColor* GetPixel(uint32_t x, uint32_t y) const { return GetRow(y) + x; }

    void Clear(qzColor color);
    void ReplaceColor(qzColor from, qzColor to);

    // All throw qzFormatException for data that is not a 24- or 32-bit uncompressed BMP.
    void LoadBMP(const void* data, size_t size);
    void LoadFile(const char* path);
    void LoadResource(const char* name);

    // Appends a BMP file: 32 bits with alpha, else 24.
    void SaveBMP(qzString& buffer, bool alpha) const;
    void SaveFile(const char* path, bool alpha) const;

private:
    uint32_t width = 0;
    uint32_t height = 0;
    qzColor* pixels = nullptr;
};

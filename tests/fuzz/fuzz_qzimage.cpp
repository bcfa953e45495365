// Fuzz target: any block given to the BMP reader either loads an image whose every pixel can be read or
// throws qzFormatException.
#include "qzexceptions.h"
#include "qzimage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    qzImage image;
    try {
        image.LoadBMP(bytes, size);
    } catch (const qzFormatException&) {
        return 0;
    }
    uint32_t sum = 0;
    for (uint32_t y = 0; y < image.GetHeight(); ++y)
        for (uint32_t x = 0; x < image.GetWidth(); ++x)
            sum += image.GetPixel(x, y)->GetARGB();
    return sum == 0xFFFFFFFFu ? 0 : 0;
}

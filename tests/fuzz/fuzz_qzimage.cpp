// Fuzz target: any block given to the BMP reader either throws qzFormatException or loads an image that the
// writer saves, with and without alpha, and the reader loads back to the same pixels.
#include "qzexceptions.h"
#include "qzimage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    qzImage image;
    try {
        image.LoadBMP(bytes, size);
    } catch (const qzFormatException&) {
        return 0;
    }
    for (bool alpha : {true, false}) {
        qzString saved;
        image.SaveBMP(saved, alpha);
        qzImage again;
        again.LoadBMP(saved.GetData(), saved.GetLength());
        if (again.GetWidth() != image.GetWidth() || again.GetHeight() != image.GetHeight())
            std::abort();
        for (uint32_t y = 0; y < image.GetHeight(); ++y)
            for (uint32_t x = 0; x < image.GetWidth(); ++x) {
                qzColor expected = *image.GetPixel(x, y);
                if (!alpha)
                    expected.a = 255;
                if (!(*again.GetPixel(x, y) == expected))
                    std::abort();
            }
    }
    return 0;
}

#include "qzexceptions.h"
#include "qzimage.h"

#include <gtest/gtest.h>

#include <new>
#include <random>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Put16(b, at, v);
    Put16(b, at + 2, v >> 16);
}

// An independent BMP writer: pixels given top row first, stored bottom-up or top-down.
std::vector<uint8_t> WriteBMP(const std::vector<qzColor>& pixels, uint32_t w, uint32_t h, uint32_t bits,
                              bool topdown) {
    uint32_t stride = bits == 32 ? w * 4 : (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> b(54 + stride * h, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<uint32_t>(b.size()));
    Put32(b, 10, 54);
    Put32(b, 14, 40);
    Put32(b, 18, w);
    Put32(b, 22, topdown ? 0u - h : h);
    Put16(b, 26, 1);
    Put16(b, 28, bits);
    Put32(b, 34, stride * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &b[54 + stride * (topdown ? y : h - 1 - y) + x * (bits / 8)];
            const qzColor& c = pixels[y * w + x];
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
            if (bits == 32)
                p[3] = c.a;
        }
    return b;
}

std::vector<qzColor> RandomPixels(std::mt19937& random, size_t n) {
    std::vector<qzColor> p(n);
    for (qzColor& c : p)
        c = qzColor::FromARGB(static_cast<uint32_t>(random()));
    return p;
}

} // namespace

TEST(Image, BMPsOfEveryLayoutLoadToTheirPixels) {
    std::mt19937 random(21);
    for (uint32_t bits : {24u, 32u})
        for (bool topdown : {false, true})
            for (uint32_t w = 1; w <= 9; ++w) {
                uint32_t h = 1 + random() % 6;
                std::vector<qzColor> pixels = RandomPixels(random, w * h);
                std::vector<uint8_t> file = WriteBMP(pixels, w, h, bits, topdown);
                qzImage image;
                image.LoadBMP(file.data(), file.size());
                ASSERT_EQ(image.GetWidth(), w);
                ASSERT_EQ(image.GetHeight(), h);
                for (uint32_t y = 0; y < h; ++y)
                    for (uint32_t x = 0; x < w; ++x) {
                        qzColor expected = pixels[y * w + x];
                        if (bits == 24)
                            expected.a = 255;
                        ASSERT_EQ(image.GetPixel(x, y)->GetARGB(), expected.GetARGB()) << x << "," << y;
                    }

                // The writer stores bottom-up: with alpha its file is the independent one byte for byte.
                if (!topdown) {
                    qzString saved;
                    image.SaveBMP(saved, bits == 32);
                    std::vector<uint8_t> expected = WriteBMP(pixels, w, h, bits, false);
                    Put32(expected, 38, 2835);
                    Put32(expected, 42, 2835);
                    if (bits == 32) {
                        ASSERT_EQ(std::vector<uint8_t>(saved.GetData(), saved.GetData() + saved.GetLength()),
                                  expected);
                    }
                    qzImage back;
                    back.LoadBMP(saved.GetData(), saved.GetLength());
                    for (uint32_t i = 0; i < w * h; ++i)
                        ASSERT_EQ(back.GetPixel(i % w, i / w)->GetARGB(),
                                  image.GetPixel(i % w, i / w)->GetARGB());
                }
            }
}

TEST(Image, TruncatedOrCorruptHeadersAreRefusedBeforeAnyAllocation) {
    std::mt19937 random(22);
    const std::vector<uint8_t> good = WriteBMP(RandomPixels(random, 15), 5, 3, 24, false);
    qzImage image;
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_THROW(image.LoadBMP(good.data(), n), qzFormatException) << n;

    struct Field {
        size_t at, size;
        uint32_t value;
    };
    const Field corruptions[] = {
        {0, 2, 0x4D43},      {2, 4, 1000},        {10, 4, 100},        {14, 4, 39}, {18, 4, 0},
        {22, 4, 0},          {26, 2, 2},          {28, 2, 8},          {28, 2, 16}, {30, 4, 1},
        {34, 4, 47},         {10, 4, 0xFFFFFFF0}, {34, 4, 0xFFFFFFFF}, // offset plus size past 32 bits
        {18, 4, 0x7FFFFFFF}, {22, 4, 0x80000000}, {18, 4, 0x80000000}, // sizes no block can hold
        {18, 4, 0x55555556}, // three bytes a pixel wrap 32 bits to a row of 4 bytes
    };
    auto Corrupted = [](std::vector<uint8_t> bytes, const Field& f) {
        if (f.size == 2)
            Put16(bytes, f.at, f.value);
        else
            Put32(bytes, f.at, f.value);
        return bytes;
    };
    // A refused block leaves a loaded image untouched: nothing is allocated before every check has passed.
    image.LoadBMP(good.data(), good.size());
    const qzColor corner = *image.GetPixel(4, 2);
    for (const Field& f : corruptions) {
        std::vector<uint8_t> bad = Corrupted(good, f);
        EXPECT_THROW(image.LoadBMP(bad.data(), bad.size()), qzFormatException) << f.at << " " << f.value;
        ASSERT_EQ(image.GetWidth(), 5u);
        ASSERT_EQ(image.GetHeight(), 3u);
        EXPECT_EQ(image.GetPixel(4, 2)->GetARGB(), corner.GetARGB());
    }
}

TEST(Image, CreateKeepsPixelsOfAnUnchangedSizeAndRefusesHugeOnes) {
    qzImage image;
    image.Create(4, 3);
    image.Clear(qzColor(1, 2, 3, 4));
    image.GetPixel(3, 2)->r = 9;
    image.Create(4, 3);
    EXPECT_EQ(image.GetPixel(0, 0)->GetARGB(), qzColor(1, 2, 3, 4).GetARGB());
    EXPECT_EQ(image.GetPixel(3, 2)->r, 9);

    image.ReplaceColor(qzColor(1, 2, 3, 4), qzColor(5, 6, 7, 8));
    EXPECT_EQ(image.GetPixel(1, 1)->GetARGB(), qzColor(5, 6, 7, 8).GetARGB());
    EXPECT_EQ(image.GetPixel(3, 2)->r, 9); // differs in one byte, so it stays

    EXPECT_THROW(image.Create(65536, 4097), std::bad_alloc);
    EXPECT_EQ(image.GetWidth(), 0u);
    EXPECT_FALSE(image.Exists());
    image.Create(0, 0);
    EXPECT_FALSE(image.Exists());
}

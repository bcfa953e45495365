#include "test_qzdevice_fixture.h"

#include "qzbitmapfont.h"
#include "qzexceptions.h"
#include "qzimage.h"
#include "qztexture.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

namespace {

struct TextureTest : UsableDeviceTest {
    qzTexture texture;
    qzFakeTexture& Fake(const qzTexture& t) { return *static_cast<qzFakeTexture*>(t.GetD3DTexture()); }
    qzColor Texel(const qzTexture& t, uint32_t x, uint32_t y) {
        qzColor c;
        std::memcpy(&c, Fake(t).memory.data() + static_cast<size_t>(Fake(t).pitch) * y + 4 * x, 4);
        return c;
    }
};

void RandomImage(qzImage& image, uint32_t width, uint32_t height, unsigned seed) {
    std::mt19937 random(seed);
    image.Create(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            *image.GetPixel(x, y) = qzColor::FromARGB(static_cast<uint32_t>(random()));
}

} // namespace

TEST_F(TextureTest, SizesRoundUpToPowersOfTwoAndTheKindChoosesPoolAndUsage) {
    texture.Create(&device, 100, 20, false, false);
    EXPECT_EQ(texture.GetWidth(), 128u);
    EXPECT_EQ(texture.GetHeight(), 32u);
    EXPECT_EQ(texture.GetOriginalWidth(), 100u);
    EXPECT_TRUE(texture.managed);
    qzTexture mipmapped, target;
    mipmapped.Create(&device, 1, 3, true, false);
    target.Create(&device, 5, 4, false, true);
    EXPECT_FALSE(target.managed);
    EXPECT_EQ(api.CallsStartingWith("CreateTexture"),
              (std::vector<std::string>{"CreateTexture 128x32 1 0x0 21 D3DPOOL_MANAGED tex1",
                                        "CreateTexture 1x4 0 0x400 21 D3DPOOL_MANAGED tex2",
                                        "CreateTexture 8x4 1 0x1 21 D3DPOOL_DEFAULT tex3"}));
    EXPECT_EQ(device.textures.count, 3);
    mipmapped.Destroy();
    EXPECT_EQ(device.textures.count, 2);
    EXPECT_EQ(api.LiveTextures(D3DPOOL_MANAGED), 1);
}

TEST_F(TextureTest, AnImageTextureHoldsTheImageWithTransparentColumnsBeyondIt) {
    qzImage image;
    RandomImage(image, 100, 20, 3);
    texture.CreateFromImage(&device, &image, false);
    EXPECT_EQ(texture.data, nullptr); // unlocked again
    for (uint32_t y = 0; y < 20; ++y) {
        for (uint32_t x = 0; x < 100; ++x)
            ASSERT_EQ(Texel(texture, x, y), *image.GetPixel(x, y)) << x << "," << y;
        for (uint32_t x = 100; x < 128; ++x)
            ASSERT_EQ(Texel(texture, x, y).GetARGB(), 0u) << x << "," << y;
    }
    EXPECT_EQ(Texel(texture, 0, 20).GetARGB(), 0xCDCDCDCDu); // rows below the image are not written
    EXPECT_EQ(api.CallsStartingWith("LockRect"), std::vector<std::string>{"LockRect tex1 0 NULL 0x0"});
}

TEST_F(TextureTest, DownloadGivesBackWhatWasUploaded) {
    for (unsigned seed = 0; seed < 6; ++seed) {
        api.pitchpadding = 4 * seed;
        qzImage image, back;
        RandomImage(image, 1 + seed * 37 % 70, 1 + seed * 13 % 40, seed);
        qzTexture t;
        t.CreateFromImage(&device, &image, seed % 2 == 0);
        t.Lock();
        t.Download(&back);
        t.Unlock();
        ASSERT_EQ(back.GetWidth(), image.GetWidth());
        ASSERT_EQ(back.GetHeight(), image.GetHeight());
        for (uint32_t y = 0; y < image.GetHeight(); ++y)
            EXPECT_EQ(std::memcmp(back.GetRow(y), image.GetRow(y), 4 * image.GetWidth()), 0) << seed;
    }
}

TEST_F(TextureTest, FailedCreationAndLocksThrow) {
    api.fail["CreateTexture"] = D3DERR_OUTOFVIDEOMEMORY;
    EXPECT_EQ(Failure<qzD3DException>([&] { texture.Create(&device, 16, 16, false, false); }),
              "qzTexture::Create IDirect3DDevice9::CreateTexture");
    EXPECT_FALSE(texture.Exists());
    EXPECT_THROW(texture.Create(&device, 0x80000001u, 1, false, false), qzD3DException);
    api.fail.clear();
    texture.Create(&device, 16, 16, false, false);
    for (int way = 0; way < 2; ++way) {
        api.fail["LockRect"] = D3DERR_INVALIDCALL;
        api.locknull = way == 1;
        if (way == 1)
            api.fail.clear();
        EXPECT_EQ(Failure<qzD3DException>([&] { texture.Lock(); }),
                  "qzTexture::Lock IDirect3DTexture9::LockRect");
        EXPECT_EQ(texture.data, nullptr);
    }
    api.locknull = false;
    texture.Lock(); // the lock that gave no bits was given back
    texture.Unlock();
}

TEST_F(TextureTest, AnUploadMustMatchTheImagesSize) {
    qzImage small;
    small.Create(4, 4);
    texture.Create(&device, 5, 4, false, false);
    texture.Lock();
    EXPECT_DEATH(texture.Upload(&small),
                 "Expression: originalw==img->GetWidth\\(\\) && originalh==img->GetHeight\\(\\)");
    texture.Unlock();
}

TEST_F(TextureTest, AFontsAtlasBecomesAManagedTextureThatItsReleaseDestroys) {
    std::ifstream file(std::string(QZ_SOURCE_DIR) + "/resources/font1001.bmpf", std::ios::binary);
    std::string block((std::istreambuf_iterator<char>(file)), {});
    qzBitmapFont font;
    font.Load(block.data(), block.size(), true);
    font.CreateTexture(&device);
    EXPECT_EQ(api.CallsStartingWith("CreateTexture"),
              std::vector<std::string>{"CreateTexture 256x128 1 0x0 21 D3DPOOL_MANAGED tex1"});
    font.Release();
    EXPECT_FALSE(font.tex.Exists());
    EXPECT_EQ(api.LiveTextures(D3DPOOL_MANAGED), 0);
}

// What the device tests of every backend share: a window's device with a queue of 2D vertices, quads drawn
// as the interface gives them, the back buffer read back through the interface itself, and the checks of
// its pixels. Each backend's fixture opens the window on its own platform.
#pragma once

#include "qzcolor.h"
#include "qzdevice.h"
#include "qzimage.h"
#include "qzindexbuffer.h"
#include "qzmain.h"
#include "qztexture.h"
#include "qzvertexbufferinternal.h"
#include "qzvertexqueue.h"
#include "qzwindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

inline constexpr uint32_t BLACK = 0xFF000000, RED = 0xFFFF0000, GREEN = 0xFF00FF00, BLUE = 0xFF0000FF;

struct Pixels {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> argb;
    uint32_t operator()(uint32_t x, uint32_t y) const { return argb[y * width + x]; }
};

// Each colour channel within one level of the expected value.
inline ::testing::AssertionResult Near(uint32_t got, int r, int g, int b) {
    auto near = [got](int shift, int expected) {
        return std::abs(static_cast<int>(got >> shift & 0xFF) - expected) <= 1;
    };
    if (near(16, r) && near(8, g) && near(0, b))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << std::hex << "got 0x" << got << std::dec << ", expected (" << r << ", " << g << ", " << b << ")";
}

struct DeviceDrawingTest : ::testing::Test {
    qzMain main{0};
    qzWindow window;
    qzDevice device;
    qzVertexQueue<qzVertex2D> queue;

    // A window of 64 x 64 client pixels with a device whose back buffer has the given size, in the frame
    // state of 2D drawing.
    void Open(uint32_t width, uint32_t height, bool depth = false, uint32_t multisampling = 0) {
        window.Create(&main, "device test", 2, 0, 0, 64, 64, 64, 64, nullptr);
        window.SwitchOffBackground();
        window.Show(false);
        device.Create(&window, false);
        device.SetSize(width, height);
        device.SetBufferOptions(depth, false, false);
        device.SetMultisampling(multisampling);
        ASSERT_TRUE(device.Restore());
        queue.Create(&device, 10000);
        Begin();
    }
    void TearDown() override {
        if (queue.Exists())
            queue.Destroy();
        if (window.IsCreated()) {
            device.Destroy();
            window.Destroy();
        }
    }

    // The frame state of 2D drawing: no culling, no depth, no lighting, untextured, no blending.
    void Begin() {
        device.BeginScene();
        device.SetCullMode(D3DCULL_NONE);
        device.SetDepth(false, false);
        device.SetLighting(false);
        device.DisableTextureStage(0);
        device.SetBlend(D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ZERO);
    }
    void DrawNothing() {}

    // A quad as the interface gives one: corners shifted by half a pixel so that it covers whole pixels.
    void Quad(float left, float top, float right, float bottom, uint32_t color, float z = 0.0f) {
        qzVertex2D* v = queue.Enqueue(D3DPT_TRIANGLELIST, 6);
        const float xs[6] = {left, right, left, right, right, left};
        const float ys[6] = {top, top, bottom, top, bottom, bottom};
        for (int i = 0; i < 6; ++i) {
            float u = xs[i] == left ? 0.0f : 1.0f, w = ys[i] == top ? 0.0f : 1.0f;
            v[i] = qzVertex2D{xs[i] - 0.5f, ys[i] - 0.5f, z, 1.0f, color, 0, u, w};
        }
    }

    // The whole texture, point sampled, over the rectangle; what is drawn after it is untextured again.
    void TexturedQuad(qzTexture& texture, float left, float top, float right, float bottom) {
        device.SetTextureStageModulate(0);
        device.SetSampler(0, D3DTEXF_POINT, D3DTEXF_POINT, false);
        texture.SetTexture(0);
        Quad(left, top, right, bottom, 0xFFFFFFFF);
        queue.Flush();
        device.DisableTextureStage(0);
    }

    // Managed vertex and index buffers that draw, indexed, a green quad over x 5 to 19 and y 6 to 24.
    void MakeIndexedQuad(qzVertexBufferInternal& vertices, qzIndexBuffer& indices) {
        vertices.Create(&device, 4, qzVertex2D::FVF, sizeof(qzVertex2D), true, false, false);
        auto* corner = reinterpret_cast<qzVertex2D*>(vertices._Lock(QZLOCKTYPE_NORMAL, 0, 0));
        for (int i = 0; i < 4; ++i)
            corner[i] = {i % 2 ? 19.5f : 4.5f, i < 2 ? 5.5f : 24.5f, 0, 1, GREEN, 0, 0, 0};
        vertices.Unlock();
        indices.Create(&device, 6, true, false, false);
        const uint32_t quad[6] = {0, 1, 2, 1, 3, 2};
        std::memcpy(indices.Lock(QZLOCKTYPE_NORMAL, 0, 0), quad, sizeof quad);
        indices.Unlock();
    }
    void DrawIndexedQuad(qzVertexBufferInternal& vertices, qzIndexBuffer& indices) {
        vertices.DrawIndexed(D3DPT_TRIANGLELIST, indices, 0, 6, 4, qzVertex2D::FVF, sizeof(qzVertex2D));
    }
    static bool InIndexedQuad(uint32_t x, uint32_t y) { return x >= 5 && x < 20 && y >= 6 && y < 25; }

    // A 4 x 4 texture whose every texel differs, and the check that it was drawn at (left, top).
    static uint32_t Gradient(uint32_t x, uint32_t y) {
        return 0xFF000000u | (17 * (x + y)) << 16 | (y * 60) << 8 | (x * 60);
    }
    void MakeGradient(qzTexture& texture) {
        qzImage image;
        image.Create(4, 4);
        for (uint32_t i = 0; i < 16; ++i)
            *image.GetPixel(i % 4, i / 4) = qzColor::FromARGB(Gradient(i % 4, i / 4));
        texture.CreateFromImage(&device, &image, false);
    }
    void ExpectGradient(const Pixels& pixels, uint32_t left, uint32_t top) {
        for (uint32_t i = 0; i < 16; ++i)
            ASSERT_EQ(pixels(left + i % 4, top + i / 4), Gradient(i % 4, i / 4)) << i;
        ASSERT_EQ(pixels(left - 1, top), BLACK);
    }

    // The back buffer, copied into a system-memory texture of its size and format and read from there. Its
    // format has no alpha: every pixel reads as opaque.
    Pixels ReadBack() {
        queue.Flush();
        qzRenderDevice* d3d = device.GetD3DDevice();
        Pixels pixels;
        qzRenderSurface *back = nullptr, *level = nullptr;
        qzRenderTexture* copy = nullptr;
        EXPECT_EQ(d3d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        EXPECT_EQ(d3d->CreateTexture(device.GetWidth(), device.GetHeight(), 1, 0,
                                     device.GetPresentParameters().BackBufferFormat, D3DPOOL_SYSTEMMEM,
                                     &copy),
                  D3D_OK);
        D3DLOCKED_RECT locked;
        if (back != nullptr && copy != nullptr && copy->GetSurfaceLevel(0, &level) == D3D_OK &&
            d3d->GetRenderTargetData(back, level) == D3D_OK &&
            copy->LockRect(0, &locked, nullptr, D3DLOCK_READONLY) == D3D_OK) {
            pixels.width = device.GetWidth();
            pixels.height = device.GetHeight();
            pixels.argb.resize(static_cast<size_t>(pixels.width) * pixels.height);
            for (uint32_t y = 0; y < pixels.height; ++y)
                std::memcpy(&pixels.argb[y * pixels.width],
                            static_cast<const char*>(locked.pBits) + y * locked.Pitch, pixels.width * 4);
            for (uint32_t& pixel : pixels.argb)
                pixel |= 0xFF000000u;
            EXPECT_EQ(copy->UnlockRect(0), D3D_OK);
        }
        // A reference left here would make every later reset refuse.
        for (qzRenderSurface* surface : {back, level})
            if (surface != nullptr)
                surface->Release();
        if (copy != nullptr)
            copy->Release();
        return pixels;
    }

    // Every pixel is what expected(x, y) says.
    template <typename Expected> void ExpectPixels(const Pixels& pixels, Expected expected) {
        ASSERT_GT(pixels.width, 0u);
        int wrong = 0;
        for (uint32_t y = 0; y < pixels.height; ++y)
            for (uint32_t x = 0; x < pixels.width; ++x)
                if (pixels(x, y) != expected(x, y) && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << " is 0x" << std::hex << pixels(x, y);
        EXPECT_EQ(wrong, 0);
    }
    // The pixels of the rectangle are colour, every other pixel is background.
    void ExpectRectangle(const Pixels& pixels, uint32_t left, uint32_t top, uint32_t right, uint32_t bottom,
                         uint32_t color, uint32_t background = BLACK) {
        ExpectPixels(pixels, [&](uint32_t x, uint32_t y) {
            return x >= left && x < right && y >= top && y < bottom ? color : background;
        });
    }

    // The checks that every backend passes alike. A quad covers exactly its pixels, the scissor rectangle
    // cuts drawing and clearing, its right and bottom exclusive, and a line with its last pixel covers x from
    // 3 to lastx (excluded) where a backend may leave that pixel out; the back buffer is 64 x 48.
    void ExpectQuadsScissorAndLineExact(uint32_t lastx = 13) {
        device.Clear(true, BLACK, false, 1.0f);
        Quad(10, 20, 30, 25, RED);
        ExpectRectangle(ReadBack(), 10, 20, 30, 25, RED);

        device.Clear(true, BLACK, false, 1.0f);
        device.SetScissor(5, 6, 10, 4);
        device.Clear(true, BLUE, false, 1.0f);
        Quad(0, 0, 64, 48, GREEN);
        queue.Flush();
        device.DisableScissor();
        ExpectRectangle(ReadBack(), 5, 6, 15, 10, GREEN);

        device.Clear(true, BLACK, false, 1.0f);
        device.SetLastPixel(true);
        qzVertex2D* v = queue.Enqueue(D3DPT_LINELIST, 2);
        v[0] = qzVertex2D{3, 7, 0, 1, RED, 0, 0, 0};
        v[1] = qzVertex2D{12, 7, 0, 1, RED, 0, 0, 0};
        ExpectRectangle(ReadBack(), 3, 7, lastx, 8, RED);
    }
    // A render target drawn as a point-sampled texture lands pixel for pixel; the back buffer is at least
    // 37 x 39.
    void ExpectRenderTargetDrawnPixelForPixel() {
        qzTexture target;
        target.Create(&device, 32, 32, false, true);
        device.SetRenderTarget(&target);
        device.Clear(true, RED, false, 1.0f);
        Quad(16, 0, 32, 32, BLUE);
        Quad(3, 4, 4, 5, GREEN);
        queue.Flush();
        device.SetRenderTarget(nullptr);
        device.Clear(true, BLACK, false, 1.0f);
        TexturedQuad(target, 5, 7, 37, 39);
        // The target's pixel (x, y) lands at (5 + x, 7 + y), and nothing around it.
        ExpectPixels(ReadBack(), [](uint32_t x, uint32_t y) {
            if (x < 5 || x >= 37 || y < 7 || y >= 39)
                return BLACK;
            return x == 8 && y == 11 ? GREEN : x >= 21 ? BLUE : RED;
        });
    }
};

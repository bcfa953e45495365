// The Direct3D 9 backend on Wine's Direct3D: a device on a plain window, then the engine's own device on a
// window of the Win32 platform, draws; what it draws is read back through the interface itself (render
// target to a system-memory texture) and compared pixel by pixel.
#include "qzcolor.h"
#include "qzd3d9renderapi.h"
#include "qzdevice.h"
#include "qzimage.h"
#include "qzindexbuffer.h"
#include "qzlight.h"
#include "qzmain.h"
#include "qztexture.h"
#include "qzvertexbufferinternal.h"
#include "qzvertexqueue.h"
#include "qzwin32platform.h"
#include "qzwindow.h"
// Last: the system's macros would replace the engine's names in the headers above.
#include "qzd3d9native.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t WIDTH = 64, HEIGHT = 48;
constexpr uint32_t BLACK = 0xFF000000, RED = 0xFFFF0000, GREEN = 0xFF00FF00, BLUE = 0xFF0000FF;

struct Vertex {
    float x, y, z, rhw;
    uint32_t diffuse;
    float u, v;
};
constexpr uint32_t FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct Pixels {
    uint32_t width = 0, height = 0;
    std::vector<uint32_t> xrgb;
    // The alpha byte of an X8R8G8B8 target means nothing.
    uint32_t operator()(uint32_t x, uint32_t y) const { return xrgb[y * width + x] & 0xFFFFFF; }
};

::testing::AssertionResult Near(uint32_t got, int r, int g, int b) {
    auto within = [got](int shift, int expected) {
        return std::abs(static_cast<int>(got >> shift & 0xFF) - expected) <= 1;
    };
    if (within(16, r) && within(8, g) && within(0, b))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got (" << (got >> 16 & 0xFF) << ", " << (got >> 8 & 0xFF) << ", " << (got & 0xFF)
           << "), expected (" << r << ", " << g << ", " << b << ")";
}

// Wine draws lines as OpenGL does, without their last pixel, whatever D3DRS_LASTPIXEL says.
bool LastPixelsOfLinesDrawn() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr;
}

// A quad of screen-space pixels left..right-1, top..bottom-1, as a strip.
void Quad(Vertex out[4], float left, float top, float right, float bottom, uint32_t colour) {
    out[0] = {left, top, 0.5f, 1.0f, colour, 0.0f, 0.0f};
    out[1] = {right, top, 0.5f, 1.0f, colour, 1.0f, 0.0f};
    out[2] = {left, bottom, 0.5f, 1.0f, colour, 0.0f, 1.0f};
    out[3] = {right, bottom, 0.5f, 1.0f, colour, 1.0f, 1.0f};
}

// Copies a render target of the back buffer's format into a system-memory texture of its size and reads that.
Pixels ReadSurface(qzRenderDevice* device, qzRenderSurface* target, uint32_t width, uint32_t height) {
    Pixels pixels;
    qzRenderTexture* copy = nullptr;
    qzRenderSurface* level = nullptr;
    EXPECT_EQ(device->CreateTexture(width, height, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy), D3D_OK);
    if (copy == nullptr)
        return pixels;
    EXPECT_EQ(copy->GetSurfaceLevel(0, &level), D3D_OK);
    D3DLOCKED_RECT locked;
    if (level != nullptr && device->GetRenderTargetData(target, level) == D3D_OK &&
        copy->LockRect(0, &locked, nullptr, D3DLOCK_READONLY) == D3D_OK) {
        pixels.width = width;
        pixels.height = height;
        pixels.xrgb.resize(static_cast<size_t>(width) * height);
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(&pixels.xrgb[y * width], static_cast<const char*>(locked.pBits) + y * locked.Pitch,
                        width * 4);
        EXPECT_EQ(copy->UnlockRect(0), D3D_OK);
    }
    if (level != nullptr)
        level->Release();
    copy->Release();
    return pixels;
}

class D3D9Device : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA windowclass{};
        windowclass.lpfnWndProc = DefWindowProcA;
        windowclass.hInstance = GetModuleHandleA(nullptr);
        windowclass.lpszClassName = "d3d9_tests";
        RegisterClassA(&windowclass); // fails harmlessly when an earlier test registered it
        window = CreateWindowExA(0, "d3d9_tests", "d3d9_tests", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150,
                                 nullptr, nullptr, windowclass.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        parameters = Parameters(WIDTH, HEIGHT);
        HRESULT result = api.CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Handle(),
                                          D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device);
        if (FAILED(result))
            result = api.CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Handle(),
                                      D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device);
        ASSERT_EQ(result, D3D_OK);
        ASSERT_NE(device, nullptr);
        ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
        ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
        ASSERT_EQ(device->SetFVF(FVF), D3D_OK);
    }
    void TearDown() override {
        if (device != nullptr) {
            EXPECT_EQ(device->Release(), 0u);
        }
        if (window != nullptr)
            DestroyWindow(window);
    }

    qzWindowHandle Handle() const { return reinterpret_cast<qzWindowHandle>(window); }
    D3DPRESENT_PARAMETERS Parameters(uint32_t width, uint32_t height) const {
        D3DPRESENT_PARAMETERS wanted;
        wanted.BackBufferWidth = width;
        wanted.BackBufferHeight = height;
        wanted.BackBufferFormat = D3DFMT_X8R8G8B8;
        wanted.BackBufferCount = 1;
        wanted.SwapEffect = D3DSWAPEFFECT_DISCARD;
        wanted.hDeviceWindow = Handle();
        wanted.Windowed = true;
        wanted.EnableAutoDepthStencil = true;
        wanted.AutoDepthStencilFormat = D3DFMT_D16;
        wanted.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        return wanted;
    }

    Pixels ReadBackBuffer() {
        qzRenderSurface* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        if (back == nullptr)
            return {};
        Pixels pixels = ReadSurface(device, back, parameters.BackBufferWidth, parameters.BackBufferHeight);
        back->Release();
        return pixels;
    }

    // Draws vertices from a fresh managed vertex buffer.
    void Draw(const Vertex* vertices, uint32_t count, D3DPRIMITIVETYPE type, uint32_t primitives) {
        qzRenderVertexBuffer* buffer = nullptr;
        ASSERT_EQ(device->CreateVertexBuffer(count * sizeof(Vertex), D3DUSAGE_WRITEONLY, FVF, D3DPOOL_MANAGED,
                                             &buffer),
                  D3D_OK);
        void* data = nullptr;
        ASSERT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, vertices, count * sizeof(Vertex));
        ASSERT_EQ(buffer->Unlock(), D3D_OK);
        EXPECT_EQ(device->SetStreamSource(0, buffer, 0, sizeof(Vertex)), D3D_OK);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(device->DrawPrimitive(type, 0, primitives), D3D_OK);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        EXPECT_EQ(device->SetStreamSource(0, nullptr, 0, 0), D3D_OK);
        buffer->Release();
    }
    void DrawQuad(float left, float top, float right, float bottom, uint32_t colour) {
        Vertex quad[4];
        Quad(quad, left, top, right, bottom, colour);
        Draw(quad, 4, D3DPT_TRIANGLESTRIP, 2);
    }

    qzD3D9RenderApi api;
    HWND window = nullptr;
    D3DPRESENT_PARAMETERS parameters;
    qzRenderDevice* device = nullptr;
};

TEST_F(D3D9Device, CreationAnswersAsTheInterfaceSays) {
    EXPECT_EQ(parameters.BackBufferWidth, WIDTH);
    EXPECT_EQ(parameters.BackBufferHeight, HEIGHT);
    EXPECT_EQ(parameters.hDeviceWindow, Handle());
    EXPECT_TRUE(parameters.Windowed);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);

    uint32_t levels = 0;
    EXPECT_EQ(api.CheckDeviceMultiSampleType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, true,
                                             D3DMULTISAMPLE_NONE, &levels),
              D3D_OK);
    EXPECT_GE(levels, 1u);

    // Failures come back as Direct3D's codes, with the out-pointer cleared.
    EXPECT_EQ(api.CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Handle(), 0, &parameters, nullptr),
              D3DERR_INVALIDCALL);
    auto* stale = reinterpret_cast<qzRenderDevice*>(&parameters);
    EXPECT_EQ(api.CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, Handle(), 0, nullptr, &stale),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(stale, nullptr);
    qzRenderTexture* texture = reinterpret_cast<qzRenderTexture*>(&parameters);
    EXPECT_EQ(device->CreateTexture(0, 0, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);

    // A zero size is the window's client area, written back into the caller's parameters.
    D3DPRESENT_PARAMETERS window = Parameters(0, 0);
    ASSERT_EQ(device->Reset(&window), D3D_OK);
    EXPECT_EQ(window.BackBufferWidth, 200u);
    EXPECT_EQ(window.BackBufferHeight, 150u);
    EXPECT_EQ(window.hDeviceWindow, Handle());
    EXPECT_TRUE(window.EnableAutoDepthStencil);
}

TEST_F(D3D9Device, IndexedDrawPicksVerticesFromTheBaseVertex) {
    ASSERT_EQ(device->Clear(D3DCLEAR_TARGET, BLUE, 1.0f, 0), D3D_OK);
    // Vertices 0..3 are a decoy; the indices 0..3 from base 4 name the green quad.
    Vertex vertices[8];
    Quad(vertices, 0, 0, 64, 48, RED);
    Quad(vertices + 4, 8, 8, 16, 24, GREEN);
    qzRenderVertexBuffer* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(sizeof vertices, 0, FVF, D3DPOOL_DEFAULT, &buffer), D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
    std::memcpy(data, vertices, sizeof vertices);
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
    qzRenderIndexBuffer* indices = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices), D3D_OK);
    const uint16_t list[6] = {0, 1, 2, 2, 1, 3};
    ASSERT_EQ(indices->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, list, sizeof list);
    ASSERT_EQ(indices->Unlock(), D3D_OK);

    EXPECT_EQ(device->SetStreamSource(0, buffer, 0, sizeof(Vertex)), D3D_OK);
    EXPECT_EQ(device->SetIndices(indices), D3D_OK);
    uint64_t vertexcount = api.vertices;
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(api.vertices, vertexcount + 6);
    EXPECT_EQ(device->SetIndices(nullptr), D3D_OK);
    EXPECT_EQ(device->SetStreamSource(0, nullptr, 0, 0), D3D_OK);
    EXPECT_EQ(indices->Release(), 0u);
    EXPECT_EQ(buffer->Release(), 0u);

    Pixels drawn = ReadBackBuffer();
    ASSERT_EQ(drawn.width, WIDTH);
    EXPECT_TRUE(Near(drawn(8, 8), 0, 255, 0));
    EXPECT_TRUE(Near(drawn(15, 23), 0, 255, 0));
    EXPECT_TRUE(Near(drawn(16, 8), 0, 0, 255));
    EXPECT_TRUE(Near(drawn(40, 40), 0, 0, 255));
}

// A no-overwrite lock writes where it is told and leaves the rest; a discarding lock leaves the draws made
// before it their old vertices.
TEST_F(D3D9Device, NoOverwriteLocksAppendAndDiscardingLocksKeepEarlierDraws) {
    qzRenderVertexBuffer* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(8 * sizeof(Vertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, FVF,
                                         D3DPOOL_DEFAULT, &buffer),
              D3D_OK);
    auto write = [&](uint32_t first, uint32_t flags, float left, float right, uint32_t colour) {
        void* data = nullptr;
        ASSERT_EQ(buffer->Lock(first * sizeof(Vertex), 4 * sizeof(Vertex), &data, flags), D3D_OK);
        Quad(static_cast<Vertex*>(data), left, 0, right, 48, colour);
        ASSERT_EQ(buffer->Unlock(), D3D_OK);
    };
    ASSERT_EQ(device->Clear(D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->SetStreamSource(0, buffer, 0, sizeof(Vertex)), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    write(0, D3DLOCK_DISCARD, 0, 16, RED);
    write(4, D3DLOCK_NOOVERWRITE, 16, 32, GREEN);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4, 2), D3D_OK);
    write(0, D3DLOCK_DISCARD, 32, 48, BLUE);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->SetStreamSource(0, nullptr, 0, 0), D3D_OK);
    EXPECT_EQ(buffer->Release(), 0u);

    Pixels drawn = ReadBackBuffer();
    ASSERT_EQ(drawn.width, WIDTH);
    for (uint32_t x = 0; x < WIDTH; ++x) {
        uint32_t expected = x < 16 ? RED : x < 32 ? GREEN : x < 48 ? BLUE : 0;
        ASSERT_EQ(drawn(x, 20), expected & 0xFFFFFF) << x;
    }
}

// The engine's own device, queues, textures and lights on top of this api and the Win32 window platform:
// what they draw is what Direct3D 9 draws for the same calls.
struct D3D9EngineDevice : ::testing::Test {
    static void SetUpTestSuite() {
        platform = new qzWin32Platform;
        api = new qzD3D9RenderApi;
        qzSetRenderApi(api);
    }
    static void TearDownTestSuite() {
        qzSetRenderApi(nullptr);
        delete api;
        delete platform;
    }
    static qzWin32Platform* platform;
    static qzD3D9RenderApi* api;

    qzMain main{0};
    qzWindow window;
    qzDevice device;
    qzVertexQueue<qzVertex2D> queue;

    // A window with a device whose back buffer has the given size.
    void Open(uint32_t width, uint32_t height, bool depth = false) {
        window.Create(&main, "d3d9 test", 2, 0, 0, 64, 64, 64, 64, nullptr);
        window.Show(false);
        device.Create(&window, false);
        device.SetSize(width, height);
        device.SetBufferOptions(depth, false, false);
        ASSERT_TRUE(device.Restore());
        queue.Create(&device, 10000);
        Begin();
    }
    void TearDown() override {
        api->loseevery = 0;
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
    // The end of a frame and its present; true when the device is still usable.
    bool EndAndPresent() {
        device.EndScene();
        device.SetDrawCallback<&D3D9EngineDevice::DrawNothing>(this);
        device.Present();
        return !device.IsLost();
    }
    void DrawNothing() {}

    // Pixels left..right-1 by top..bottom-1: Direct3D's pixel centres lie at integer coordinates.
    void Quad(float left, float top, float right, float bottom, uint32_t color, float z = 0.0f) {
        qzVertex2D* v = queue.Enqueue(D3DPT_TRIANGLELIST, 6);
        const float xs[6] = {left, right, left, right, right, left};
        const float ys[6] = {top, top, bottom, top, bottom, bottom};
        for (int i = 0; i < 6; ++i) {
            float u = xs[i] == left ? 0.0f : 1.0f, w = ys[i] == top ? 0.0f : 1.0f;
            v[i] = qzVertex2D{xs[i] - 0.5f, ys[i] - 0.5f, z, 1.0f, color, 0, u, w};
        }
    }
    // The whole texture, point sampled, over the rectangle.
    void TexturedQuad(qzTexture& texture, float left, float top, float right, float bottom) {
        device.SetTextureStageModulate(0);
        device.SetSampler(0, D3DTEXF_POINT, D3DTEXF_POINT, false);
        texture.SetTexture(0);
        Quad(left, top, right, bottom, 0xFFFFFFFF);
        queue.Flush();
        device.DisableTextureStage(0);
    }

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
            ASSERT_EQ(pixels(left + i % 4, top + i / 4), Gradient(i % 4, i / 4) & 0xFFFFFF) << i;
        ASSERT_EQ(pixels(left - 1, top), 0u);
    }

    Pixels ReadBack() {
        queue.Flush();
        qzRenderSurface* back = nullptr;
        EXPECT_EQ(device.GetD3DDevice()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        if (back == nullptr)
            return {};
        Pixels pixels = ReadSurface(device.GetD3DDevice(), back, device.GetWidth(), device.GetHeight());
        back->Release();
        return pixels;
    }

    // Every pixel is what expected(x, y) says.
    template <typename Expected> void ExpectPixels(const Pixels& pixels, Expected expected) {
        ASSERT_GT(pixels.width, 0u);
        int wrong = 0;
        for (uint32_t y = 0; y < pixels.height; ++y)
            for (uint32_t x = 0; x < pixels.width; ++x)
                if (pixels(x, y) != (expected(x, y) & 0xFFFFFF) && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << " is 0x" << std::hex << pixels(x, y);
        EXPECT_EQ(wrong, 0);
    }
    // The pixels of the rectangle are colour, every other pixel is background.
    void ExpectRectangle(const Pixels& pixels, uint32_t left, uint32_t top, uint32_t right, uint32_t bottom,
                         uint32_t color, uint32_t background) {
        ExpectPixels(pixels, [&](uint32_t x, uint32_t y) {
            return x >= left && x < right && y >= top && y < bottom ? color : background;
        });
    }
};
qzWin32Platform* D3D9EngineDevice::platform = nullptr;
qzD3D9RenderApi* D3D9EngineDevice::api = nullptr;

TEST_F(D3D9EngineDevice, QuadsAndLinesCoverExactlyTheirPixelsAndTheScissorClips) {
    Open(64, 48);
    device.Clear(true, BLACK, false, 1.0f);
    Quad(10, 20, 30, 25, RED);
    ExpectRectangle(ReadBack(), 10, 20, 30, 25, RED, BLACK);

    // The scissor rectangle cuts drawing and clearing; right and bottom are exclusive.
    device.Clear(true, BLACK, false, 1.0f);
    device.SetScissor(5, 6, 10, 4);
    device.Clear(true, BLUE, false, 1.0f);
    Quad(0, 0, 64, 48, GREEN);
    queue.Flush();
    device.DisableScissor();
    ExpectRectangle(ReadBack(), 5, 6, 15, 10, GREEN, BLACK);

    // A line lands on the pixels from its first end to its last, that one included.
    device.Clear(true, BLACK, false, 1.0f);
    device.SetLastPixel(true);
    qzVertex2D* v = queue.Enqueue(D3DPT_LINELIST, 2);
    v[0] = qzVertex2D{3, 7, 0, 1, RED, 0, 0, 0};
    v[1] = qzVertex2D{12, 7, 0, 1, RED, 0, 0, 0};
    ExpectRectangle(ReadBack(), 3, 7, LastPixelsOfLinesDrawn() ? 13 : 12, 8, RED, BLACK);

    // A closed frame as a strip: every edge pixel of the rectangle, nothing inside or outside.
    device.Clear(true, BLACK, false, 1.0f);
    const float corners[5][2] = {{4, 4}, {20, 4}, {20, 12}, {4, 12}, {4, 4}};
    v = queue.Enqueue(D3DPT_LINESTRIP, 5);
    for (int i = 0; i < 5; ++i)
        v[i] = qzVertex2D{corners[i][0], corners[i][1], 0, 1, GREEN, 0, 0, 0};
    Pixels frame = ReadBack();
    for (uint32_t y = 0; y < frame.height; ++y)
        for (uint32_t x = 0; x < frame.width; ++x) {
            bool edge =
                (x >= 4 && x <= 20 && (y == 4 || y == 12)) || (y >= 4 && y <= 12 && (x == 4 || x == 20));
            bool corner = (x == 4 || x == 20) && (y == 4 || y == 12);
            if (!corner || LastPixelsOfLinesDrawn())
                ASSERT_EQ(frame(x, y), (edge ? GREEN : BLACK) & 0xFFFFFF) << x << "," << y;
            else
                ASSERT_TRUE(frame(x, y) == (GREEN & 0xFFFFFF) || frame(x, y) == 0) << x << "," << y;
        }
}

TEST_F(D3D9EngineDevice, BlendingAndTheDepthTestAndCullingFollowTheirStates) {
    Open(32, 32, true);
    // Premultiplied: source plus destination times one minus source alpha.
    device.Clear(true, 0xFFC86432, true, 1.0f);
    device.SetBlend(D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA);
    Quad(0, 0, 8, 16, 0x80400010);
    queue.Flush();
    // Reverse subtraction: destination minus source.
    device.SetBlend(D3DBLENDOP_REVSUBTRACT, D3DBLEND_ONE, D3DBLEND_ONE);
    Quad(8, 0, 16, 16, 0xFF101010);
    Pixels pixels = ReadBack();
    double keep = 1.0 - 128 / 255.0;
    EXPECT_TRUE(Near(pixels(3, 3), static_cast<int>(0x40 + 200 * keep + 0.5),
                     static_cast<int>(100 * keep + 0.5), static_cast<int>(0x10 + 50 * keep + 0.5)));
    EXPECT_TRUE(Near(pixels(12, 3), 200 - 16, 100 - 16, 50 - 16));
    EXPECT_TRUE(Near(pixels(20, 3), 200, 100, 50));

    device.SetBlend(D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ZERO);
    device.Clear(true, BLACK, true, 1.0f);
    device.SetDepth(true, true);
    Quad(0, 0, 16, 16, RED, 0.2f);
    Quad(8, 0, 24, 16, GREEN, 0.8f);
    Quad(12, 0, 14, 16, BLUE, 0.1f);
    pixels = ReadBack();
    EXPECT_EQ(pixels(10, 5), RED & 0xFFFFFF);
    EXPECT_EQ(pixels(13, 5), BLUE & 0xFFFFFF);
    EXPECT_EQ(pixels(20, 5), GREEN & 0xFFFFFF);

    // With the test on and writing off, the nearer quad is drawn and leaves the depth as it was.
    device.SetDepth(true, false);
    Quad(0, 0, 4, 16, BLUE, 0.05f);
    Quad(0, 0, 4, 16, GREEN, 0.1f);
    EXPECT_EQ(ReadBack()(2, 5), GREEN & 0xFFFFFF);

    device.SetDepth(false, false);
    device.Clear(true, BLACK, true, 1.0f);
    device.SetCullMode(D3DCULL_CCW);
    // The green triangle is clockwise on the screen (y grows downwards) and drawn, the red one is culled.
    qzVertex2D* v = queue.Enqueue(D3DPT_TRIANGLELIST, 6);
    const float corners[6][2] = {{1, 20}, {11, 20}, {1, 30}, {17, 20}, {17, 30}, {27, 20}};
    for (int i = 0; i < 6; ++i)
        v[i] = {corners[i][0], corners[i][1], 0, 1, i < 3 ? GREEN : RED, 0, 0, 0};
    pixels = ReadBack();
    EXPECT_EQ(pixels(3, 22), GREEN & 0xFFFFFF);
    EXPECT_EQ(pixels(19, 22), 0u);
}

// A material lit by one directional light, then the states of the program's 3D views: ambient grey, colours
// from the vertices, no material, two opposite lights, specular on with power zero.
TEST_F(D3D9EngineDevice, DirectionalLightingFollowsTheFixedFunctionFormula) {
    Open(32, 32, true);
    device.SetLighting(true);
    device.SetWorld(qzMatrix::Identity());
    device.SetView(qzMatrix::Identity());
    device.SetProjection(qzMatrix::Identity(), 0, 0, 1, 1); // world-space vertices straight in clip space
    qzLight lights[2];
    auto light = [&](qzLight& light, float strength, float z, float specular = 0) {
        light.Create(&device);
        light.SetType(D3DLIGHT_DIRECTIONAL);
        light.SetColors(0, 0, 0, strength, strength, strength, specular, specular, specular);
        light.SetDirection(0, 0, z);
        light.Apply();
        light.Enable(true);
    };
    qzVertexQueue<qzVertex3D> solid;
    solid.Create(&device, 1000);
    // A triangle with its top-left corner at (x0, 1).
    auto triangle = [&](float x0, float width, float ny, float nz, uint32_t colour) {
        qzVertex3D* v = solid.Enqueue(D3DPT_TRIANGLELIST, 3);
        const float xs[3] = {x0, x0 + width, x0}, ys[3] = {1, 1, -1};
        for (int i = 0; i < 3; ++i)
            v[i] = qzVertex3D{xs[i], ys[i], 0.5f, 0, ny, nz, colour, 0, 0, 0};
        solid.Flush();
    };
    auto level = [](double fraction) { return static_cast<int>(fraction * 255 + 0.5); };

    device.Clear(true, BLACK, true, 1.0f);
    device.SetAmbient(0x00404040);
    device.SetMaterialSources(D3DMCS_MATERIAL, D3DMCS_MATERIAL, D3DMCS_MATERIAL, D3DMCS_MATERIAL);
    device.SetMaterial(0.2f, 0.2f, 0.2f, 0.5f, 0.25f, 1.0f, 0, 0, 0, 0, 0, 0, 1.0f, 1.0f);
    light(lights[0], 1, 1);
    // The left triangle faces the light, the right one is turned so that N.L is 0.6.
    triangle(-1, 1, 0, -1, 0);
    triangle(0, 1, 0.8f, -0.6f, 0);
    Pixels pixels = ReadBack();
    const double ambient = 0.2 * 0x40 / 255.0;
    EXPECT_TRUE(Near(pixels(3, 4), level(ambient + 0.5), level(ambient + 0.25), 255));
    EXPECT_TRUE(Near(pixels(19, 4), level(ambient + 0.3), level(ambient + 0.15), level(ambient + 0.6)));

    lights[0].Destroy();
    device.Clear(true, BLACK, true, 1.0f);
    device.SetAmbient(0xffb3b3b3);
    device.SetMaterialSources(D3DMCS_COLOR1, D3DMCS_COLOR1, D3DMCS_MATERIAL, D3DMCS_MATERIAL);
    device.SetMaterial(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0);
    light(lights[0], 0.3f, 1);
    light(lights[1], 0.3f, -1);
    triangle(-1, 2, 0, -1, 0xff78a0dc); // 120, 160, 220
    // ambient 179/255 and one light at full strength: 0.702 + 0.3 of each channel
    const double k = 179 / 255.0 + 0.3;
    EXPECT_TRUE(Near(ReadBack()(3, 4), level(120 * k / 255), level(160 * k / 255), level(220 * k / 255)));

    // A specular material adds its colour where the light's half vector meets the face (power zero: fully).
    for (qzLight& each : lights)
        each.Destroy();
    device.Clear(true, BLACK, true, 1.0f);
    device.SetMaterial(0, 0, 0, 0, 0, 0, 0.2f, 0.2f, 0.2f, 0, 0, 0, 1, 0);
    light(lights[0], 0.3f, 1, 1);
    triangle(-1, 2, 0, -1, 0xff78a0dc);
    EXPECT_TRUE(Near(ReadBack()(3, 4), level(120 * k / 255 + 0.2), level(160 * k / 255 + 0.2), 255));
    solid.Destroy();
}

TEST_F(D3D9EngineDevice, RenderTargetTextureCompositesPixelForPixel) {
    Open(64, 64);
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

// The program's cycle: a present loses the device, the next one finds it lost, the owner destroys its
// default-pool resources, restores the device (lost once, then reset) and makes them again. Managed textures
// and buffers come through untouched and render targets are destroyed; sizes change between resets. No
// surface reference may be left behind, or a reset would refuse.
TEST_F(D3D9EngineDevice, LostDevicesAndResizesKeepManagedResourcesAndDrawingGoesOn) {
    Open(64, 64);
    qzTexture gradient, target;
    MakeGradient(gradient);
    target.Create(&device, 16, 16, false, true);
    qzVertexBufferInternal corners;
    corners.Create(&device, 4, qzVertex2D::FVF, sizeof(qzVertex2D), true, false, false);
    auto* corner = reinterpret_cast<qzVertex2D*>(corners._Lock(QZLOCKTYPE_NORMAL, 0, 0));
    corner[0] = {4.5f, 5.5f, 0, 1, GREEN, 0, 0, 0};
    corner[1] = {19.5f, 5.5f, 0, 1, GREEN, 0, 0, 0};
    corner[2] = {4.5f, 24.5f, 0, 1, GREEN, 0, 0, 0};
    corner[3] = {19.5f, 24.5f, 0, 1, GREEN, 0, 0, 0};
    corners.Unlock();
    qzIndexBuffer indices;
    indices.Create(&device, 6, true, false, false);
    const uint32_t quad[6] = {0, 1, 2, 1, 3, 2};
    std::memcpy(indices.Lock(QZLOCKTYPE_NORMAL, 0, 0), quad, sizeof quad);
    indices.Unlock();

    api->loseevery = 3;
    int losses = 0;
    for (uint32_t round = 0; round < 24; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        const uint32_t width = device.GetWidth(), height = device.GetHeight();
        device.Clear(true, BLACK, false, 1.0f);
        TexturedQuad(gradient, static_cast<float>(width - 4), static_cast<float>(height - 4),
                     static_cast<float>(width), static_cast<float>(height));
        corners.DrawIndexed(D3DPT_TRIANGLELIST, indices, 0, 6, 4, qzVertex2D::FVF, sizeof(qzVertex2D));
        Pixels pixels = ReadBack();
        ASSERT_EQ(pixels.width, width);
        ASSERT_EQ(pixels.height, height);
        ExpectGradient(pixels, width - 4, height - 4);
        EXPECT_EQ(pixels(5, 6), GREEN & 0xFFFFFF);
        EXPECT_EQ(pixels(19, 24), GREEN & 0xFFFFFF);
        EXPECT_EQ(pixels(20, 24), 0u);

        ASSERT_TRUE(EndAndPresent());
        queue.Destroy();
        if (api->presents % 3 == 0) {
            // The loss shows at the next present, and the device stays lost for one restore.
            device.Present();
            ASSERT_TRUE(device.IsLost());
            EXPECT_FALSE(device.Restore());
            ++losses;
        }
        device.SetSize(40 + round * 37 % 200, 30 + round * 53 % 150);
        ASSERT_TRUE(device.Restore());
        EXPECT_TRUE(gradient.Exists());
        EXPECT_TRUE(indices.Exists());
        EXPECT_TRUE(corners.Exists());
        ASSERT_FALSE(target.Exists());
        target.Create(&device, 16, 16, false, true);
        queue.Create(&device, 10000);
        Begin();
    }
    EXPECT_EQ(losses, 8);
}

} // namespace

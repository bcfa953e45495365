// The Direct3D 9 backend on Wine's Direct3D: a device on a plain window draws, and what it draws is read
// back through the interface itself (back buffer to a system-memory texture) and compared pixel by pixel.
#include "qzd3d9renderapi.h"
// after the engine's headers, whose names the system's macros would replace
#include "qzd3d9native.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t WIDTH = 64, HEIGHT = 48;
constexpr uint32_t RED = 0xFFFF0000, GREEN = 0xFF00FF00, BLUE = 0xFF0000FF, WHITE = 0xFFFFFFFF;

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
           << std::hex << "got 0x" << got << std::dec << ", expected (" << r << ", " << g << ", " << b << ")";
}

// A quad of screen-space pixels left..right-1, top..bottom-1, as a strip.
void Quad(Vertex out[4], float left, float top, float right, float bottom, uint32_t colour) {
    out[0] = {left, top, 0.5f, 1.0f, colour, 0.0f, 0.0f};
    out[1] = {right, top, 0.5f, 1.0f, colour, 1.0f, 0.0f};
    out[2] = {left, bottom, 0.5f, 1.0f, colour, 0.0f, 1.0f};
    out[3] = {right, bottom, 0.5f, 1.0f, colour, 1.0f, 1.0f};
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

    // Copies a render target into a system-memory texture of its size and reads that.
    Pixels ReadBack(qzRenderSurface* target, uint32_t width, uint32_t height) {
        Pixels pixels;
        qzRenderTexture* copy = nullptr;
        qzRenderSurface* level = nullptr;
        EXPECT_EQ(device->CreateTexture(width, height, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &copy),
                  D3D_OK);
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
                std::memcpy(&pixels.xrgb[y * width],
                            static_cast<const char*>(locked.pBits) + y * locked.Pitch, width * 4);
            EXPECT_EQ(copy->UnlockRect(0), D3D_OK);
        }
        if (level != nullptr)
            level->Release();
        copy->Release();
        return pixels;
    }
    Pixels ReadBackBuffer() {
        qzRenderSurface* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        if (back == nullptr)
            return {};
        Pixels pixels = ReadBack(back, parameters.BackBufferWidth, parameters.BackBufferHeight);
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

TEST_F(D3D9Device, ClearAndScreenSpaceQuadCoverExactlyTheirPixels) {
    ASSERT_EQ(device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, BLUE, 1.0f, 0), D3D_OK);
    Pixels cleared = ReadBackBuffer();
    ASSERT_EQ(cleared.width, WIDTH);
    for (uint32_t y = 0; y < HEIGHT; y += 7)
        for (uint32_t x = 0; x < WIDTH; x += 5)
            ASSERT_TRUE(Near(cleared(x, y), 0, 0, 255)) << x << "," << y;

    uint64_t drawcalls = api.drawcalls, vertices = api.vertices;
    // Pixel centres lie at integer coordinates: corners 10,5 and 30,25 cover pixels 10..29 by 5..24.
    DrawQuad(10, 5, 30, 25, RED);
    EXPECT_EQ(api.drawcalls, drawcalls + 1);
    EXPECT_EQ(api.vertices, vertices + 4);
    Pixels drawn = ReadBackBuffer();
    ASSERT_EQ(drawn.width, WIDTH);
    for (uint32_t y = 0; y < HEIGHT; ++y)
        for (uint32_t x = 0; x < WIDTH; ++x) {
            bool inside = x >= 10 && x < 30 && y >= 5 && y < 25;
            ASSERT_TRUE(inside ? Near(drawn(x, y), 255, 0, 0) : Near(drawn(x, y), 0, 0, 255))
                << x << "," << y;
        }
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

TEST_F(D3D9Device, RenderTargetTextureAndSurfaceLifetimes) {
    qzRenderTexture* target = nullptr;
    ASSERT_EQ(
        device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &target),
        D3D_OK);
    qzRenderSurface* surface = nullptr;
    ASSERT_EQ(target->GetSurfaceLevel(0, &surface), D3D_OK);
    // The surface keeps its texture alive after the texture's own reference is given back.
    EXPECT_EQ(target->Release(), 0u);
    ASSERT_EQ(device->SetRenderTarget(0, surface), D3D_OK);
    ASSERT_EQ(device->Clear(D3DCLEAR_TARGET, GREEN, 1.0f, 0), D3D_OK);
    DrawQuad(4, 4, 8, 8, RED);
    Pixels drawn = ReadBack(surface, 16, 16);
    ASSERT_EQ(drawn.width, 16u);
    EXPECT_TRUE(Near(drawn(0, 0), 0, 255, 0));
    EXPECT_TRUE(Near(drawn(4, 4), 255, 0, 0));
    EXPECT_TRUE(Near(drawn(8, 8), 0, 255, 0));

    qzRenderSurface* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    EXPECT_EQ(back->AddRef(), 2u);
    EXPECT_EQ(back->Release(), 1u);
    EXPECT_EQ(device->SetRenderTarget(0, back), D3D_OK);
    EXPECT_EQ(back->Release(), 0u);
    // The texture's memory goes only now; a reset then has no default-pool resource in its way.
    EXPECT_EQ(surface->Release(), 0u);
    D3DPRESENT_PARAMETERS again = Parameters(WIDTH, HEIGHT);
    EXPECT_EQ(device->Reset(&again), D3D_OK);
}

TEST_F(D3D9Device, ResetToANewSizeKeepsManagedResources) {
    qzRenderTexture* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    std::memcpy(locked.pBits, &GREEN, 4);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);

    // A default-pool resource still alive blocks the reset.
    qzRenderVertexBuffer* dynamic = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(256, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, FVF, D3DPOOL_DEFAULT,
                                         &dynamic),
              D3D_OK);
    D3DPRESENT_PARAMETERS bigger = Parameters(80, 60);
    EXPECT_EQ(device->Reset(&bigger), D3DERR_INVALIDCALL);
    EXPECT_EQ(dynamic->Release(), 0u);
    ASSERT_EQ(device->Reset(&bigger), D3D_OK);
    parameters = bigger;
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);

    // A reset puts the render states back to their defaults.
    EXPECT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    EXPECT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    EXPECT_EQ(device->SetFVF(FVF), D3D_OK);
    ASSERT_EQ(device->Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, BLUE, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->SetTexture(0, texture), D3D_OK);
    EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
    DrawQuad(70, 50, 80, 60, WHITE);
    EXPECT_EQ(device->SetTexture(0, nullptr), D3D_OK);
    texture->Release();
    Pixels drawn = ReadBackBuffer();
    ASSERT_EQ(drawn.width, 80u);
    EXPECT_TRUE(Near(drawn(75, 55), 0, 255, 0));
    EXPECT_TRUE(Near(drawn(69, 49), 0, 0, 255));
    EXPECT_EQ(device->Present(), D3D_OK);
}

TEST_F(D3D9Device, LoseEveryPlaysALostDeviceUntilReset) {
    api.loseevery = 2;
    uint64_t presents = api.presents;
    ASSERT_EQ(device->Clear(D3DCLEAR_TARGET, BLUE, 1.0f, 0), D3D_OK);
    EXPECT_EQ(device->Present(), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Present(), D3D_OK); // the second present loses the device after it
    EXPECT_EQ(api.presents, presents + 2);
    EXPECT_EQ(device->Present(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(api.presents, presents + 2);
    // Draws while lost succeed and count nothing, so the next frame's log holds only its own work.
    uint64_t drawcalls = api.drawcalls;
    DrawQuad(0, 0, 8, 8, RED);
    EXPECT_EQ(api.drawcalls, drawcalls);

    // The reset is the real one: it still refuses while a default-pool resource lives.
    qzRenderIndexBuffer* indices = nullptr;
    ASSERT_EQ(device->CreateIndexBuffer(64, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &indices), D3D_OK);
    D3DPRESENT_PARAMETERS again = Parameters(WIDTH, HEIGHT);
    EXPECT_EQ(device->Reset(&again), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    indices->Release();
    EXPECT_EQ(device->Reset(&again), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    api.loseevery = 0;
    EXPECT_EQ(device->Present(), D3D_OK);
}

} // namespace

// The OpenGL device on a real display, through the engine's own device, queues and textures: what is drawn
// is read back pixel by pixel and compared with what Direct3D would have drawn.
#include "devicedrawing.h"
#include "qzglrenderapi.h"
#include "qzindexbuffer.h"
#include "qzlight.h"
#include "qzqtplatform.h"
#include "qzvertexbufferinternal.h"

#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QScreen>
#include <QSurfaceFormat>
#include <QThread>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

int argc = 1;
char name[] = "gl_tests";
char* argv[] = {name, nullptr};

struct GLDeviceTest : DeviceDrawingTest {
    // The platform stays to the end of the process: closing the display unloads the GL driver, which
    // then cannot name the allocations it keeps for good.
    static void SetUpTestSuite() {
        platform = new qzQtPlatform(argc, argv);
        api = new qzGLRenderApi(*platform);
        qzSetRenderApi(api);
    }
    static qzQtPlatform* platform;
    static qzGLRenderApi* api;

    // The device's native window, once the display shows it.
    QWindow* ExposedWindow() {
        QWindow* native = platform->PrepareOpenGLSurface(window.GetHandle(), QSurfaceFormat());
        for (int i = 0; native != nullptr && i < 100 && !native->isExposed(); ++i) {
            platform->ProcessEvents();
            QThread::msleep(10);
        }
        return native;
    }
    // The window's pixels at the points, compared with the colours (alpha ignored).
    void ExpectShown(QWindow* native, std::initializer_list<std::tuple<int, int, uint32_t>> points) {
        platform->ProcessEvents();
        QImage shown = native->screen()->grabWindow(native->winId(), 0, 0, 64, 64).toImage();
        ASSERT_EQ(shown.width(), 64);
        for (auto [x, y, colour] : points)
            EXPECT_EQ(shown.pixel(x, y) & 0xFFFFFF, colour & 0xFFFFFF) << x << "," << y;
    }
};
qzQtPlatform* GLDeviceTest::platform = nullptr;
qzGLRenderApi* GLDeviceTest::api = nullptr;

} // namespace

TEST_F(GLDeviceTest, QuadsAndLinesCoverExactlyTheirPixelsAndTheScissorClips) {
    Open(64, 48);
    ExpectQuadsScissorAndLineExact();

    // A closed frame as a strip: every edge pixel of the rectangle, nothing inside or outside.
    device.Clear(true, BLACK, false, 1.0f);
    const float corners[5][2] = {{4, 4}, {20, 4}, {20, 12}, {4, 12}, {4, 4}};
    qzVertex2D* v = queue.Enqueue(D3DPT_LINESTRIP, 5);
    for (int i = 0; i < 5; ++i)
        v[i] = qzVertex2D{corners[i][0], corners[i][1], 0, 1, GREEN, 0, 0, 0};
    ExpectPixels(ReadBack(), [](uint32_t x, uint32_t y) {
        bool edge = (x >= 4 && x <= 20 && (y == 4 || y == 12)) || (y >= 4 && y <= 12 && (x == 4 || x == 20));
        return edge ? GREEN : BLACK;
    });
}

TEST_F(GLDeviceTest, PremultipliedBlendingMatchesTheFormula) {
    Open(16, 16);
    device.Clear(true, 0xFFC86432, false, 1.0f);
    device.SetBlend(D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_INVSRCALPHA);
    Quad(0, 0, 8, 16, 0x80400010); // alpha 128, colours already multiplied by it
    Pixels pixels = ReadBack();
    double keep = 1.0 - 128 / 255.0;
    EXPECT_TRUE(Near(pixels(3, 3), static_cast<int>(0x40 + 200 * keep + 0.5),
                     static_cast<int>(100 * keep + 0.5), static_cast<int>(0x10 + 50 * keep + 0.5)));
    EXPECT_EQ(pixels(12, 3), 0xFFC86432u);
}

TEST_F(GLDeviceTest, DepthTestKeepsTheNearerAndCullingDropsCounterClockwise) {
    Open(32, 32, true);
    device.Clear(true, BLACK, true, 1.0f);
    device.SetDepth(true, true);
    Quad(0, 0, 16, 16, RED, 0.2f);
    Quad(8, 0, 24, 16, GREEN, 0.8f);
    Quad(12, 0, 14, 16, BLUE, 0.1f);
    Pixels pixels = ReadBack();
    EXPECT_EQ(pixels(10, 5), RED);
    EXPECT_EQ(pixels(13, 5), BLUE);
    EXPECT_EQ(pixels(20, 5), GREEN);

    device.SetDepth(false, false);
    device.Clear(true, BLACK, true, 1.0f);
    device.SetCullMode(D3DCULL_CCW);
    // The green triangle is clockwise on the screen (y grows downwards) and drawn, the red one is culled.
    qzVertex2D* v = queue.Enqueue(D3DPT_TRIANGLELIST, 6);
    const float corners[6][2] = {{1, 20}, {11, 20}, {1, 30}, {17, 20}, {17, 30}, {27, 20}};
    for (int i = 0; i < 6; ++i)
        v[i] = {corners[i][0], corners[i][1], 0, 1, i < 3 ? GREEN : RED, 0, 0, 0};
    pixels = ReadBack();
    EXPECT_EQ(pixels(3, 22), GREEN);
    EXPECT_EQ(pixels(19, 22), BLACK);
}

// A material lit by one directional light, then the states of the program's 3D views: ambient grey, colours
// from the vertices, no material, two opposite lights, specular on with power zero.
TEST_F(GLDeviceTest, DirectionalLightingFollowsTheFixedFunctionFormula) {
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
    const double d = 179 / 255.0 + 0.3;
    EXPECT_TRUE(Near(ReadBack()(3, 4), level(120 * d / 255 + 0.2), level(160 * d / 255 + 0.2), 255));
    solid.Destroy();
}

TEST_F(GLDeviceTest, RenderTargetTextureCompositesPixelForPixel) {
    Open(64, 64);
    ExpectRenderTargetDrawnPixelForPixel();
}

TEST_F(GLDeviceTest, WindowShowsTheTopLeftOfALargerBackBufferAndAResizeGoesOn) {
    Open(128, 96);
    QWindow* native = ExposedWindow();
    ASSERT_NE(native, nullptr);
    device.Clear(true, BLUE, false, 1.0f);
    Quad(10, 10, 11, 11, RED);
    Quad(63, 63, 64, 64, GREEN);
    queue.Flush();
    device.EndScene();
    device.SetDrawCallback<&GLDeviceTest::DrawNothing>(this);
    device.Present();
    ASSERT_FALSE(device.IsLost());
    ExpectShown(native, {{0, 0, BLUE}, {10, 10, RED}, {63, 63, GREEN}});

    // Full screen changes the window's type; the native window and its surface stay, and a new size
    // resets the device. The queue's buffer is made again and drawing goes on.
    window.SetMode(3, 0, 0, 0, 0, 0, 0);
    platform->ProcessEvents();
    EXPECT_EQ(platform->PrepareOpenGLSurface(window.GetHandle(), QSurfaceFormat()), native);
    queue.Destroy();
    device.SetSize(40, 30);
    ASSERT_TRUE(device.Restore());
    queue.Create(&device, 10000);
    Begin();
    device.Clear(true, BLUE, false, 1.0f);
    Quad(39, 29, 40, 30, RED);
    Pixels pixels = ReadBack();
    ASSERT_EQ(pixels.width, 40u);
    ExpectRectangle(pixels, 39, 29, 40, 30, RED, BLUE);
    device.EndScene();
    device.Present();
    EXPECT_FALSE(device.IsLost());
    // The window is now larger than the back buffer: the buffer sits at its top left, black beyond.
    ExpectShown(native, {{0, 0, BLUE}, {38, 28, BLUE}, {39, 29, RED}, {40, 29, BLACK}, {39, 30, BLACK}});
}

TEST_F(GLDeviceTest, AMultisampledBackBufferIsResolvedForReadingAndForTheWindow) {
    Open(64, 64, false, 2);
    QWindow* native = ExposedWindow();
    ASSERT_NE(native, nullptr);
    device.Clear(true, BLUE, false, 1.0f);
    Quad(10, 20, 30, 40, RED);
    queue.Flush();
    ExpectRectangle(ReadBack(), 10, 20, 30, 40, RED, BLUE);
    device.EndScene();
    device.SetDrawCallback<&GLDeviceTest::DrawNothing>(this);
    device.Present();
    ASSERT_FALSE(device.IsLost());
    ExpectShown(native, {{10, 20, RED}, {29, 39, RED}, {30, 40, BLUE}, {9, 19, BLUE}});
}

namespace {

// Resident memory of this process in KiB.
long ResidentKiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

TEST_F(GLDeviceTest, AContextLostInTheMiddleOfAFrameStillTakesItsVertices) {
    Open(16, 16);
    Quad(0, 0, 16, 16, RED);
    queue.Flush();
    api->LoseDevices();
    // the queue locks its buffer again for the rest of the frame, as the program's frames do
    for (int i = 0; i < 2000; ++i)
        Quad(0, 0, 8, 8, GREEN);
    EXPECT_NO_THROW(queue.Flush());
    device.EndScene();
    device.SetDrawCallback<&GLDeviceTest::DrawNothing>(this);
    device.Present();
    EXPECT_TRUE(device.IsLost());
    queue.Destroy();
    EXPECT_FALSE(device.Restore()); // lost once, then resettable
    ASSERT_TRUE(device.Restore());
    queue.Create(&device, 10000);
    Begin();
    device.Clear(true, BLACK, false, 1.0f);
    Quad(4, 4, 12, 12, GREEN);
    ExpectRectangle(ReadBack(), 4, 4, 12, 12, GREEN, BLACK);
}

TEST_F(GLDeviceTest, AStormOfResizesAndLostContextsKeepsDrawingWithoutGrowing) {
    Open(64, 64);
    qzTexture texture;
    MakeGradient(texture);
    device.SetDrawCallback<&GLDeviceTest::DrawNothing>(this);
    long before = 0;
    for (int round = 0; round < 1200; ++round) {
        if (round == 200)
            before = ResidentKiB(); // after the driver's caches have filled
        uint32_t width = 40 + static_cast<uint32_t>(round * 37 % 200),
                 height = 30 + static_cast<uint32_t>(round * 53 % 150);
        device.EndScene();
        queue.Destroy();
        if (round % 10 == 0) {
            api->LoseDevices();
            device.Present();
            ASSERT_TRUE(device.IsLost());
            EXPECT_FALSE(device.Restore());
        }
        device.SetSize(width, height);
        ASSERT_TRUE(device.Restore()) << "round " << round;
        queue.Create(&device, 10000);
        Begin();
        device.Clear(true, BLACK, false, 1.0f);
        TexturedQuad(texture, static_cast<float>(width - 4), static_cast<float>(height - 4),
                     static_cast<float>(width), static_cast<float>(height));
        if (round % 100 == 0) {
            SCOPED_TRACE(round);
            ExpectGradient(ReadBack(), width - 4, height - 4);
        }
    }
    long after = ResidentKiB();
    std::printf("resident memory over 1000 resets (100 with a lost context): %ld KiB before, %ld KiB after\n",
                before, after);
#ifndef __SANITIZE_ADDRESS__
    // The address sanitizer holds freed memory back on purpose; its leak check stands in for this.
    EXPECT_LT(after - before, 4096);
#endif
}

namespace {

// The vertices of a draw, as a static buffer of the device's own.
qzRenderVertexBuffer* StaticVertices(qzRenderDevice* d3d, const std::vector<qzVertex2D>& vertices) {
    qzRenderVertexBuffer* buffer = nullptr;
    uint32_t length = static_cast<uint32_t>(vertices.size() * sizeof(qzVertex2D));
    EXPECT_EQ(d3d->CreateVertexBuffer(length, D3DUSAGE_WRITEONLY, qzVertex2D::FVF, D3DPOOL_DEFAULT, &buffer),
              D3D_OK);
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    std::memcpy(data, vertices.data(), length);
    buffer->Unlock();
    return buffer;
}

// Indices of 16 or 32 bits, as a static buffer.
qzRenderIndexBuffer* StaticIndices(qzRenderDevice* d3d, D3DFORMAT format,
                                   const std::vector<uint32_t>& indices) {
    qzRenderIndexBuffer* buffer = nullptr;
    uint32_t size = format == D3DFMT_INDEX16 ? 2 : 4;
    EXPECT_EQ(d3d->CreateIndexBuffer(static_cast<uint32_t>(indices.size()) * size, D3DUSAGE_WRITEONLY, format,
                                     D3DPOOL_DEFAULT, &buffer),
              D3D_OK);
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    for (size_t i = 0; i < indices.size(); ++i) {
        uint16_t shortindex = static_cast<uint16_t>(indices[i]);
        std::memcpy(static_cast<uint8_t*>(data) + i * size,
                    size == 2 ? static_cast<const void*>(&shortindex) : static_cast<const void*>(&indices[i]),
                    size);
    }
    buffer->Unlock();
    return buffer;
}

} // namespace

// Random primitives over shared random corners, drawn one corner after another and then through indices of
// both sizes: the corners lie after unused vertices that a base vertex index skips, and the indices after
// unused ones out of every range. The pixels agree exactly, line ends included.
TEST_F(GLDeviceTest, IndexedDrawsCoverExactlyThePixelsOfTheSamePrimitivesUnindexed) {
    Open(64, 48);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> x(-6, 70), y(-6, 54);
    constexpr uint32_t CORNERS = 40, SKIPPEDVERTICES = 7, SKIPPEDINDICES = 5, UNUSED = 60000;
    std::vector<qzVertex2D> vertices(SKIPPEDVERTICES, qzVertex2D{0, 0, 0, 1, RED, 0, 0, 0});
    for (uint32_t i = 0; i < CORNERS; ++i)
        vertices.push_back(qzVertex2D{x(random), y(random), 0, 1,
                                      0xFF000000u | static_cast<uint32_t>(random() & 0xFFFFFF), 0, 0, 0});
    qzRenderDevice* d3d = device.GetD3DDevice();
    qzRenderVertexBuffer* stream = StaticVertices(d3d, vertices);
    const struct {
        D3DPRIMITIVETYPE type;
        bool lastpixel;
        uint32_t count;
    } cases[] = {{D3DPT_TRIANGLELIST, true, 60},
                 {D3DPT_LINELIST, true, 24},
                 {D3DPT_LINELIST, false, 24},
                 {D3DPT_LINESTRIP, false, 15},
                 {D3DPT_POINTLIST, true, 20}};
    for (const auto& c : cases) {
        std::vector<uint32_t> order(SKIPPEDINDICES, UNUSED);
        for (uint32_t i = 0; i < c.count; ++i)
            order.push_back(random() % CORNERS);
        device.SetLastPixel(c.lastpixel);
        device.Clear(true, BLACK, false, 1.0f);
        qzVertex2D* v = queue.Enqueue(c.type, c.count);
        for (uint32_t i = 0; i < c.count; ++i)
            v[i] = vertices[SKIPPEDVERTICES + order[SKIPPEDINDICES + i]];
        const Pixels unindexed = ReadBack();
        ASSERT_GE(std::count_if(unindexed.argb.begin(), unindexed.argb.end(),
                                [](uint32_t p) { return p != BLACK; }),
                  5);
        for (D3DFORMAT format : {D3DFMT_INDEX16, D3DFMT_INDEX32}) {
            SCOPED_TRACE(testing::Message() << c.type << (c.lastpixel ? " with" : " without")
                                            << " the last pixel, index format " << format);
            qzRenderIndexBuffer* indices = StaticIndices(d3d, format, order);
            device.Clear(true, BLACK, false, 1.0f);
            d3d->SetFVF(qzVertex2D::FVF);
            d3d->SetStreamSource(0, stream, 0, sizeof(qzVertex2D));
            d3d->SetIndices(indices);
            EXPECT_EQ(d3d->DrawIndexedPrimitive(c.type, SKIPPEDVERTICES, 0, CORNERS, SKIPPEDINDICES,
                                                qzVertexBufferInternal::PrimitiveCount(c.type, c.count)),
                      D3D_OK);
            ExpectPixels(ReadBack(), unindexed);
            indices->Release();
        }
    }
    stream->Release();
}

TEST_F(GLDeviceTest, AManagedIndexBufferSurvivesResetsAndDrawsTheSame) {
    Open(32, 32);
    device.SetDrawCallback<&GLDeviceTest::DrawNothing>(this);
    qzVertexBufferInternal vertices;
    qzIndexBuffer indices;
    MakeIndexedQuad(vertices, indices);
    auto draw = [&] {
        device.Clear(true, BLACK, false, 1.0f);
        DrawIndexedQuad(vertices, indices);
        ExpectRectangle(ReadBack(), 5, 6, 20, 25, GREEN);
    };
    draw();
    // A reset keeps the context; a lost one is made again, the buffers from their copies.
    for (bool lostcontext : {false, true}) {
        SCOPED_TRACE(lostcontext ? "lost context" : "reset");
        device.EndScene();
        queue.Destroy();
        if (lostcontext) {
            api->LoseDevices();
            device.Present();
            ASSERT_TRUE(device.IsLost());
            EXPECT_FALSE(device.Restore());
        }
        device.SetSize(lostcontext ? 32 : 40, 36);
        ASSERT_TRUE(device.Restore());
        ASSERT_TRUE(indices.Exists());
        queue.Create(&device, 10000);
        Begin();
        draw();
    }
}

// Sizes 1 (the default) and 3, the point in screen space at (10, 12) and in world space at (20, 7); lines
// stay one pixel wide whatever the point size.
TEST_F(GLDeviceTest, APointOfSizeNCoversTheNByNPixelsAroundItsPositionInScreenAndWorldSpace) {
    Open(32, 32);
    device.SetWorld(qzMatrix::Identity());
    device.SetView(qzMatrix::Identity());
    device.SetProjection(qzMatrix::Identity(), 0, 0, 1, 1); // world-space vertices straight in clip space
    qzVertexQueue<qzVertex3D> world;
    world.Create(&device, 100);
    for (uint32_t size : {1, 3}) {
        if (size != 1)
            device.SetPointSize(static_cast<float>(size));
        for (bool worldspace : {false, true}) {
            SCOPED_TRACE(testing::Message() << "size " << size << (worldspace ? " in world space" : ""));
            const int px = worldspace ? 20 : 10, py = worldspace ? 7 : 12;
            device.Clear(true, BLACK, false, 1.0f);
            if (worldspace) {
                // the pixel centre (px, py) in clip space
                *world.Enqueue(D3DPT_POINTLIST,
                               1) = {2.0f * px / 32 - 1, 1 - 2.0f * py / 32, 0.5f, 0, 0, 0, RED, 0, 0, 0};
                world.Flush();
            } else {
                *queue.Enqueue(D3DPT_POINTLIST,
                               1) = {static_cast<float>(px), static_cast<float>(py), 0, 1, RED, 0, 0, 0};
            }
            const int half = static_cast<int>(size) / 2;
            ExpectPixels(ReadBack(), [&](uint32_t x, uint32_t y) {
                return std::abs(static_cast<int>(x) - px) <= half &&
                               std::abs(static_cast<int>(y) - py) <= half
                           ? RED
                           : BLACK;
            });
        }
    }
    device.Clear(true, BLACK, false, 1.0f);
    device.SetLastPixel(true);
    qzVertex2D* v = queue.Enqueue(D3DPT_LINELIST, 2);
    v[0] = qzVertex2D{3, 20, 0, 1, GREEN, 0, 0, 0};
    v[1] = qzVertex2D{12, 20, 0, 1, GREEN, 0, 0, 0};
    ExpectRectangle(ReadBack(), 3, 20, 13, 21, GREEN, BLACK);
    world.Destroy();
}

// Every refused draw answers D3DERR_INVALIDCALL before GL reads anything: no pixel changes and GL reports no
// error. A sound draw of the same buffers then fills the target.
TEST_F(GLDeviceTest, IndexedDrawsBeyondTheirBuffersFailCleanly) {
    Open(16, 16);
    qzRenderDevice* d3d = device.GetD3DDevice();
    qzRenderVertexBuffer* stream = StaticVertices(d3d, {{-0.5f, -0.5f, 0, 1, GREEN, 0, 0, 0},
                                                        {15.5f, -0.5f, 0, 1, GREEN, 0, 0, 0},
                                                        {-0.5f, 15.5f, 0, 1, GREEN, 0, 0, 0},
                                                        {15.5f, 15.5f, 0, 1, GREEN, 0, 0, 0}});
    qzRenderIndexBuffer* indices = StaticIndices(d3d, D3DFMT_INDEX32, {0, 1, 2, 1, 3, 2});
    device.Clear(true, BLACK, false, 1.0f);
    d3d->SetFVF(qzVertex2D::FVF);
    d3d->SetStreamSource(0, stream, 0, sizeof(qzVertex2D));
    QOpenGLFunctions* gl = QOpenGLContext::currentContext()->functions();
    while (gl->glGetError() != GL_NO_ERROR) {
    }
    EXPECT_EQ(d3d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL); // no indices
    d3d->SetIndices(indices);
    const struct {
        int32_t base;
        uint32_t min, count, start, primitives;
    } refused[] = {
        {0, 0, 4, 1, 2},          // seven indices of six
        {0, 0, 4, 6, 1},          // from the end on
        {0, 0, 4, UINT32_MAX, 1}, // a first index that wraps
        {0, 0, 3, 0, 2},          // index 3 outside three vertices
        {0, 1, 3, 0, 2},          // index 0 below the smallest
        {1, 0, 4, 0, 2},          // vertex 1 + 3 past the buffer
        {-1, 0, 4, 0, 2},         // vertex -1
        {INT32_MAX, 0, 4, 0, 2},  // a base far past the buffer
        {0, 0, UINT32_MAX, 0, 2}, // a vertex range of four billion
        {0, 0, 0, 0, 2},          // no vertices
    };
    for (const auto& r : refused)
        EXPECT_EQ(
            d3d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, r.base, r.min, r.count, r.start, r.primitives),
            D3DERR_INVALIDCALL)
            << r.base << " " << r.min << " " << r.count << " " << r.start << " " << r.primitives;
    void* data = nullptr;
    ASSERT_EQ(indices->Lock(0, 0, &data, 0), D3D_OK);
    EXPECT_EQ(d3d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL); // locked
    indices->Unlock();
    EXPECT_EQ(gl->glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    ExpectRectangle(ReadBack(), 0, 0, 0, 0, GREEN, BLACK);
    EXPECT_EQ(d3d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    ExpectRectangle(ReadBack(), 0, 0, 16, 16, GREEN, BLACK);
    indices->Release();
    stream->Release();
}

// The OpenGL device under load: a million 2D quads and a million lit 3D triangles a frame through the
// vertex queues, beside the same triangles drawn from one static buffer in one call (the floor). Each
// iteration is one frame, presented. Runs itself under Xvfb when there is no display.
#include "qzdevice.h"
#include "qzglrenderapi.h"
#include "qzlight.h"
#include "qzmain.h"
#include "qzqtplatform.h"
#include "qzvertexqueue.h"
#include "qzwindow.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t WIDTH = 800, HEIGHT = 600;
constexpr uint32_t PRIMITIVES = 1000000;

struct Scene {
    Scene(int& argc, char** argv) : platform(argc, argv), api(platform) {
        qzSetRenderApi(&api);
        main = std::make_unique<qzMain>(0);
        window.Create(main.get(), "bench", 2, 0, 0, WIDTH, HEIGHT, WIDTH, HEIGHT, nullptr);
        window.SwitchOffBackground();
        window.Show(false);
        device.Create(&window, false);
        device.SetSize(WIDTH, HEIGHT);
        device.SetBufferOptions(true, false, false);
        device.SetDisplayMode(false, 0, false);
        if (!device.Restore())
            std::abort();
        queue2d.Create(&device, 10000);
        queue3d.Create(&device, 10000);
        light.Create(&device);
        light.SetType(D3DLIGHT_DIRECTIONAL);
        light.SetColors(0.1f, 0.1f, 0.1f, 0.8f, 0.8f, 0.8f, 0, 0, 0);
        light.SetDirection(0.3f, -0.5f, 1.0f);
        // Small triangles over the whole view, each turned a little differently.
        triangles.reserve(PRIMITIVES * 3);
        for (uint32_t i = 0; i < PRIMITIVES; ++i) {
            float x = -1.0f + 2.0f * static_cast<float>(i % 1000) / 1000.0f;
            float y = -1.0f + 2.0f * static_cast<float>(i / 1000) / 1000.0f;
            float nz = -1.0f + static_cast<float>(i % 7) * 0.1f;
            triangles.push_back({x, y, 0.5f, 0, 0.3f, nz, 0xFF808080, 0, 0, 0});
            triangles.push_back({x + 0.004f, y, 0.5f, 0, 0.3f, nz, 0xFF808080, 0, 0, 0});
            triangles.push_back({x, y + 0.004f, 0.5f, 0, 0.3f, nz, 0xFF808080, 0, 0, 0});
        }
        D3DPOOL pool = D3DPOOL_MANAGED;
        uint32_t bytes = static_cast<uint32_t>(triangles.size() * sizeof(qzVertex3D));
        device.GetD3DDevice()->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, qzVertex3D::FVF, pool, &floor);
        void* data = nullptr;
        floor->Lock(0, 0, &data, 0);
        std::memcpy(data, triangles.data(), bytes);
        floor->Unlock();
    }
    ~Scene() {
        floor->Release();
        light.Destroy();
        queue3d.Destroy();
        queue2d.Destroy();
        device.Destroy();
        window.Destroy();
        main.reset();
        qzSetRenderApi(nullptr);
    }

    void Begin3D() {
        device.BeginScene();
        device.Clear(true, 0xFF202020, true, 1.0f);
        device.SetCullMode(D3DCULL_NONE);
        device.SetDepth(true, true);
        device.SetLighting(true);
        device.SetAmbient(0x00303030);
        device.SetMaterialSources(D3DMCS_MATERIAL, D3DMCS_COLOR1, D3DMCS_MATERIAL, D3DMCS_MATERIAL);
        device.SetMaterial(0.2f, 0.2f, 0.2f, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 1);
        device.DisableTextureStage(0);
        device.SetWorld(qzMatrix::Identity());
        device.SetView(qzMatrix::Identity());
        device.SetProjection(qzMatrix::Identity(), 0, 0, 1, 1);
        light.Apply();
        light.Enable(true);
    }

    void DrawQuads() {
        device.BeginScene();
        device.Clear(true, 0xFF202020, false, 1.0f);
        device.SetCullMode(D3DCULL_NONE);
        device.SetDepth(false, false);
        device.SetLighting(false);
        device.DisableTextureStage(0);
        for (uint32_t i = 0; i < PRIMITIVES; ++i) {
            float x = static_cast<float>(i % WIDTH) - 0.5f,
                  y = static_cast<float>((i / WIDTH) % HEIGHT) - 0.5f;
            qzVertex2D* v = queue2d.Enqueue(D3DPT_TRIANGLELIST, 6);
            uint32_t color = 0xFF000000u | i;
            v[0] = {x, y, 0, 1, color, 0, 0, 0};
            v[1] = {x + 2, y, 0, 1, color, 0, 0, 0};
            v[2] = {x, y + 2, 0, 1, color, 0, 0, 0};
            v[3] = v[1];
            v[4] = {x + 2, y + 2, 0, 1, color, 0, 0, 0};
            v[5] = v[2];
        }
        queue2d.Flush();
        device.EndScene();
    }
    void DrawQueued() {
        Begin3D();
        for (size_t i = 0; i < triangles.size(); i += 3) {
            qzVertex3D* v = queue3d.Enqueue(D3DPT_TRIANGLELIST, 3);
            v[0] = triangles[i];
            v[1] = triangles[i + 1];
            v[2] = triangles[i + 2];
        }
        queue3d.Flush();
        device.EndScene();
    }
    void DrawFloor() {
        Begin3D();
        qzRenderDevice* d3d = device.GetD3DDevice();
        d3d->SetFVF(qzVertex3D::FVF);
        d3d->SetStreamSource(0, floor, 0, sizeof(qzVertex3D));
        d3d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, PRIMITIVES);
        device.EndScene();
    }

    qzQtPlatform platform;
    qzGLRenderApi api;
    std::unique_ptr<qzMain> main;
    qzWindow window;
    qzDevice device;
    qzVertexQueue<qzVertex2D> queue2d;
    qzVertexQueue<qzVertex3D> queue3d;
    qzLight light;
    std::vector<qzVertex3D> triangles;
    qzRenderVertexBuffer* floor = nullptr;
};

Scene* scene = nullptr;

template <void (Scene::*Draw)()> void Frames(benchmark::State& state, uint32_t verticesperframe) {
    scene->device.SetDrawCallback(qzCallback<>::Bind<Draw>(scene));
    uint64_t calls = scene->api.drawcalls;
    for (auto _ : state) {
        scene->device.Present();
        if (scene->device.IsLost())
            state.SkipWithError("device lost");
    }
    double frames = static_cast<double>(state.iterations());
    state.counters["vertices/s"] = benchmark::Counter(verticesperframe * frames, benchmark::Counter::kIsRate);
    state.counters["drawcalls/frame"] = static_cast<double>(scene->api.drawcalls - calls) / frames;
}

void BM_Quads2DThroughQueue(benchmark::State& state) {
    Frames<&Scene::DrawQuads>(state, PRIMITIVES * 6);
}
void BM_LitTriangles3DThroughQueue(benchmark::State& state) {
    Frames<&Scene::DrawQueued>(state, PRIMITIVES * 3);
}
void BM_LitTriangles3DStaticBufferFloor(benchmark::State& state) {
    Frames<&Scene::DrawFloor>(state, PRIMITIVES * 3);
}

BENCHMARK(BM_Quads2DThroughQueue)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LitTriangles3DThroughQueue)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LitTriangles3DStaticBufferFloor)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr) {
        std::vector<char*> arguments{const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                                     const_cast<char*>("-s"), const_cast<char*>("-screen 0 1280x1024x24")};
        for (int i = 0; i < argc; ++i)
            arguments.push_back(argv[i]);
        arguments.push_back(nullptr);
        execvp("xvfb-run", arguments.data());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    Scene built(argc, argv);
    scene = &built;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

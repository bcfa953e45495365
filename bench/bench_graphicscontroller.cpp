// One whole frame of the interface drawn by the graphics controller into the recording fake of the
// Direct3D interface, and the two 3D views of it alone, at 800 x 600 and at 1920 x 1080: the processor
// time, with the draw calls and vertices handed to the device as counters. The time includes the fake's own
// work: it records every call as text and, at every unlock, checks that no vertex already drawn was
// overwritten.
#include "pw2_fontblocks.h"
#include "pw2_graphicscontroller.h"
#include "pw2_main.h"
#include "pw2_view.h"
#include "pw2_viewimage.h"
#include "qzfakeplatform.h"
#include "qzfakerenderapi.h"
#include "qzmain.h"
#include "qzmessage.h"
#include "qzscene.h"

#include <benchmark/benchmark.h>

namespace {

// Runs draw once per iteration on the program at the size of the state's arguments, with the draw calls and
// vertices of the last one as counters.
template <class Draw> void RunFrames(benchmark::State& state, Draw draw) {
    qzFakePlatform platform;
    qzFakeRenderApi api;
    TestBlocks fonts;
    qzSetResourceProvider(&fonts);
    {
        qzMain engine(1);
        pw2_Main app(&engine);
        app.InstallHandlers();
        const int32_t width = static_cast<int32_t>(state.range(0)),
                      height = static_cast<int32_t>(state.range(1));
        platform.Deliver(qzFakeMessage(app.GetMainWindow().GetHandle(), WM_SIZE, SIZE_RESTORED,
                                       qzMakeLParam(width, height)));
        app.RunOnce();
        qzDevice& device = app.GetGraphicsController()->GetDevice();
        if (device.IsLost() || device.GetWidth() != static_cast<uint32_t>(width)) {
            state.SkipWithError("the device was not made at the size asked for");
            return;
        }
        size_t draws = 0, vertices = 0;
        for (auto _ : state) {
            state.PauseTiming();
            api.ClearCalls();
            api.draws.clear();
            platform.ClearCalls();
            state.ResumeTiming();
            draw(app);
            draws = api.draws.size();
            vertices = 0;
            for (const qzFakeRenderApi::Draw& d : api.draws)
                vertices += d.vertices.size() / d.stride;
        }
        state.counters["draws"] = static_cast<double>(draws);
        state.counters["vertices"] = static_cast<double>(vertices);
    }
    qzSetResourceProvider(nullptr);
}

void BM_Frame(benchmark::State& state) {
    RunFrames(state, [](pw2_Main& app) { app.GetGraphicsController()->GetDevice().Present(); });
}

// The two 3D views alone: each scene into its render target and the composite.
void BM_ViewImages(benchmark::State& state) {
    RunFrames(state, [](pw2_Main& app) {
        pw2_GraphicsController& graphics = *app.GetGraphicsController();
        qzScene scene;
        scene.Begin(&graphics.GetDevice());
        scene.Register(&graphics.GetScreenQueue());
        scene.Register(&graphics.GetModelQueue());
        for (pw2_View* view : {app.GetLeftView(), app.GetRightView()})
            graphics.DrawViewImage(view->GetImage(), view->GetAbsoluteX(), view->GetAbsoluteY(),
                                   view->GetWidth(), view->GetHeight());
        scene.End();
    });
}

BENCHMARK(BM_Frame)->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ViewImages)->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

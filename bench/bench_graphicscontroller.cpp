// One whole frame of the interface drawn by the graphics controller into the recording fake of the
// Direct3D interface, at 800 x 600 and at 1920 x 1080: the processor time of the frame (the fake's own
// recording included), with the draw calls and vertices it hands to the device as counters.
#include "pw2_graphicscontroller.h"
#include "pw2_main.h"
#include "qzfakeplatform.h"
#include "qzfakerenderapi.h"
#include "qzmain.h"
#include "qzmessage.h"
#include "qzresource.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace {

// The program's two fonts, read from the source tree.
struct FontBlocks : qzResourceProvider {
    std::map<std::string, std::string> blocks;
    FontBlocks() {
        for (const char* number : {"1001", "1002"}) {
            std::ifstream file(std::string(QZ_SOURCE_DIR) + "/resources/font" + number + ".bmpf",
                               std::ios::binary);
            blocks[number] = std::string(std::istreambuf_iterator<char>(file), {});
        }
    }
    bool Load(const char* name, qzString& data) override {
        auto found = blocks.find(name);
        if (found == blocks.end())
            return false;
        data.Append(found->second.data(), static_cast<uint32_t>(found->second.size()));
        return true;
    }
};

void BM_Frame(benchmark::State& state) {
    qzFakePlatform platform;
    qzFakeRenderApi api;
    FontBlocks fonts;
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
            device.Present();
            draws = api.draws.size();
            vertices = 0;
            for (const qzFakeRenderApi::Draw& draw : api.draws)
                vertices += draw.vertices.size() / draw.stride;
        }
        state.counters["draws"] = static_cast<double>(draws);
        state.counters["vertices"] = static_cast<double>(vertices);
    }
    qzSetResourceProvider(nullptr);
}
BENCHMARK(BM_Frame)->Args({800, 600})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

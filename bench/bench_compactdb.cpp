// Load of a 64 MiB CompactDB file, plain and compressed, against its floor: MD5 alone over the stored bytes,
// and for the compressed file MD5 plus inflate alone. Prints each load's time over its floor, for a reader
// that loads again and for a fresh reader whose image buffer is new.
#include "compactdb.h"
#include "qzmd5.h"
#include "zlibhelper.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>

namespace {

// A symbol-like table whose rows fill 64 MiB, with names in the data area: it compresses as real tables do.
const std::vector<uint8_t>& Image(bool compress) {
    static std::map<bool, std::vector<uint8_t>> images;
    std::vector<uint8_t>& image = images[compress];
    if (image.empty()) {
        std::mt19937 random(1);
        CompactDB_Writer writer;
        writer.AddTable("symbols");
        writer.AddField("name", 4);
        writer.AddField("address", 4);
        writer.AddField("size", 4);
        const uint32_t rows = (48u << 20) / 12;
        uint8_t* row = writer.BeginRows(rows);
        uint32_t address = 0x1000;
        for (uint32_t i = 0; i < rows; ++i, row += 12) {
            uint32_t size = 16 + random() % 400;
            uint32_t values[3] = {static_cast<uint32_t>(random() % (8u << 20)), address, size};
            std::memcpy(row, values, 12);
            address += size;
        }
        uint32_t at = writer.AddData(16u << 20);
        uint8_t* data = writer.GetDataPointer(at);
        for (uint32_t i = 0; i < (16u << 20); ++i)
            data[i] = random() % 9 == 0 ? 0 : static_cast<uint8_t>('a' + random() % 26);
        image = writer.Save("seds", nullptr, 0, compress);
    }
    return image;
}

void Md5(const std::vector<uint8_t>& image) {
    std::array<uint8_t, 16> digest = qzMD5Digest({{image.data() + 24, image.size() - 24}});
    benchmark::DoNotOptimize(digest);
}

// A reader that loads again, as after its first load: the buffer of the raw image is already mapped.
void BM_LoadOurs(benchmark::State& state) {
    const std::vector<uint8_t>& image = Image(state.range(0) != 0);
    static CompactDB_Reader db;
    for (auto _ : state)
        if (!db.Load(image.data(), image.size(), "seds"))
            state.SkipWithError("load failed");
    state.SetBytesProcessed(state.iterations() * image.size());
}

// A fresh reader for each load: the raw image's pages are faulted in and released every time.
void BM_LoadFresh(benchmark::State& state) {
    const std::vector<uint8_t>& image = Image(state.range(0) != 0);
    for (auto _ : state) {
        CompactDB_Reader db;
        if (!db.Load(image.data(), image.size(), "seds"))
            state.SkipWithError("load failed");
    }
    state.SetBytesProcessed(state.iterations() * image.size());
}

void BM_LoadFloor(benchmark::State& state) {
    const std::vector<uint8_t>& image = Image(state.range(0) != 0);
    static std::vector<uint8_t> raw; // kept across runs, like the reused reader
    for (auto _ : state) {
        Md5(image);
        if (state.range(0) != 0) {
            raw.clear();
            zlibhelper_Decompress(image.data() + 24, image.size() - 24, raw, SIZE_MAX);
        }
        benchmark::DoNotOptimize(raw.data());
    }
    state.SetBytesProcessed(state.iterations() * image.size());
}

BENCHMARK(BM_LoadOurs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFresh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFloor)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* reader : {"Ours", "Fresh"})
            for (const char* arg : {"0", "1"}) {
                double ours = times[std::string("BM_Load") + reader + "/" + arg];
                double floor = times[std::string("BM_LoadFloor/") + arg];
                std::printf("%-10s %-13s load %8.1f ms  floor %8.1f ms  ratio %.3f\n",
                            *arg == '0' ? "plain" : "compressed",
                            *reader == 'O' ? "reused reader" : "fresh reader", ours, floor,
                            floor > 0 ? ours / floor : 0);
            }
    }

private:
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}

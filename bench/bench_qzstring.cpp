// Number formatting against std::to_chars and the prepared search against the standard library's
// Boyer-Moore-Horspool searcher on a 64 MiB text; prints the ratio of each pair after the usual report.
#include "qzstring.h"
#include "qzstringsearcher.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t VALUES = 1 << 16;

const std::vector<int32_t>& Integers() {
    static const std::vector<int32_t> values = [] {
        std::mt19937 random(1);
        std::vector<int32_t> v(VALUES);
        for (int32_t& x : v)
            x = static_cast<int32_t>(random()) >> (random() % 31);
        return v;
    }();
    return values;
}

const std::vector<double>& Doubles() {
    static const std::vector<double> values = [] {
        std::mt19937 random(2);
        std::uniform_real_distribution<double> mantissa(-1000, 1000);
        std::vector<double> v(VALUES);
        for (double& x : v)
            x = mantissa(random) * static_cast<double>(random() % 1000);
        return v;
    }();
    return values;
}

void BM_IntOurs(benchmark::State& state) {
    qzString s;
    for (auto _ : state) {
        for (int32_t x : Integers()) {
            s.Clear();
            s.AppendInt(x);
        }
        benchmark::DoNotOptimize(s.GetData());
    }
    state.SetItemsProcessed(state.iterations() * VALUES);
}

void BM_IntTheirs(benchmark::State& state) {
    char buffer[32];
    for (auto _ : state) {
        for (int32_t x : Integers())
            benchmark::DoNotOptimize(std::to_chars(buffer, buffer + sizeof buffer, x).ptr);
    }
    state.SetItemsProcessed(state.iterations() * VALUES);
}

void BM_DoubleOurs(benchmark::State& state) {
    qzString s;
    for (auto _ : state) {
        for (double x : Doubles()) {
            s.Clear();
            s.AppendDouble(x);
        }
        benchmark::DoNotOptimize(s.GetData());
    }
    state.SetItemsProcessed(state.iterations() * VALUES);
}

// Fixed notation with six fraction digits, as the default double format writes them.
void BM_DoubleTheirs(benchmark::State& state) {
    char buffer[64];
    for (auto _ : state) {
        for (double x : Doubles())
            benchmark::DoNotOptimize(
                std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, 6).ptr);
    }
    state.SetItemsProcessed(state.iterations() * VALUES);
}

// Lower-case words over a 64 MiB text with the pattern planted every 8 MiB.
struct SearchData {
    std::string text;
    std::string pattern;
};

const SearchData& Search(int patternlength) {
    static std::map<int, SearchData> cache;
    SearchData& d = cache[patternlength];
    if (d.text.empty()) {
        std::mt19937 random(3);
        d.text.resize(64u << 20);
        for (char& c : d.text)
            c = random() % 6 == 0 ? ' ' : static_cast<char>('a' + random() % 26);
        for (int i = 0; i < patternlength; ++i)
            d.pattern += static_cast<char>('a' + (i * 7) % 26);
        for (size_t at = 8u << 20; at + d.pattern.size() < d.text.size(); at += 8u << 20)
            d.text.replace(at, d.pattern.size(), d.pattern);
    }
    return d;
}

void BM_SearchOurs(benchmark::State& state) {
    const SearchData& d = Search(static_cast<int>(state.range(0)));
    qzStringRef text{d.text.data(), static_cast<uint32_t>(d.text.size())};
    qzStringSearcher searcher({d.pattern.data(), static_cast<uint32_t>(d.pattern.size())});
    for (auto _ : state) {
        size_t found = 0;
        for (uint32_t at = searcher.Find(text, 0); at != qzStringRef::NOTFOUND;
             at = searcher.Find(text, at + 1))
            ++found;
        if (found != 7)
            state.SkipWithError("wrong number of matches");
    }
    state.SetBytesProcessed(state.iterations() * d.text.size());
}

void BM_SearchTheirs(benchmark::State& state) {
    const SearchData& d = Search(static_cast<int>(state.range(0)));
    std::boyer_moore_horspool_searcher searcher(d.pattern.begin(), d.pattern.end());
    for (auto _ : state) {
        size_t found = 0;
        for (auto it = std::search(d.text.begin(), d.text.end(), searcher); it != d.text.end();
             it = std::search(it + 1, d.text.end(), searcher))
            ++found;
        if (found != 7)
            state.SkipWithError("wrong number of matches");
    }
    state.SetBytesProcessed(state.iterations() * d.text.size());
}

BENCHMARK(BM_IntOurs);
BENCHMARK(BM_IntTheirs);
BENCHMARK(BM_DoubleOurs);
BENCHMARK(BM_DoubleTheirs);
BENCHMARK(BM_SearchOurs)->Arg(8)->Arg(24)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchTheirs)->Arg(8)->Arg(24)->Arg(100)->Unit(benchmark::kMillisecond);

// Keeps every run to print each "Ours" time over the matching "Theirs" time.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-24s %10s\n", "pair", "ours/std");
        for (const auto& [name, ours] : times) {
            size_t at = name.find("Ours");
            if (at == std::string::npos)
                continue;
            std::string theirs = name;
            theirs.replace(at, 4, "Theirs");
            auto other = times.find(theirs);
            if (other != times.end())
                std::printf("%-24s %10.2f\n", name.substr(3).replace(at - 3, 4, "").c_str(),
                            ours / other->second);
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

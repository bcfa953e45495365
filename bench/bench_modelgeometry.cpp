// The model geometry against OpenMesh's PolyMesh on two large meshes: a 1000 x 1000 grid of quadrilaterals
// and a closed torus of a million triangles. Times construction, face normals, copy and clear for both, then
// prints a table of both times, their ratio and the resident bytes each uses per face. A copy is timed
// twice: onto a new target, and again onto a target that holds the copy already.
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "torus.h"

#include <OpenMesh/Core/Mesh/PolyMesh_ArrayKernelT.hh>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// Double precision on both sides, as the model keeps its coordinates.
struct DoubleTraits : OpenMesh::DefaultTraits {
    typedef OpenMesh::Vec3d Point;
    typedef OpenMesh::Vec3d Normal;
};
using PolyMesh = OpenMesh::PolyMesh_ArrayKernelT<DoubleTraits>;

struct MeshData {
    std::vector<qzVector3> points;
    std::vector<uint32_t> corners; // every face's point indices, one face after the other
    uint32_t cornersperface;
    size_t FaceCount() const { return corners.size() / cornersperface; }
    size_t EdgeCount() const { return corners.size() / 2; } // closed or near enough for reserving
};

MeshData QuadGrid(uint32_t n) {
    MeshData m{{}, {}, 4};
    for (uint32_t y = 0; y <= n; ++y)
        for (uint32_t x = 0; x <= n; ++x)
            m.points.emplace_back(x, y, std::sin(x * 0.01) * std::cos(y * 0.01));
    for (uint32_t y = 0; y < n; ++y)
        for (uint32_t x = 0; x < n; ++x) {
            uint32_t p = y * (n + 1) + x;
            m.corners.insert(m.corners.end(), {p, p + 1, p + n + 2, p + n + 1});
        }
    return m;
}

MeshData TriangleTorus(uint32_t rings, uint32_t segments) {
    const TorusGrid torus{rings, segments};
    MeshData m{{}, {}, 3};
    for (uint32_t i = 0; i < rings; ++i)
        for (uint32_t j = 0; j < segments; ++j) {
            const std::array<double, 3> p = torus.Point(i, j);
            m.points.emplace_back(p[0], p[1], p[2]);
        }
    for (uint32_t i = 0; i < rings; ++i)
        for (uint32_t j = 0; j < segments; ++j) {
            const std::array<uint32_t, 4> q = torus.Quad(i, j);
            m.corners.insert(m.corners.end(), {q[0], q[1], q[2], q[0], q[2], q[3]});
        }
    return m;
}

const MeshData& Shape(int shape) {
    static const MeshData grid = QuadGrid(1000);
    static const MeshData torus = TriangleTorus(500, 1000);
    return shape == 0 ? grid : torus;
}

const char* ShapeName(int shape) {
    return shape == 0 ? "quad grid" : "triangle torus";
}

// Resident bytes, which count the heap and memory mapped directly alike; freed heap memory is handed back
// first so that it does not hide a new mesh's growth.
size_t MemoryInUse() {
    malloc_trim(0);
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return size_t(resident) * size_t(sysconf(_SC_PAGESIZE));
}

void Build(pw2_ModelGeometry& g, const MeshData& m) {
    std::vector<pw2_ModelPoint*> points;
    points.reserve(m.points.size());
    for (const qzVector3& p : m.points) {
        points.push_back(g.CreatePoint());
        points.back()->position = p;
    }
    for (size_t f = 0; f < m.corners.size(); f += m.cornersperface) {
        pw2_ModelFace* face = g.CreateFace(m.cornersperface);
        for (uint32_t i = 0; i < m.cornersperface; ++i)
            g.SetVertexPoint(&face->vertices[i], points[m.corners[f + i]]);
        g.ConnectFace();
    }
}

void Build(PolyMesh& mesh, const MeshData& m) {
    mesh.reserve(m.points.size(), m.EdgeCount(), m.FaceCount());
    std::vector<PolyMesh::VertexHandle> points;
    points.reserve(m.points.size());
    for (const qzVector3& p : m.points)
        points.push_back(mesh.add_vertex(PolyMesh::Point(p.x, p.y, p.z)));
    PolyMesh::VertexHandle face[8];
    for (size_t f = 0; f < m.corners.size(); f += m.cornersperface) {
        for (uint32_t i = 0; i < m.cornersperface; ++i)
            face[i] = points[m.corners[f + i]];
        mesh.add_face(face, m.cornersperface);
    }
}

// Both sides behind one face so that each benchmark is written once.
struct Ours {
    static constexpr const char* NAME = "model geometry";
    pw2_Model model;
    pw2_ModelGeometry mesh{&model};
    void Build(const MeshData& m) { ::Build(mesh, m); }
    void Normals() { mesh.UpdateFaceNormals(); }
    void CopyFrom(Ours& source) { mesh.CopyFrom(&source.mesh); }
    void Clear() { mesh.Clear(); }
    size_t Faces() const { return mesh.facecount; }
};

struct Theirs {
    static constexpr const char* NAME = "OpenMesh";
    PolyMesh mesh;
    void Build(const MeshData& m) { ::Build(mesh, m); }
    void Normals() {
        mesh.request_face_normals();
        mesh.update_face_normals();
    }
    void CopyFrom(Theirs& source) { mesh = source.mesh; }
    void Clear() { mesh.clear(); }
    size_t Faces() const { return mesh.n_faces(); }
};

template <class Mesh> void BM_Construction(benchmark::State& state) {
    const MeshData& m = Shape(static_cast<int>(state.range(0)));
    double bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto* mesh = new Mesh;
        size_t before = MemoryInUse();
        state.ResumeTiming();
        mesh->Build(m);
        state.PauseTiming();
        bytes = double(MemoryInUse() - before) / mesh->Faces();
        delete mesh;
        state.ResumeTiming();
    }
    state.counters["bytes_per_face"] = bytes;
}

template <class Mesh> void BM_FaceNormals(benchmark::State& state) {
    Mesh mesh;
    mesh.Build(Shape(static_cast<int>(state.range(0))));
    for (auto _ : state)
        mesh.Normals();
}

template <class Mesh> void BM_Copy(benchmark::State& state) {
    Mesh source, target;
    source.Build(Shape(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        target.CopyFrom(source);
        benchmark::DoNotOptimize(target.Faces());
    }
}

// The same copy onto a target that already holds one: no fresh memory, only the copying itself.
template <class Mesh> void BM_Recopy(benchmark::State& state) {
    Mesh source, target;
    source.Build(Shape(static_cast<int>(state.range(0))));
    target.CopyFrom(source);
    for (auto _ : state) {
        target.CopyFrom(source);
        benchmark::DoNotOptimize(target.Faces());
    }
}

template <class Mesh> void BM_Clear(benchmark::State& state) {
    const MeshData& m = Shape(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto* mesh = new Mesh;
        mesh->Build(m);
        state.ResumeTiming();
        mesh->Clear();
        benchmark::DoNotOptimize(mesh->Faces());
        state.PauseTiming();
        delete mesh;
        state.ResumeTiming();
    }
}

#define REGISTER(op, iterations)                                                                             \
    BENCHMARK_TEMPLATE(BM_##op, Ours)                                                                        \
        ->Arg(0)                                                                                             \
        ->Arg(1)                                                                                             \
        ->Iterations(iterations)                                                                             \
        ->Unit(benchmark::kMillisecond);                                                                     \
    BENCHMARK_TEMPLATE(BM_##op, Theirs)->Arg(0)->Arg(1)->Iterations(iterations)->Unit(benchmark::kMillisecond)

REGISTER(Construction, 3);
REGISTER(FaceNormals, 10);
REGISTER(Copy, 3);
REGISTER(Recopy, 5);
REGISTER(Clear, 3);

// Builds and copies every mesh once with both sides before anything is timed, so that neither pays alone
// for the process's first use of fresh pages (on a virtual machine, the host's backing of them), up to the
// two meshes at once that the copy benchmark holds.
template <class Mesh> void WarmUp(int shape) {
    auto* source = new Mesh;
    auto* target = new Mesh;
    source->Build(Shape(shape));
    target->CopyFrom(*source);
    delete target;
    delete source;
}

// Keeps every run's time and counters to print the side-by-side table after the usual report.
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            results[run.benchmark_name()] = run;
    }
    std::map<std::string, Run> results;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (int shape = 0; shape < 2; ++shape) {
        WarmUp<Ours>(shape);
        WarmUp<Theirs>(shape);
    }
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-14s %-15s %12s %12s %8s\n", "operation", "mesh", "ours ms", "OpenMesh ms", "ratio");
    for (const char* op : {"Construction", "FaceNormals", "Copy", "Recopy", "Clear"}) {
        for (int shape = 0; shape < 2; ++shape) {
            auto find = [&](const char* side) -> const benchmark::BenchmarkReporter::Run* {
                std::string prefix =
                    std::string("BM_") + op + "<" + side + ">/" + std::to_string(shape) + "/";
                for (auto& [name, run] : reporter.results)
                    if (name.rfind(prefix, 0) == 0)
                        return &run;
                return nullptr;
            };
            const auto* ours = find("Ours");
            const auto* theirs = find("Theirs");
            if (ours == nullptr || theirs == nullptr)
                continue;
            double a = ours->GetAdjustedRealTime(), b = theirs->GetAdjustedRealTime();
            std::printf("%-14s %-15s %12.2f %12.2f %8.2f\n", op, ShapeName(shape), a, b, a / b);
            if (ours->counters.count("bytes_per_face") != 0)
                std::printf("%-14s %-15s %12.0f %12.0f %8.2f   (bytes per face)\n", "", "",
                            double(ours->counters.at("bytes_per_face")),
                            double(theirs->counters.at("bytes_per_face")),
                            double(ours->counters.at("bytes_per_face")) /
                                double(theirs->counters.at("bytes_per_face")));
        }
    }
    benchmark::Shutdown();
    return 0;
}

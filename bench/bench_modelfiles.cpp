// Reading model files, side by side with the peers, in one run: a torus of 1000 x 1000 quads (one million
// faces) is written as OBJ (quads), binary PLY and binary STL (two million triangles each); then each reader
// reads each file it can in a process of its own, three times: our full read into the editable mesh
// (adjacency and normals included), tinyobjloader's parse (OBJ only), assimp's import and OpenMesh's read
// into its PolyMesh. One table: the median time, its ratio to ours, and the peak resident memory of the
// process. With --write FOLDER it only writes the three files there and keeps them, for the benchmarks
// that open them in whole programs.
#include "meshdata.h"
#include "objwriter.h"
#include "plywriter.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "stlwriter.h"
#include "torus.h"

#include <OpenMesh/Core/IO/MeshIO.hh>
#include <OpenMesh/Core/Mesh/PolyMesh_ArrayKernelT.hh>
#include <assimp/cimport.h>
#include <assimp/scene.h>
#include <tiny_obj_loader.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr uint32_t N = 1000;
constexpr int RUNS = 3;

pw2_MeshData Torus(bool triangles) {
    const TorusGrid torus{N, N};
    pw2_MeshData mesh;
    for (uint32_t i = 0; i < N; ++i)
        for (uint32_t j = 0; j < N; ++j) {
            const std::array<double, 3> p = torus.Point(i, j);
            mesh.positions.emplace_back(p[0], p[1], p[2]);
        }
    for (uint32_t i = 0; i < N; ++i)
        for (uint32_t j = 0; j < N; ++j) {
            const std::array<uint32_t, 4> q = torus.Quad(i, j);
            if (triangles) {
                const uint32_t first[] = {q[0], q[1], q[2]}, second[] = {q[0], q[2], q[3]};
                mesh.AddFace(first, 3);
                mesh.AddFace(second, 3);
            } else {
                mesh.AddFace(q.data(), 4);
            }
        }
    return mesh;
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "bench_modelfiles: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// Each reader answers the faces it read, so that none can skip its work unseen.
size_t ReadOurs(const std::string& path) {
    pw2_Model model(false);
    pw2_ModelGeometry* geometry = model.CreateGeometry();
    pw2_Progress progress;
    pw2_Model::Load(path, *geometry, progress);
    return geometry->facecount;
}

size_t ReadTinyObj(const std::string& path) {
    tinyobj::ObjReader reader;
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;
    reader.ParseFromFile(path, config);
    size_t faces = 0;
    for (const tinyobj::shape_t& shape : reader.GetShapes())
        faces += shape.mesh.num_face_vertices.size();
    return faces;
}

size_t ReadAssimp(const std::string& path) {
    const aiScene* scene = aiImportFile(path.c_str(), 0);
    size_t faces = 0;
    for (unsigned m = 0; scene != nullptr && m < scene->mNumMeshes; ++m)
        faces += scene->mMeshes[m]->mNumFaces;
    aiReleaseImport(scene);
    return faces;
}

size_t ReadOpenMesh(const std::string& path) {
    OpenMesh::PolyMesh_ArrayKernelT<> mesh;
    OpenMesh::IO::read_mesh(mesh, path);
    return mesh.n_faces();
}

struct Reader {
    const char* name;
    size_t (*read)(const std::string&);
    bool objonly;
};

const Reader READERS[] = {{"facetwright", ReadOurs, false},
                          {"tinyobjloader", ReadTinyObj, true},
                          {"assimp", ReadAssimp, false},
                          {"OpenMesh", ReadOpenMesh, false}};

struct Run {
    double seconds = 0;
    double peakmb = 0;
    size_t faces = 0;
};

// One read in a process of its own, so that each peak memory is that reader's alone.
Run RunApart(const Reader& reader, const std::string& path) {
    int channel[2];
    if (pipe(channel) != 0)
        std::abort();
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        // the table is the output: the readers' own log lines go nowhere
        if (!std::freopen("/dev/null", "w", stderr))
            _exit(1);
        auto start = std::chrono::steady_clock::now();
        Run run;
        run.faces = reader.read(path);
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmHWM:", 0) == 0)
                run.peakmb = std::atof(line.c_str() + 6) / 1024;
        if (write(channel[1], &run, sizeof run) != ssize_t(sizeof run))
            _exit(1);
        _exit(0);
    }
    close(channel[1]);
    Run run;
    if (read(channel[0], &run, sizeof run) != ssize_t(sizeof run))
        run.seconds = -1;
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return run;
}

// The torus as torus.obj (quads), torus.ply and torus.stl (binary, two triangles per quad) in folder.
std::vector<std::string> WriteTorusFiles(const std::string& folder) {
    // a folder that cannot be made shows as the first file that cannot be written
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::vector<std::string> files = {folder + "/torus.obj", folder + "/torus.ply",
                                            folder + "/torus.stl"};
    std::string bytes;
    pw2_WriteObj(Torus(false), bytes);
    Write(files[0], bytes);
    pw2_MeshData triangles = Torus(true);
    bytes.clear();
    pw2_WritePly(triangles, pw2_PlyEncoding::BinaryLittleEndian, bytes);
    Write(files[1], bytes);
    bytes.clear();
    pw2_WriteStl(triangles, true, bytes);
    Write(files[2], bytes);
    return files;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--write") {
        WriteTorusFiles(argv[2]);
        return 0;
    }
    if (argc != 1) {
        std::fputs("usage: bench_modelfiles [--write FOLDER]\n", stderr);
        return 2;
    }
    const std::string folder = (std::filesystem::temp_directory_path() / "facetwright-bench").string();
    const std::vector<std::string> files = WriteTorusFiles(folder);
    std::printf("Reading a torus of 1000 x 1000 quads; median of %d runs, each in a process of its own\n",
                RUNS);
    std::printf("%-10s %-14s %10s %8s %9s %10s\n", "file", "reader", "ms", "ratio", "peak MB", "faces");
    for (const std::string& path : files) {
        const bool obj = path.ends_with(".obj");
        double ours = 0;
        for (const Reader& reader : READERS) {
            if (reader.objonly && !obj)
                continue;
            std::vector<Run> runs;
            for (int i = 0; i < RUNS; ++i)
                runs.push_back(RunApart(reader, path));
            std::sort(runs.begin(), runs.end(),
                      [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
            const Run& median = runs[RUNS / 2];
            if (ours == 0)
                ours = median.seconds;
            std::printf("%-10s %-14s %10.1f %8.2f %9.0f %10zu\n",
                        std::filesystem::path(path).extension().c_str(), reader.name, median.seconds * 1000,
                        median.seconds / ours, median.peakmb, median.faces);
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}

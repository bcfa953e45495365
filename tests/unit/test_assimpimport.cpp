#include "assimpimport.h"
#include "assimpscene.h"
#include "plyreader.h"
#include "plywriter.h"
#include "tempdirectory.h"
#include "weld.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fcntl.h>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A stand-in of aiNode with the fields the walk reads (aiNode's constructor lives in the library).
struct Node {
    aiMatrix4x4 mTransformation;
    unsigned int mNumChildren = 0;
    Node** mChildren = nullptr;
    unsigned int mNumMeshes = 0;
    unsigned int* mMeshes = nullptr;

    Node* parent = nullptr;
    std::vector<Node*> children;
    std::vector<unsigned int> meshes;
    void Seal() {
        mNumChildren = static_cast<unsigned int>(children.size());
        mChildren = children.data();
        mNumMeshes = static_cast<unsigned int>(meshes.size());
        mMeshes = meshes.data();
    }
};

// aiMesh frees its arrays itself, with delete[].
std::unique_ptr<aiMesh> MakeMesh(const std::vector<aiVector3D>& points,
                                 const std::vector<std::vector<unsigned int>>& faces) {
    auto mesh = std::make_unique<aiMesh>();
    mesh->mNumVertices = static_cast<unsigned int>(points.size());
    mesh->mVertices = new aiVector3D[points.size()];
    std::copy(points.begin(), points.end(), mesh->mVertices);
    mesh->mNumFaces = static_cast<unsigned int>(faces.size());
    mesh->mFaces = new aiFace[faces.size()];
    for (size_t f = 0; f < faces.size(); ++f) {
        mesh->mFaces[f].mNumIndices = static_cast<unsigned int>(faces[f].size());
        mesh->mFaces[f].mIndices = new unsigned int[faces[f].size()];
        std::copy(faces[f].begin(), faces[f].end(), mesh->mFaces[f].mIndices);
    }
    return mesh;
}

// The point where a node puts a vertex of its mesh: its own transform, then each ancestor's in turn.
qzVector3 PlaceUpwards(const Node* node, const aiVector3D& vertex) {
    double p[3] = {vertex.x, vertex.y, vertex.z};
    for (; node != nullptr; node = node->parent) {
        const aiMatrix4x4& m = node->mTransformation;
        double q[3];
        for (int r = 0; r < 3; ++r)
            q[r] = double(m[r][0]) * p[0] + double(m[r][1]) * p[1] + double(m[r][2]) * p[2] + double(m[r][3]);
        std::copy(q, q + 3, p);
    }
    return qzVector3(p[0], p[1], p[2]);
}

void Preorder(const Node* node, std::vector<const Node*>& order) {
    order.push_back(node);
    for (const Node* child : node->children)
        Preorder(child, order);
}

void ExpectNear(const qzVector3& got, const qzVector3& want) {
    double tolerance = 1e-9 * (1 + std::abs(want.x) + std::abs(want.y) + std::abs(want.z));
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

} // namespace

TEST(AssimpScene, EveryUseOfAMeshLandsWhereItsNodeChainPutsIt) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> value(-3, 3);
    auto point = [&] { return aiVector3D(value(random), value(random), value(random)); };
    for (int round = 0; round < 20; ++round) {
        std::vector<std::unique_ptr<aiMesh>> meshes;
        for (int m = 0; m < 3; ++m)
            meshes.push_back(MakeMesh({point(), point()}, {}));
        const aiMesh* table[] = {meshes[0].get(), meshes[1].get(), meshes[2].get()};
        // A random tree of affine transforms; nodes use up to two meshes, some a number beyond the table.
        std::vector<std::unique_ptr<Node>> nodes(1 + random() % 12);
        for (size_t i = 0; i < nodes.size(); ++i) {
            nodes[i] = std::make_unique<Node>();
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 4; ++c)
                    nodes[i]->mTransformation[r][c] = value(random);
            for (unsigned int uses = random() % 3; uses > 0; --uses)
                nodes[i]->meshes.push_back(static_cast<unsigned int>(random() % 4));
            if (i > 0) {
                nodes[i]->parent = nodes[random() % i].get();
                nodes[i]->parent->children.push_back(nodes[i].get());
            }
        }
        for (auto& node : nodes)
            node->Seal();
        pw2_MeshData merged =
            pw2_MergeAssimpMeshes(pw2_CollectAssimpInstances(*nodes[0], table, 3), UINT64_MAX);

        std::vector<const Node*> order;
        Preorder(nodes[0].get(), order);
        size_t placed = 0;
        for (const Node* node : order) {
            for (unsigned int index : node->meshes) {
                for (unsigned int v = 0; index < 3 && v < 2; ++v, ++placed) {
                    ASSERT_LT(placed, merged.positions.size());
                    ExpectNear(merged.positions[placed], PlaceUpwards(node, table[index]->mVertices[v]));
                }
            }
        }
        EXPECT_EQ(merged.positions.size(), placed);
    }
}

TEST(AssimpScene, PolygonsStayWholeSegmentsBecomeLinesAndColoursBecomeBytes) {
    auto quad = MakeMesh({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 5, 5}},
                         {{0, 1, 2, 3}, {0, 2}, {4}, {}, {0, 1, 2}});
    quad->mColors[0] = new aiColor4D[5]{{0, 0.5f, 1, 1}, {1.5f, -1, NAN, 0.2f}, {}, {}, {}};
    auto pentagon = MakeMesh({{0, 0, 1}, {1, 0, 1}, {2, 1, 1}, {1, 2, 1}, {0, 1, 1}}, {{4, 3, 2, 1, 0}});
    pw2_AssimpMatrix shift;
    shift.a4 = 10;
    pw2_MeshData merged = pw2_MergeAssimpMeshes({{quad.get(), {}}, {pentagon.get(), shift}}, UINT64_MAX);
    EXPECT_EQ(merged.positions.size(), 10u);
    EXPECT_EQ(merged.facestarts, (std::vector<uint32_t>{0, 4, 7, 12}));
    EXPECT_EQ(merged.corners, (std::vector<uint32_t>{0, 1, 2, 3, 0, 1, 2, 9, 8, 7, 6, 5}));
    EXPECT_EQ(merged.lines, (std::vector<uint32_t>{0, 2}));
    EXPECT_EQ(merged.positions[9].x, 10);
    ASSERT_EQ(merged.pointcolors.size(), 10u);
    EXPECT_EQ(merged.pointcolors[0], qzColor(0, 128, 255, 255));
    EXPECT_EQ(merged.pointcolors[1], qzColor(255, 0, 0, 51));
    EXPECT_EQ(merged.pointcolors[7], qzColor(255, 255, 255, 255)); // the pentagon has none

    // A corner outside its mesh, or a scene larger than allowed, is refused.
    quad->mFaces[4].mIndices[2] = 5;
    EXPECT_THROW(pw2_MergeAssimpMeshes({{quad.get(), {}}}, UINT64_MAX), pw2_ModelFileError);
    quad->mFaces[4].mIndices[2] = 2;
    EXPECT_NO_THROW(pw2_MergeAssimpMeshes({{quad.get(), {}}}, 1000));
    EXPECT_THROW(pw2_MergeAssimpMeshes({{quad.get(), {}}}, 100), pw2_ModelFileError);
}

TEST(AssimpScene, ACyclicTreeIsRefused) {
    Node node;
    node.children = {&node};
    node.Seal();
    EXPECT_THROW(pw2_CollectAssimpInstances(node, nullptr, 0), pw2_ModelFileError);
}

namespace {

// The child's whole work on a real file, in a forked copy of this process, its standard output in a file.
struct ChildAnswer {
    int exitcode = -1;
    std::string output;
};

ChildAnswer RunChild(const TempDirectory& dir, const std::string& name) {
    std::string answer = dir / "answer";
    pid_t pid = ::fork();
    if (pid == 0) {
        int fd = ::open(answer.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDOUT_FILENO);
        ::_exit(pw2_RunImportChild((dir / name).c_str()));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir.Get("answer")};
}

pw2_MeshData ReadAnswer(const ChildAnswer& answer) {
    pw2_Progress progress;
    pw2_MeshData mesh = pw2_ReadPly(answer.output, progress);
    pw2_WeldByPosition(mesh);
    return mesh;
}

// The points of every face, in order.
using Point = std::array<double, 3>;
std::vector<std::vector<Point>> FacePoints(const pw2_MeshData& mesh) {
    std::vector<std::vector<Point>> faces;
    for (uint32_t f = 0; f < mesh.FaceCount(); ++f) {
        faces.emplace_back();
        for (uint32_t c = mesh.facestarts[f]; c < mesh.facestarts[f + 1]; ++c) {
            const qzVector3& p = mesh.positions[mesh.corners[c]];
            faces.back().push_back({p.x, p.y, p.z});
        }
    }
    return faces;
}

} // namespace

TEST(AssimpChild, RealFilesComeBackPlacedByTheirNodes) {
    TempDirectory dir;
    // A triangle and its points, scaled by 2 under a node moved by 10 along x.
    dir.Put("node.gltf", R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
        "nodes": [{"translation": [10, 0, 0], "children": [1]}, {"scale": [2, 2, 2], "mesh": 0}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "mode": 4},
                                   {"attributes": {"POSITION": 0}, "mode": 0}]}],
        "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                       "min": [0, 0, 0], "max": [1, 1, 0]}],
        "bufferViews": [{"buffer": 0, "byteLength": 36}],
        "buffers": [{"byteLength": 36,
                     "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}]})");
    ChildAnswer gltf = RunChild(dir, "node.gltf");
    ASSERT_EQ(gltf.exitcode, 0) << gltf.output;
    pw2_MeshData triangle = ReadAnswer(gltf);
    EXPECT_EQ(triangle.positions.size(), 3u);
    EXPECT_EQ(FacePoints(triangle), (std::vector<std::vector<Point>>{{{10, 0, 0}, {12, 0, 0}, {10, 2, 0}}}));

    dir.Put("broken.gltf", "{\"asset\": ");
    ChildAnswer broken = RunChild(dir, "broken.gltf");
    EXPECT_EQ(broken.exitcode, PW2_IMPORT_EXIT_FAILED);
    EXPECT_EQ(broken.output.rfind("assimp cannot read this file: ", 0), 0u) << broken.output;
}

namespace {

// A stand-in of the child: a script that checks its arguments and then does what the test asks.
struct StandIn {
    TempDirectory dir;
    std::string model = dir / "model.fbx";

    explicit StandIn(const std::string& body) {
        dir.Put("model.fbx", "0123456789");
        dir.Put("child", "#!/bin/sh\n[ \"$1\" = --import-child ] && [ \"$2\" = '" + model +
                             "' ] || exit 9\n" + body + "\n");
        ::chmod((dir / "child").c_str(), 0755);
    }
    pw2_MeshData Import(pw2_Progress& progress) {
        return pw2_ImportInChildProcess(dir / "child", model, progress);
    }
    // The reason of the error the import throws.
    std::string Error() {
        pw2_Progress progress;
        try {
            Import(progress);
        } catch (const pw2_ModelFileError& error) {
            return error.what();
        }
        return "no error";
    }
};

bool NoChildLeft() {
    int status;
    return ::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

} // namespace

TEST(AssimpChild, TheAnswerComesBackWeldedWithItsColours) {
    std::mt19937 random(3);
    for (int round = 0; round < 5; ++round) {
        // Points split as assimp gives them: every position several times, each copy its own colour.
        pw2_MeshData sent;
        for (int i = 0; i < 40; ++i) {
            sent.positions.emplace_back(random() % 4, random() % 3, 0.5 * (random() % 2));
            sent.pointcolors.emplace_back(random() % 256, random() % 256, random() % 256, 255);
        }
        for (int f = 0; f < 15; ++f) {
            std::vector<uint32_t> face(3 + random() % 3);
            for (uint32_t& index : face)
                index = random() % 40;
            sent.AddFace(face.data(), static_cast<uint32_t>(face.size()));
        }
        sent.lines = {1, 2, 7, 30};
        StandIn child("cat \"$(dirname \"$0\")/answer.ply\"");
        std::string ply;
        pw2_WritePly(sent, pw2_PlyEncoding::BinaryLittleEndian, ply);
        child.dir.Put("answer.ply", ply);

        pw2_Progress progress;
        pw2_MeshData got = child.Import(progress);
        pw2_MeshData want = sent;
        pw2_WeldByPosition(want);
        EXPECT_LT(got.positions.size(), sent.positions.size());
        ASSERT_EQ(FacePoints(got), FacePoints(want));
        EXPECT_EQ(got.lines, want.lines);
        for (uint32_t f = 0; f < want.FaceCount(); ++f)
            for (uint32_t c = want.facestarts[f]; c < want.facestarts[f + 1]; ++c)
                EXPECT_EQ(got.CornerColor(f, c), sent.pointcolors[sent.corners[c]]);
        EXPECT_EQ(progress.GetFraction(), 1.0);
    }
}

TEST(AssimpChild, EveryWayTheChildEndsBecomesAReason) {
    EXPECT_EQ(
        StandIn("printf 'assimp cannot read this file: FBX-Tokenize: unexpected end\\n\\n'; exit 2").Error(),
        "assimp cannot read this file: FBX-Tokenize: unexpected end");
    EXPECT_EQ(StandIn("exit 2").Error(), "the importer failed without saying why");
    try {
        pw2_Progress progress;
        StandIn("printf 'the import library libassimp.so.5 is not installed'; exit 3").Import(progress);
        ADD_FAILURE() << "no error";
    } catch (const pw2_ImportLibraryMissing& error) {
        EXPECT_STREQ(error.what(), "the import library libassimp.so.5 is not installed");
    }
    EXPECT_EQ(StandIn("printf 'ply\\n'; kill -SEGV $$").Error(),
              "the importer crashed on this file (signal 11, Segmentation fault)");
    EXPECT_EQ(StandIn("printf 'ply\\nformat ascii 1.0\\nelement vertex 1\\nend'")
                  .Error()
                  .rfind("the importer's answer cannot be read: ", 0),
              0u);
    EXPECT_EQ(StandIn("echo 'out of sorts'; exit 1").Error(),
              "the importer ended unexpectedly (exit code 1)");
    // The model file has 10 bytes: 64 MB and 640 bytes may come back, not more.
    EXPECT_EQ(
        StandIn("head -c 67109505 /dev/zero").Error(),
        "the import of this file grew beyond 64 MB, far more than a file of this size can describe; it is "
        "refused");
    StandIn missing("exit 0");
    missing.model = missing.dir / "gone.fbx";
    EXPECT_EQ(missing.Error(), "the file cannot be read: no such file or directory");
    missing.model = missing.dir / "model.fbx";
    ::unlink((missing.dir / "child").c_str());
    EXPECT_EQ(missing.Error(), "the importer cannot be started: no such file or directory");
    EXPECT_TRUE(NoChildLeft());
}

TEST(AssimpChild, CancellingKillsTheChild) {
    StandIn child("exec sleep 30");
    pw2_Progress progress;
    std::thread user([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        progress.Cancel();
    });
    EXPECT_THROW(child.Import(progress), pw2_Cancelled);
    user.join();
    EXPECT_TRUE(NoChildLeft());
}

TEST(AssimpChild, AGltfFileMayGrowByTheBuffersBesideIt) {
    TempDirectory dir;
    dir.Put("a.gltf", std::string(100, ' '));
    dir.Put("a.fbx", std::string(100, ' '));
    dir.Put("data.bin", std::string(1000, 0));
    dir.Put("more.BIN", std::string(24, 0));
    dir.Put("notes.txt", std::string(5000, 0));
    EXPECT_EQ(pw2_ImportOutputLimit(dir / "a.fbx"), 64 * 100 + (64u << 20));
    EXPECT_EQ(pw2_ImportOutputLimit(dir / "a.gltf"), 64 * 1124 + (64u << 20));
}

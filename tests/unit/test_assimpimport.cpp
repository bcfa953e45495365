// The import through assimp: the scene's flattening against a reference, and the editor's side over
// stand-ins of the child.
#include "assimpimport.h"
#include "assimpscene.h"
#include "plywriter.h"
#include "tempdirectory.h"
#include "weld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <thread>

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

// Three random points, a triangle, a segment and a lone point (aiMesh frees its arrays, with delete[]).
std::unique_ptr<aiMesh> MakeMesh(std::mt19937& random) {
    std::uniform_real_distribution<float> value(-3, 3);
    const std::vector<unsigned int> faces[] = {{0, 1, 2}, {2, 0}, {1}};
    auto mesh = std::make_unique<aiMesh>();
    mesh->mNumVertices = mesh->mNumFaces = 3;
    mesh->mVertices = new aiVector3D[3];
    mesh->mFaces = new aiFace[3];
    for (unsigned int i = 0; i < 3; ++i) {
        mesh->mVertices[i] = aiVector3D(value(random), value(random), value(random));
        mesh->mFaces[i].mNumIndices = static_cast<unsigned int>(faces[i].size());
        mesh->mFaces[i].mIndices = new unsigned int[3];
        std::copy(faces[i].begin(), faces[i].end(), mesh->mFaces[i].mIndices);
    }
    return mesh;
}

// The point where a node puts a vertex of its mesh: its own transform, then each ancestor's in turn.
qzVector3 PlaceUpwards(const Node* node, const aiVector3D& vertex) {
    aiVector3t<double> p(vertex.x, vertex.y, vertex.z);
    for (; node != nullptr; node = node->parent)
        p = pw2_AssimpMatrix(node->mTransformation) * p;
    return qzVector3(p.x, p.y, p.z);
}

} // namespace

TEST(AssimpScene, EveryUseOfAMeshLandsWhereItsNodeChainPutsIt) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> value(-3, 3);
    for (int round = 0; round < 30; ++round) {
        std::unique_ptr<aiMesh> meshes[] = {MakeMesh(random), MakeMesh(random), MakeMesh(random)};
        // Only mesh 0 has colours: NaN and negatives become 0, values beyond 1 become 255.
        meshes[0]->mColors[0] = new aiColor4D[3];
        std::fill_n(meshes[0]->mColors[0], 3, aiColor4D(NAN, 0.5f, 2, -1));
        const aiMesh* table[] = {meshes[0].get(), meshes[1].get(), meshes[2].get()};
        // A random tree of affine transforms, each node added under one on the path to the node before, so
        // that a depth-first walk meets them in order. Nodes use up to two meshes, some beyond the table.
        std::vector<Node> nodes(1 + random() % 12);
        std::vector<Node*> path;
        for (Node& node : nodes) {
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 4; ++c)
                    node.mTransformation[r][c] = value(random);
            for (unsigned int uses = random() % 3; uses > 0; --uses)
                node.meshes.push_back(static_cast<unsigned int>(random() % 4));
            if (!path.empty()) {
                path.resize(1 + random() % path.size());
                node.parent = path.back();
                node.parent->children.push_back(&node);
            }
            path.push_back(&node);
        }
        for (Node& node : nodes)
            node.Seal();
        pw2_MeshData want;
        for (Node& node : nodes) {
            for (unsigned int index : node.meshes) {
                if (index >= 3)
                    continue;
                uint32_t base = static_cast<uint32_t>(want.positions.size());
                for (unsigned int v = 0; v < 3; ++v) {
                    want.positions.push_back(PlaceUpwards(&node, table[index]->mVertices[v]));
                    want.pointcolors.push_back(index == 0 ? qzColor(0, 128, 255, 0) : qzColor(255, 255, 255));
                }
                const uint32_t triangle[] = {base, base + 1, base + 2};
                want.AddFace(triangle, 3);
                want.lines.insert(want.lines.end(), {base + 2, base});
            }
        }
        if (std::count(want.pointcolors.begin(), want.pointcolors.end(), qzColor(0, 128, 255, 0)) == 0)
            want.pointcolors.clear();
        pw2_MeshData got = pw2_MergeAssimpMeshes(pw2_CollectAssimpInstances(nodes[0], table, 3), UINT64_MAX);
        ASSERT_EQ(got.positions.size(), want.positions.size());
        for (size_t i = 0; i < want.positions.size(); ++i) {
            qzVector3 error = got.positions[i] - want.positions[i];
            EXPECT_LT(error.Dot(error), 1e-18 * (1 + want.positions[i].Dot(want.positions[i])));
        }
        EXPECT_EQ(got.facestarts, want.facestarts);
        EXPECT_EQ(got.corners, want.corners);
        EXPECT_EQ(got.lines, want.lines);
        EXPECT_EQ(got.pointcolors, want.pointcolors);
    }
}

TEST(AssimpScene, BrokenOrOversizedScenesAreRefused) {
    std::mt19937 random(1);
    std::unique_ptr<aiMesh> mesh = MakeMesh(random);
    EXPECT_NO_THROW(pw2_MergeAssimpMeshes({{mesh.get(), {}}}, 1000));
    EXPECT_THROW(pw2_MergeAssimpMeshes({{mesh.get(), {}}}, 50), pw2_ModelFileError);
    mesh->mFaces[0].mIndices[2] = 3;
    EXPECT_THROW(pw2_MergeAssimpMeshes({{mesh.get(), {}}}, 1000), pw2_ModelFileError);
    Node loop;
    loop.children = {&loop};
    loop.Seal();
    EXPECT_THROW(pw2_CollectAssimpInstances(loop, nullptr, 0), pw2_ModelFileError);
}

TEST(AssimpChild, EveryWayTheChildEndsBecomesAMeshOrAReason) {
    TempDirectory dir;
    // 10 bytes: an answer of 64 MB and 640 bytes may come back, not more.
    const std::string model = dir / "model.fbx";
    dir.Put("model.fbx", "0123456789");
    // Every point twice, as assimp splits them; the editor welds them again.
    std::mt19937 random(3);
    std::unique_ptr<aiMesh> mesh = MakeMesh(random);
    pw2_MeshData sent = pw2_MergeAssimpMeshes({{mesh.get(), {}}, {mesh.get(), {}}}, UINT64_MAX);
    std::string ply, weldedply;
    pw2_WritePly(sent, pw2_PlyEncoding::BinaryLittleEndian, ply);
    dir.Put("answer.ply", ply);
    pw2_WeldByPosition(sent);
    pw2_WritePly(sent, pw2_PlyEncoding::Ascii, weldedply);

    // The stand-in's script after it checks its arguments, and the reason or the mesh as ASCII PLY.
    const std::pair<std::string, std::string> rows[] = {
        {"cat \"$(dirname \"$0\")/answer.ply\"", weldedply},
        {"printf 'assimp cannot read this file: FBX: unexpected end\\n\\n'; exit 2",
         "assimp cannot read this file: FBX: unexpected end"},
        {"exit 2", "the importer failed without saying why"},
        {"printf 'the import library libassimp.so.5 is not installed'; exit 3",
         "the import library libassimp.so.5 is not installed"},
        {"echo 'out of sorts'; exit 1", "the importer ended unexpectedly (exit code 1)"},
        {"printf 'ply\\n'; kill -SEGV $$",
         "the importer crashed on this file (signal 11, Segmentation fault)"},
        {"exec sleep 60", "cancelled"},
        {"head -c 67109505 /dev/zero", "the import of this file grew beyond 64 MB, far more than a file of "
                                       "this size can describe; it is refused"},
        {"", "the importer cannot be started: no such file or directory"},
    };
    int count = 0;
    for (const auto& [body, answer] : rows) {
        std::string child = dir / ("child" + std::to_string(++count));
        if (!body.empty()) {
            dir.Put("child" + std::to_string(count),
                    "#!/bin/sh\n[ \"$1\" = --import-child ] && [ \"$2\" = '" + model + "' ] || exit 9\n" +
                        body);
            ::chmod(child.c_str(), 0755);
        }
        pw2_Progress progress;
        std::jthread user;
        if (answer == "cancelled")
            user = std::jthread([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                progress.Cancel();
            });
        std::string got;
        try {
            pw2_WritePly(pw2_ImportInChildProcess(child, model, progress), pw2_PlyEncoding::Ascii, got);
        } catch (const pw2_ModelFileError& error) {
            got = error.what();
        } catch (const pw2_Cancelled&) {
            got = "cancelled";
        }
        EXPECT_EQ(got, answer) << body;
    }
}

// The meshes of an imported assimp scene, each placed by the transforms of the nodes that use it, merged
// into one mesh. Pure: only assimp's types and their inline parts, never a call into the library.
#pragma once

#include "meshdata.h"

#include <assimp/mesh.h>
#include <assimp/types.h>

#include <cstdint>
#include <vector>

using pw2_AssimpMatrix = aiMatrix4x4t<double>;

// One use of a mesh by a node: the node's own transform with its ancestors' applied after it.
struct pw2_AssimpInstance {
    const aiMesh* mesh = nullptr;
    pw2_AssimpMatrix transform;
};

// A scene's tree may be shared or even cyclic when a file is broken: the walk stops at this many nodes.
constexpr uint32_t PW2_ASSIMP_MAX_NODES = 1u << 20;

// Every use of a mesh by a node of the tree under root (aiNode, or a stand-in with its fields), in the
// order of a depth-first walk. Mesh numbers outside the scene's meshes, and meshes without points, are
// skipped. Throws pw2_ModelFileError when the tree has more than PW2_ASSIMP_MAX_NODES nodes.
template <class Node>
std::vector<pw2_AssimpInstance> pw2_CollectAssimpInstances(const Node& root, const aiMesh* const* meshes,
                                                           uint32_t meshcount) {
    struct Visit {
        const Node* node;
        pw2_AssimpMatrix parent;
    };
    std::vector<pw2_AssimpInstance> instances;
    std::vector<Visit> pending{{&root, pw2_AssimpMatrix()}};
    uint32_t visited = 0;
    while (!pending.empty()) {
        Visit visit = pending.back();
        pending.pop_back();
        if (++visited > PW2_ASSIMP_MAX_NODES)
            throw pw2_ModelFileError("the file's scene has more than " +
                                     std::to_string(PW2_ASSIMP_MAX_NODES) +
                                     " nodes, more than any model needs");
        pw2_AssimpMatrix transform = visit.parent * pw2_AssimpMatrix(visit.node->mTransformation);
        for (uint32_t i = 0; i < visit.node->mNumMeshes; ++i) {
            uint32_t index = visit.node->mMeshes[i];
            if (index < meshcount && meshes[index] != nullptr && meshes[index]->mVertices != nullptr &&
                meshes[index]->mNumVertices > 0)
                instances.push_back({meshes[index], transform});
        }
        // Pushed last to first, so that the first child is walked first.
        for (uint32_t i = visit.node->mNumChildren; i-- > 0;) {
            if (visit.node->mChildren[i] != nullptr)
                pending.push_back({visit.node->mChildren[i], transform});
        }
    }
    return instances;
}

// The instances' points (transformed; each mesh has points, as pw2_CollectAssimpInstances gives them),
// polygons as they are, two-corner faces as line segments and one-corner faces as points alone, and the first
// colour set as point colours (white for the meshes that have none, when another has one). Corners outside
// their mesh are refused. Throws pw2_ModelFileError when the mesh would take more than maxbytes (about its
// size as binary PLY), before it is built.
pw2_MeshData pw2_MergeAssimpMeshes(const std::vector<pw2_AssimpInstance>& instances, uint64_t maxbytes);

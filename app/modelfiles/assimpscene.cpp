// The merge of an assimp scene's placed meshes into one pw2_MeshData.
#include "assimpscene.h"

#include <limits>

namespace {

qzVector3 Place(const pw2_AssimpMatrix& m, const aiVector3D& v) {
    double x = v.x, y = v.y, z = v.z;
    return qzVector3(m.a1 * x + m.a2 * y + m.a3 * z + m.a4, m.b1 * x + m.b2 * y + m.b3 * z + m.b4,
                     m.c1 * x + m.c2 * y + m.c3 * z + m.c4);
}

struct Counts {
    uint64_t points = 0;
    uint64_t corners = 0;
    uint64_t faces = 0;
    uint64_t segments = 0;
    bool colored = false;

    // Binary PLY: three doubles a point, four colour bytes, a count byte and an index a corner, two
    // indices a segment.
    uint64_t Bytes() const { return points * (24 + (colored ? 4 : 0)) + faces + corners * 4 + segments * 8; }
};

// Calls visit with every face of the mesh that has two corners or more.
template <class Visit> void ForEachFace(const aiMesh& mesh, Visit visit) {
    if (mesh.mFaces == nullptr)
        return;
    for (uint32_t f = 0; f < mesh.mNumFaces; ++f) {
        if (mesh.mFaces[f].mNumIndices >= 2)
            visit(mesh.mFaces[f]);
    }
}

Counts Count(const std::vector<pw2_AssimpInstance>& instances) {
    Counts counts;
    for (const pw2_AssimpInstance& instance : instances) {
        counts.points += instance.mesh->mNumVertices;
        counts.colored |= instance.mesh->mColors[0] != nullptr;
        ForEachFace(*instance.mesh, [&](const aiFace& face) {
            if (face.mNumIndices == 2) {
                ++counts.segments;
            } else {
                ++counts.faces;
                counts.corners += face.mNumIndices;
            }
        });
    }
    return counts;
}

[[noreturn]] void RefuseCorner() {
    throw pw2_ModelFileError("assimp gave a face with a corner outside its mesh");
}

} // namespace

pw2_MeshData pw2_MergeAssimpMeshes(const std::vector<pw2_AssimpInstance>& instances, uint64_t maxbytes) {
    Counts counts = Count(instances);
    constexpr uint64_t MAXINDEX = std::numeric_limits<uint32_t>::max();
    if (counts.points > MAXINDEX || counts.corners > MAXINDEX || counts.faces >= MAXINDEX)
        throw pw2_ModelFileError("the file's scene has more points or corners than one model can hold");
    if (counts.Bytes() > maxbytes)
        throw pw2_ModelFileError("the file's scene would make a model of " +
                                 std::to_string(counts.Bytes() >> 20) + " MB, far more than a file of " +
                                 "this size can describe");

    pw2_MeshData merged;
    merged.positions.reserve(counts.points);
    merged.corners.reserve(counts.corners);
    merged.facestarts.reserve(counts.faces + 1);
    merged.lines.reserve(counts.segments * 2);
    if (counts.colored)
        merged.pointcolors.reserve(counts.points);
    std::vector<uint32_t> face;
    for (const pw2_AssimpInstance& instance : instances) {
        const aiMesh& mesh = *instance.mesh;
        uint32_t base = static_cast<uint32_t>(merged.positions.size());
        for (uint32_t i = 0; i < mesh.mNumVertices; ++i)
            merged.positions.push_back(Place(instance.transform, mesh.mVertices[i]));
        if (counts.colored) {
            const aiColor4D* colors = mesh.mColors[0];
            for (uint32_t i = 0; i < mesh.mNumVertices; ++i) {
                merged.pointcolors.push_back(
                    colors == nullptr
                        ? qzColor(255, 255, 255)
                        : qzColor(pw2_FractionToByte(colors[i].r), pw2_FractionToByte(colors[i].g),
                                  pw2_FractionToByte(colors[i].b), pw2_FractionToByte(colors[i].a)));
            }
        }
        ForEachFace(mesh, [&](const aiFace& source) {
            if (source.mIndices == nullptr)
                RefuseCorner();
            face.clear();
            for (uint32_t c = 0; c < source.mNumIndices; ++c) {
                if (source.mIndices[c] >= mesh.mNumVertices)
                    RefuseCorner();
                face.push_back(base + source.mIndices[c]);
            }
            if (face.size() == 2)
                merged.lines.insert(merged.lines.end(), face.begin(), face.end());
            else
                merged.AddFace(face.data(), static_cast<uint32_t>(face.size()));
        });
    }
    return merged;
}

// The check of every model-file reader's fuzz target: any input either fails with pw2_ModelFileError or reads
// to a sound mesh (indices in range, finite points, colour lists of their parts' lengths), which each of the
// format's writings writes and the reader reads back to, bit for bit. What the format cannot hold (face
// colours in OBJ, edges in OFF, repeated positions in STL) would not come back, so the round trip checks that
// too.
#pragma once

#include "meshdata.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace meshroundtrip {

template <typename T> bool SameBytes(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

inline bool Same(const pw2_MeshData& a, const pw2_MeshData& b) {
    return SameBytes(a.positions, b.positions) && a.corners == b.corners && a.facestarts == b.facestarts &&
           a.lines == b.lines && SameBytes(a.pointcolors, b.pointcolors) &&
           SameBytes(a.facecolors, b.facecolors) && SameBytes(a.cornercolors, b.cornercolors);
}

inline bool Sound(const pw2_MeshData& mesh) {
    const size_t points = mesh.positions.size();
    if (mesh.facestarts.empty() || mesh.facestarts.front() != 0 ||
        mesh.facestarts.back() != mesh.corners.size())
        return false;
    for (size_t f = 1; f < mesh.facestarts.size(); ++f)
        if (mesh.facestarts[f] < mesh.facestarts[f - 1])
            return false;
    for (const std::vector<uint32_t>* indices : {&mesh.corners, &mesh.lines})
        for (uint32_t index : *indices)
            if (index >= points)
                return false;
    for (const qzVector3& p : mesh.positions)
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            return false;
    return mesh.lines.size() % 2 == 0 && (mesh.pointcolors.empty() || mesh.pointcolors.size() == points) &&
           (mesh.facecolors.empty() || mesh.facecolors.size() == mesh.FaceCount()) &&
           (mesh.cornercolors.empty() || mesh.cornercolors.size() == mesh.corners.size());
}

} // namespace meshroundtrip

// read(text) gives a mesh or throws pw2_ModelFileError; each write(mesh, out) appends a file that read takes.
// Aborts on any other outcome.
template <typename Read, typename... Write>
void CheckMeshRoundTrip(std::string_view data, Read read, Write... write) {
    pw2_MeshData mesh;
    try {
        mesh = read(data);
    } catch (const pw2_ModelFileError&) {
        return;
    }
    if (!meshroundtrip::Sound(mesh))
        std::abort();
    auto readback = [&](auto& writer) {
        std::string file;
        try {
            writer(mesh, file);
            if (!meshroundtrip::Same(read(file), mesh))
                std::abort();
        } catch (const pw2_ModelFileError&) {
            std::abort();
        }
    };
    (readback(write), ...);
}

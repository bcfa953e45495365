// Fuzz target: any input given to the PLY reader either throws pw2_ModelFileError or gives a mesh whose
// indices all lie in range and which the writer writes in every encoding and the reader reads back to the
// same mesh, bit for bit.
#include "plyreader.h"
#include "plywriter.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool InRange(const pw2_MeshData& mesh) {
    size_t points = mesh.positions.size();
    if (mesh.facestarts.empty() || mesh.facestarts.front() != 0 ||
        mesh.facestarts.back() != mesh.corners.size())
        return false;
    for (size_t f = 0; f + 1 < mesh.facestarts.size(); ++f)
        if (mesh.facestarts[f] > mesh.facestarts[f + 1])
            return false;
    for (uint32_t corner : mesh.corners)
        if (corner >= points)
            return false;
    if (mesh.lines.size() % 2 != 0)
        return false;
    for (uint32_t point : mesh.lines)
        if (point >= points)
            return false;
    for (const qzVector3& p : mesh.positions)
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            return false;
    return (mesh.pointcolors.empty() || mesh.pointcolors.size() == points) &&
           (mesh.facecolors.empty() || mesh.facecolors.size() == mesh.FaceCount()) &&
           mesh.cornercolors.empty();
}

template <typename T> bool SameBytes(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

bool Same(const pw2_MeshData& a, const pw2_MeshData& b) {
    return SameBytes(a.positions, b.positions) && a.corners == b.corners && a.facestarts == b.facestarts &&
           a.lines == b.lines && SameBytes(a.pointcolors, b.pointcolors) &&
           SameBytes(a.facecolors, b.facecolors) && b.cornercolors.empty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    pw2_Progress progress;
    pw2_MeshData mesh;
    try {
        mesh = pw2_ReadPly(std::string_view(reinterpret_cast<const char*>(bytes), size), progress);
    } catch (const pw2_ModelFileError&) {
        return 0;
    }
    if (!InRange(mesh))
        std::abort();
    for (pw2_PlyEncoding encoding :
         {pw2_PlyEncoding::Ascii, pw2_PlyEncoding::BinaryLittleEndian, pw2_PlyEncoding::BinaryBigEndian}) {
        std::string file;
        pw2_WritePly(mesh, encoding, file);
        try {
            if (!Same(pw2_ReadPly(file, progress), mesh))
                std::abort();
        } catch (const pw2_ModelFileError&) {
            std::abort();
        }
    }
    return 0;
}

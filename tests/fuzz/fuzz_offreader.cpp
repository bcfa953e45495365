// Fuzz target: any text given to the OFF reader either throws pw2_ModelFileError or gives a mesh whose
// indices are all in range, which the writer writes and the reader reads back to the same mesh.
#include "offreader.h"
#include "offwriter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool SameColors(const std::vector<qzColor>& a, const std::vector<qzColor>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i]))
            return false;
    return true;
}

bool Same(const pw2_MeshData& a, const pw2_MeshData& b) {
    return a.positions.size() == b.positions.size() &&
           (a.positions.empty() || std::memcmp(a.positions.data(), b.positions.data(),
                                               a.positions.size() * sizeof(qzVector3)) == 0) &&
           a.corners == b.corners && a.facestarts == b.facestarts && a.lines.empty() && b.lines.empty() &&
           SameColors(a.pointcolors, b.pointcolors) && SameColors(a.facecolors, b.facecolors) &&
           a.cornercolors.empty() && b.cornercolors.empty();
}

bool InRange(const pw2_MeshData& mesh) {
    const size_t points = mesh.positions.size();
    if (mesh.facestarts.empty() || mesh.facestarts.front() != 0 ||
        mesh.facestarts.back() != mesh.corners.size())
        return false;
    for (size_t f = 1; f < mesh.facestarts.size(); ++f)
        if (mesh.facestarts[f] < mesh.facestarts[f - 1])
            return false;
    for (uint32_t index : mesh.corners)
        if (index >= points)
            return false;
    return (mesh.pointcolors.empty() || mesh.pointcolors.size() == points) &&
           (mesh.facecolors.empty() || mesh.facecolors.size() == mesh.FaceCount());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    pw2_Progress progress;
    pw2_MeshData mesh;
    try {
        mesh = pw2_ReadOff(std::string_view(reinterpret_cast<const char*>(bytes), size), progress);
    } catch (const pw2_ModelFileError&) {
        return 0;
    }
    if (!InRange(mesh))
        std::abort();
    std::string written;
    pw2_WriteOff(mesh, written);
    pw2_MeshData again;
    try {
        again = pw2_ReadOff(written, progress);
    } catch (const pw2_ModelFileError&) {
        std::abort();
    }
    if (!Same(mesh, again))
        std::abort();
    return 0;
}

// Fuzz target: any input given to the STL reader either throws pw2_ModelFileError or gives triangles over
// distinct points, all in range, which the writer writes in binary and in ASCII and the reader reads back
// to the same mesh, bit for bit.
#include "stlreader.h"
#include "stlwriter.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

namespace {

bool ValidTriangles(const pw2_MeshData& mesh) {
    if (mesh.corners.size() % 3 != 0 || mesh.facestarts.size() != mesh.corners.size() / 3 + 1)
        return false;
    for (size_t f = 0; f < mesh.facestarts.size(); ++f)
        if (mesh.facestarts[f] != 3 * f)
            return false;
    for (uint32_t corner : mesh.corners)
        if (corner >= mesh.positions.size())
            return false;
    // the weld leaves one point per position, with -0.0 and 0.0 alike
    std::set<std::array<double, 3>> distinct;
    for (const qzVector3& p : mesh.positions) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z) || float(p.x) != p.x ||
            float(p.y) != p.y || float(p.z) != p.z)
            return false;
        distinct.insert({p.x + 0.0, p.y + 0.0, p.z + 0.0});
    }
    return distinct.size() == mesh.positions.size() && mesh.lines.empty() && mesh.pointcolors.empty() &&
           mesh.facecolors.empty() && mesh.cornercolors.empty();
}

bool Same(const pw2_MeshData& a, const pw2_MeshData& b) {
    return a.positions.size() == b.positions.size() &&
           (a.positions.empty() || std::memcmp(a.positions.data(), b.positions.data(),
                                               a.positions.size() * sizeof(qzVector3)) == 0) &&
           a.corners == b.corners && a.facestarts == b.facestarts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    pw2_Progress progress;
    pw2_MeshData mesh;
    try {
        mesh = pw2_ReadStl(std::string_view(reinterpret_cast<const char*>(bytes), size), progress);
    } catch (const pw2_ModelFileError&) {
        return 0;
    }
    if (!ValidTriangles(mesh))
        std::abort();
    for (bool binary : {true, false}) {
        std::string file;
        try {
            pw2_WriteStl(mesh, binary, file);
            if (!Same(pw2_ReadStl(file, progress), mesh))
                std::abort();
        } catch (const pw2_ModelFileError&) {
            std::abort();
        }
    }
    return 0;
}

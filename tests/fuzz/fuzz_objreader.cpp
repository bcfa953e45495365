// Fuzz target: any text given to the OBJ reader, in one chunk or in three, either fails alike both ways with
// pw2_ModelFileError or reads alike to a mesh whose indices are all in range, which the writer writes and the
// reader reads back to the same mesh.
#include "objreader.h"
#include "objwriter.h"

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
           a.corners == b.corners && a.facestarts == b.facestarts && a.lines == b.lines &&
           SameColors(a.pointcolors, b.pointcolors) && a.facecolors.empty() && b.facecolors.empty() &&
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
    for (uint32_t index : mesh.lines)
        if (index >= points)
            return false;
    return mesh.lines.size() % 2 == 0 && (mesh.pointcolors.empty() || mesh.pointcolors.size() == points);
}

// The mesh, or the fault's line and reason.
std::string Read(std::string_view text, uint32_t chunks, pw2_MeshData& mesh) {
    pw2_Progress progress;
    try {
        mesh = pw2_ReadObj(text, progress, chunks);
        return "";
    } catch (const pw2_ModelFileError& e) {
        return std::to_string(e.line) + ": " + e.reason;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(bytes), size);
    pw2_MeshData mesh, chunked;
    std::string fault = Read(text, 1, mesh);
    if (Read(text, 3, chunked) != fault)
        std::abort();
    if (!fault.empty())
        return 0;
    if (!Same(mesh, chunked) || !InRange(mesh))
        std::abort();
    std::string written;
    pw2_WriteObj(mesh, written);
    pw2_MeshData again;
    if (!Read(written, 1, again).empty() || !Same(mesh, again))
        std::abort();
    return 0;
}

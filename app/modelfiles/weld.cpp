// The weld of points at exactly the same position, through the position index, with the colours and indices
// that follow the points.
#include "weld.h"

#include "positionindex.h"

#include <vector>

namespace {

// Point colours follow the first point at each position; when a later point of the same position has
// another colour that its corners would show, every corner takes its point's colour first.
void MergeColors(pw2_MeshData& mesh, const std::vector<uint32_t>& newindex) {
    std::vector<qzColor>& colors = mesh.pointcolors;
    if (colors.size() != newindex.size())
        return;
    std::vector<qzColor> merged(mesh.positions.size());
    bool lost = false;
    uint32_t next = 0;
    for (size_t i = 0; i < newindex.size(); ++i) {
        if (newindex[i] == next)
            merged[next++] = colors[i];
        else if (!(merged[newindex[i]] == colors[i]))
            lost = true;
    }
    // corner and face colours come before point colours, so that only a mesh without them loses any
    if (lost && mesh.cornercolors.empty() && mesh.facecolors.empty()) {
        mesh.cornercolors.resize(mesh.corners.size());
        for (size_t c = 0; c < mesh.corners.size(); ++c)
            mesh.cornercolors[c] = colors[mesh.corners[c]];
    }
    colors = std::move(merged);
}

} // namespace

void pw2_WeldByPosition(pw2_MeshData& mesh) {
    size_t count = mesh.positions.size();
    if (count == 0)
        return;
    std::vector<uint32_t> newindex(count);
    {
        pw2_PositionIndex index(count);
        pw2_JoinPositions(
            index, count, [&](size_t i) -> const qzVector3& { return mesh.positions[i]; },
            [&](size_t i, uint32_t joined) { newindex[i] = joined; });
        mesh.positions = index.TakePositions();
    }
    MergeColors(mesh, newindex);
    for (uint32_t& corner : mesh.corners)
        corner = newindex[corner];
    for (uint32_t& point : mesh.lines)
        point = newindex[point];
}

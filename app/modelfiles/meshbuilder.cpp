#include "meshbuilder.h"

#include "pw2_modelgeometry.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint32_t REPORTEVERY = 1u << 16;

} // namespace

std::string pw2_BuildReport::Reason() const {
    std::string reason;
    if (fewcorners > 0)
        reason =
            std::to_string(fewcorners) + (fewcorners == 1 ? " has" : " have") + " fewer than three corners";
    if (repeatedpoints > 0) {
        if (!reason.empty())
            reason += ", ";
        reason +=
            std::to_string(repeatedpoints) + (repeatedpoints == 1 ? " repeats" : " repeat") + " a point";
    }
    return reason;
}

pw2_BuildReport pw2_BuildGeometry(const pw2_MeshData& mesh, pw2_ModelGeometry& geometry,
                                  pw2_Progress& progress) {
    pw2_BuildReport report;
    const uint32_t facecount = mesh.FaceCount();
    const uint64_t work = uint64_t(mesh.positions.size()) + facecount + mesh.lines.size() / 2;
    uint64_t done = 0;
    std::vector<pw2_ModelPoint*> points(mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        if (i % REPORTEVERY == 0)
            progress.Report(done + i, work);
        points[i] = geometry.CreatePoint();
        points[i]->position = mesh.positions[i];
    }
    done += points.size();
    std::vector<uint32_t> corners;
    std::vector<qzColor> colors;
    std::vector<uint32_t> scratch;
    for (uint32_t f = 0; f < facecount; ++f) {
        if (f % REPORTEVERY == 0)
            progress.Report(done + f, work);
        const uint32_t begin = mesh.facestarts[f], end = mesh.facestarts[f + 1];
        corners.assign(mesh.corners.begin() + begin, mesh.corners.begin() + end);
        // the readers check every index; a mesh from anywhere else must not reach past the points either
        for (uint32_t index : corners)
            if (index >= points.size())
                throw pw2_ModelFileError("face " + std::to_string(f + 1) +
                                         " uses a point that does not exist");
        colors.resize(corners.size());
        for (uint32_t c = begin; c < end; ++c)
            colors[c - begin] = mesh.CornerColor(f, c);
        const uint32_t count = pw2_DropRepeatedNeighbours(corners, colors);
        if (count < 3) {
            ++report.fewcorners;
            continue;
        }
        if (pw2_RepeatsAPoint(corners.data(), count, scratch)) {
            ++report.repeatedpoints;
            continue;
        }
        pw2_ModelFace* face = geometry.CreateFace(count);
        for (uint32_t i = 0; i < count; ++i) {
            geometry.SetVertexPoint(&face->vertices[i], points[corners[i]]);
            face->vertices[i].color = colors[i];
        }
        geometry.ConnectFace();
    }
    done += facecount;
    for (size_t i = 0; i + 1 < mesh.lines.size(); i += 2) {
        if (i % REPORTEVERY == 0)
            progress.Report(done + i / 2, work);
        if (mesh.lines[i] >= points.size() || mesh.lines[i + 1] >= points.size())
            throw pw2_ModelFileError("a line uses a point that does not exist");
        if (mesh.lines[i] != mesh.lines[i + 1])
            geometry.FindOrCreateEdge(points[mesh.lines[i]], points[mesh.lines[i + 1]]);
    }
    progress.Report(work, work);
    geometry.UpdateFaceNormals();
    return report;
}

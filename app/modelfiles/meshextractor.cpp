#include "meshextractor.h"

#include "pw2_modelgeometry.h"
#include "pw2_pointindex.h"

#include <cstdint>
#include <vector>

namespace {

bool IsWhite(qzColor color) {
    return color == qzColor(255, 255, 255, 255);
}

// Moves corner colours into the simplest form that keeps them, or drops them when all are white.
void SimplifyColors(pw2_MeshData& mesh) {
    std::vector<qzColor>& corner = mesh.cornercolors;
    bool allwhite = true;
    for (qzColor color : corner)
        allwhite = allwhite && IsWhite(color);
    if (!allwhite) {
        std::vector<qzColor> point(mesh.positions.size());
        std::vector<uint8_t> seen(mesh.positions.size(), 0);
        bool perpoint = true;
        for (size_t c = 0; c < mesh.corners.size() && perpoint; ++c) {
            uint32_t p = mesh.corners[c];
            if (!seen[p]) {
                seen[p] = 1;
                point[p] = corner[c];
            } else if (!(point[p] == corner[c])) {
                perpoint = false;
            }
        }
        if (perpoint) {
            // points that no face uses have no colour of their own
            for (size_t p = 0; p < point.size(); ++p)
                if (!seen[p])
                    point[p] = qzColor(255, 255, 255, 255);
            mesh.pointcolors = std::move(point);
        } else {
            mesh.facecolors.resize(mesh.FaceCount());
            for (uint32_t f = 0; f < mesh.FaceCount(); ++f)
                mesh.facecolors[f] = corner[mesh.facestarts[f]];
        }
    }
    corner.clear();
    corner.shrink_to_fit();
}

} // namespace

pw2_MeshData pw2_ExtractMesh(const pw2_ModelGeometry& geometry) {
    pw2_MeshData mesh;
    mesh.positions.reserve(geometry.pointcount);
    pw2_PointIndex index(geometry.pointcount);
    uint32_t next = 0;
    for (const pw2_ModelPoint* point = geometry.firstpoint; point != nullptr; point = point->next) {
        mesh.positions.push_back(point->position);
        index.Insert(point, next++);
    }
    mesh.facestarts.reserve(size_t(geometry.facecount) + 1);
    for (const pw2_ModelFace* face = geometry.firstface; face != nullptr; face = face->next) {
        // a face still waiting for its points is not a face yet
        if (face == geometry.connecting_face)
            continue;
        for (uint32_t i = 0; i < face->vertexcount; ++i) {
            mesh.corners.push_back(index.Find(face->vertices[i].point));
            mesh.cornercolors.push_back(face->vertices[i].color);
        }
        mesh.facestarts.push_back(uint32_t(mesh.corners.size()));
    }
    for (const pw2_ModelEdge* edge = geometry.firstedge; edge != nullptr; edge = edge->next) {
        if (edge->firstvertex != nullptr)
            continue;
        mesh.lines.push_back(index.Find(edge->ends[0].point));
        mesh.lines.push_back(index.Find(edge->ends[1].point));
    }
    SimplifyColors(mesh);
    return mesh;
}

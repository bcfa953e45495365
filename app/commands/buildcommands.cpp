#include "commands.h"
#include "pw2_modelgeometry.h"

#include <algorithm>

pw2_ModelPoint* pw2_AddPoint(pw2_ModelGeometry& geometry, const qzVector3& position) {
    pw2_SelectAll(geometry, false);
    pw2_ModelPoint* point = geometry.CreatePoint();
    point->position = position;
    geometry.SetSelected(point, true);
    return point;
}

void pw2_AddEdge(pw2_ModelGeometry& geometry) {
    const std::vector<pw2_ModelPoint*> points = pw2_SelectedPoints(geometry);
    if (points.size() != 2)
        throw pw2_Refusal{"Edge needs exactly two selected points."};
    for (const pw2_ModelEdgeEnd* end = points[0]->firstend; end != nullptr; end = end->next)
        if (end->edge->ends[0].point == points[1] || end->edge->ends[1].point == points[1])
            throw pw2_Refusal{"The two selected points already have an edge."};
    geometry.FindOrCreateEdge(points[0], points[1]);
}

void pw2_AddFace(pw2_ModelGeometry& geometry, const std::vector<pw2_ModelPoint*>& points,
                 const qzVector3& towardviewer) {
    if (points.size() < 3)
        throw pw2_Refusal{"Face needs at least three selected points."};
    // The area vector about the first corner tells which way the corners run as seen by the viewer.
    qzVector3 area;
    for (size_t i = 1; i + 1 < points.size(); ++i)
        area +=
            (points[i]->position - points[0]->position).Cross(points[i + 1]->position - points[0]->position);
    const bool reverse = area.Dot(towardviewer) < 0;
    pw2_ModelFace* face = geometry.CreateFace(static_cast<uint32_t>(points.size()));
    for (size_t i = 0; i < points.size(); ++i) {
        pw2_ModelVertex& corner = face->vertices[i];
        geometry.SetVertexPoint(&corner, points[reverse ? points.size() - 1 - i : i]);
        corner.color = PW2_NEW_FACE_COLOR;
    }
    geometry.ConnectFace();
    geometry.UpdateFaceNormal(face);
}

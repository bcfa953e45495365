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
    if (geometry.FindEdge(points[0], points[1]) != nullptr)
        throw pw2_Refusal{"The two selected points already have an edge."};
    geometry.FindOrCreateEdge(points[0], points[1]);
}

void pw2_AddFace(pw2_ModelGeometry& geometry, const std::vector<pw2_ModelPoint*>& points,
                 const qzVector3& towardviewer) {
    if (points.size() < 3)
        throw pw2_Refusal{"Face needs at least three selected points."};
    // the area vector tells which way the corners run as seen by the viewer
    const qzVector3 area =
        pw2_AreaVector(static_cast<uint32_t>(points.size()),
                       [&points](uint32_t i) -> const qzVector3& { return points[i]->position; });
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

#include "commands.h"
#include "pw2_modelgeometry.h"

// The copies are made in the orders of the geometry's lists, so a copy reads like its original. Each
// selected point's copy link names its copy while the command runs.
void pw2_DuplicateSelected(pw2_ModelGeometry& geometry, const qzVector3& offset) {
    const std::vector<pw2_ModelPoint*> points = pw2_SelectedPoints(geometry);
    if (points.empty())
        throw pw2_Refusal{"Duplicate needs selected points."};
    for (pw2_ModelPoint* point : points) {
        point->copy = geometry.CreatePoint();
        point->copy->position = point->position + offset;
    }
    // what the copies add to the lists comes after the last original, where the walks stop
    const pw2_ModelEdge* lastedge = geometry.lastedge;
    for (pw2_ModelEdge* edge = geometry.firstedge; edge != nullptr; edge = edge->next) {
        if (edge->ends[0].point->selected && edge->ends[1].point->selected)
            geometry.FindOrCreateEdge(edge->ends[0].point->copy, edge->ends[1].point->copy);
        if (edge == lastedge)
            break;
    }
    const pw2_ModelFace* lastface = geometry.lastface;
    for (pw2_ModelFace* face = geometry.firstface; face != nullptr; face = face->next) {
        bool all = true;
        for (uint32_t i = 0; i < face->vertexcount && all; ++i)
            all = face->vertices[i].point->selected != 0;
        if (all) {
            pw2_ModelFace* copy = geometry.CreateFace(face->vertexcount);
            for (uint32_t i = 0; i < face->vertexcount; ++i) {
                geometry.SetVertexPoint(&copy->vertices[i], face->vertices[i].point->copy);
                copy->vertices[i].color = face->vertices[i].color;
            }
            geometry.ConnectFace();
            geometry.UpdateFaceNormal(copy);
        }
        if (face == lastface)
            break;
    }
    for (pw2_ModelPoint* point : points) {
        geometry.SetSelected(point, false);
        geometry.SetSelected(point->copy, true);
        point->copy = nullptr;
    }
}

#include "commands.h"
#include "meshbuilder.h"
#include "pw2_modelgeometry.h"

#include <unordered_set>

namespace {

struct FaceCorners {
    std::vector<pw2_ModelPoint*> points;
    std::vector<qzColor> colors;
};

} // namespace

// The first selected point stays and takes the mean position; every face and edge at the others is made
// again at it, by the rules of a face's corners, and the others go with what they held.
void pw2_MergeSelected(pw2_ModelGeometry& geometry) {
    const std::vector<pw2_ModelPoint*> points = pw2_SelectedPoints(geometry);
    if (points.size() < 2)
        throw pw2_Refusal{"Merge needs at least two selected points."};
    pw2_ModelPoint* kept = points.front();
    qzVector3 mean;
    for (const pw2_ModelPoint* point : points)
        mean += point->position;
    mean *= 1.0 / static_cast<double>(points.size());
    auto merged = [kept](pw2_ModelPoint* point) { return point->selected ? kept : point; };

    std::unordered_set<const pw2_ModelFace*> seen;
    std::vector<FaceCorners> faces;
    std::vector<pw2_ModelPoint*> ends;
    std::vector<pw2_ModelPoint*> scratch;
    for (size_t k = 1; k < points.size(); ++k) {
        for (const pw2_ModelVertex* corner = points[k]->firstvertex; corner != nullptr;
             corner = corner->pointnext) {
            const pw2_ModelFace* face = corner->face;
            if (!seen.insert(face).second)
                continue;
            FaceCorners made;
            for (uint32_t i = 0; i < face->vertexcount; ++i) {
                made.points.push_back(merged(face->vertices[i].point));
                made.colors.push_back(face->vertices[i].color);
            }
            const uint32_t count = pw2_DropRepeatedNeighbours(made.points, made.colors);
            if (count < 3 || pw2_RepeatsAPoint(made.points.data(), count, scratch))
                continue;
            made.points.resize(count);
            made.colors.resize(count);
            faces.push_back(std::move(made));
        }
        for (const pw2_ModelEdgeEnd* end = points[k]->firstend; end != nullptr; end = end->next) {
            const pw2_ModelEdgeEnd& other = end->edge->ends[end == &end->edge->ends[0] ? 1 : 0];
            if (merged(other.point) != kept)
                ends.push_back(other.point);
        }
    }
    for (size_t k = 1; k < points.size(); ++k)
        geometry.RemovePoint(points[k]);
    geometry.SetPosition(kept, mean);
    for (pw2_ModelPoint* other : ends)
        geometry.FindOrCreateEdge(kept, other);
    for (const FaceCorners& made : faces) {
        pw2_ModelFace* face = geometry.CreateFace(static_cast<uint32_t>(made.points.size()));
        for (size_t i = 0; i < made.points.size(); ++i) {
            geometry.SetVertexPoint(&face->vertices[i], made.points[i]);
            face->vertices[i].color = made.colors[i];
        }
        geometry.ConnectFace();
    }
    geometry.UpdateNormalsAt({kept});
}

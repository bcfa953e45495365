#include "commands.h"
#include "pw2_modelgeometry.h"

void pw2_DeleteSelected(pw2_ModelGeometry& geometry) {
    const std::vector<pw2_ModelPoint*> points = pw2_SelectedPoints(geometry);
    if (points.empty())
        throw pw2_Refusal{"Delete needs selected points."};
    for (pw2_ModelPoint* point : points)
        geometry.RemovePoint(point);
}

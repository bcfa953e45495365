#include "commands.h"
#include "pw2_modelgeometry.h"

#include <unordered_set>

std::vector<pw2_ModelPoint*> pw2_SelectedPoints(const pw2_ModelGeometry& geometry) {
    std::vector<pw2_ModelPoint*> points;
    for (pw2_ModelPoint* point = geometry.firstpoint; point != nullptr; point = point->next)
        if (point->selected)
            points.push_back(point);
    return points;
}

void pw2_SelectAll(pw2_ModelGeometry& geometry, bool selected) {
    for (pw2_ModelPoint* point = geometry.firstpoint; point != nullptr; point = point->next)
        geometry.SetSelected(point, selected);
}

void pw2_SelectOnly(pw2_ModelGeometry& geometry, const std::vector<pw2_ModelPoint*>& points, bool add) {
    if (!add) {
        const std::unordered_set<const pw2_ModelPoint*> wanted(points.begin(), points.end());
        for (pw2_ModelPoint* point = geometry.firstpoint; point != nullptr; point = point->next)
            if (point->selected && wanted.count(point) == 0)
                geometry.SetSelected(point, false);
    }
    for (pw2_ModelPoint* point : points)
        geometry.SetSelected(point, true);
}

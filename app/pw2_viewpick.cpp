#include "pw2_viewpick.h"

#include "pw2_modelgeometry.h"

#include <algorithm>

bool pw2_ViewPick::ToImage(const qzVector3& position, double& x, double& y, double& depth) const {
    double w = 0;
    const qzVector3 p = transform.ProjectPoint(position, &w);
    if (!(w > 0))
        return false;
    x = (p.x + 1) * 0.5 * width;
    y = (1 - p.y) * 0.5 * height;
    depth = p.z;
    return true;
}

pw2_ModelPoint* pw2_ViewPick::Nearest(const pw2_ModelGeometry& geometry, double x, double y,
                                      double radius) const {
    pw2_ModelPoint* best = nullptr;
    double bestdistance = radius * radius, bestdepth = 0;
    for (pw2_ModelPoint* point = geometry.firstpoint; point != nullptr; point = point->next) {
        double px, py, depth;
        if (!ToImage(point->position, px, py, depth))
            continue;
        const double distance = (px - x) * (px - x) + (py - y) * (py - y);
        if (distance > bestdistance || (distance == bestdistance && best != nullptr && depth >= bestdepth))
            continue;
        best = point;
        bestdistance = distance;
        bestdepth = depth;
    }
    return best;
}

std::vector<pw2_ModelPoint*> pw2_ViewPick::Inside(const pw2_ModelGeometry& geometry, double x0, double y0,
                                                  double x1, double y1) const {
    const double left = std::min(x0, x1), right = std::max(x0, x1);
    const double top = std::min(y0, y1), bottom = std::max(y0, y1);
    std::vector<pw2_ModelPoint*> points;
    for (pw2_ModelPoint* point = geometry.firstpoint; point != nullptr; point = point->next) {
        double px, py, depth;
        if (ToImage(point->position, px, py, depth) && px >= left && px <= right && py >= top && py <= bottom)
            points.push_back(point);
    }
    return points;
}

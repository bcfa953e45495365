// The points of a geometry where a view's image shows them: the one nearest to the mouse, and those inside a
// rectangle (all of them, hidden or not, as the schematic mode shows them through the faces).
#pragma once

#include "qzmatrix.h"

#include <cstdint>
#include <vector>

class pw2_ModelGeometry;
struct pw2_ModelPoint;

struct pw2_ViewPick {
    // the view matrix times the projection
    qzMatrix transform;
    // the image's size in pixels
    double width = 1, height = 1;

    // A point's place in the image, in pixels from its top left corner; false when it lies behind the eye.
    bool ToImage(const qzVector3& position, double& x, double& y, double& depth) const;
    // The point nearest to (x, y) within radius pixels, the nearest to the eye among equally near ones;
    // null when there is none.
    pw2_ModelPoint* Nearest(const pw2_ModelGeometry& geometry, double x, double y, double radius) const;
    // The points inside the rectangle between two corners, in list order.
    std::vector<pw2_ModelPoint*> Inside(const pw2_ModelGeometry& geometry, double x0, double y0, double x1,
                                        double y1) const;
};

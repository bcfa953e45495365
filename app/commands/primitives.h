// The closed shapes of the "Geometry" panel, built with the geometry's own operations: every face wound
// counter-clockwise seen from outside, so that its normal points outward.
#pragma once

#include "qzcolor.h"
#include "qzvector.h"

#include <vector>

class pw2_ModelGeometry;
struct pw2_ModelPoint;

enum class pw2_Primitive { PLANE, BLOCK, CYLINDER, CONE, SPHERE, TORUS, ICOSAHEDRON };

// Where a shape goes: its centre, its size (the side of a plane or a block, the diameter of the round ones)
// and its axes, u and v in the view's grid plane and w = u x v, which the shape's own axis (of a cylinder,
// cone or torus, or a sphere's poles) follows; a plane lies in the u-v plane and faces w.
struct pw2_Placement {
    qzVector3 centre;
    double size = 1;
    qzVector3 u{1, 0, 0}, v{0, 1, 0}, w{0, 0, 1};
};

// Builds the shape with color on every corner and answers its points in the order made.
std::vector<pw2_ModelPoint*> pw2_BuildPrimitive(pw2_ModelGeometry& geometry, pw2_Primitive kind,
                                                const pw2_Placement& placement, qzColor color);

// Each shape is laid out in its own frame (a, b, c along u, v, w from the centre), so that one counter-
// clockwise corner order per face serves every placement.
#include "primitives.h"

#include "pw2_modelgeometry.h"

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace {

constexpr int ROUNDSEGMENTS = 16;
constexpr int SPHEREBANDS = 8;
constexpr int TORUSSEGMENTS = 24;
constexpr int TUBESEGMENTS = 12;
// the tube radius of a torus per its overall diameter
constexpr double TUBERATIO = 1.0 / 8;

class ShapeBuilder {
public:
    ShapeBuilder(pw2_ModelGeometry& geometry, const pw2_Placement& placement, qzColor color)
        : geometry(geometry), placement(placement), color(color) {}

    // A new point at (a, b, c) in the shape's frame; answers its index among the shape's points.
    int Point(double a, double b, double c) {
        pw2_ModelPoint* point = geometry.CreatePoint();
        point->position = placement.centre + placement.u * a + placement.v * b + placement.w * c;
        points.push_back(point);
        return static_cast<int>(points.size()) - 1;
    }

    // n points on a circle around w at height c, counter-clockwise seen from +w, the first on +u; answers
    // the index of the first.
    int Ring(double radius, double c, int n) {
        int first = static_cast<int>(points.size());
        for (int i = 0; i < n; ++i) {
            double angle = 2 * std::numbers::pi * i / n;
            Point(radius * std::cos(angle), radius * std::sin(angle), c);
        }
        return first;
    }

    // A face over the shape's points by index; the points are all placed, so its normal is final.
    void Face(const std::vector<int>& corners) {
        pw2_ModelFace* face = geometry.CreateFace(static_cast<uint32_t>(corners.size()));
        for (uint32_t i = 0; i < face->vertexcount; ++i) {
            geometry.SetVertexPoint(&face->vertices[i], points[corners[i]]);
            face->vertices[i].color = color;
        }
        geometry.ConnectFace();
        geometry.UpdateFaceNormal(face);
    }

    // The face over a whole ring, facing +w or -w.
    void Cap(int first, int n, bool up) {
        std::vector<int> corners;
        for (int i = 0; i < n; ++i)
            corners.push_back(first + (up ? i : n - 1 - i));
        Face(corners);
    }

    std::vector<pw2_ModelPoint*> points;

private:
    pw2_ModelGeometry& geometry;
    const pw2_Placement& placement;
    qzColor color;
};

void BuildPlane(ShapeBuilder& s, double r) {
    s.Point(-r, -r, 0);
    s.Point(r, -r, 0);
    s.Point(r, r, 0);
    s.Point(-r, r, 0);
    s.Face({0, 1, 2, 3});
}

void BuildBlock(ShapeBuilder& s, double r) {
    // bit 0 of a point's index sets its a, bit 1 its b, bit 2 its c
    for (int k = 0; k < 8; ++k)
        s.Point(k & 1 ? r : -r, k & 2 ? r : -r, k & 4 ? r : -r);
    s.Face({0, 2, 3, 1});
    s.Face({4, 5, 7, 6});
    s.Face({0, 1, 5, 4});
    s.Face({2, 6, 7, 3});
    s.Face({0, 4, 6, 2});
    s.Face({1, 3, 7, 5});
}

// The quads between two rings of n points, the second above the first.
void Band(ShapeBuilder& s, int lower, int upper, int n) {
    for (int i = 0; i < n; ++i) {
        int j = (i + 1) % n;
        s.Face({lower + i, lower + j, upper + j, upper + i});
    }
}

void BuildCylinder(ShapeBuilder& s, double r) {
    const int n = ROUNDSEGMENTS;
    int bottom = s.Ring(r, -r, n);
    int top = s.Ring(r, r, n);
    Band(s, bottom, top, n);
    s.Cap(top, n, true);
    s.Cap(bottom, n, false);
}

void BuildCone(ShapeBuilder& s, double r) {
    const int n = ROUNDSEGMENTS;
    int base = s.Ring(r, -r, n);
    int tip = s.Point(0, 0, r);
    s.Cap(base, n, false);
    for (int i = 0; i < n; ++i)
        s.Face({base + i, base + (i + 1) % n, tip});
}

void BuildSphere(ShapeBuilder& s, double r) {
    const int n = ROUNDSEGMENTS;
    int south = s.Point(0, 0, -r);
    std::vector<int> rings;
    for (int k = 1; k < SPHEREBANDS; ++k) {
        double polar = std::numbers::pi * k / SPHEREBANDS;
        rings.push_back(s.Ring(r * std::sin(polar), -r * std::cos(polar), n));
    }
    int north = s.Point(0, 0, r);
    for (int i = 0; i < n; ++i)
        s.Face({south, rings.front() + (i + 1) % n, rings.front() + i});
    for (size_t k = 0; k + 1 < rings.size(); ++k)
        Band(s, rings[k], rings[k + 1], n);
    for (int i = 0; i < n; ++i)
        s.Face({rings.back() + i, rings.back() + (i + 1) % n, north});
}

void BuildTorus(ShapeBuilder& s, double r, double size) {
    const int n = TORUSSEGMENTS, m = TUBESEGMENTS;
    double tube = size * TUBERATIO, core = r - tube;
    for (int i = 0; i < n; ++i) {
        double around = 2 * std::numbers::pi * i / n;
        for (int j = 0; j < m; ++j) {
            double across = 2 * std::numbers::pi * j / m;
            double radius = core + tube * std::cos(across);
            s.Point(radius * std::cos(around), radius * std::sin(around), tube * std::sin(across));
        }
    }
    auto at = [&](int i, int j) { return (i % n) * m + j % m; };
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < m; ++j)
            s.Face({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
}

void BuildIcosahedron(ShapeBuilder& s, double r) {
    // the corners are the cyclic permutations of (0, +-1, +-phi); neighbours lie 2 apart, others 2 phi or
    // more
    const double phi = std::numbers::phi;
    std::vector<qzVector3> corners;
    for (int axis = 0; axis < 3; ++axis) {
        for (int signs = 0; signs < 4; ++signs) {
            double c[3] = {0, 0, 0};
            c[(axis + 1) % 3] = signs & 1 ? 1 : -1;
            c[(axis + 2) % 3] = signs & 2 ? phi : -phi;
            corners.emplace_back(c[0], c[1], c[2]);
        }
    }
    double scale = r / std::sqrt(1 + phi * phi);
    for (const qzVector3& c : corners)
        s.Point(c.x * scale, c.y * scale, c.z * scale);
    auto neighbours = [&](int i, int j) {
        qzVector3 d = corners[i] - corners[j];
        return d.Dot(d) < 5;
    };
    const int count = static_cast<int>(corners.size());
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            for (int k = j + 1; k < count; ++k)
                if (neighbours(i, j) && neighbours(j, k) && neighbours(i, k)) {
                    // the solid is convex around the origin: a face turns outward when its normal does
                    qzVector3 normal = (corners[j] - corners[i]).Cross(corners[k] - corners[i]);
                    if (normal.Dot(corners[i]) > 0)
                        s.Face({i, j, k});
                    else
                        s.Face({i, k, j});
                }
}

} // namespace

std::vector<pw2_ModelPoint*> pw2_BuildPrimitive(pw2_ModelGeometry& geometry, pw2_Primitive kind,
                                                const pw2_Placement& placement, qzColor color) {
    ShapeBuilder s(geometry, placement, color);
    double r = placement.size / 2;
    switch (kind) {
    case pw2_Primitive::PLANE:
        BuildPlane(s, r);
        break;
    case pw2_Primitive::BLOCK:
        BuildBlock(s, r);
        break;
    case pw2_Primitive::CYLINDER:
        BuildCylinder(s, r);
        break;
    case pw2_Primitive::CONE:
        BuildCone(s, r);
        break;
    case pw2_Primitive::SPHERE:
        BuildSphere(s, r);
        break;
    case pw2_Primitive::TORUS:
        BuildTorus(s, r, placement.size);
        break;
    case pw2_Primitive::ICOSAHEDRON:
        BuildIcosahedron(s, r);
        break;
    }
    return std::move(s.points);
}

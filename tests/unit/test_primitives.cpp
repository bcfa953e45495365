#include "geometry_invariants.h"
#include "primitives.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using enum pw2_Primitive;

struct Shape {
    pw2_Primitive kind;
    const char* name;
    uint32_t points, faces;
    // extent along u, v and w per size
    double extent[3];
};

// the icosahedron's corners lie on the circumscribed sphere, its extent along each axis is less
const double ICOSA = std::numbers::phi / std::sqrt(1 + std::numbers::phi * std::numbers::phi);

const Shape SHAPES[] = {
    {PLANE, "plane", 4, 1, {1, 1, 0}},
    {BLOCK, "block", 8, 6, {1, 1, 1}},
    {CYLINDER, "cylinder", 32, 18, {1, 1, 1}},
    {CONE, "cone", 17, 17, {1, 1, 1}},
    {SPHERE, "sphere", 114, 128, {1, 1, 1}},
    {TORUS, "torus", 288, 288, {1, 1, 0.25}},
    {ICOSAHEDRON, "icosahedron", 12, 20, {ICOSA, ICOSA, ICOSA}},
};

const qzColor COLOR(10, 200, 30, 255);

qzVector3 Normalized(const qzVector3& v) {
    return v * (1 / v.Norm());
}

// The plain placement, one with turned axes far off, and one tilted off every coordinate axis.
std::vector<pw2_Placement> Placements() {
    pw2_Placement turned{{1e5, -2e5, 3e4}, 3, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}};
    pw2_Placement tilted{{-7, 2, 5}, 0.25, Normalized({1, 1, 0}), Normalized({-1, 1, 2}), {}};
    tilted.w = tilted.u.Cross(tilted.v);
    return {pw2_Placement(), turned, tilted};
}

qzVector3 Centroid(const pw2_ModelFace* face) {
    qzVector3 sum;
    for (uint32_t i = 0; i < face->vertexcount; ++i)
        sum += face->vertices[i].point->position;
    return sum * (1.0 / face->vertexcount);
}

} // namespace

TEST(Primitives, EveryShapeIsAClosedOutwardWoundSurfaceOfItsSize) {
    for (const pw2_Placement& place : Placements()) {
        for (const Shape& shape : SHAPES) {
            SCOPED_TRACE(std::string(shape.name) + " of size " + std::to_string(place.size));
            pw2_Model model(false);
            pw2_ModelGeometry g(&model);
            std::vector<pw2_ModelPoint*> points = pw2_BuildPrimitive(g, shape.kind, place, COLOR);
            ExpectConsistent(g);
            ASSERT_EQ(g.pointcount, shape.points);
            EXPECT_EQ(g.facecount, shape.faces);
            ASSERT_EQ(points.size(), g.pointcount);
            for (pw2_ModelPoint* p = g.firstpoint; pw2_ModelPoint * q : points)
                EXPECT_EQ(q, std::exchange(p, p->next)) << "not in creation order";

            // a closed shape has two corners running opposite ways along each edge, the plane one on its rim
            bool closed = shape.kind != PLANE;
            for (pw2_ModelEdge* e = g.firstedge; e != nullptr; e = e->next) {
                std::vector<const pw2_ModelVertex*> corners;
                for (pw2_ModelVertex* v = e->firstvertex; v != nullptr; v = v->edgenext)
                    corners.push_back(v);
                ASSERT_EQ(corners.size(), closed ? 2u : 1u);
                if (closed) {
                    EXPECT_NE(corners[0]->point, corners[1]->point) << "two faces run the same way";
                }
            }
            int euler = static_cast<int>(g.pointcount) - static_cast<int>(g.edgecount) +
                        static_cast<int>(g.facecount);
            EXPECT_EQ(euler, shape.kind == TORUS ? 0 : closed ? 2 : 1);

            // centred, and as large as intended along each axis
            const qzVector3 axes[3] = {place.u, place.v, place.w};
            double tolerance = 1e-9 * (1 + place.centre.Norm());
            for (int a = 0; a < 3; ++a) {
                auto [low, high] = std::minmax_element(points.begin(), points.end(), [&](auto* p, auto* q) {
                    return (p->position - place.centre).Dot(axes[a]) <
                           (q->position - place.centre).Dot(axes[a]);
                });
                double lo = ((*low)->position - place.centre).Dot(axes[a]);
                double hi = ((*high)->position - place.centre).Dot(axes[a]);
                EXPECT_NEAR(hi - lo, shape.extent[a] * place.size, tolerance) << "axis " << a;
                EXPECT_NEAR(hi + lo, 0, tolerance) << "axis " << a;
            }

            // the torus's faces point away from its tube's core circle, the others' away from the centre
            auto radial = [&](const qzVector3& p) {
                qzVector3 d = p - place.centre;
                return d - place.w * d.Dot(place.w);
            };
            double inner = place.size, outer = 0;
            for (const pw2_ModelPoint* p : points) {
                inner = std::min(inner, radial(p->position).Norm());
                outer = std::max(outer, radial(p->position).Norm());
            }
            for (const pw2_ModelFace* f = g.firstface; f != nullptr; f = f->next) {
                for (uint32_t i = 0; i < f->vertexcount; ++i)
                    EXPECT_EQ(f->vertices[i].color, COLOR);
                EXPECT_NEAR(f->normal.Norm(), 1, 1e-9);
                qzVector3 away = Centroid(f) - place.centre;
                if (shape.kind == PLANE) {
                    EXPECT_NEAR(f->normal.Dot(place.w), 1, 1e-9) << "the plane faces w";
                    continue;
                }
                if (shape.kind == TORUS)
                    away -= Normalized(radial(Centroid(f))) * ((inner + outer) / 2);
                EXPECT_GT(f->normal.Dot(Normalized(away)), 0.5) << "a face turned inward";
            }
        }
    }
}

TEST(Primitives, AShapeBesideOthersLeavesThemAloneAndAnswersOnlyItsOwnPoints) {
    pw2_Model model(false);
    pw2_ModelGeometry g(&model);
    // every shape in the same place, so that the new points fall on old ones
    for (const Shape& shape : SHAPES) {
        SCOPED_TRACE(shape.name);
        std::vector<std::pair<pw2_ModelPoint*, qzVector3>> before;
        for (pw2_ModelPoint* p = g.firstpoint; p != nullptr; p = p->next)
            before.emplace_back(p, p->position);
        uint32_t faces = g.facecount;
        std::vector<pw2_ModelPoint*> points = pw2_BuildPrimitive(g, shape.kind, pw2_Placement(), COLOR);
        ExpectConsistent(g);
        ASSERT_EQ(points.size(), shape.points);
        EXPECT_EQ(g.pointcount, before.size() + shape.points);
        EXPECT_EQ(g.facecount, faces + shape.faces);
        pw2_ModelPoint* p = g.firstpoint;
        for (auto& [point, position] : before) {
            ASSERT_EQ(p, point);
            EXPECT_EQ(p->position.x, position.x);
            EXPECT_EQ(p->position.y, position.y);
            EXPECT_EQ(p->position.z, position.z);
            p = p->next;
        }
        // the rest are the new ones, joined by edges only among themselves
        std::set<const pw2_ModelPoint*> own(points.begin(), points.end());
        for (; p != nullptr; p = p->next) {
            EXPECT_TRUE(own.contains(p));
            for (pw2_ModelEdgeEnd* end = p->GetFirstEnd(); end != nullptr; end = end->GetNext())
                for (const pw2_ModelEdgeEnd& other : end->edge->ends)
                    EXPECT_TRUE(own.contains(other.point)) << "an edge to an older point";
        }
    }
}

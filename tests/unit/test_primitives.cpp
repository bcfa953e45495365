#include "geometry_invariants.h"
#include "primitives.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <ranges>
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

// The faces or edges made after last in the list that starts at first.
template <class T> std::vector<const T*> After(const T* last, const T* first) {
    std::vector<const T*> items;
    for (const T* item = last != nullptr ? last->next : first; item != nullptr; item = item->next)
        items.push_back(item);
    return items;
}

qzVector3 Centroid(const pw2_ModelFace* face) {
    qzVector3 sum;
    for (uint32_t i = 0; i < face->vertexcount; ++i)
        sum += face->vertices[i].point->position;
    return sum * (1.0 / face->vertexcount);
}

} // namespace

TEST(Primitives, EveryShapeIsAClosedOutwardWoundSurfaceOfItsSizeLeavingTheShapesBeforeItAlone) {
    for (const pw2_Placement& place : Placements()) {
        pw2_Model model(false);
        pw2_ModelGeometry g(&model);
        // every shape in the same place, so that the new points fall on old ones
        for (const Shape& shape : SHAPES) {
            SCOPED_TRACE(std::string(shape.name) + " of size " + std::to_string(place.size));
            std::vector<qzVector3> before;
            for (const pw2_ModelPoint* p = g.firstpoint; p != nullptr; p = p->next)
                before.push_back(p->position);
            const pw2_ModelEdge* lastedge = g.lastedge;
            const pw2_ModelFace* lastface = g.lastface;
            std::vector<pw2_ModelPoint*> points = pw2_BuildPrimitive(g, shape.kind, place, COLOR);
            ExpectConsistent(g);
            ASSERT_EQ(points.size(), shape.points);
            ASSERT_EQ(g.pointcount, before.size() + shape.points);
            const std::vector<const pw2_ModelEdge*> edges = After(lastedge, g.firstedge);
            const std::vector<const pw2_ModelFace*> faces = After(lastface, g.firstface);
            EXPECT_EQ(faces.size(), shape.faces);
            // the old points stay as they were, and the new ones follow them in the order answered
            pw2_ModelPoint* p = g.firstpoint;
            for (const qzVector3& position : before)
                EXPECT_EQ((std::exchange(p, p->next)->position - position).Norm(), 0);
            for (pw2_ModelPoint* q : points)
                EXPECT_EQ(q, std::exchange(p, p->next)) << "not in creation order";

            // a closed shape has two corners running opposite ways along each edge, the plane one on its rim;
            // edges join only its own points
            const bool closed = shape.kind != PLANE;
            const std::set<const pw2_ModelPoint*> own(points.begin(), points.end());
            for (const pw2_ModelEdge* e : edges) {
                EXPECT_TRUE(own.contains(e->ends[0].point) && own.contains(e->ends[1].point));
                std::vector<const pw2_ModelPoint*> from;
                for (const pw2_ModelVertex* v = e->firstvertex; v != nullptr; v = v->edgenext)
                    from.push_back(v->point);
                EXPECT_EQ(from.size(), closed ? 2u : 1u);
                EXPECT_TRUE(from.size() != 2 || from[0] != from[1]) << "two faces run the same way";
            }
            const int euler = static_cast<int>(shape.points + shape.faces) - static_cast<int>(edges.size());
            EXPECT_EQ(euler, shape.kind == TORUS ? 0 : closed ? 2 : 1);

            // centred, and as large as intended along each axis
            const qzVector3 axes[3] = {place.u, place.v, place.w};
            const double tolerance = 1e-9 * (1 + place.centre.Norm());
            for (int a = 0; a < 3; ++a) {
                auto along = [&](const pw2_ModelPoint* q) {
                    return (q->position - place.centre).Dot(axes[a]);
                };
                auto [low, high] = std::ranges::minmax(points | std::views::transform(along));
                EXPECT_NEAR(high - low, shape.extent[a] * place.size, tolerance) << "axis " << a;
                EXPECT_NEAR(high + low, 0, tolerance) << "axis " << a;
            }

            // the torus's faces point away from its tube's core circle, the others' away from the centre
            auto radial = [&](const qzVector3& q) {
                qzVector3 d = q - place.centre;
                return d - place.w * d.Dot(place.w);
            };
            for (const pw2_ModelFace* f : faces) {
                for (uint32_t i = 0; i < f->vertexcount; ++i)
                    EXPECT_EQ(f->vertices[i].color, COLOR);
                qzVector3 away = Centroid(f) - place.centre;
                if (shape.kind == PLANE) {
                    EXPECT_NEAR(f->normal.Dot(place.w), 1, 1e-9) << "the plane faces w";
                    continue;
                }
                if (shape.kind == TORUS)
                    away -= Normalized(radial(Centroid(f))) *
                            ((shape.extent[0] - shape.extent[2]) / 2 * place.size);
                EXPECT_GT(f->normal.Dot(Normalized(away)), 0.5) << "a face turned inward";
            }
        }
    }
}

#include "geometry_invariants.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

double Dot(const qzVector3& a, const qzVector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

} // namespace

TEST(Model, SampleSceneIsThreeGroupsOfClosedSolids) {
    pw2_Model model;
    EXPECT_EQ(model.unitsize, 1.0);
    EXPECT_EQ(model.geometries.count, 1);
    ASSERT_EQ(model.currentgeometry, model.geometries.first);
    const pw2_ModelGeometry& g = *model.currentgeometry;
    ExpectConsistent(g);
    EXPECT_EQ(g.pointcount, 212u);
    EXPECT_EQ(g.edgecount, 320u);
    EXPECT_EQ(g.facecount, 162u);
    for (pw2_ModelEdge* e = g.firstedge; e != nullptr; e = e->next) {
        ASSERT_NE(e->firstvertex, nullptr);
        ASSERT_EQ(e->firstvertex->edgenext, e->lastvertex) << "an edge not shared by exactly two faces";
        // the two faces run along the edge in opposite directions: each starts where the other ends
        const pw2_ModelVertex* v[2] = {e->firstvertex, e->lastvertex};
        auto start = [](const pw2_ModelVertex* c) -> const pw2_ModelPoint* { return c->point; };
        auto finish = [](const pw2_ModelVertex* c) -> const pw2_ModelPoint* {
            return c->face->vertices[(c - c->face->vertices + 1) % c->face->vertexcount].point;
        };
        EXPECT_EQ(start(v[0]), finish(v[1]));
        EXPECT_EQ(finish(v[0]), start(v[1]));
    }
}

TEST(Model, SampleSceneNormalsPointOutOfEachSolid) {
    pw2_Model model;
    const pw2_ModelGeometry& g = *model.currentgeometry;
    // the solids are the first six points, the next six, and then the cubes' eight each
    std::vector<pw2_ModelPoint*> points;
    for (pw2_ModelPoint* p = g.firstpoint; p != nullptr; p = p->next)
        points.push_back(p);
    std::map<const pw2_ModelPoint*, qzVector3> centre;
    for (size_t first = 0, size = 6; first < points.size(); first += size, size = first < 12 ? 6 : 8) {
        qzVector3 c;
        for (size_t i = first; i < first + size; ++i)
            c = qzVector3(c.x + points[i]->position.x / size, c.y + points[i]->position.y / size,
                          c.z + points[i]->position.z / size);
        for (size_t i = first; i < first + size; ++i)
            centre[points[i]] = c;
    }
    for (pw2_ModelFace* f = g.firstface; f != nullptr; f = f->next) {
        EXPECT_NEAR(Dot(f->normal, f->normal), 1.0, 1e-12);
        EXPECT_GT(f->area, 0);
        const pw2_ModelPoint* p0 = f->vertices[0].point;
        EXPECT_GT(Dot(f->normal, p0->position - centre[p0]), 0) << "a normal pointing inwards";
    }
}

TEST(Model, SampleSceneColoursAndSelection) {
    pw2_Model model;
    const pw2_ModelGeometry& g = *model.currentgeometry;
    std::map<uint32_t, int> faces;
    for (pw2_ModelFace* f = g.firstface; f != nullptr; f = f->next) {
        ++faces[f->vertices[0].color.GetARGB()];
        for (uint32_t i = 1; i < f->vertexcount; ++i)
            EXPECT_EQ(f->vertices[i].color, f->vertices[0].color);
    }
    EXPECT_EQ(faces, (std::map<uint32_t, int>{
                         {0xFFFFFFFF, 12}, {0xFFFF0000, 75}, {0xFFFFFF00, 50}, {0xFF0000FF, 25}}));
    // four points of the first solids and one corner of each cube
    int selected = 0;
    for (pw2_ModelPoint* p = g.firstpoint; p != nullptr; p = p->next)
        selected += p->selected;
    EXPECT_EQ(selected, 4 + 25);
}

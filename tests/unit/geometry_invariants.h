// Checks every invariant of a geometry from its lists alone: each link agrees with its counterpart, the
// counts equal the list lengths, and selection is mirrored from points onto their ends and corners.
#pragma once

#include "pw2_modelgeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace geometry_invariants {

// Walks first to last by Next, checking every Previous link and the last pointer; stops on a runaway chain.
template <class T, qzLink<T> T::*Previous, qzLink<T> T::*Next>
std::vector<T*> Walk(T* first, T* last, size_t limit) {
    std::vector<T*> items;
    T* before = nullptr;
    for (T* item = first; item != nullptr && items.size() <= limit; item = item->*Next) {
        EXPECT_EQ(item->*Previous, before);
        items.push_back(item);
        before = item;
    }
    EXPECT_EQ(last, before);
    return items;
}

inline bool InFace(const pw2_ModelVertex* v, const pw2_ModelFace* f) {
    return v >= f->vertices && v < f->vertices + f->vertexcount;
}

} // namespace geometry_invariants

inline void ExpectConsistent(const pw2_ModelGeometry& g) {
    using namespace geometry_invariants;
    using P = pw2_ModelPoint;
    using E = pw2_ModelEdge;
    using F = pw2_ModelFace;
    using End = pw2_ModelEdgeEnd;
    using V = pw2_ModelVertex;
    const size_t limit = 10000000;

    std::vector<P*> points = Walk<P, &P::previous, &P::next>(g.firstpoint, g.lastpoint, limit);
    std::vector<E*> edges = Walk<E, &E::previous, &E::next>(g.firstedge, g.lastedge, limit);
    std::vector<F*> faces = Walk<F, &F::previous, &F::next>(g.firstface, g.lastface, limit);
    ASSERT_EQ(points.size(), g.pointcount);
    ASSERT_EQ(edges.size(), g.edgecount);
    ASSERT_EQ(faces.size(), g.facecount);
    std::set<const P*> pointset(points.begin(), points.end());
    std::set<const E*> edgeset(edges.begin(), edges.end());
    std::set<const F*> faceset(faces.begin(), faces.end());
    if (g.connecting_face != nullptr) {
        EXPECT_EQ(g.connecting_face, g.lastface) << "only the face created last can be connecting";
    }

    std::set<const End*> ends;
    std::set<const V*> cornersatpoints, cornersatedges;
    for (const P* p : points) {
        for (const End* e :
             Walk<End, &End::previous, &End::next>(p->firstend, p->lastend, 2 * edges.size())) {
            ASSERT_TRUE(edgeset.contains(e->edge));
            EXPECT_EQ(e->point, p);
            EXPECT_TRUE(e == &e->edge->ends[0] || e == &e->edge->ends[1]);
            EXPECT_TRUE(ends.insert(e).second) << "an end in two lists";
            EXPECT_EQ(e->selected, p->selected);
        }
        for (const V* v : Walk<V, &V::pointprevious, &V::pointnext>(p->firstvertex, p->lastvertex, limit)) {
            ASSERT_TRUE(faceset.contains(v->face));
            EXPECT_TRUE(InFace(v, v->face));
            EXPECT_EQ(v->point, p);
            EXPECT_TRUE(cornersatpoints.insert(v).second);
            EXPECT_EQ(v->selected, p->selected);
        }
    }

    std::set<std::pair<const P*, const P*>> pairs;
    for (const E* e : edges) {
        for (const End& end : e->ends) {
            EXPECT_EQ(end.edge, e);
            EXPECT_TRUE(pointset.contains(end.point));
            EXPECT_TRUE(ends.contains(&end)) << "an end missing from its point's list";
        }
        EXPECT_NE(e->ends[0].point, e->ends[1].point);
        EXPECT_TRUE(pairs.insert(std::minmax<const P*>(e->ends[0].point, e->ends[1].point)).second)
            << "two edges between one pair of points";
        for (const V* v : Walk<V, &V::edgeprevious, &V::edgenext>(e->firstvertex, e->lastvertex, limit)) {
            ASSERT_TRUE(faceset.contains(v->face));
            EXPECT_TRUE(InFace(v, v->face));
            EXPECT_EQ(v->edge, e);
            EXPECT_TRUE(cornersatedges.insert(v).second);
        }
    }
    EXPECT_EQ(ends.size(), 2 * edges.size());

    size_t withpoint = 0, withedge = 0;
    for (const F* f : faces) {
        ASSERT_GE(f->vertexcount, 3u);
        bool connecting = f == g.connecting_face;
        for (uint32_t i = 0; i < f->vertexcount; ++i) {
            const V& v = f->vertices[i];
            const V& following = f->vertices[(i + 1) % f->vertexcount];
            EXPECT_EQ(v.face, f);
            if (v.point != nullptr) {
                ++withpoint;
                EXPECT_TRUE(pointset.contains(v.point));
                EXPECT_TRUE(cornersatpoints.contains(&v)) << "a corner missing from its point's list";
                for (uint32_t j = 0; j < i; ++j)
                    EXPECT_NE(v.point, f->vertices[j].point) << "a point repeated in a face";
            } else {
                EXPECT_TRUE(connecting) << "a connected face with a corner without a point";
            }
            if (connecting) {
                EXPECT_EQ(v.edge, nullptr);
                continue;
            }
            ++withedge;
            ASSERT_TRUE(edgeset.contains(v.edge));
            EXPECT_TRUE(cornersatedges.contains(&v)) << "a corner missing from its edge's list";
            EXPECT_EQ(std::minmax<const P*>(v.point, following.point),
                      std::minmax<const P*>(v.edge->ends[0].point, v.edge->ends[1].point))
                << "a corner's edge does not join it to the next corner";
        }
    }
    EXPECT_EQ(cornersatpoints.size(), withpoint);
    EXPECT_EQ(cornersatedges.size(), withedge);
}

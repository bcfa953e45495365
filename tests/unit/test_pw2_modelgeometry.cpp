#include "geometry_invariants.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <numbers>
#include <random>
#include <vector>

namespace {

// What a geometry holds, in list order, with each point named by its x coordinate.
struct Content {
    std::vector<int> points;
    std::vector<std::pair<int, int>> edges;
    std::vector<std::vector<int>> faces;
    bool operator==(const Content&) const = default;
};

int Id(const pw2_ModelPoint* p) {
    return static_cast<int>(p->position.x);
}

Content Describe(const pw2_ModelGeometry& g) {
    Content c;
    for (pw2_ModelPoint* p = g.firstpoint; p != nullptr; p = p->next)
        c.points.push_back(Id(p));
    for (pw2_ModelEdge* e = g.firstedge; e != nullptr; e = e->next)
        c.edges.emplace_back(Id(e->ends[0].point), Id(e->ends[1].point));
    for (pw2_ModelFace* f = g.firstface; f != nullptr; f = f->next) {
        std::vector<int> corners;
        for (uint32_t i = 0; i < f->vertexcount; ++i)
            corners.push_back(f->vertices[i].point != nullptr ? Id(f->vertices[i].point) : -1);
        c.faces.push_back(corners);
    }
    return c;
}

// The same mesh kept as plain values: what each operation must leave behind.
struct Reference : Content {
    auto FindEdge(int a, int b) {
        return std::find_if(edges.begin(), edges.end(),
                            [&](auto& e) { return std::minmax(e.first, e.second) == std::minmax(a, b); });
    }
    void AddFace(const std::vector<int>& corners) {
        faces.push_back(corners);
        for (size_t i = 0; i < corners.size(); ++i)
            if (int a = corners[i], b = corners[(i + 1) % corners.size()]; FindEdge(a, b) == edges.end())
                edges.emplace_back(a, b);
    }
    void RemoveEdge(std::pair<int, int> edge) {
        std::erase_if(faces, [&](const std::vector<int>& f) {
            for (size_t i = 0; i < f.size(); ++i)
                if (std::minmax(f[i], f[(i + 1) % f.size()]) == std::minmax(edge.first, edge.second))
                    return true;
            return false;
        });
        edges.erase(FindEdge(edge.first, edge.second));
    }
    void RemovePoint(int p) {
        std::erase_if(faces,
                      [&](const std::vector<int>& f) { return std::count(f.begin(), f.end(), p) != 0; });
        std::erase_if(edges, [&](auto& e) { return e.first == p || e.second == p; });
        std::erase(points, p);
    }
};

template <class T> T* Nth(T* first, size_t n) {
    while (n-- > 0)
        first = first->next;
    return first;
}

void SetSelected(pw2_ModelPoint* point, uint8_t selected) {
    point->selected = selected;
    for (pw2_ModelEdgeEnd* e = point->GetFirstEnd(); e != nullptr; e = e->GetNext())
        e->selected = selected;
    for (pw2_ModelVertex* v = point->GetFirstVertex(); v != nullptr; v = v->GetNextAtPoint())
        v->selected = selected;
}

std::vector<uint32_t> Colours(const pw2_ModelGeometry& g) {
    std::vector<uint32_t> colours;
    for (pw2_ModelFace* f = g.firstface; f != nullptr; f = f->next)
        for (uint32_t i = 0; i < f->vertexcount; ++i)
            colours.push_back(f->vertices[i].color.GetARGB() ^ f->vertices[i].selected);
    return colours;
}

double Length(const qzVector3& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

pw2_ModelFace* AddFace(pw2_ModelGeometry& g, const std::vector<qzVector3>& corners) {
    std::vector<pw2_ModelPoint*> points;
    for (const qzVector3& c : corners) {
        points.push_back(g.CreatePoint());
        points.back()->position = c;
    }
    pw2_ModelFace* face = g.CreateFace(static_cast<uint32_t>(corners.size()));
    for (size_t i = 0; i < points.size(); ++i)
        g.SetVertexPoint(&face->vertices[i], points[i]);
    g.ConnectFace();
    return face;
}

} // namespace

TEST(ModelGeometry, RandomEditingKeepsEveryInvariantAndAgreesWithAPlainReference) {
    pw2_Model model;
    pw2_ModelGeometry geometry(&model), copy(&model);
    Reference ref;
    std::mt19937 rng(20261207);
    auto below = [&](size_t n) {
        return static_cast<size_t>(std::uniform_int_distribution<size_t>(0, n - 1)(rng));
    };
    int nextid = 0;
    auto addpoint = [&] {
        pw2_ModelPoint* p = geometry.CreatePoint();
        p->position = qzVector3(nextid, std::sin(nextid), std::cos(nextid * 0.7));
        ref.points.push_back(nextid++);
    };
    // the fewest corners whose face does not fit in a block
    const size_t LARGEFACE =
        (pw2_ModelGeometry::BLOCKSIZE - offsetof(pw2_ModelFace, vertices)) / sizeof(pw2_ModelVertex) + 1;
    Content copied;
    for (int step = 0; step < 4000; ++step) {
        SCOPED_TRACE(step);
        size_t op = below(100);
        if (geometry.connecting_face != nullptr) {
            // finish, drop or clear the half-built face, giving its corners their points one at a time first
            pw2_ModelFace* f = geometry.connecting_face;
            std::vector<int>& corners = ref.faces.back();
            size_t missing = std::find(corners.begin(), corners.end(), -1) - corners.begin();
            if (op < 70 && missing < corners.size()) {
                std::vector<int> unused;
                for (int p : ref.points)
                    if (std::count(corners.begin(), corners.end(), p) == 0)
                        unused.push_back(p);
                int p = unused[below(unused.size())];
                corners[missing] = p;
                auto at = std::find(ref.points.begin(), ref.points.end(), p) - ref.points.begin();
                geometry.SetVertexPoint(&f->vertices[missing], Nth(geometry.firstpoint, at));
            } else if (op < 85 && missing == corners.size()) {
                std::vector<int> finished = corners;
                ref.faces.pop_back();
                ref.AddFace(finished);
                geometry.ConnectFace();
            } else if (op < 93) {
                ref.faces.pop_back();
                geometry.RemoveFace(f);
            } else if (op < 99 && missing > 0) {
                int p = corners[0];
                geometry.RemovePoint(f->vertices[0].point);
                ref.RemovePoint(p);
            } else if (op == 99 && below(3) == 0) {
                geometry.Clear();
                ref = Reference();
            }
        } else if (op < 25) {
            if (ref.points.size() < 40)
                addpoint();
        } else if (op < 55) {
            // mostly small faces, now and then one too large for a block, with the points it needs
            size_t n = op == 54 ? LARGEFACE + below(6) : 3 + below(6);
            while (op == 54 && ref.points.size() < n)
                addpoint();
            if (n > ref.points.size())
                continue;
            std::vector<size_t> order(ref.points.size());
            for (size_t i = 0; i < order.size(); ++i)
                order[i] = i;
            std::shuffle(order.begin(), order.end(), rng);
            pw2_ModelFace* f = geometry.CreateFace(static_cast<uint32_t>(n));
            bool leaveconnecting = below(8) == 0;
            std::vector<int> corners(n, -1);
            for (size_t i = 0; i < n && !leaveconnecting; ++i) {
                geometry.SetVertexPoint(&f->vertices[i], Nth(geometry.firstpoint, order[i]));
                f->vertices[i].color = qzColor::FromARGB(static_cast<uint32_t>(rng()));
                corners[i] = ref.points[order[i]];
            }
            ref.faces.push_back(corners);
            if (!leaveconnecting) {
                ref.faces.pop_back();
                ref.AddFace(corners);
                geometry.ConnectFace();
            }
        } else if (op < 62) {
            if (ref.faces.empty())
                continue;
            size_t k = below(ref.faces.size());
            geometry.RemoveFace(Nth(geometry.firstface, k));
            ref.faces.erase(ref.faces.begin() + k);
        } else if (op < 68) {
            if (ref.edges.empty())
                continue;
            size_t k = below(ref.edges.size());
            geometry.RemoveEdge(Nth(geometry.firstedge, k));
            ref.RemoveEdge(ref.edges[k]);
        } else if (op < 74) {
            if (ref.points.empty())
                continue;
            size_t k = below(ref.points.size());
            geometry.RemovePoint(Nth(geometry.firstpoint, k));
            ref.RemovePoint(ref.points[k]);
        } else if (op < 82) {
            if (ref.points.empty())
                continue;
            SetSelected(Nth(geometry.firstpoint, below(ref.points.size())), static_cast<uint8_t>(below(2)));
        } else if (op < 88) {
            // a copy keeps nothing of its source's memory
            EXPECT_EQ(Describe(copy), copied);
            copy.CopyFrom(&geometry);
            copied = Describe(copy);
            ExpectConsistent(copy);
            EXPECT_EQ(Describe(copy), Describe(geometry));
            EXPECT_EQ(Colours(copy), Colours(geometry));
            // copying back and copying onto itself change nothing
            geometry.CopyFrom(&copy);
            geometry.CopyFrom(&geometry);
        } else if (op < 95) {
            geometry.UpdateFaceNormals();
            for (pw2_ModelFace* f = geometry.firstface; f != nullptr; f = f->next) {
                EXPECT_GE(f->area, 0);
                EXPECT_NEAR(Length(f->normal), f->area == 0 ? 0 : 1, 1e-9);
            }
        } else if (op == 99 && below(3) == 0) {
            geometry.Clear();
            ref = Reference();
        }
        ExpectConsistent(geometry);
        EXPECT_EQ(static_cast<const Content&>(ref), Describe(geometry));
        if (HasFailure())
            break;
    }
}

TEST(ModelGeometry, AreaAndNormalFollowTheCornerOrder) {
    pw2_Model model;
    pw2_ModelGeometry g(&model);
    pw2_ModelFace* unit = AddFace(g, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
    pw2_ModelFace* collinear = AddFace(g, {{0, 0, 0}, {1, 1, 1}, {3, 3, 3}});
    pw2_ModelFace* ell = AddFace(g, {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}});
    pw2_ModelFace* reversed = AddFace(g, {{0, 2, 5}, {1, 2, 5}, {1, 1, 5}, {2, 1, 5}, {2, 0, 5}, {0, 0, 5}});
    // regular polygons in tilted planes far from the origin, against the sum of their fan triangles
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<std::pair<pw2_ModelFace*, std::vector<pw2_ModelFace*>>> polygons;
    for (uint32_t n = 4; n <= 70; n += 11) {
        qzVector3 a(u(rng), u(rng), u(rng)), b(u(rng), u(rng), u(rng)), o(1e4 * u(rng), 1e4, 50 * u(rng));
        std::vector<qzVector3> corners;
        for (uint32_t i = 0; i < n; ++i) {
            double c = std::cos(2 * std::numbers::pi * i / n) * 3,
                   s = std::sin(2 * std::numbers::pi * i / n) * 3;
            corners.emplace_back(o.x + c * a.x + s * b.x, o.y + c * a.y + s * b.y, o.z + c * a.z + s * b.z);
        }
        std::vector<pw2_ModelFace*> fan;
        for (uint32_t i = 1; i + 1 < n; ++i)
            fan.push_back(AddFace(g, {corners[0], corners[i], corners[i + 1]}));
        polygons.emplace_back(AddFace(g, corners), fan);
    }
    g.UpdateFaceNormals();
    EXPECT_DOUBLE_EQ(unit->area, 0.5);
    EXPECT_EQ(unit->normal.z, 1.0);
    EXPECT_EQ(collinear->area, 0.0);
    EXPECT_EQ(Length(collinear->normal), 0.0);
    EXPECT_DOUBLE_EQ(ell->area, 3.0);
    EXPECT_DOUBLE_EQ(ell->normal.z, 1.0);
    EXPECT_DOUBLE_EQ(reversed->area, 3.0);
    EXPECT_DOUBLE_EQ(reversed->normal.z, -1.0);
    for (auto& [polygon, fan] : polygons) {
        double area = 0;
        for (pw2_ModelFace* t : fan) {
            area += t->area;
            EXPECT_NEAR(t->normal.x, polygon->normal.x, 1e-6);
            EXPECT_NEAR(t->normal.y, polygon->normal.y, 1e-6);
            EXPECT_NEAR(t->normal.z, polygon->normal.z, 1e-6);
        }
        EXPECT_NEAR(polygon->area, area, 1e-6 * area);
    }
}

TEST(ModelGeometry, CopyingASourceMidwayThroughAFaceTakesOnlyItsFinishedFaces) {
    pw2_Model model;
    pw2_ModelGeometry source(&model), target(&model);
    AddFace(source, {{1, 0, 0}, {2, 0, 0}, {3, 1, 0}});
    source.SetVertexPoint(&source.CreateFace(3)->vertices[1], source.firstpoint);
    target.CopyFrom(&source);
    ExpectConsistent(target);
    EXPECT_EQ(target.facecount, 1u);
    EXPECT_EQ(target.edgecount, 3u);
    EXPECT_EQ(target.connecting_face, nullptr);
}

TEST(ModelGeometry, AFaceTooLargeToAddressIsRefusedBeforeAnyLinkChanges) {
    pw2_Model model;
    pw2_ModelGeometry g(&model);
    EXPECT_THROW(g.CreateFace(0x08000000u), std::bad_alloc);
    EXPECT_EQ(g.facecount, 0u);
    EXPECT_EQ(g.connecting_face, nullptr);
    ExpectConsistent(g);
}

TEST(ModelGeometryDeath, MisuseIsAnAssertion) {
    pw2_Model model;
    pw2_ModelGeometry g(&model);
    pw2_ModelPoint* a = g.CreatePoint();
    pw2_ModelFace* f = g.CreateFace(3);
    g.SetVertexPoint(&f->vertices[0], a);
    // a corner given its point twice would sit in two of the point's vertex lists
    EXPECT_DEATH(g.SetVertexPoint(&f->vertices[0], g.CreatePoint()), "Expression: point==NULL");
}

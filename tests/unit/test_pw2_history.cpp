#include "commands.h"
#include "geometry_invariants.h"
#include "primitives.h"
#include "pw2_history.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <tuple>
#include <vector>

namespace {

// Everything an edit may change, records named by their addresses: the three lists in order, each point's
// position, selection and the orders of its ends and corners, each face's corners, colours and normal.
struct Snapshot {
    std::vector<std::tuple<const void*, double, double, double, int>> points;
    std::vector<std::vector<const void*>> adjacency;
    std::vector<std::pair<const void*, const void*>> edges;
    std::vector<std::vector<std::tuple<const void*, uint32_t, double>>> faces;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const pw2_ModelGeometry& g) {
    Snapshot s;
    for (const pw2_ModelPoint* p = g.firstpoint; p != nullptr; p = p->next) {
        s.points.emplace_back(p, p->position.x, p->position.y, p->position.z, p->selected);
        std::vector<const void*> around;
        for (const pw2_ModelEdgeEnd* e = p->firstend; e != nullptr; e = e->next)
            around.push_back(e);
        for (const pw2_ModelVertex* v = p->firstvertex; v != nullptr; v = v->pointnext)
            around.push_back(v);
        s.adjacency.push_back(around);
    }
    for (const pw2_ModelEdge* e = g.firstedge; e != nullptr; e = e->next) {
        s.edges.emplace_back(e->ends[0].point, e->ends[1].point);
        std::vector<const void*> along;
        for (const pw2_ModelVertex* v = e->firstvertex; v != nullptr; v = v->edgenext)
            along.push_back(v);
        s.adjacency.push_back(along);
    }
    for (const pw2_ModelFace* f = g.firstface; f != nullptr; f = f->next) {
        std::vector<std::tuple<const void*, uint32_t, double>> corners;
        for (uint32_t i = 0; i < f->vertexcount; ++i)
            corners.emplace_back(f->vertices[i].point, f->vertices[i].color.GetARGB(), f->normal.x);
        s.faces.push_back(corners);
    }
    return s;
}

// Runs a command as a step, as the editor does: a refusal takes back what it did.
bool Step(pw2_History& history, pw2_ModelGeometry& g, const char* name, bool modifies,
          const std::function<void(pw2_ModelGeometry&)>& command) {
    history.Begin(&g, name, modifies);
    try {
        command(g);
    } catch (const pw2_Refusal&) {
        history.Abort();
        return false;
    }
    return history.Commit();
}

std::vector<pw2_ModelPoint*> Points(const pw2_ModelGeometry& g) {
    std::vector<pw2_ModelPoint*> points;
    for (pw2_ModelPoint* p = g.firstpoint; p != nullptr; p = p->next)
        points.push_back(p);
    return points;
}

// A face too large for a block of the allocator, which has a block of its own.
void AddLargeFace(pw2_ModelGeometry& g) {
    constexpr uint32_t N = 120;
    std::vector<pw2_ModelPoint*> ring;
    for (uint32_t i = 0; i < N; ++i) {
        ring.push_back(g.CreatePoint());
        ring.back()->position = qzVector3(std::cos(i * 0.05236), std::sin(i * 0.05236), 30);
    }
    pw2_ModelFace* face = g.CreateFace(N);
    for (uint32_t i = 0; i < N; ++i)
        g.SetVertexPoint(&face->vertices[i], ring[i]);
    g.ConnectFace();
    g.UpdateFaceNormal(face);
}

} // namespace

// Thousands of random commands, undos and redos on the sample scene (and a face with a block of its own):
// every state is consistent, undoing everything gives back the start exactly, and redoing everything the end.
TEST(History, RandomEditsUndoToTheStartAndRedoToTheEnd) {
    pw2_Model model;
    pw2_ModelGeometry& g = *model.currentgeometry;
    AddLargeFace(g);
    pw2_History& history = model.history;
    const Snapshot start = Take(g);
    std::mt19937 random(22);
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    pw2_Placement placement;
    for (int round = 0; round < 3000; ++round) {
        std::vector<pw2_ModelPoint*> points = Points(g);
        switch (pick(14)) {
        case 0:
        case 1: {
            std::vector<pw2_ModelPoint*> chosen;
            for (size_t k = pick(4) + 1; k > 0 && !points.empty(); --k)
                chosen.push_back(points[pick(points.size())]);
            std::sort(chosen.begin(), chosen.end());
            chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
            Step(history, g, "Select", false,
                 [&](pw2_ModelGeometry& m) { pw2_SelectOnly(m, chosen, pick(2)); });
            break;
        }
        case 2:
            Step(history, g, "Select", false, [&](pw2_ModelGeometry& m) { pw2_SelectAll(m, pick(8) != 0); });
            break;
        case 3:
            Step(history, g, "Point", true,
                 [&](pw2_ModelGeometry& m) { pw2_AddPoint(m, qzVector3(pick(9), 1, 2)); });
            break;
        case 4:
            Step(history, g, "Edge", true, pw2_AddEdge);
            break;
        case 5: {
            std::vector<pw2_ModelPoint*> selected = pw2_SelectedPoints(g);
            std::shuffle(selected.begin(), selected.end(), random);
            Step(history, g, "Face", true,
                 [&](pw2_ModelGeometry& m) { pw2_AddFace(m, selected, qzVector3(0, 0, 1)); });
            break;
        }
        case 6:
            placement.centre = qzVector3(pick(20), 0, 0);
            placement.size = 1.0 + pick(3);
            Step(history, g, "Shape", true, [&](pw2_ModelGeometry& m) {
                const std::vector<pw2_ModelPoint*> made =
                    pw2_BuildPrimitive(m, static_cast<pw2_Primitive>(pick(7)), placement, PW2_NEW_FACE_COLOR);
                pw2_SelectOnly(m, made, false);
            });
            break;
        case 7:
            Step(history, g, "Delete", true, pw2_DeleteSelected);
            break;
        case 8:
            // copying a large selection again and again would double the model each time
            if (pw2_SelectedPoints(g).size() <= 100)
                Step(history, g, "Duplicate", true,
                     [](pw2_ModelGeometry& m) { pw2_DuplicateSelected(m, qzVector3(1, 1, 0)); });
            break;
        case 9:
            Step(history, g, "Merge", true, pw2_MergeSelected);
            break;
        case 10:
            Step(history, g, "Move", true, [&](pw2_ModelGeometry& m) {
                const std::vector<pw2_ModelPoint*> moved = pw2_SelectedPoints(m);
                for (pw2_ModelPoint* p : moved)
                    m.SetPosition(p, p->position + qzVector3(0.5, -0.25, 1));
                m.UpdateNormalsAt(moved);
            });
            break;
        case 11:
            history.Undo();
            break;
        case 12:
            history.Redo();
            break;
        default:
            history.GoTo(history.GetStepCount() - std::min(history.GetStepCount(), pick(10)));
            break;
        }
        // each kind of step comes back exactly from an undo and a redo
        if (round % 10 == 0 && history.GetDoneCount() > 0) {
            const Snapshot now = Take(g);
            history.Undo();
            history.Redo();
            ASSERT_TRUE(Take(g) == now)
                << history.GetName(history.GetDoneCount() - 1) << " in round " << round;
        }
        if (round < 600 || round % 50 == 0)
            ExpectConsistent(g);
        if (HasFatalFailure())
            return;
    }
    ExpectConsistent(g);
    history.GoTo(history.GetStepCount());
    const Snapshot end = Take(g);
    EXPECT_GT(history.GetStepCount(), 300u);
    history.GoTo(0);
    ExpectConsistent(g);
    EXPECT_TRUE(Take(g) == start);
    history.GoTo(history.GetStepCount());
    EXPECT_TRUE(Take(g) == end);
}

TEST(History, CommandsDoWhatTheySay) {
    pw2_Model model(false);
    pw2_ModelGeometry& g = *model.currentgeometry;
    pw2_History& history = model.history;
    // a quad a, b, c, d facing +z, and a loose point e
    pw2_ModelPoint* p[5];
    for (int i = 0; i < 4; ++i)
        p[i] = pw2_AddPoint(g, qzVector3(i == 1 || i == 2, i >= 2, 0));
    p[4] = pw2_AddPoint(g, qzVector3(5, 5, 5));
    pw2_SelectOnly(g, {p[3], p[2], p[1], p[0]}, false);
    pw2_AddFace(g, {p[3], p[2], p[1], p[0]}, qzVector3(0, 0, 1));
    ASSERT_EQ(g.facecount, 1u);
    EXPECT_NEAR(g.firstface->normal.z, 1, 1e-12) << "wound to face the viewer whatever the order picked";

    // Duplicate copies the quad with its four edges one step away and selects the copy.
    Step(history, g, "Duplicate", true, [](pw2_ModelGeometry& m) { pw2_DuplicateSelected(m, {0, 0, 2}); });
    EXPECT_EQ(g.pointcount, 9u);
    EXPECT_EQ(g.edgecount, 8u);
    EXPECT_EQ(g.facecount, 2u);
    EXPECT_EQ(g.lastface->vertices[0].point->position.z, 2);
    EXPECT_EQ(pw2_SelectedPoints(g).size(), 4u);
    EXPECT_FALSE(p[0]->selected);

    // Merging two neighbours of the copy leaves a triangle and three edges, at their mean.
    pw2_ModelFace* copy = g.lastface;
    pw2_ModelPoint* a = copy->vertices[0].point;
    pw2_ModelPoint* b = copy->vertices[1].point;
    const qzVector3 mean = (a->position + b->position) * 0.5;
    pw2_SelectOnly(g, {a, b}, false);
    Step(history, g, "Merge", true, pw2_MergeSelected);
    ExpectConsistent(g);
    EXPECT_EQ(g.pointcount, 8u);
    EXPECT_EQ(g.edgecount, 7u);
    ASSERT_EQ(g.facecount, 2u);
    EXPECT_EQ(g.lastface->vertexcount, 3u);
    EXPECT_EQ(a->position.x, mean.x);
    EXPECT_EQ(a->position.y, mean.y);

    // Delete takes the selected point's edges and faces, not its neighbours.
    pw2_SelectOnly(g, {p[0]}, false);
    Step(history, g, "Delete", true, pw2_DeleteSelected);
    EXPECT_EQ(g.pointcount, 7u);
    EXPECT_EQ(g.facecount, 1u);
    EXPECT_EQ(g.edgecount, 5u);
    ExpectConsistent(g);
}

// Steps cost what they change: a move of ten points of a large grid costs kilobytes, and once the steps
// pass the limit the oldest go, leaving the newest to undo.
TEST(History, StepsCostWhatTheyChangeAndTheOldestGoPastTheLimit) {
    pw2_Model model(false);
    pw2_ModelGeometry& g = *model.currentgeometry;
    pw2_Placement placement;
    for (int i = 0; i < 400; ++i) {
        placement.centre = qzVector3(i, 0, 0);
        pw2_BuildPrimitive(g, pw2_Primitive::SPHERE, placement, PW2_NEW_FACE_COLOR);
    }
    pw2_History history(64 * 1024);
    const std::vector<pw2_ModelPoint*> points = Points(g);
    const qzVector3 away(100, 100, 100);
    for (int step = 0; step < 200; ++step)
        Step(history, g, "Move", true, [&](pw2_ModelGeometry& m) {
            for (int k = 0; k < 10; ++k)
                m.SetPosition(points[step * 10 + k], away);
        });
    EXPECT_LE(history.GetMemory(), 64u * 1024);
    EXPECT_LT(history.GetStepCount(), 200u);
    EXPECT_GT(history.GetStepCount(), 20u) << "a move of ten points costs far less than 3 kB";
    history.GoTo(0);
    const size_t dropped = 200 - history.GetStepCount();
    EXPECT_EQ(points[10 * dropped - 1]->position.x, away.x) << "the oldest steps went for good";
    EXPECT_NE(points[10 * dropped]->position.x, away.x);
    EXPECT_NE(points[1999]->position.x, away.x);
}

TEST(History, SelectionStepsAreNotUnsavedChanges) {
    pw2_Model model;
    pw2_ModelGeometry& g = *model.currentgeometry;
    pw2_History& history = model.history;
    EXPECT_FALSE(history.IsModified());
    Step(history, g, "Select", false, [](pw2_ModelGeometry& m) { pw2_SelectAll(m, true); });
    EXPECT_FALSE(history.IsModified());
    Step(history, g, "Delete", true, pw2_DeleteSelected);
    EXPECT_TRUE(history.IsModified());
    history.Undo();
    EXPECT_FALSE(history.IsModified());
    history.Redo();
    history.MarkSaved();
    EXPECT_FALSE(history.IsModified());
    history.GoTo(0);
    EXPECT_TRUE(history.IsModified());
    // a new step where the saved state was undone leaves no way back to it
    Step(history, g, "Select", false, [](pw2_ModelGeometry& m) { pw2_SelectAll(m, false); });
    history.GoTo(history.GetStepCount());
    EXPECT_TRUE(history.IsModified());
}

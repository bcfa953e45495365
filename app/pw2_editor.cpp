#include "pw2_editor.h"

#include "commands.h"
#include "primitives.h"
#include "pw2_filecommands.h"
#include "pw2_main.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "pw2_view.h"
#include "qzdebugoutput.h"

#include <algorithm>
#include <unordered_map>

namespace {

// A shape takes this many grid steps of the view it is made in.
constexpr double SHAPE_STEPS = 4;

} // namespace

template <class Command>
void pw2_Editor::Run(const char* name, bool modifies, Command command, bool reshapes) {
    pw2_Model& model = *main->GetModel();
    if (moving)
        return;
    // the load replaces the geometry when it ends: an edit now would be lost without a word
    if (main->GetFileCommands()->IsLoading()) {
        Refuse("Wait until the file is open.");
        return;
    }
    model.history.Begin(model.currentgeometry, name, modifies);
    try {
        command(*model.currentgeometry);
    } catch (const pw2_Refusal& refusal) {
        model.history.Abort();
        Refuse(refusal.reason);
        return;
    } catch (...) {
        model.history.Abort();
        throw;
    }
    if (!model.history.Commit())
        return;
    if (reshapes)
        Redraw(model.history.GetDoneCount() - 1);
    Changed();
}

void pw2_Editor::Changed() {
    main->GetFileCommands()->UpdateTitle();
    main->RequestRedraw();
}

// A selection or a move of a few points of a large model would otherwise make all of its drawing again.
void pw2_Editor::Redraw(size_t step) {
    std::vector<pw2_ModelPoint*> points;
    if (main->GetModel()->history.GetPointsOnly(step, points))
        Touch(points);
    else
        ++main->GetModel()->revision;
}

// The changed points gather until a frame draws them (the drawing decides whether writing them in place
// pays); a list longer than the geometry has points only grows, since everything is made again anyway.
void pw2_Editor::Touch(const std::vector<pw2_ModelPoint*>& points) {
    pw2_Model& model = *main->GetModel();
    model.changedpoints.insert(model.changedpoints.end(), points.begin(), points.end());
    if (model.changedpoints.size() > model.currentgeometry->pointcount) {
        model.changedpoints.clear();
        ++model.revision;
    } else {
        ++model.pointsrevision;
    }
}

void pw2_Editor::Refuse(const std::string& reason) {
    message = reason;
    qzOutputDebugString(("[pw2_Editor] " + reason + "\n").c_str());
    main->RequestRedraw();
}

void pw2_Editor::ClearMessage() {
    if (message.empty())
        return;
    message.clear();
    main->RequestRedraw();
}

pw2_View* pw2_Editor::GetLastView() const {
    return lastview != nullptr ? lastview : main->GetLeftView();
}

std::vector<pw2_ModelPoint*> pw2_Editor::PickedSelection() const {
    const pw2_ModelGeometry& geometry = *main->GetModel()->currentgeometry;
    std::vector<pw2_ModelPoint*> points = pw2_SelectedPoints(geometry);
    std::unordered_map<const pw2_ModelPoint*, size_t> rank;
    for (size_t i = 0; i < pickorder.size(); ++i)
        rank.emplace(pickorder[i], i);
    // points selected otherwise than by picking (a rectangle, an undo) follow in list order
    std::stable_sort(points.begin(), points.end(), [&rank](const pw2_ModelPoint* a, const pw2_ModelPoint* b) {
        const auto ra = rank.find(a), rb = rank.find(b);
        const size_t ia = ra == rank.end() ? SIZE_MAX : ra->second;
        const size_t ib = rb == rank.end() ? SIZE_MAX : rb->second;
        return ia < ib;
    });
    return points;
}

void pw2_Editor::OnPoint() {
    const qzVector3 target = GetLastView()->GetTarget();
    Run("Point", true,
        [&](pw2_ModelGeometry& geometry) { pickorder.assign(1, pw2_AddPoint(geometry, target)); });
}

void pw2_Editor::OnEdge() {
    Run("Edge", true, [](pw2_ModelGeometry& geometry) { pw2_AddEdge(geometry); });
}

void pw2_Editor::OnFace() {
    const std::vector<pw2_ModelPoint*> points = PickedSelection();
    qzVector3 centre;
    for (const pw2_ModelPoint* point : points)
        centre += point->position;
    pw2_View* view = GetLastView();
    view->UpdateMatrices();
    const qzVector3 toward = view->TowardViewer(centre * (1.0 / std::max<size_t>(points.size(), 1)));
    Run("Face", true, [&](pw2_ModelGeometry& geometry) { pw2_AddFace(geometry, points, toward); });
}

void pw2_Editor::Build(const char* name, pw2_Primitive kind) {
    const pw2_View& view = *GetLastView();
    pw2_Placement placement;
    placement.centre = view.GetTarget();
    placement.size = SHAPE_STEPS * view.GridStep(main->GetModel()->unitsize);
    view.GetGridAxes(placement.u, placement.v);
    placement.w = placement.u.Cross(placement.v);
    Run(name, true, [&](pw2_ModelGeometry& geometry) {
        pickorder = pw2_BuildPrimitive(geometry, kind, placement, PW2_NEW_FACE_COLOR);
        pw2_SelectOnly(geometry, pickorder, false);
    });
}

void pw2_Editor::OnPlane() {
    Build("Plane", pw2_Primitive::PLANE);
}

void pw2_Editor::OnBlock() {
    Build("Block", pw2_Primitive::BLOCK);
}

void pw2_Editor::OnCylinder() {
    Build("Cylinder", pw2_Primitive::CYLINDER);
}

void pw2_Editor::OnCone() {
    Build("Cone", pw2_Primitive::CONE);
}

void pw2_Editor::OnSphere() {
    Build("Sphere", pw2_Primitive::SPHERE);
}

void pw2_Editor::OnTorus() {
    Build("Torus", pw2_Primitive::TORUS);
}

void pw2_Editor::OnIcosahedron() {
    Build("Icosahedron", pw2_Primitive::ICOSAHEDRON);
}

void pw2_Editor::OnSelectAll() {
    pickorder.clear();
    Run("Select", false, [](pw2_ModelGeometry& geometry) { pw2_SelectAll(geometry, true); });
}

void pw2_Editor::OnSelectNone() {
    pickorder.clear();
    Run("Select", false, [](pw2_ModelGeometry& geometry) { pw2_SelectAll(geometry, false); });
}

void pw2_Editor::SelectPoint(pw2_ModelPoint* point, bool add) {
    Run("Select", false, [&](pw2_ModelGeometry& geometry) {
        if (!add) {
            pickorder.clear();
            pw2_SelectOnly(geometry,
                           point != nullptr ? std::vector<pw2_ModelPoint*>{point}
                                            : std::vector<pw2_ModelPoint*>{},
                           false);
        } else if (point != nullptr) {
            geometry.SetSelected(point, point->selected == 0);
        }
        if (point != nullptr && point->selected) {
            std::erase(pickorder, point);
            pickorder.push_back(point);
        }
    });
}

void pw2_Editor::SelectPoints(const std::vector<pw2_ModelPoint*>& points, bool add) {
    if (!add)
        pickorder.clear();
    Run("Select", false, [&](pw2_ModelGeometry& geometry) { pw2_SelectOnly(geometry, points, add); });
}

void pw2_Editor::OnDelete() {
    Run("Delete", true, [](pw2_ModelGeometry& geometry) { pw2_DeleteSelected(geometry); });
}

void pw2_Editor::OnDuplicate() {
    const pw2_View& view = *GetLastView();
    qzVector3 a1, a2;
    view.GetGridAxes(a1, a2);
    const qzVector3 offset = (a1 + a2) * view.GridStep(main->GetModel()->unitsize);
    Run("Duplicate", true, [&](pw2_ModelGeometry& geometry) { pw2_DuplicateSelected(geometry, offset); });
}

void pw2_Editor::OnMerge() {
    Run("Merge", true, [](pw2_ModelGeometry& geometry) { pw2_MergeSelected(geometry); });
}

void pw2_Editor::OnUndo() {
    pw2_History& history = main->GetModel()->history;
    if (moving || !history.Undo())
        return;
    Redraw(history.GetDoneCount());
    Changed();
}

void pw2_Editor::OnRedo() {
    pw2_History& history = main->GetModel()->history;
    if (moving || !history.Redo())
        return;
    Redraw(history.GetDoneCount() - 1);
    Changed();
}

void pw2_Editor::GoTo(size_t done) {
    pw2_History& history = main->GetModel()->history;
    if (moving || done == history.GetDoneCount())
        return;
    history.GoTo(done);
    ++main->GetModel()->revision;
    Changed();
}

// While the drag runs, the points are set directly and nothing is recorded, so that a long drag costs no
// more than a short one; its end records one change per point, from where it started to where it ended.
bool pw2_Editor::BeginMove() {
    if (moving || main->GetFileCommands()->IsLoading())
        return false;
    moved = pw2_SelectedPoints(*main->GetModel()->currentgeometry);
    if (moved.empty())
        return false;
    movestart.clear();
    for (const pw2_ModelPoint* point : moved)
        movestart.push_back(point->position);
    moving = true;
    return true;
}

void pw2_Editor::MoveTo(const qzVector3& offset) {
    if (!moving)
        return;
    for (size_t i = 0; i < moved.size(); ++i)
        moved[i]->position = movestart[i] + offset;
    FollowMove();
}

void pw2_Editor::FollowMove() {
    main->GetModel()->currentgeometry->UpdateNormalsAt(moved);
    Touch(moved);
    main->RequestRedraw();
}

void pw2_Editor::EndMove() {
    if (!moving)
        return;
    std::vector<qzVector3> ended;
    for (size_t i = 0; i < moved.size(); ++i) {
        ended.push_back(moved[i]->position);
        moved[i]->position = movestart[i];
    }
    moving = false;
    // what is drawn shows the points where they ended already, or will at the next frame
    Run(
        "Move", true,
        [&](pw2_ModelGeometry& geometry) {
            for (size_t i = 0; i < moved.size(); ++i)
                if (ended[i].x != movestart[i].x || ended[i].y != movestart[i].y ||
                    ended[i].z != movestart[i].z)
                    geometry.SetPosition(moved[i], ended[i]);
        },
        false);
    moved.clear();
    movestart.clear();
}

void pw2_Editor::Forget() {
    moving = false;
    moved.clear();
    movestart.clear();
    pickorder.clear();
    ++generation;
}

void pw2_Editor::CancelMove() {
    if (!moving)
        return;
    for (size_t i = 0; i < moved.size(); ++i)
        moved[i]->position = movestart[i];
    FollowMove();
    moving = false;
    moved.clear();
    movestart.clear();
}

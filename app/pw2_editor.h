// The editing commands as the tool panels, the keys and the views call them: each runs as one step of the
// model's history on the current geometry, asks for a redraw, and says why when it cannot apply.
#pragma once

#include "qzvector.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class pw2_Main;
enum class pw2_Primitive;
class pw2_View;
struct pw2_ModelPoint;

class pw2_Editor {
public:
    explicit pw2_Editor(pw2_Main* main) : main(main) {}
    pw2_Editor(const pw2_Editor&) = delete;
    pw2_Editor& operator=(const pw2_Editor&) = delete;

    // "Geometry"
    void OnPoint();
    void OnEdge();
    void OnFace();
    void OnPlane();
    void OnBlock();
    void OnCylinder();
    void OnCone();
    void OnSphere();
    void OnTorus();
    void OnIcosahedron();
    // "Select"
    void OnSelectAll();
    void OnSelectNone();
    // "Actions"
    void OnDelete();
    void OnDuplicate();
    void OnMerge();

    void OnUndo();
    void OnRedo();
    // Undoes or redoes until done steps of the history are done.
    void GoTo(size_t done);

    // The view whose target, grid and orientation the next built shape or copy takes.
    void SetLastView(pw2_View* view) { lastview = view; }
    pw2_View* GetLastView() const;

    // Selection from a view: one point (null for empty space), alone or added or taken away with add set;
    // or the points in a list, all of them, alone or added.
    void SelectPoint(pw2_ModelPoint* point, bool add);
    void SelectPoints(const std::vector<pw2_ModelPoint*>& points, bool add);

    // A move drag of the selection: the points follow by offset from where they were at its start, and only
    // its end is a step; a cancel puts them back. False from BeginMove when nothing is selected.
    bool BeginMove();
    void MoveTo(const qzVector3& offset);
    void EndMove();
    void CancelMove();
    bool IsMoving() const { return moving; }

    // The geometry is about to go: a move drag ends where it is, and nothing of it is kept. Counts the
    // geometries, so that input that began on one does not act on the next.
    void Forget();
    uint64_t GetGeneration() const { return generation; }

    // Why the last command could not apply, shown until the next click or key; empty otherwise.
    const std::string& GetMessage() const { return message; }
    void ClearMessage();

private:
    // Runs command as a step named name; a refusal takes back what it did and shows its reason. A step that
    // reshapes changes what is drawn.
    template <class Command> void Run(const char* name, bool modifies, Command command, bool reshapes = true);
    // The title and the next frame follow a change.
    void Changed();
    // What is drawn follows a step done or undone: the points it changed are written again when it changed
    // nothing but positions and selections, else everything is made again.
    void Redraw(size_t step);
    void Touch(const std::vector<pw2_ModelPoint*>& points);
    // The faces at the moving points follow them, and the drawing too.
    void FollowMove();
    void Refuse(const std::string& reason);
    // The selected points, those picked in order first.
    std::vector<pw2_ModelPoint*> PickedSelection() const;
    void Build(const char* name, pw2_Primitive kind);

    pw2_Main* main;
    pw2_View* lastview = nullptr;
    // the selected points in the order they were picked, for a face through them
    std::vector<pw2_ModelPoint*> pickorder;
    bool moving = false;
    std::vector<pw2_ModelPoint*> moved;
    std::vector<qzVector3> movestart;
    std::string message;
    uint64_t generation = 0;
};

#include "pw2_editor.h"
#include "pw2_history.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "pw2_view.h"
#include "pw2_viewimage.h"
#include "test_pw2_view_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

namespace {

constexpr double PI = std::numbers::pi;

bool SameBits(const void* a, const void* b, size_t size) {
    return std::memcmp(a, b, size) == 0;
}

// The drags go through the main object's routing: the image must be the window under the mouse.
struct ViewImageTest : ViewTest {
    pw2_ViewImage* image = nullptr;
    void SetUp() override {
        ViewTest::SetUp();
        image = view->GetImage();
        Settings().animationtime = 0;
        MoveMouse(200, 200);
        ASSERT_EQ(app->GetActiveWindow(), image);
    }
    // Positions relative to the image, which sits at (1, 1).
    void MoveTo(int32_t x, int32_t y) { MoveMouse(x + 1, y + 1); }
    void Hold(int key, bool held) { platform.keystate[key] = held ? static_cast<int16_t>(0x8000) : 0; }
    void Press(int button) {
        Send(button == 1 ? WM_LBUTTONDOWN : button == 2 ? WM_MBUTTONDOWN : WM_RBUTTONDOWN);
    }
    void Release(int button) { Send(button == 1 ? WM_LBUTTONUP : button == 2 ? WM_MBUTTONUP : WM_RBUTTONUP); }
    void Key(int code) { Send(WM_KEYDOWN, static_cast<uintptr_t>(code)); }
    void Wheel(int notches) {
        Send(WM_MOUSEWHEEL, static_cast<uintptr_t>(static_cast<uint16_t>(120 * notches)) << 16);
    }
    // A middle-button drag from one point through the others, with the keys held at the press.
    void DragThrough(std::initializer_list<std::pair<int32_t, int32_t>> points, bool shift, bool ctrl) {
        auto p = points.begin();
        MoveTo(p->first, p->second);
        Hold(VK_SHIFT, shift);
        Hold(VK_CONTROL, ctrl);
        Press(2);
        Hold(VK_SHIFT, false);
        Hold(VK_CONTROL, false);
        for (++p; p != points.end(); ++p)
            MoveTo(p->first, p->second);
        Release(2);
    }
};

} // namespace

TEST_F(ViewImageTest, MoveDragShiftsTheTargetByTheMouseOffsetAtItsDepth) {
    std::mt19937 random(17);
    std::uniform_int_distribution<int32_t> position(0, 397);
    int moved = 0;
    for (int trial = 0; trial < 60; trial++) {
        view->SetOrtho(trial % 2 == 0);
        view->SetGridOrientation(static_cast<uint32_t>(trial % 3));
        view->SetRotation(RandomRotation(random));
        view->SetZoom(static_cast<double>(trial % 20) - 10);
        const qzVector3 before(3, -2, 5);
        view->SetTarget(before);
        const int32_t x0 = position(random), y0 = position(random), x1 = position(random),
                      y1 = position(random);
        DragThrough({{x0, y0}, {x1, y1}}, true, false);
        const qzVector3 step = view->GetTarget() - before;
        // the step lies in the grid plane
        const unsigned normal = 2 - view->GetGridOrientation();
        EXPECT_EQ((&step.x)[normal], 0);
        view->UpdateMatrices();
        const qzVector3 seen = view->GetViewMatrix().TransformVector(step);
        const double s = view->ZoomScale();
        const qzVector3 n =
            Matrix(view->GetRotation()).TransformVector(qzVector3(normal == 0, normal == 1, normal == 2));
        if (std::fabs(n.z) < 0.01)
            continue; // edge-on planes may still take the step while their determinant allows it
        ++moved;
        // camera y points up, the mouse's y down
        EXPECT_NEAR(seen.x, s * (x1 - x0), 1e-9 * s * 400);
        EXPECT_NEAR(seen.y, -s * (y1 - y0), 1e-9 * s * 400);
    }
    EXPECT_GT(moved, 30);
}

TEST_F(ViewImageTest, MoveDragOnAPlaneSeenEdgeOnLeavesTheTarget) {
    view->OnFront(); // looks along y, the XY grid edge-on
    view->SetGridOrientation(0);
    view->SetTarget(qzVector3(1, 2, 3));
    DragThrough({{100, 100}, {150, 180}}, true, false);
    EXPECT_EQ((view->GetTarget() - qzVector3(1, 2, 3)).Norm(), 0);
}

TEST_F(ViewImageTest, TrackballDragThereAndBackReturnsTheRotation) {
    std::mt19937 random(23);
    std::uniform_int_distribution<int32_t> position(0, 397);
    for (uint32_t mode : {3u, 2u}) {
        Settings().rotationmode = mode;
        for (int trial = 0; trial < 40; trial++) {
            const qzQuaternion start = RandomRotation(random);
            view->SetRotation(start);
            const int32_t x0 = position(random), y0 = position(random), x1 = position(random),
                          y1 = position(random);
            DragThrough({{x0, y0}, {x1, y1}}, false, false);
            const qzQuaternion turned = view->GetRotation();
            EXPECT_NEAR(turned.Dot(turned), 1, 1e-12);
            DragThrough({{x1, y1}, {x0, y0}}, false, false);
            const qzQuaternion back = view->GetRotation();
            EXPECT_NEAR(std::fabs(back.Dot(start)), 1, 1e-12) << mode;
        }
    }
}

TEST_F(ViewImageTest, TurntableDragStepsAzimuthAndClampsTheElevation) {
    Settings().rotationmode = 1;
    const double k = 2 / 398.0 * 1.5;
    view->SetRotationFromAngles(0.4, -0.3);
    DragThrough({{100, 100}, {140, 100}}, false, false);
    double a1, a2;
    view->GetAngles(a1, a2);
    EXPECT_NEAR(a1, 0.4 - 40 * k, 1e-12);
    EXPECT_NEAR(a2, -0.3, 1e-12);
    DragThrough({{100, 100}, {100, 90}}, false, false);
    view->GetAngles(a1, a2);
    EXPECT_NEAR(a2, -0.3 + 10 * k, 1e-12);
    // far up and a little back: the elevation stops at the pole and moves off it at once
    DragThrough({{100, 300}, {100, 0}, {100, 10}}, false, false);
    view->GetAngles(a1, a2);
    EXPECT_NEAR(a2, PI / 2 - 10 * k, 1e-9);
}

TEST_F(ViewImageTest, RightClickCancelsADragBitForBit) {
    std::mt19937 random(29);
    for (uint32_t mode : {3u, 1u}) {
        Settings().rotationmode = mode;
        for (int trial = 0; trial < 10; trial++) {
            view->SetRotation(RandomRotation(random));
            view->SetTarget(qzVector3(0.1 * trial, -0.3, 7.7));
            view->SetZoom(-9.3 + trial);
            const qzQuaternion rotation = view->GetRotation();
            const qzVector3 target = view->GetTarget();
            const double zoom = view->GetZoom();
            for (int kind : {0, 1, 2}) {
                MoveTo(50, 60);
                Hold(kind == 1 ? VK_SHIFT : VK_CONTROL, kind != 0);
                Press(2);
                Hold(VK_SHIFT, false);
                Hold(VK_CONTROL, false);
                // each kind of step in turn: keys after the press do not change the drag
                for (int step = 0; step < 5; step++)
                    MoveTo(70 + 31 * step, 90 - 13 * step);
                ASSERT_TRUE(image->IsDragging());
                const uint32_t redraws = app->GetRedrawRequestCount();
                Press(3);
                EXPECT_FALSE(image->IsDragging());
                EXPECT_GT(app->GetRedrawRequestCount(), redraws);
                Release(3);
                Release(2);
                EXPECT_TRUE(SameBits(&view->GetRotation(), &rotation, sizeof rotation));
                EXPECT_TRUE(SameBits(&view->GetTarget(), &target, sizeof target));
                const double restored = view->GetZoom();
                EXPECT_TRUE(SameBits(&restored, &zoom, sizeof zoom));
            }
        }
    }
}

TEST_F(ViewImageTest, ZoomDragFollowsTheWidthAndLeavesTheBoundAtOnce) {
    view->SetZoom(0);
    DragThrough({{0, 100}, {199, 300}}, false, true);
    EXPECT_NEAR(view->GetZoom(), 199.0 / 398 * 20, 1e-12);
    view->SetZoom(20);
    DragThrough({{0, 100}, {398, 100}, {378, 100}}, false, true);
    EXPECT_NEAR(view->GetZoom(), 27 - 20.0 / 398 * 20, 1e-12);
    EXPECT_EQ(image->GetDragMode(), PW2_DRAG_ZOOM);
}

TEST_F(ViewImageTest, ButtonsStartAndEndDragsAsTheMoveModeSays) {
    Settings().animationtime = 400;
    view->OnFront();
    ASSERT_TRUE(view->IsAnimating());
    Press(1);
    EXPECT_FALSE(image->IsDragging());
    Release(1);
    Press(2);
    EXPECT_TRUE(image->IsDragging());
    EXPECT_FALSE(view->IsAnimating());
    EXPECT_EQ(image->GetDragMode(), PW2_DRAG_ROTATE);
    Release(1);
    EXPECT_TRUE(image->IsDragging());
    Release(2);
    EXPECT_FALSE(image->IsDragging());
    // Ctrl before Shift
    Hold(VK_SHIFT, true);
    Hold(VK_CONTROL, true);
    Press(2);
    EXPECT_EQ(image->GetDragMode(), PW2_DRAG_ZOOM);
    Release(2);
    Hold(VK_SHIFT, false);
    Hold(VK_CONTROL, false);

    // the multiply key switches the left button over
    Key(PW2_KEY_MULTIPLY);
    EXPECT_TRUE(image->GetMoveMode());
    Press(1);
    EXPECT_TRUE(image->IsDragging());
    Release(1);
    EXPECT_FALSE(image->IsDragging());
    // a right click outside a drag leaves the move mode; a second one does nothing
    Press(3);
    Release(3);
    EXPECT_FALSE(image->GetMoveMode());
    Press(3);
    Release(3);
    EXPECT_FALSE(image->GetMoveMode());
}

TEST_F(ViewImageTest, TheMoveModeCursorFollowsTheMouseInAndOut) {
    image->SetMoveMode(true);
    platform.calls.clear();
    MoveMouse(600, 10); // another window
    MoveMouse(200, 200);
    const auto cursors = platform.CallsStartingWith("SetCursor");
    ASSERT_EQ(cursors.size(), 2u);
    EXPECT_EQ(cursors[0].substr(cursors[0].rfind(' ')), " 3");
    EXPECT_EQ(cursors[1].substr(cursors[1].rfind(' ')), " 9");
}

TEST_F(ViewImageTest, WheelAndKeysReachTheView) {
    view->SetZoom(0.4);
    Wheel(1); // away from the user: in
    EXPECT_EQ(view->GetZoom(), -1);
    Wheel(-2);
    EXPECT_EQ(view->GetZoom(), 1);

    // add and subtract zoom during a drag without ending it; every other key ends it
    MoveTo(10, 10);
    Press(2);
    Key(PW2_KEY_ADD);
    EXPECT_EQ(view->GetZoom(), 0);
    Key(PW2_KEY_SUBTRACT);
    Key(PW2_KEY_SUBTRACT);
    EXPECT_EQ(view->GetZoom(), 2);
    EXPECT_TRUE(image->IsDragging());
    Key('A');
    EXPECT_FALSE(image->IsDragging());
    Release(2);

    // keypad 5 aligns in orthogonal projection
    view->SetOrtho(false);
    view->SetRotationFromAngles(0.5, -1.2);
    Key(PW2_KEY_NUMPAD0 + 5);
    EXPECT_TRUE(view->GetOrtho());
    EXPECT_EQ(view->GetGridOrientation(), 0u);
}

namespace {

// The image's pixel of a model position, from the view's own matrices: x to the right, y down.
std::pair<double, double> Pixel(pw2_View* view, const qzVector3& p) {
    view->UpdateMatrices();
    qzMatrix m;
    m.Multiply(view->GetViewMatrix(), view->GetProjection(0));
    const qzVector3 ndc = m.ProjectPoint(p);
    return {(ndc.x + 1) * 0.5 * 398, (1 - ndc.y) * 0.5 * 398};
}

std::vector<pw2_ModelPoint*> Selected(pw2_Main& app) {
    std::vector<pw2_ModelPoint*> points;
    for (pw2_ModelPoint* p = app.GetModel()->currentgeometry->firstpoint; p != nullptr; p = p->next)
        if (p->selected)
            points.push_back(p);
    return points;
}

struct SelectTest : ViewImageTest {
    pw2_ModelGeometry& Geometry() { return *app->GetModel()->currentgeometry; }
    void ClickAt(const qzVector3& p, bool shift = false) {
        const auto [x, y] = Pixel(view, p);
        MoveTo(int32_t(std::lround(x)), int32_t(std::lround(y)));
        Hold(VK_SHIFT, shift);
        Press(1);
        Release(1);
        Hold(VK_SHIFT, false);
    }
};

} // namespace

// Seen from the top, each cube's top and bottom corners fall on one pixel: the click takes the one nearer
// to the eye, a shift-click adds and takes away, a click on empty space clears, a rectangle takes what it
// holds, hidden or not.
TEST_F(SelectTest, ClicksAndRectanglesChooseThePointsOnScreen) {
    view->OnTop();
    view->SetTarget(qzVector3(0, 0, 0));
    view->SetZoom(-9);
    const auto [cx, cy] = Pixel(view, qzVector3(1, 0, 0));
    EXPECT_NEAR(cx, 199 + 10, 1e-9) << "one unit is ten pixels at this zoom, from the centre";
    EXPECT_NEAR(cy, 199, 1e-9);

    // the cube at the origin: P0 (-1, -1, 1) lies over P4 (-1, -1, -1)
    ClickAt(qzVector3(-1, -1, 1));
    std::vector<pw2_ModelPoint*> selected = Selected(*app);
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0]->position.z, 1) << "the top corner is nearer to the eye";
    ClickAt(qzVector3(1, 1, 1), true);
    EXPECT_EQ(Selected(*app).size(), 2u);
    ClickAt(qzVector3(-1, -1, 1), true);
    ASSERT_EQ(Selected(*app).size(), 1u);
    EXPECT_EQ(Selected(*app)[0]->position.x, 1);
    ClickAt(qzVector3(2, 2, 0));
    EXPECT_TRUE(Selected(*app).empty());

    // a rectangle around the cube at the origin holds its eight corners, four of them hidden
    MoveTo(199 - 15, 199 - 15);
    Press(1);
    MoveTo(199 + 15, 199 + 15);
    int32_t x0, y0, x1, y1;
    EXPECT_TRUE(image->GetSelectionRectangle(x0, y0, x1, y1));
    Release(1);
    EXPECT_FALSE(image->GetSelectionRectangle(x0, y0, x1, y1));
    EXPECT_EQ(Selected(*app).size(), 8u);
    const pw2_History& history = app->GetModel()->history;
    EXPECT_EQ(history.GetStepCount(), 5u) << "every change of the selection is a step";
}

// A drag from a selected point carries the whole selection so that the point stays under the mouse; the
// right button puts everything back, and the drag that ends is one step that undo takes back.
TEST_F(SelectTest, DraggingTheSelectionFollowsTheMouseAndIsOneStep) {
    view->SetRotationFromAngles(0.7, -0.9);
    view->SetOrtho(true);
    view->SetTarget(qzVector3(0, 0, 1));
    ClickAt(qzVector3(1, 1, 1));
    ClickAt(qzVector3(-1, 1, 1), true);
    ASSERT_EQ(Selected(*app).size(), 2u);
    pw2_ModelPoint* point = Selected(*app)[0];
    const qzVector3 before = point->position, other = Selected(*app)[1]->position;
    const size_t steps = app->GetModel()->history.GetStepCount();

    auto [x, y] = Pixel(view, before);
    MoveTo(int32_t(std::lround(x)), int32_t(std::lround(y)));
    const auto [px, py] = Pixel(view, before);
    Press(1);
    MoveTo(int32_t(std::lround(x)) + 40, int32_t(std::lround(y)) - 25);
    Press(3);
    Release(3);
    Release(1);
    EXPECT_EQ((point->position - before).Norm(), 0) << "cancelled";
    EXPECT_EQ(app->GetModel()->history.GetStepCount(), steps);

    const int32_t sx = int32_t(std::lround(px)), sy = int32_t(std::lround(py));
    MoveTo(sx, sy);
    Press(1);
    MoveTo(sx + 20, sy + 5);
    MoveTo(sx + 40, sy - 25);
    Release(1);
    const auto [ax, ay] = Pixel(view, point->position);
    EXPECT_NEAR(ax - px, 40, 1.0);
    EXPECT_NEAR(ay - py, -25, 1.0);
    EXPECT_EQ((point->position - before).z, 0) << "in the XY grid plane";
    EXPECT_EQ(Selected(*app)[1]->position.x - other.x, point->position.x - before.x);
    EXPECT_EQ(app->GetModel()->history.GetStepCount(), steps + 1);
    EXPECT_EQ(app->GetModel()->history.GetName(steps), "Move");
    app->GetEditor()->OnUndo();
    EXPECT_EQ((point->position - before).Norm(), 0);

    // a file that comes in during a drag takes the dragged points with the old geometry: the drag is over
    MoveTo(sx, sy);
    Press(1);
    MoveTo(sx + 20, sy);
    ASSERT_TRUE(app->GetEditor()->IsMoving());
    pw2_Model& model = *app->GetModel();
    app->GetEditor()->Forget();
    model.Replace(model.CreateGeometry(), "other.obj");
    MoveTo(sx + 40, sy);
    Release(1);
    EXPECT_EQ(model.history.GetStepCount(), 0u);
    EXPECT_EQ(model.currentgeometry->pointcount, 0u);
}

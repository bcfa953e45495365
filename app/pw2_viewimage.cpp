#include "pw2_viewimage.h"

#include "pw2_editor.h"
#include "pw2_graphicscontroller.h"
#include "pw2_main.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
#include "pw2_view.h"
#include "pw2_viewpick.h"
#include "pw2_viewsettings.h"
#include "qzmatrix.h"
#include "qzplatform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

constexpr double PI = std::numbers::pi;

// A point of the image, scaled so that the shorter side spans about 2, lifted onto the unit sphere.
qzVector3 LiftOntoSphere(double x, double y, double r, uint32_t rotationmode) {
    if (rotationmode == 2) {
        qzVector3 p(x * r, y * r, 1);
        return p * (1 / p.Norm());
    }
    // the inverse stereographic projection
    const double a = 2 / r;
    const double s = x * x + y * y;
    return qzVector3(2 * x * a, 2 * y * a, a * a - s) * (1 / (a * a + s));
}

} // namespace

pw2_ViewImage::pw2_ViewImage(pw2_Main* main, pw2_View* view) : pw2_Window(main, view), view(view) {}

void pw2_ViewImage::Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) {
    GetMain()->GetGraphicsController()->DrawViewImage(this, clipx, clipy, clipwidth, clipheight);
}

int32_t pw2_ViewImage::MouseX() const {
    return GetMain()->GetMainWindow().GetMouseX() - GetAbsoluteX();
}

int32_t pw2_ViewImage::MouseY() const {
    return GetMain()->GetMainWindow().GetMouseY() - GetAbsoluteY();
}

void pw2_ViewImage::OnMouseEnter() {
    if (movemode)
        GetMain()->SetCursor(PW2_CURSOR_SIZEALL);
}

void pw2_ViewImage::OnMouseLeave() {
    if (movemode)
        GetMain()->SetCursor(PW2_CURSOR_ARROW);
}

void pw2_ViewImage::EndDrag() {
    if (!dragging)
        return;
    dragging = false;
    GetMain()->RequestRedraw();
}

void pw2_ViewImage::SetMoveMode(bool flag) {
    EndDrag();
    CancelSelect();
    movemode = flag;
    if (IsActive())
        GetMain()->SetCursor(flag ? PW2_CURSOR_SIZEALL : PW2_CURSOR_ARROW);
}

void pw2_ViewImage::OnKeyDown(int8_t key, bool) {
    const int code = static_cast<uint8_t>(key);
    if (code != PW2_KEY_ADD && code != PW2_KEY_SUBTRACT)
        EndDrag();
    if (code == PW2_KEY_NUMPAD0)
        view->OnOrtho();
    else if (code > PW2_KEY_NUMPAD0 && code <= PW2_KEY_NUMPAD9 && code != PW2_KEY_NUMPAD0 + 3)
        view->OnKeypad(code - PW2_KEY_NUMPAD0);
    else if (code == PW2_KEY_MULTIPLY)
        SetMoveMode(!movemode);
    else if (code == PW2_KEY_ADD)
        view->OnZoomIn();
    else if (code == PW2_KEY_SUBTRACT)
        view->OnZoomOut();
    else if (code == PW2_KEY_DIVIDE)
        view->OnCenter();
    else if (code == PW2_KEY_DECIMAL)
        view->FrameModel();
}

void pw2_ViewImage::StartDrag() {
    view->StopAnimation();
    dragging = true;
    if (pw2_KeyHeld(VK_CONTROL))
        dragmode = PW2_DRAG_ZOOM;
    else if (pw2_KeyHeld(VK_SHIFT))
        dragmode = PW2_DRAG_MOVE;
    else
        dragmode = PW2_DRAG_ROTATE;
    savedrotation = view->GetRotation();
    savedtarget = view->GetTarget();
    savedzoom = view->GetZoom();
    startx = MouseX();
    starty = MouseY();
    GetMain()->RequestRedraw();
}

void pw2_ViewImage::CancelDrag() {
    view->SetRotation(savedrotation);
    view->SetTarget(savedtarget);
    view->SetZoom(savedzoom);
    dragging = false;
    GetMain()->RequestRedraw();
}

void pw2_ViewImage::OnMouseDown(int button, bool) {
    if (button == 2 || (button == 1 && movemode)) {
        StartDrag();
    } else if (button == 1) {
        PressSelect();
    } else if (button == 3) {
        if (dragging)
            CancelDrag();
        else if (CancelSelect())
            return;
        else if (movemode)
            SetMoveMode(false);
    }
}

void pw2_ViewImage::OnMouseUp(int button) {
    if (button == 2 || (button == 1 && movemode))
        EndDrag();
    else if (button == 1)
        ReleaseSelect();
}

void pw2_ViewImage::OnMouseMove() {
    if (dragging)
        Drag(MouseX(), MouseY());
    else if (press != Press::NONE)
        DragSelect(MouseX(), MouseY());
}

pw2_ViewPick pw2_ViewImage::GetPick() const {
    view->UpdateMatrices();
    pw2_ViewPick pick;
    pick.transform.Multiply(view->GetViewMatrix(), view->GetProjection(0));
    pick.width = std::max(GetWidth(), 1);
    pick.height = std::max(GetHeight(), 1);
    return pick;
}

bool pw2_ViewImage::GetSelectionRectangle(int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1) const {
    if (press != Press::RECTANGLE)
        return false;
    x0 = pressx, y0 = pressy, x1 = cornerx, y1 = cornery;
    return true;
}

// A press on an unselected point selects it at once, so that a drag from it moves it; a press on a selected
// point waits: a drag moves the whole selection, a click makes the point the selection alone.
void pw2_ViewImage::PressSelect() {
    pw2_Editor& editor = *GetMain()->GetEditor();
    editor.SetLastView(view);
    pressx = cornerx = MouseX();
    pressy = cornery = MouseY();
    pressshift = pw2_KeyHeld(VK_SHIFT);
    pressgeneration = editor.GetGeneration();
    presspoint = GetPick().Nearest(*GetMain()->GetModel()->currentgeometry, pressx, pressy, PICKRADIUS);
    if (presspoint == nullptr) {
        press = Press::RECTANGLE;
        return;
    }
    if (pressshift) {
        editor.SelectPoint(presspoint, true);
        press = Press::NONE;
        return;
    }
    pointwasselected = presspoint->selected != 0;
    if (!pointwasselected)
        editor.SelectPoint(presspoint, false);
    press = Press::POINT;
}

void pw2_ViewImage::DragSelect(int32_t cx, int32_t cy) {
    pw2_Editor& editor = *GetMain()->GetEditor();
    if (editor.GetGeneration() != pressgeneration)
        press = Press::NONE;
    if (press == Press::RECTANGLE) {
        cornerx = cx, cornery = cy;
        GetMain()->RequestRedraw();
        return;
    }
    if (press == Press::POINT) {
        if (std::abs(cx - pressx) < DRAGSTART && std::abs(cy - pressy) < DRAGSTART)
            return;
        if (!editor.BeginMove()) {
            press = Press::NONE;
            return;
        }
        press = Press::MOVE;
    }
    qzVector3 offset;
    if (press == Press::MOVE && view->GridPlaneStep(cx - pressx, cy - pressy, offset))
        editor.MoveTo(offset);
}

void pw2_ViewImage::ReleaseSelect() {
    pw2_Editor& editor = *GetMain()->GetEditor();
    const Press ended = editor.GetGeneration() == pressgeneration ? press : Press::NONE;
    press = Press::NONE;
    if (ended == Press::MOVE) {
        editor.EndMove();
    } else if (ended == Press::POINT) {
        if (pointwasselected)
            editor.SelectPoint(presspoint, false);
    } else if (ended == Press::RECTANGLE) {
        GetMain()->RequestRedraw();
        if (std::abs(cornerx - pressx) < DRAGSTART && std::abs(cornery - pressy) < DRAGSTART) {
            // a click on empty space
            if (!pressshift)
                editor.SelectPoint(nullptr, false);
            return;
        }
        editor.SelectPoints(
            GetPick().Inside(*GetMain()->GetModel()->currentgeometry, pressx, pressy, cornerx, cornery),
            pressshift);
    }
}

bool pw2_ViewImage::CancelSelect() {
    const Press ended = press;
    press = Press::NONE;
    if (ended == Press::MOVE)
        GetMain()->GetEditor()->CancelMove();
    else if (ended == Press::RECTANGLE)
        GetMain()->RequestRedraw();
    return ended != Press::NONE;
}

void pw2_ViewImage::OnMouseWheel(int count) {
    view->ChangeZoom(count);
}

void pw2_ViewImage::Drag(int32_t cx, int32_t cy) {
    if (dragmode == PW2_DRAG_ZOOM)
        DragZoom(cx);
    else if (dragmode == PW2_DRAG_MOVE)
        DragMove(cx, cy);
    else if (view->GetSettings().rotationmode == 1)
        DragTurntable(cx, cy);
    else
        DragTrackball(cx, cy);
    startx = cx;
    starty = cy;
    GetMain()->RequestRedraw();
}

void pw2_ViewImage::DragZoom(int32_t cx) {
    const double w = std::max(GetWidth(), 1);
    view->SetZoom(view->GetZoom() + (cx - startx) / w * 20);
}

void pw2_ViewImage::DragMove(int32_t cx, int32_t cy) {
    qzVector3 step;
    if (view->GridPlaneStep(cx - startx, cy - starty, step))
        view->SetTarget(view->GetTarget() + step);
}

void pw2_ViewImage::DragTrackball(int32_t cx, int32_t cy) {
    const double w = std::max(GetWidth(), 1);
    const double h = std::max(GetHeight(), 1);
    const double k = 2 / std::sqrt(w * h);
    const double r = view->GetSettings().trackballsize;
    const uint32_t mode = view->GetSettings().rotationmode;
    const qzVector3 p = LiftOntoSphere(startx * k - 1, starty * k - 1, r, mode);
    const qzVector3 q = LiftOntoSphere(cx * k - 1, cy * k - 1, r, mode);
    const double angle = std::acos(std::clamp(p.Dot(q), -1.0, 1.0));
    qzVector3 axis = p.Cross(q);
    const double length = axis.Norm();
    axis = length < 0.0001 ? qzVector3(1, 0, 0) : axis * (1 / length);
    qzQuaternion rotation = view->GetRotation() * qzQuaternion(axis, -angle);
    rotation.Normalize();
    view->SetRotation(rotation);
}

void pw2_ViewImage::DragTurntable(int32_t cx, int32_t cy) {
    const double w = std::max(GetWidth(), 1);
    const double h = std::max(GetHeight(), 1);
    const double k = 2 / std::sqrt(w * h);
    const double r = view->GetSettings().trackballsize;
    double azimuth, elevation;
    view->GetAngles(azimuth, elevation);
    azimuth -= (cx - startx) * k * r;
    elevation = std::clamp(elevation - (cy - starty) * k * r, -PI / 2, PI / 2);
    view->SetRotationFromAngles(azimuth, elevation);
}

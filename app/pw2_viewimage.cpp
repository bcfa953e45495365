#include "pw2_viewimage.h"

#include "pw2_graphicscontroller.h"
#include "pw2_main.h"
#include "pw2_view.h"
#include "pw2_viewsettings.h"
#include "qzmatrix.h"
#include "qzplatform.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double PI = std::numbers::pi;

bool KeyHeld(int key) {
    return (qzGetPlatform().GetKeyState(key) & 0x8000) != 0;
}

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
    if (KeyHeld(VK_CONTROL))
        dragmode = PW2_DRAG_ZOOM;
    else if (KeyHeld(VK_SHIFT))
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
    } else if (button == 3) {
        if (dragging)
            CancelDrag();
        else if (movemode)
            SetMoveMode(false);
    }
}

void pw2_ViewImage::OnMouseUp(int button) {
    if (button == 2 || (button == 1 && movemode))
        EndDrag();
}

void pw2_ViewImage::OnMouseMove() {
    if (dragging)
        Drag(MouseX(), MouseY());
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
    static const qzVector3 axes[3][2] = {{qzVector3(1, 0, 0), qzVector3(0, 1, 0)},
                                         {qzVector3(1, 0, 0), qzVector3(0, 0, 1)},
                                         {qzVector3(0, 1, 0), qzVector3(0, 0, 1)}};
    const qzVector3& a1 = axes[std::min(view->GetGridOrientation(), 2u)][0];
    const qzVector3& a2 = axes[std::min(view->GetGridOrientation(), 2u)][1];
    qzMatrix turn;
    turn.RotationMatrix(view->GetRotation());
    const qzVector3 d1 = turn.TransformVector(a1);
    const qzVector3 d2 = turn.TransformVector(a2);
    const double det = d1.x * d2.y - d1.y * d2.x;
    // the grid plane seen edge-on: no finite step in it follows the mouse
    if (std::fabs(det) < 0.01)
        return;
    const double scale = view->ZoomScale();
    const qzMatrix2 inverse(d2.y / det, -d1.y / det, -d2.x / det, d1.x / det);
    const qzVector2 c = qzVector2(scale * (cx - startx), scale * (cy - starty)) * inverse;
    view->SetTarget(view->GetTarget() + a1 * c.x + a2 * c.y);
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

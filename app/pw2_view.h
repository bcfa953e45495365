// A 3D view: the camera (orientation, target, zoom exponent, projection kind), the matrices computed from it
// for each frame, the animated change between orientations and the snapping to axis views, and the
// operations of the view's buttons and of the numeric keypad. Its drawing area handles the mouse.
#pragma once

#include "pw2_window.h"
#include "qzmatrix.h"
#include "qzquaternion.h"
#include "qzvector.h"

#include <cstdint>

class pw2_ViewImage;
class pw2_ViewMenuLeft;
class pw2_ViewMenuRight;
struct pw2_ViewSettings;

constexpr double PW2_ZOOM_MINIMUM = -45;
constexpr double PW2_ZOOM_MAXIMUM = 27;
// milliseconds between two animation steps at the least
constexpr uint32_t PW2_ANIMATION_STEP = 14;

// Model units per pixel at the target for a zoom exponent.
double pw2_ZoomScale(double zoom);

class pw2_View : public pw2_Window {
public:
    // The animation reads GetTime unless a clock is given.
    pw2_View(pw2_Main* main, pw2_Window* parent, uint32_t (*clock)() = nullptr);

    void OnRectChanged() override;

    void SetRotation(const qzQuaternion& q) { rotation = q; }
    // a1 is the azimuth about the model's z axis, a2 the elevation, both in radians.
    void SetRotationFromAngles(double a1, double a2);
    // The azimuth and elevation (in [-pi, pi)) that SetRotationFromAngles turns into the rotation.
    void GetAngles(double& a1, double& a2) const;
    void SetTarget(const qzVector3& v) { target = v; }
    void SetOrtho(bool flag) { ortho = flag; }
    // Keeps the exponent within [PW2_ZOOM_MINIMUM, PW2_ZOOM_MAXIMUM].
    void SetZoom(double z);
    // Rounds the exponent to a whole step first, then adds k.
    void ChangeZoom(int k);
    void SetGridOrientation(uint32_t index) { gridorientation = index > 1 ? 2 : index; }
    void SetDisplayMode(uint32_t index) { displaymode = index > 3 ? 4 : index; }

    const qzQuaternion& GetRotation() const { return rotation; }
    const qzVector3& GetTarget() const { return target; }
    double GetZoom() const { return zoom; }
    bool GetOrtho() const { return ortho; }
    uint32_t GetGridOrientation() const { return gridorientation; }
    uint32_t GetDisplayMode() const { return displaymode; }
    const qzQuaternion& GetCurrentRotation() const { return currentrotation; }
    const qzMatrix& GetViewMatrix() const { return viewmatrix; }
    // 0 for faces and the grid; 1 and 2 reach slightly deeper, so that lines on a face win the depth test.
    const qzMatrix& GetProjection(unsigned index) const { return projection[index]; }
    bool IsAnimating() const { return animating; }
    uint32_t GetOriginGridOrientation() const { return origingridorientation; }
    double GetAnimationFraction() const { return animationfraction; }
    pw2_ViewImage* GetImage() const { return image; }
    pw2_ViewMenuLeft* GetLeftMenu() const { return leftmenu; }
    pw2_ViewMenuRight* GetRightMenu() const { return rightmenu; }
    const pw2_ViewSettings& GetSettings() const;

    // Model units per pixel at the target: 1, 2, 5, 10 per decade of 9 zoom steps.
    double ZoomScale() const { return pw2_ZoomScale(zoom); }
    // The grid spacing, a power of ten times unitsize that follows the zoom; fade (0 .. 1) tells how far the
    // zoom has gone toward the next decade.
    double GridStep(double unitsize, double* fade = nullptr) const;
    // The view matrix and the three projections for the drawing area's size.
    void UpdateMatrices();
    // The two axes of the grid plane, as the move drag and the shapes built in the view take them.
    void GetGridAxes(qzVector3& a1, qzVector3& a2) const;
    // The step in the grid plane that moves a point at the target by (dx, dy) pixels on screen; false while
    // the plane is seen edge-on, where no finite step follows the mouse.
    bool GridPlaneStep(double dx, double dy, qzVector3& step) const;
    // The direction from a point of the model toward the eye (in the orthographic projection, the same for
    // every point), from the matrices of the last UpdateMatrices.
    qzVector3 TowardViewer(const qzVector3& at) const;

    // Remembers the orientation so that the next change of it is animated (when the settings allow).
    void StartAnimation();
    void StopAnimation() { animating = false; }
    // Called on every pass of the main loop.
    void AdvanceAnimation();
    // Snaps the rotation to the nearest axis view and answers its index.
    uint32_t Align();

    // The operations of the view's buttons.
    void StandardView(double azimuthdegrees, double elevationdegrees, bool orthoflag, uint32_t grid);
    void OnTop() { StandardView(90, -90, true, 0); }
    void OnBottom() { StandardView(-90, 90, true, 0); }
    void OnFront() { StandardView(90, 0, true, 1); }
    void OnBack() { StandardView(-90, 0, true, 1); }
    void OnLeft() { StandardView(0, 0, true, 2); }
    void OnRight() { StandardView(180, 0, true, 2); }
    void On3D();
    void OnAlign();
    void OnOrtho();
    void OnGridOrientation(uint32_t index);
    void OnDisplayMode(uint32_t index);
    void OnZoomIn() { ChangeZoom(-1); }
    void OnZoomOut() { ChangeZoom(+1); }
    void OnMove();
    void OnCenter();
    // Looks at the centre of the box from the current direction, at the closest whole zoom step that shows
    // the whole box in either projection.
    void Frame(const qzVector3& low, const qzVector3& high);
    // Frame with the box of the model's points; nothing happens for a model without points.
    void FrameModel();
    // Keypad 1, 2, 4, 6, 7, 8, 9 turn by their quarter or half turns between two Aligns; 5 only aligns.
    void OnKeypad(int digit);

private:
    void EndDrag();
    void Refresh();
    // rotation = rotation * (the turn by angle about axis)
    void Turn(const qzVector3& axis, double angle);

    qzQuaternion rotation;
    qzVector3 target;
    double zoom = 0;
    bool ortho = true;
    uint32_t gridorientation = 0;
    uint32_t displaymode = 0;
    qzQuaternion currentrotation;
    qzMatrix viewmatrix;
    qzMatrix projection[3];
    bool animating = false;
    uint32_t animationstart = 0;
    uint32_t nextframe = 0;
    qzQuaternion animationorigin;
    uint32_t origingridorientation = 0;
    double animationfraction = 0;
    // children, owned by the tree
    pw2_ViewImage* image = nullptr;
    pw2_ViewMenuLeft* leftmenu = nullptr;
    pw2_ViewMenuRight* rightmenu = nullptr;
    uint32_t (*clock)();
};

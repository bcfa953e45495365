#include "pw2_view.h"

#include "pw2_main.h"
#include "pw2_model.h"
#include "pw2_viewimage.h"
#include "pw2_viewmenuleft.h"
#include "pw2_viewmenuright.h"
#include "pw2_viewsettings.h"
#include "qzassert.h"
#include "qztime.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// The perspective camera of a w x h image: the eye sits sqrt(w h) x zoom scale / EYE_DISTANCE from the
// target, and the tangent of the half angle across a side of n pixels is NEAR_EXTENT x n / sqrt(w h).
constexpr double EYE_DISTANCE = 0.8;
constexpr double NEAR_EXTENT = 0.4;

constexpr double PI = std::numbers::pi;

double Radians(double degrees) {
    return degrees * PI / 180;
}

// The cubic through p1 (tau 0) and p2 (tau 1) with the Catmull-Rom tangents of its neighbours.
double CatmullRom(double p0, double p1, double p2, double p3, double tau) {
    return ((2 * p1 + (p2 - p0) * 0.5) * tau + p1) * (1 - tau) * (1 - tau) +
           ((2 * p2 + (p1 - p3) * 0.5) * (1 - tau) + p2) * tau * tau;
}

} // namespace

pw2_View::pw2_View(pw2_Main* main, pw2_Window* parent, uint32_t (*clock)())
    : pw2_Window(main, parent), clock(clock != nullptr ? clock : GetTime) {
    image = new pw2_ViewImage(main, this);
    // the bars bind their controls to the image as well, so it comes first
    leftmenu = new pw2_ViewMenuLeft(main, this);
    rightmenu = new pw2_ViewMenuRight(main, this);
}

void pw2_View::OnRectChanged() {
    const int32_t w = GetWidth();
    const int32_t h = GetHeight();
    image->SetRect(1, 1, w - 2, h - 47);
    leftmenu->SetRect(5, h - 43, 245, 40);
    rightmenu->SetRect(w - 150, h - 43, 145, 40);
}

const pw2_ViewSettings& pw2_View::GetSettings() const {
    return GetMain()->GetViewSettings();
}

void pw2_View::SetRotationFromAngles(double a1, double a2) {
    const double s = (a1 - PI / 2) / 2;
    const double t = (a2 + PI / 2) / 2;
    rotation = qzQuaternion(std::cos(s) * std::cos(t), -std::cos(s) * std::sin(t), std::sin(s) * std::sin(t),
                            -std::sin(s) * std::cos(t));
}

void pw2_View::GetAngles(double& a1, double& a2) const {
    // The rotation is Rz(alpha) Rx(beta) with alpha = pi/2 - a1 and beta = -(a2 + pi/2): its first column
    // is (cos alpha, sin alpha, 0) and its last row (0, sin beta, cos beta).
    qzMatrix m;
    m.RotationMatrix(rotation);
    const double alpha = std::atan2(m(1, 0), m(0, 0));
    const double beta = std::atan2(m(2, 1), m(2, 2));
    a1 = PI / 2 - alpha;
    a2 = -beta - PI / 2;
    if (a2 < -PI)
        a2 += 2 * PI;
}

void pw2_View::SetZoom(double z) {
    // NaN would escape the clamp and poison every matrix after it
    if (std::isnan(z))
        return;
    zoom = std::clamp(z, PW2_ZOOM_MINIMUM, PW2_ZOOM_MAXIMUM);
}

void pw2_View::ChangeZoom(int k) {
    SetZoom(std::floor(zoom + 0.5) + k);
    Refresh();
}

double pw2_ZoomScale(double zoom) {
    const double u = zoom / 9;
    const double i = std::floor(u);
    const double f = (u - i) * 3;
    double c;
    if (f < 1)
        c = CatmullRom(std::log10(0.5), 0, std::log10(2.0), std::log10(5.0), f);
    else if (f < 2)
        c = CatmullRom(0, std::log10(2.0), std::log10(5.0), 1, f - 1);
    else
        c = CatmullRom(std::log10(2.0), std::log10(5.0), 1, std::log10(20.0), f - 2);
    return std::pow(10.0, i + c);
}

double pw2_View::GridStep(double unitsize, double* fade) const {
    const double x = ZoomScale() * 4 * 10 / unitsize;
    const double l = std::log10(x);
    const double e = std::floor(l - 0.0001);
    if (fade != nullptr)
        *fade = std::min(l - e, 1.0);
    return std::pow(10.0, e) * unitsize;
}

void pw2_View::GetGridAxes(qzVector3& a1, qzVector3& a2) const {
    static const qzVector3 axes[3][2] = {{qzVector3(1, 0, 0), qzVector3(0, 1, 0)},
                                         {qzVector3(1, 0, 0), qzVector3(0, 0, 1)},
                                         {qzVector3(0, 1, 0), qzVector3(0, 0, 1)}};
    a1 = axes[std::min(gridorientation, 2u)][0];
    a2 = axes[std::min(gridorientation, 2u)][1];
}

bool pw2_View::GridPlaneStep(double dx, double dy, qzVector3& step) const {
    qzVector3 a1, a2;
    GetGridAxes(a1, a2);
    qzMatrix turn;
    turn.RotationMatrix(rotation);
    const qzVector3 d1 = turn.TransformVector(a1);
    const qzVector3 d2 = turn.TransformVector(a2);
    const double det = d1.x * d2.y - d1.y * d2.x;
    if (std::fabs(det) < 0.01)
        return false;
    const double scale = ZoomScale();
    const qzMatrix2 inverse(d2.y / det, -d1.y / det, -d2.x / det, d1.x / det);
    const qzVector2 c = qzVector2(scale * dx, scale * dy) * inverse;
    step = a1 * c.x + a2 * c.y;
    return true;
}

qzVector3 pw2_View::TowardViewer(const qzVector3& at) const {
    // The camera looks along its +z: toward the eye is -z in the orthographic projection and back to the
    // camera's origin in the perspective one. The turn of the view matrix is orthonormal, so its transpose
    // takes the camera's vectors back to the model's.
    const qzVector3 c = ortho ? qzVector3(0, 0, -1) : viewmatrix.TransformPoint(at) * -1.0;
    const qzMatrix& m = viewmatrix;
    return qzVector3(c.x * m(0, 0) + c.y * m(0, 1) + c.z * m(0, 2),
                     c.x * m(1, 0) + c.y * m(1, 1) + c.z * m(1, 2),
                     c.x * m(2, 0) + c.y * m(2, 1) + c.z * m(2, 2));
}

void pw2_View::UpdateMatrices() {
    // an image squeezed to nothing still gives finite matrices
    const double w = std::max(image->GetWidth(), 1);
    const double h = std::max(image->GetHeight(), 1);
    const double scale = ZoomScale();
    const double d = std::sqrt(w * h) * scale / EYE_DISTANCE;

    if (animating) {
        currentrotation.Slerp(animationorigin, rotation, animationfraction);
    } else {
        currentrotation = rotation;
    }

    const double e = ortho ? 0 : d;
    static const double eye[9] = {1, 0, 0, 0, -1, 0, 0, 0, -1};
    qzMatrix turn, camera;
    turn.RotationMatrix(currentrotation);
    camera.ViewMatrix(qzVector3(0, 0, e), eye);
    viewmatrix.Translation(-target);
    viewmatrix.MultiplyAffine(turn);
    viewmatrix.MultiplyAffine(camera);

    if (ortho) {
        const double a = w * 0.5 * scale;
        const double b = h * 0.5 * scale;
        const double r = 10 * d;
        const double epsilon = 0.001 * d;
        for (unsigned k = 0; k < 3; k++)
            projection[k].Orthographic(a, b, -r + k * epsilon, r + k * epsilon);
    } else {
        const double k = NEAR_EXTENT / std::sqrt(w * h);
        const double a = w * k;
        const double b = h * k;
        const double n = 0.1 * d;
        const double f = 10 * d;
        projection[0].Perspective(a, b, n, f);
        projection[1].Perspective(a, b, 1.001 * n, 1.001 * f);
        projection[2].Perspective(a, b, 1.001 * 1.001 * n, 1.001 * 1.001 * f);
    }
}

void pw2_View::StartAnimation() {
    if (GetSettings().animationtime == 0) {
        animating = false;
        return;
    }
    animating = true;
    animationstart = clock();
    nextframe = qzTimeSum(animationstart, PW2_ANIMATION_STEP);
    animationorigin = rotation;
    origingridorientation = gridorientation;
    animationfraction = 0;
}

void pw2_View::AdvanceAnimation() {
    if (!animating)
        return;
    const uint32_t now = clock();
    if (!qzTimeAtOrAfter(now, nextframe))
        return;
    const uint32_t elapsed = qzTimeDifference(now, animationstart);
    const uint32_t duration = GetSettings().animationtime;
    if (elapsed < duration) {
        nextframe = qzTimeSum(now, PW2_ANIMATION_STEP);
        animationfraction = static_cast<double>(elapsed) / duration;
    } else {
        animating = false;
    }
    Refresh();
}

uint32_t pw2_View::Align() {
    struct Candidate {
        qzQuaternion q;
        uint32_t grid;
    };
    Candidate candidates[24];
    uint32_t count = 0;
    if (GetSettings().rotationmode == 1) {
        for (uint32_t i = 0; i < 4; i++) {
            for (uint32_t j = 0; j < 3; j++) {
                const qzQuaternion qi(qzVector3(0, 0, -1), i * PI / 2);
                const qzQuaternion qj(qzVector3(-1, 0, 0), j * PI / 2);
                candidates[count++] = {qi * qj, j != 1 ? 0u : (i % 2 == 0 ? 1u : 2u)};
            }
        }
    } else {
        const qzQuaternion bases[6] = {
            qzQuaternion(1, 0, 0, 0),
            qzQuaternion(qzVector3(0, 1, 0), PI),
            qzQuaternion(qzVector3(1, 0, 0), PI / 2),
            qzQuaternion(qzVector3(1, 0, 0), -PI / 2),
            qzQuaternion(qzVector3(0, 1, 0), PI / 2),
            qzQuaternion(qzVector3(0, 1, 0), -PI / 2),
        };
        for (uint32_t i = 0; i < 6; i++) {
            for (uint32_t k = 0; k < 4; k++) {
                const qzQuaternion qk(qzVector3(0, 0, 1), k * PI / 2);
                candidates[count++] = {bases[i] * qk, i < 2 ? 0u : (i < 4 ? 1u : 2u)};
            }
        }
    }
    double best = std::numeric_limits<double>::lowest();
    int64_t bestn = -1;
    for (uint32_t n = 0; n < count; n++) {
        // q and -q are the same orientation
        const double similarity = std::fabs(candidates[n].q.Dot(rotation));
        if (similarity > best) {
            best = similarity;
            bestn = n;
            gridorientation = candidates[n].grid;
        }
    }
    QZASSERT(bestn >= 0, "best_n");
    rotation = candidates[bestn].q;
    return static_cast<uint32_t>(bestn);
}

void pw2_View::EndDrag() {
    image->EndDrag();
}

void pw2_View::Refresh() {
    GetMain()->RequestRedraw();
}

void pw2_View::Turn(const qzVector3& axis, double angle) {
    rotation = rotation * qzQuaternion(axis, angle);
}

void pw2_View::StandardView(double azimuthdegrees, double elevationdegrees, bool orthoflag, uint32_t grid) {
    EndDrag();
    StartAnimation();
    ortho = orthoflag;
    SetRotationFromAngles(Radians(azimuthdegrees), Radians(elevationdegrees));
    SetGridOrientation(grid);
    Refresh();
}

void pw2_View::On3D() {
    EndDrag();
    StartAnimation();
    ortho = false;
    // this orientation's angles are converted in single precision
    const float degree = std::numbers::pi_v<float> / 180.0f;
    SetRotationFromAngles(120.0f * degree, -30.0f * degree);
    gridorientation = 0;
    Refresh();
}

void pw2_View::OnAlign() {
    EndDrag();
    StartAnimation();
    ortho = true;
    Align();
    Refresh();
}

void pw2_View::OnOrtho() {
    EndDrag();
    StopAnimation();
    ortho = !ortho;
    Refresh();
}

void pw2_View::OnGridOrientation(uint32_t index) {
    EndDrag();
    StopAnimation();
    SetGridOrientation(index);
    Refresh();
}

void pw2_View::OnDisplayMode(uint32_t index) {
    EndDrag();
    StopAnimation();
    SetDisplayMode(index);
    Refresh();
}

void pw2_View::OnMove() {
    image->SetMoveMode(!image->GetMoveMode());
}

void pw2_View::OnCenter() {
    EndDrag();
    StopAnimation();
    target = qzVector3(0, 0, 0);
    Refresh();
}

void pw2_View::Frame(const qzVector3& low, const qzVector3& high) {
    EndDrag();
    target = (low + high) * 0.5;
    const double radius = (high - low).Norm() * 0.5;
    if (radius > 0) {
        // the box's sphere fills at most this much of the image's narrower side
        constexpr double FILL = 0.9;
        const double w = std::max(image->GetWidth(), 1);
        const double h = std::max(image->GetHeight(), 1);
        const double narrow = std::min(w, h);
        const double orthoscale = 2 * radius / (narrow * FILL);
        // the perspective's half angle across the narrower side does not depend on the zoom
        const double halfangle = std::atan(NEAR_EXTENT * narrow / std::sqrt(w * h));
        const double perspectivescale =
            EYE_DISTANCE * radius / (std::sin(halfangle) * FILL * std::sqrt(w * h));
        const double needed = std::max(orthoscale, perspectivescale);
        double z = PW2_ZOOM_MINIMUM;
        while (z < PW2_ZOOM_MAXIMUM && pw2_ZoomScale(z) < needed)
            z += 1;
        zoom = z;
    }
    Refresh();
}

void pw2_View::FrameModel() {
    qzVector3 low, high;
    if (GetMain()->GetModel()->GetBounds(low, high))
        Frame(low, high);
}

void pw2_View::OnKeypad(int digit) {
    const qzVector3 xaxis(1, 0, 0), yaxis(0, 1, 0), zaxis(0, 0, 1);
    EndDrag();
    StartAnimation();
    ortho = true;
    const uint32_t n = Align() % 3;
    // the turntable keeps its up axis: a correction about z undoes the roll a turn would bring
    const bool turntable = GetSettings().rotationmode == 1;
    switch (digit) {
    case 1:
        Turn(yaxis, PI);
        break;
    case 4:
        Turn(yaxis, -PI / 2);
        if (turntable && n != 1)
            Turn(zaxis, n == 0 ? PI / 2 : -PI / 2);
        break;
    case 6:
        Turn(yaxis, PI / 2);
        if (turntable && n != 1)
            Turn(zaxis, n == 0 ? -PI / 2 : PI / 2);
        break;
    case 8:
    case 2:
        Turn(xaxis, digit == 8 ? PI / 2 : -PI / 2);
        if (turntable && n == 2)
            Turn(zaxis, PI);
        break;
    case 7:
    case 9:
        if (!turntable || n != 1)
            Turn(zaxis, digit == 7 ? PI / 2 : -PI / 2);
        break;
    default:
        break;
    }
    if (digit != 5)
        Align();
    Refresh();
}

// The drawing of a 3D view. The scene of the view's display mode goes into the view image's own
// render-target texture: faces, the fading grid, edges and points with their faint see-through passes (the
// model's from the device buffers that the graphics controller keeps), the target cross while the camera is
// dragged and the axis indicator. The texture is then composited pixel for pixel inside a sunken bevel.
// Textured and multi-sampled scenes are not drawn here.
#include "pw2_graphicscontroller.h"

#include "pw2_main.h"
#include "pw2_model.h"
#include "pw2_modelbuffers.h"
#include "pw2_renderpass.h"
#include "pw2_view.h"
#include "pw2_viewimage.h"
#include "qztextlayout.h"
#include "qztexture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Which layers a display mode draws; the see-through passes belong to edges and points alike.
struct pw2_DisplayLayers {
    bool faces, seethrough, edges, points;
};
constexpr pw2_DisplayLayers DISPLAYLAYERS[5] = {
    {true, true, true, true},    // "Schematic"
    {false, false, true, true},  // "Wireframe"
    {true, false, false, false}, // "Solid"
    {true, false, false, true},  // "Solid-Point"
    {true, false, true, true},   // "Solid-Wire"
};

// grid lines to either side of the centre line of a pass
constexpr int64_t GRID_REACH = 100;
constexpr int32_t AXIS_INDICATOR_MARGIN = 35;
constexpr double AXIS_LINE_LENGTH = 20;
constexpr double AXIS_LETTER_DISTANCE = 28;

const qzColor TRANSPARENT(0, 0, 0, 0);
const qzColor AXISCOLORS[3] = {qzColor(255, 0, 0), qzColor(0, 255, 0), qzColor(0, 0, 255)};

double Component(const qzVector3& v, unsigned axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

qzVector3 AxisVector(unsigned axis, double length) {
    return qzVector3(axis == 0 ? length : 0, axis == 1 ? length : 0, axis == 2 ? length : 0);
}

// The two coordinate axes that span a grid orientation: "XY", "XZ", "YZ".
void PlaneAxes(uint32_t orientation, unsigned& first, unsigned& second) {
    first = orientation == 2 ? 1 : 0;
    second = orientation == 0 ? 1 : 2;
}

qzVertex3D WorldVertex(const qzVector3& p, const qzVector3& normal, qzColor color) {
    return {static_cast<float>(p.x),
            static_cast<float>(p.y),
            static_cast<float>(p.z),
            static_cast<float>(normal.x),
            static_cast<float>(normal.y),
            static_cast<float>(normal.z),
            color.GetARGB(),
            0,
            0,
            0};
}

// Everything one view's scene needs while it is drawn into the image's render target of targetwidth x
// targetheight, of which the top-left width x height pixels are shown.
struct pw2_ViewScene {
    qzDevice& device;
    qzVertexQueue2D& screenqueue;
    qzVertexQueue3D& modelqueue;
    qzBitmapFont& font;
    pw2_ModelBuffers& buffers;
    pw2_View& view;
    const pw2_ViewImage& image;
    const pw2_Model& model;
    int32_t width, height;
    uint32_t targetwidth, targetheight;

    void Draw();
    void Faces(bool schematic);
    void Grid(bool schematic);
    void GridPass(uint32_t orientation, double spacing, double strength);
    void Edges(bool seethrough);
    void Points(bool seethrough);
    void TargetCross();
    void AxisIndicator();
};

void pw2_ViewScene::Draw() {
    const pw2_DisplayLayers& layers = DISPLAYLAYERS[std::min(view.GetDisplayMode(), 4u)];
    const bool schematic = view.GetDisplayMode() == 0;
    view.UpdateMatrices();
    device.SetWorld(qzMatrix::Identity());
    device.SetView(view.GetViewMatrix());
    const float fx = static_cast<float>(width) / static_cast<float>(targetwidth);
    const float fy = static_cast<float>(height) / static_cast<float>(targetheight);
    device.SetProjection(view.GetProjection(0), 0, 0, fx, fy);
    if (layers.faces)
        Faces(schematic);
    Grid(schematic);
    // lines and points lying on a face win its depth test
    device.SetProjection(view.GetProjection(1), 0, 0, fx, fy);
    if (layers.edges && layers.seethrough)
        Edges(true);
    if (layers.edges)
        Edges(false);
    if (layers.points && layers.seethrough)
        Points(true);
    if (layers.points)
        Points(false);
    TargetCross();
    AxisIndicator();
}

void pw2_ViewScene::Faces(bool schematic) {
    pw2_BeginLitFaces(device, schematic);
    buffers.DrawFaces();
}

void pw2_ViewScene::Grid(bool schematic) {
    uint32_t orientation = view.GetGridOrientation();
    double fade = 1;
    if (view.IsAnimating() && view.GetOriginGridOrientation() != orientation) {
        // the old grid fades out over the first half of the turn, the new one in over the second
        const double t = view.GetAnimationFraction();
        if (t < 0.5) {
            orientation = view.GetOriginGridOrientation();
            fade = 1 - 2 * t;
        } else {
            fade = 2 * t - 1;
        }
    }
    double f = 0;
    const double step = view.GridStep(model.unitsize, &f);
    pw2_BeginLines(device, !schematic, false, false);
    const double strengths[2] = {1 - 0.7 * f, f};
    for (int pass = 0; pass < 2; ++pass)
        if (strengths[pass] > 0.01)
            GridPass(orientation, pass == 0 ? step : 10 * step, strengths[pass] * fade);
    modelqueue.Flush();
}

void pw2_ViewScene::GridPass(uint32_t orientation, double spacing, double strength) {
    const qzColor minor = pw2_Lerp(TRANSPARENT, pw2_Premultiplied(qzColor(60, 60, 60, 50)), strength);
    const qzColor major = pw2_Lerp(TRANSPARENT, pw2_Premultiplied(qzColor(60, 60, 60, 80)), strength);
    unsigned axes[2];
    PlaneAxes(orientation, axes[0], axes[1]);
    int64_t centre[2];
    for (int i = 0; i < 2; ++i)
        centre[i] = 10 * std::llround(Component(view.GetTarget(), axes[i]) / spacing / 10);
    const qzVector3 nonormal;
    qzVertex3D* v = modelqueue.Enqueue(D3DPT_LINELIST, 2 * 2 * (2 * GRID_REACH + 1));
    for (int across = 0; across < 2; ++across) {
        // lines at fixed values of one axis run along the other, whose colour the line through 0 takes
        const unsigned fixed = axes[across], along = axes[1 - across];
        const qzColor axis = pw2_Lerp(
            TRANSPARENT,
            pw2_Premultiplied(qzColor(AXISCOLORS[along].r, AXISCOLORS[along].g, AXISCOLORS[along].b, 170)),
            strength);
        const qzVector3 from = AxisVector(along, (centre[1 - across] - GRID_REACH) * spacing);
        const qzVector3 to = AxisVector(along, (centre[1 - across] + GRID_REACH) * spacing);
        for (int64_t k = centre[across] - GRID_REACH; k <= centre[across] + GRID_REACH; ++k) {
            const qzColor color = k == 0 ? axis : k % 10 == 0 ? major : minor;
            const qzVector3 offset = AxisVector(fixed, static_cast<double>(k) * spacing);
            *v++ = WorldVertex(from + offset, nonormal, color);
            *v++ = WorldVertex(to + offset, nonormal, color);
        }
    }
}

void pw2_ViewScene::Edges(bool seethrough) {
    pw2_BeginLines(device, !seethrough, !seethrough, seethrough);
    buffers.DrawEdges();
}

void pw2_ViewScene::Points(bool seethrough) {
    pw2_BeginPoints(device, !seethrough, seethrough);
    buffers.DrawPoints();
}

void pw2_ViewScene::TargetCross() {
    if (!image.IsDragging())
        return;
    const qzColor color = pw2_Premultiplied(qzColor(255, 128, 0, 200));
    const double reach = 1000 * view.GridStep(model.unitsize);
    unsigned axes[2];
    PlaneAxes(view.GetGridOrientation(), axes[0], axes[1]);
    pw2_BeginLines(device, false, false, false);
    const qzVector3 nonormal;
    qzVertex3D* v = modelqueue.Enqueue(D3DPT_LINELIST, 4);
    for (unsigned axis : axes) {
        *v++ = WorldVertex(view.GetTarget() - AxisVector(axis, reach), nonormal, color);
        *v++ = WorldVertex(view.GetTarget() + AxisVector(axis, reach), nonormal, color);
    }
    modelqueue.Flush();
}

void pw2_ViewScene::AxisIndicator() {
    static const char* const letters[3] = {"X", "Y", "Z"};
    const double cx = AXIS_INDICATOR_MARGIN, cy = height - AXIS_INDICATOR_MARGIN;
    // the view matrix turns and flips the axes as the picture shows them; screen rows run downwards
    double dx[3], dy[3];
    for (unsigned axis = 0; axis < 3; ++axis) {
        const qzVector3 turned = view.GetViewMatrix().TransformVector(AxisVector(axis, 1));
        dx[axis] = turned.x;
        dy[axis] = -turned.y;
    }
    pw2_BeginLines(device, false, false, false);
    for (unsigned axis = 0; axis < 3; ++axis) {
        // an axis pointing at the viewer keeps only its letter, on the centre
        if (std::hypot(dx[axis], dy[axis]) < 0.05)
            continue;
        qzVertex2D* v = screenqueue.Enqueue(D3DPT_LINELIST, 2);
        v[0] = pw2_ScreenVertex(cx, cy, AXISCOLORS[axis]);
        v[1] = pw2_ScreenVertex(cx + AXIS_LINE_LENGTH * dx[axis], cy + AXIS_LINE_LENGTH * dy[axis],
                                AXISCOLORS[axis]);
    }
    screenqueue.Flush();
    pw2_BeginTextured(device);
    font.SetTexture(0);
    for (unsigned axis = 0; axis < 3; ++axis) {
        qzTextLayout layout(&font, 0, 4);
        layout.Layout(qzStringRef::FromText(letters[axis]), false, false, UINT32_MAX);
        layout.Align(QZALIGN_CENTER, QZALIGN_MIDDLE);
        layout.Draw(&screenqueue, AXISCOLORS[axis].GetARGB(),
                    static_cast<int32_t>(std::lround(cx + AXIS_LETTER_DISTANCE * dx[axis])),
                    static_cast<int32_t>(std::lround(cy + AXIS_LETTER_DISTANCE * dy[axis])));
    }
    screenqueue.Flush();
}

} // namespace

void pw2_GraphicsController::DrawViewImage(pw2_ViewImage* image, int32_t clipx, int32_t clipy,
                                           int32_t clipwidth, int32_t clipheight) {
    const int32_t x = image->GetAbsoluteX(), y = image->GetAbsoluteY();
    const int32_t w = image->GetWidth(), h = image->GetHeight();
    if (w < 1 || h < 1)
        return;
    const uint32_t uw = static_cast<uint32_t>(w), uh = static_cast<uint32_t>(h);
    qzTexture& texture = image->GetTexture();
    if (texture.Exists() && (texture.GetOriginalWidth() != uw || texture.GetOriginalHeight() != uh))
        texture.Destroy();
    if (!texture.Exists())
        texture.Create(&device, uw, uh, false, true);

    device.SetRenderTarget(&texture);
    device.Clear(true, 0, true, 1.0f);
    pw2_Model& model = *main->GetModel();
    modelBuffers.Update(device, model.currentgeometry, model.revision, model.changedpoints,
                        model.pointsrevision);
    // the buffers hold them now, whether written in place or made again
    model.changedpoints.clear();
    pw2_ViewScene scene{device,
                        screenQueue,
                        modelQueue,
                        main->GetFont(0),
                        modelBuffers,
                        *image->GetView(),
                        *image,
                        *main->GetModel(),
                        w,
                        h,
                        texture.GetWidth(),
                        texture.GetHeight()};
    scene.Draw();
    device.SetRenderTarget(nullptr);

    // sunken: dark above and to the left, light below and to the right, one pixel outside the image
    BeginShapes(clipx, clipy, clipwidth, clipheight);
    static const qzColor dark(96, 96, 96), light(240, 240, 240);
    const double left = x - 1, top = y - 1, right = x + w, bottom = y + h;
    qzVertex2D* v = screenQueue.Enqueue(D3DPT_LINELIST, 8);
    v[0] = pw2_ScreenVertex(left, top, dark);
    v[1] = pw2_ScreenVertex(right, top, dark);
    v[2] = pw2_ScreenVertex(right, top, light);
    v[3] = pw2_ScreenVertex(right, bottom, light);
    v[4] = pw2_ScreenVertex(right, bottom, light);
    v[5] = pw2_ScreenVertex(left, bottom, light);
    v[6] = pw2_ScreenVertex(left, bottom, dark);
    v[7] = pw2_ScreenVertex(left, top, dark);
    screenQueue.Flush();

    pw2_BeginTextured(device);
    texture.SetTexture(0);
    pw2_EnqueueQuad(screenQueue, pw2_SolidQuad(x, y, x + w, y + h, qzColor(255, 255, 255)),
                    static_cast<float>(w) / static_cast<float>(texture.GetWidth()),
                    static_cast<float>(h) / static_cast<float>(texture.GetHeight()));
    screenQueue.Flush();

    int32_t x0, y0, x1, y1;
    if (image->GetSelectionRectangle(x0, y0, x1, y1)) {
        BeginShapes(clipx, clipy, clipwidth, clipheight);
        Frame({x + std::min(x0, x1), y + std::min(y0, y1), x + std::max(x0, x1), y + std::max(y0, y1),
               PW2_COLOR_SELECTION_RECTANGLE});
        screenQueue.Flush();
    }
}

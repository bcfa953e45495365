// The drawing of a 3D view. The scene of the view's display mode goes into the view image's own
// render-target texture: faces, the fading grid, edges and points with their faint see-through passes, the
// target cross while the camera is dragged and the axis indicator. The texture is then composited pixel for
// pixel inside a sunken bevel. Textured and multi-sampled scenes are not drawn here.
#include "pw2_graphicscontroller.h"

#include "pw2_main.h"
#include "pw2_model.h"
#include "pw2_modelgeometry.h"
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
const qzColor SELECTED(255, 255, 0);
const qzColor AXISCOLORS[3] = {qzColor(255, 0, 0), qzColor(0, 255, 0), qzColor(0, 0, 255)};

// The frame blends with source factor one, so every translucent colour goes in premultiplied.
qzColor Premultiplied(qzColor c) {
    auto scale = [&c](uint8_t channel) { return static_cast<uint8_t>((channel * c.a + 127) / 255); };
    return qzColor(scale(c.r), scale(c.g), scale(c.b), c.a);
}

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

qzVertex2D ScreenVertex(double x, double y, double z, qzColor color, float u = 0, float v = 0) {
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), 1, color.GetARGB(), 0, u, v};
}

// Six vertices over the pixels x1 .. x2-1, y1 .. y2-1 with a half-pixel shift, at depth z.
void EnqueueQuad(qzVertexQueue2D& queue, double x1, double y1, double x2, double y2, double z, qzColor color,
                 float u2 = 0, float v2 = 0) {
    x1 -= 0.5, y1 -= 0.5, x2 -= 0.5, y2 -= 0.5;
    qzVertex2D* v = queue.Enqueue(D3DPT_TRIANGLELIST, 6);
    v[0] = ScreenVertex(x1, y1, z, color, 0, 0);
    v[1] = ScreenVertex(x2, y1, z, color, u2, 0);
    v[2] = ScreenVertex(x2, y2, z, color, u2, v2);
    v[3] = v[2];
    v[4] = ScreenVertex(x1, y2, z, color, 0, v2);
    v[5] = v[0];
}

// The unselected and selected colours of an edge or point pass: opaque black and yellow, or in the
// see-through pass translucent at the alphas given.
struct pw2_PassColors {
    qzColor unselected, selected;
};
pw2_PassColors PassColors(bool seethrough, uint8_t unselectedalpha, uint8_t selectedalpha) {
    if (!seethrough)
        return {qzColor(0, 0, 0), SELECTED};
    return {qzColor(0, 0, 0, unselectedalpha), Premultiplied(qzColor(255, 255, 0, selectedalpha))};
}

// Everything one view's scene needs while it is drawn into the image's render target of targetwidth x
// targetheight, of which the top-left width x height pixels are shown.
struct pw2_ViewScene {
    qzDevice& device;
    qzVertexQueue2D& screenqueue;
    qzVertexQueue3D& modelqueue;
    qzBitmapFont& font;
    pw2_View& view;
    const pw2_ViewImage& image;
    const pw2_Model& model;
    int32_t width, height;
    uint32_t targetwidth, targetheight;

    void Draw();
    // The projection squeezed into the shown part of the target.
    qzMatrix Projection(unsigned index) const;
    void BeginLines(bool depthtest, bool depthwrite);
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

qzMatrix pw2_ViewScene::Projection(unsigned index) const {
    return qzDevice::SubRectangleProjection(view.GetProjection(index), 0, 0,
                                            static_cast<double>(width) / targetwidth,
                                            static_cast<double>(height) / targetheight);
}

void pw2_ViewScene::BeginLines(bool depthtest, bool depthwrite) {
    device.SetLighting(false);
    device.SetDepth(depthtest, depthwrite);
    device.DisableTextureStage(0);
    device.SetLastPixel(true);
}

void pw2_ViewScene::Faces(bool schematic) {
    static const qzColor unselected(120, 160, 220), selected(200, 100, 200);
    const pw2_ModelGeometry* geometry = model.currentgeometry;
    if (geometry == nullptr)
        return;
    device.SetLighting(true);
    device.SetDepth(true, true);
    device.DisableTextureStage(0);
    for (const pw2_ModelFace* face = geometry->firstface; face != nullptr; face = face->next) {
        const uint32_t n = face->vertexcount;
        if (n < 3)
            continue;
        auto cornercolor = [&](const pw2_ModelVertex& corner) {
            return schematic ? (corner.selected ? selected : unselected) : corner.color;
        };
        if (n == 3) {
            qzVertex3D* v = modelqueue.Enqueue(D3DPT_TRIANGLELIST, 3);
            for (uint32_t i = 0; i < 3; ++i)
                v[i] = WorldVertex(face->vertices[i].point->position, face->normal,
                                   cornercolor(face->vertices[i]));
            continue;
        }
        qzVector3 centre;
        uint32_t sums[4] = {}, selectedcorners = 0;
        for (uint32_t i = 0; i < n; ++i) {
            const pw2_ModelVertex& corner = face->vertices[i];
            centre += corner.point->position;
            sums[0] += corner.color.r, sums[1] += corner.color.g, sums[2] += corner.color.b,
                sums[3] += corner.color.a;
            selectedcorners += corner.selected ? 1 : 0;
        }
        centre *= 1.0 / n;
        auto mean = [&](uint32_t sum) { return static_cast<uint8_t>((sum + n / 2) / n); };
        const qzColor centrecolor =
            schematic ? pw2_Lerp(unselected, selected, static_cast<double>(selectedcorners) / n)
                      : qzColor(mean(sums[0]), mean(sums[1]), mean(sums[2]), mean(sums[3]));
        const qzVertex3D middle = WorldVertex(centre, face->normal, centrecolor);
        // a triangle at a time, so that no face is too large for the queue
        for (uint32_t i = 0; i < n; ++i) {
            const pw2_ModelVertex& a = face->vertices[i];
            const pw2_ModelVertex& b = face->vertices[(i + 1) % n];
            qzVertex3D* v = modelqueue.Enqueue(D3DPT_TRIANGLELIST, 3);
            v[0] = middle;
            v[1] = WorldVertex(a.point->position, face->normal, cornercolor(a));
            v[2] = WorldVertex(b.point->position, face->normal, cornercolor(b));
        }
    }
    modelqueue.Flush();
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
    BeginLines(!schematic, false);
    const double strengths[2] = {1 - 0.7 * f, f};
    for (int pass = 0; pass < 2; ++pass)
        if (strengths[pass] > 0.01)
            GridPass(orientation, pass == 0 ? step : 10 * step, strengths[pass] * fade);
    modelqueue.Flush();
}

void pw2_ViewScene::GridPass(uint32_t orientation, double spacing, double strength) {
    const qzColor minor = pw2_Lerp(TRANSPARENT, Premultiplied(qzColor(60, 60, 60, 50)), strength);
    const qzColor major = pw2_Lerp(TRANSPARENT, Premultiplied(qzColor(60, 60, 60, 80)), strength);
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
            Premultiplied(qzColor(AXISCOLORS[along].r, AXISCOLORS[along].g, AXISCOLORS[along].b, 170)),
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
    const pw2_ModelGeometry* geometry = model.currentgeometry;
    if (geometry == nullptr)
        return;
    const pw2_PassColors colors = PassColors(seethrough, 80, 100);
    BeginLines(!seethrough, !seethrough);
    const qzVector3 nonormal;
    for (const pw2_ModelEdge* edge = geometry->firstedge; edge != nullptr; edge = edge->next) {
        qzVertex3D* v = modelqueue.Enqueue(D3DPT_LINELIST, 2);
        for (int end = 0; end < 2; ++end)
            v[end] = WorldVertex(edge->ends[end].point->position, nonormal,
                                 edge->ends[end].selected ? colors.selected : colors.unselected);
    }
    modelqueue.Flush();
    device.SetLastPixel(false);
}

void pw2_ViewScene::Points(bool seethrough) {
    const pw2_ModelGeometry* geometry = model.currentgeometry;
    if (geometry == nullptr)
        return;
    const pw2_PassColors colors = PassColors(seethrough, 120, 140);
    device.SetLighting(false);
    device.SetDepth(!seethrough, !seethrough);
    device.DisableTextureStage(0);
    qzMatrix transform;
    transform.Multiply(view.GetViewMatrix(), Projection(1));
    for (const pw2_ModelPoint* point = geometry->firstpoint; point != nullptr; point = point->next) {
        double w = 0;
        const qzVector3 p = transform.ProjectPoint(point->position, &w);
        // behind the camera or outside the depth range: the point is not in the picture
        if (!(w > 0) || p.z < 0 || p.z > 1)
            continue;
        const double px = (p.x + 1) * 0.5 * targetwidth;
        const double py = (1 - p.y) * 0.5 * targetheight;
        EnqueueQuad(screenqueue, px - 1.5, py - 1.5, px + 1.5, py + 1.5, p.z,
                    point->selected ? colors.selected : colors.unselected);
    }
    screenqueue.Flush();
}

void pw2_ViewScene::TargetCross() {
    if (!image.IsDragging())
        return;
    const qzColor color = Premultiplied(qzColor(255, 128, 0, 200));
    const double reach = 1000 * view.GridStep(model.unitsize);
    unsigned axes[2];
    PlaneAxes(view.GetGridOrientation(), axes[0], axes[1]);
    BeginLines(false, false);
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
    BeginLines(false, false);
    for (unsigned axis = 0; axis < 3; ++axis) {
        // an axis pointing at the viewer keeps only its letter, on the centre
        if (std::hypot(dx[axis], dy[axis]) < 0.05)
            continue;
        qzVertex2D* v = screenqueue.Enqueue(D3DPT_LINELIST, 2);
        v[0] = ScreenVertex(cx, cy, 0, AXISCOLORS[axis]);
        v[1] = ScreenVertex(cx + AXIS_LINE_LENGTH * dx[axis], cy + AXIS_LINE_LENGTH * dy[axis], 0,
                            AXISCOLORS[axis]);
    }
    screenqueue.Flush();
    device.SetTextureStageModulate(0);
    device.SetSampler(0, D3DTEXF_POINT, D3DTEXF_POINT, false);
    device.DisableTextureStage(1);
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
    pw2_ViewScene scene{device,
                        screenQueue,
                        modelQueue,
                        main->GetFont(0),
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
    v[0] = ScreenVertex(left, top, 0, dark);
    v[1] = ScreenVertex(right, top, 0, dark);
    v[2] = ScreenVertex(right, top, 0, light);
    v[3] = ScreenVertex(right, bottom, 0, light);
    v[4] = ScreenVertex(right, bottom, 0, light);
    v[5] = ScreenVertex(left, bottom, 0, light);
    v[6] = ScreenVertex(left, bottom, 0, dark);
    v[7] = ScreenVertex(left, top, 0, dark);
    screenQueue.Flush();

    device.SetLighting(false);
    device.SetDepth(false, false);
    device.SetTextureStageModulate(0);
    device.SetSampler(0, D3DTEXF_POINT, D3DTEXF_POINT, false);
    device.DisableTextureStage(1);
    texture.SetTexture(0);
    EnqueueQuad(screenQueue, x, y, x + w, y + h, 0, qzColor(255, 255, 255),
                static_cast<float>(w) / static_cast<float>(texture.GetWidth()),
                static_cast<float>(h) / static_cast<float>(texture.GetHeight()));
    screenQueue.Flush();
}

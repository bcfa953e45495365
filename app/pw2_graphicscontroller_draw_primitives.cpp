// The pieces every 2D drawing operation is made of: the common state prologue, quads, frames, lines and
// triangles in the screen queue, and text in the first bitmap font.
#include "pw2_graphicscontroller.h"

#include "pw2_main.h"
#include "pw2_renderpass.h"
#include "qztextlayout.h"

#include <cstdint>

qzVertex2D pw2_ScreenVertex(double x, double y, qzColor color, float u, float v) {
    return {static_cast<float>(x), static_cast<float>(y), 0, 1, color.GetARGB(), 0, u, v};
}

void pw2_EnqueueQuad(qzVertexQueue2D& queue, const pw2_QuadLook& quad, float u2, float v2) {
    // shifted by half a pixel, so that the quad covers pixels x1 .. x2-1 and y1 .. y2-1 exactly
    const double left = quad.x1 - 0.5, top = quad.y1 - 0.5, right = quad.x2 - 0.5, bottom = quad.y2 - 0.5;
    qzVertex2D* v = queue.Enqueue(D3DPT_TRIANGLELIST, 6);
    v[0] = pw2_ScreenVertex(left, top, quad.topleft, 0, 0);
    v[1] = pw2_ScreenVertex(right, top, quad.topright, u2, 0);
    v[2] = pw2_ScreenVertex(right, bottom, quad.bottomright, u2, v2);
    v[3] = v[2];
    v[4] = pw2_ScreenVertex(left, bottom, quad.bottomleft, 0, v2);
    v[5] = v[0];
}

void pw2_GraphicsController::BeginShapes(int32_t clipx, int32_t clipy, int32_t clipwidth,
                                         int32_t clipheight) {
    device.SetScissor(clipx, clipy, clipwidth, clipheight);
    pw2_BeginInterface(device);
}

void pw2_GraphicsController::BeginText() {
    // the shapes queued so far are drawn untextured
    screenQueue.Flush();
    pw2_BeginTextured(device);
    main->GetFont(0).SetTexture(0);
}

void pw2_GraphicsController::DrawLayout(const qzTextLayout& layout, qzColor color, int32_t x, int32_t y) {
    layout.Draw(&screenQueue, color.GetARGB(), x, y);
    screenQueue.Flush();
}

void pw2_GraphicsController::DrawCaption(const qzString& text, const pw2_TextLook& look) {
    BeginText();
    qzTextLayout layout(&main->GetFont(0), 0, 4);
    // captions never wrap: one wider than its control runs over the frame, cut only by the clip
    layout.Layout(text.Ref(), false, false, UINT32_MAX);
    layout.Align(look.halign, look.valign);
    DrawLayout(layout, look.color, look.x, look.y);
}

void pw2_GraphicsController::Quad(const pw2_QuadLook& quad) {
    pw2_EnqueueQuad(screenQueue, quad);
}

void pw2_GraphicsController::Frame(const pw2_FrameLook& frame) {
    const float x1 = static_cast<float>(frame.x1), y1 = static_cast<float>(frame.y1);
    const float x2 = static_cast<float>(frame.x2), y2 = static_cast<float>(frame.y2);
    const float corners[5][2] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}, {x1, y1}};
    qzVertex2D* v = screenQueue.Enqueue(D3DPT_LINELIST, 8);
    for (int side = 0; side < 4; ++side) {
        v[2 * side] = pw2_ScreenVertex(corners[side][0], corners[side][1], frame.color);
        v[2 * side + 1] = pw2_ScreenVertex(corners[side + 1][0], corners[side + 1][1], frame.color);
    }
}

void pw2_GraphicsController::Line(const pw2_LineLook& line) {
    qzVertex2D* v = screenQueue.Enqueue(D3DPT_LINELIST, 2);
    v[0] = pw2_ScreenVertex(line.x1, line.y1, line.color);
    v[1] = pw2_ScreenVertex(line.x2, line.y2, line.color);
}

void pw2_GraphicsController::Triangle(const pw2_TriangleLook& triangle) {
    qzVertex2D* v = screenQueue.Enqueue(D3DPT_TRIANGLELIST, 3);
    for (int corner = 0; corner < 3; ++corner)
        v[corner] = pw2_ScreenVertex(triangle.x[corner], triangle.y[corner], triangle.color);
}

void pw2_GraphicsController::Face(const pw2_FaceLook& face) {
    Quad(face.quad);
    Frame(face.frame);
}

void pw2_GraphicsController::DrawCaptionedFace(const pw2_CaptionedLook& look, const qzString& text,
                                               int32_t clipx, int32_t clipy, int32_t clipwidth,
                                               int32_t clipheight) {
    BeginShapes(clipx, clipy, clipwidth, clipheight);
    Face(look.face);
    DrawCaption(text, look.text);
}

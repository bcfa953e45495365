// The pieces every 2D drawing operation is made of: the common state prologue, quads, frames, lines and
// triangles in the screen queue, and text in the first bitmap font.
#include "pw2_graphicscontroller.h"

#include "pw2_main.h"
#include "qztextlayout.h"

#include <cstdint>

namespace {

qzVertex2D ScreenVertex(float x, float y, qzColor color) {
    return {x, y, 0, 1, color.GetARGB(), 0, 0, 0};
}

} // namespace

void pw2_GraphicsController::BeginShapes(int32_t clipx, int32_t clipy, int32_t clipwidth,
                                         int32_t clipheight) {
    device.SetScissor(clipx, clipy, clipwidth, clipheight);
    BeginUntextured();
}

void pw2_GraphicsController::BeginUntextured() {
    device.SetLighting(false);
    device.SetDepth(false, false);
    device.DisableTextureStage(0);
}

void pw2_GraphicsController::BeginText() {
    // the shapes queued so far are drawn untextured
    screenQueue.Flush();
    device.SetTextureStageModulate(0);
    device.SetSampler(0, D3DTEXF_POINT, D3DTEXF_POINT, false);
    device.DisableTextureStage(1);
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
    // shifted by half a pixel, so that the quad covers pixels x1 .. x2-1 and y1 .. y2-1 exactly
    const float left = static_cast<float>(quad.x1) - 0.5f, top = static_cast<float>(quad.y1) - 0.5f;
    const float right = static_cast<float>(quad.x2) - 0.5f, bottom = static_cast<float>(quad.y2) - 0.5f;
    qzVertex2D* v = screenQueue.Enqueue(D3DPT_TRIANGLELIST, 6);
    v[0] = ScreenVertex(left, top, quad.topleft);
    v[1] = ScreenVertex(right, top, quad.topright);
    v[2] = ScreenVertex(right, bottom, quad.bottomright);
    v[3] = v[2];
    v[4] = ScreenVertex(left, bottom, quad.bottomleft);
    v[5] = v[0];
}

void pw2_GraphicsController::Frame(const pw2_FrameLook& frame) {
    const float x1 = static_cast<float>(frame.x1), y1 = static_cast<float>(frame.y1);
    const float x2 = static_cast<float>(frame.x2), y2 = static_cast<float>(frame.y2);
    const float corners[5][2] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}, {x1, y1}};
    qzVertex2D* v = screenQueue.Enqueue(D3DPT_LINELIST, 8);
    for (int side = 0; side < 4; ++side) {
        v[2 * side] = ScreenVertex(corners[side][0], corners[side][1], frame.color);
        v[2 * side + 1] = ScreenVertex(corners[side + 1][0], corners[side + 1][1], frame.color);
    }
}

void pw2_GraphicsController::Line(const pw2_LineLook& line) {
    qzVertex2D* v = screenQueue.Enqueue(D3DPT_LINELIST, 2);
    v[0] = ScreenVertex(static_cast<float>(line.x1), static_cast<float>(line.y1), line.color);
    v[1] = ScreenVertex(static_cast<float>(line.x2), static_cast<float>(line.y2), line.color);
}

void pw2_GraphicsController::Triangle(const pw2_TriangleLook& triangle) {
    qzVertex2D* v = screenQueue.Enqueue(D3DPT_TRIANGLELIST, 3);
    for (int corner = 0; corner < 3; ++corner)
        v[corner] = ScreenVertex(triangle.x[corner], triangle.y[corner], triangle.color);
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

// The tooltip: a light box with the hovered window's text, placed near the mouse where it covers neither
// the window nor leaves the client area, drawn last in the frame and unclipped.
#include "pw2_graphicscontroller.h"

#include "pw2_main.h"
#include "pw2_renderpass.h"
#include "pw2_theme.h"
#include "pw2_window.h"
#include "qzassert.h"
#include "qztextlayout.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int32_t BELOW_MOUSE = 20;
constexpr int32_t PREFERRED_BELOW_MOUSE = 10;
constexpr uint32_t MAXIMUM_TEXT_WIDTH = 300;
constexpr int32_t PADDING = 3;

} // namespace

pw2_TooltipPosition pw2_PlaceTooltip(int32_t screenwidth, int32_t screenheight, int32_t x, int32_t y,
                                     int32_t w, int32_t h, int32_t mx, int32_t my, int32_t bw, int32_t bh) {
    pw2_TooltipPosition candidates[6];
    int count = 0;
    auto add = [&](int32_t cx, int32_t cy) { candidates[count++] = {cx, cy}; };
    const int32_t cx = std::max(std::min(mx, screenwidth - bw), 0);
    if (my + BELOW_MOUSE + bh <= screenheight) {
        const int32_t cy = my + BELOW_MOUSE;
        if (cx >= x + w || x >= cx + bw || cy >= y + h) {
            add(cx, cy);
        } else {
            if (y + h + bh <= screenheight)
                add(cx, y + h);
            if (x - bw >= 0)
                add(x - bw, cy);
            if (x + w + bw <= screenwidth)
                add(x + w, cy);
        }
    }
    if (my >= bh) {
        const int32_t cy = my - bh;
        if (cx >= x + w || x >= cx + bw || y >= my + bh) {
            add(cx, cy);
        } else {
            if (y - bh >= 0)
                add(cx, y - bh);
            if (x - bw >= 0)
                add(x - bw, cy);
            if (x + w + bw <= screenwidth)
                add(x + w, cy);
        }
    }
    pw2_TooltipPosition best{mx, my + PREFERRED_BELOW_MOUSE};
    int64_t bestdistance = INT64_MAX;
    for (int i = 0; i < count; ++i) {
        const int64_t distance = std::llabs(int64_t{candidates[i].x} - mx) +
                                 std::llabs(int64_t{candidates[i].y} - (int64_t{my} + PREFERRED_BELOW_MOUSE));
        // on equal distance the earlier candidate stays
        if (distance < bestdistance) {
            bestdistance = distance;
            best = candidates[i];
        }
    }
    return best;
}

void pw2_GraphicsController::DrawTooltip(const pw2_Window* window, int32_t mousex, int32_t mousey) {
    QZASSERT(window != nullptr, "window!=NULL");
    QZASSERT(!window->GetTooltip().IsEmpty(), "window->GetTooltip()!=NULL");
    // the frame has switched the scissor test off already
    pw2_BeginInterface(device);
    qzTextLayout layout(&main->GetFont(0), 0, 4);
    layout.Layout(window->GetTooltip().Ref(), true, true, MAXIMUM_TEXT_WIDTH);
    layout.Align(QZALIGN_LEFT, QZALIGN_TOP);
    uint32_t textwidth = 0, textheight = 0;
    layout.Measure(&textwidth, &textheight);
    const int32_t bw = static_cast<int32_t>(textwidth) + 2 * PADDING;
    const int32_t bh = static_cast<int32_t>(textheight) + 2 * PADDING;
    const qzWindow& mainwindow = main->GetMainWindow();
    const pw2_TooltipPosition box = pw2_PlaceTooltip(
        mainwindow.GetClientWidth(), mainwindow.GetClientHeight(), window->GetAbsoluteX(),
        window->GetAbsoluteY(), window->GetWidth(), window->GetHeight(), mousex, mousey, bw, bh);
    Quad(pw2_SolidQuad(box.x + 1, box.y + 1, box.x + bw - 1, box.y + bh - 1, PW2_COLOR_TOOLTIP_BODY));
    screenQueue.Flush();
    Frame({box.x, box.y, box.x + bw - 1, box.y + bh - 1, PW2_COLOR_TOOLTIP_FRAME});
    screenQueue.Flush();
    BeginText();
    DrawLayout(layout, PW2_COLOR_TEXT, box.x + PADDING, box.y + PADDING);
}

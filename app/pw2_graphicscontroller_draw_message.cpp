// The message of a command that could not apply: the tooltip's box with one line, centred at the foot of the
// views' drawing areas, drawn over the window tree and unclipped until the next click or key.
#include "pw2_graphicscontroller.h"

#include "pw2_main.h"
#include "pw2_renderpass.h"
#include "pw2_theme.h"
#include "pw2_view.h"
#include "pw2_viewimage.h"
#include "qztextlayout.h"

namespace {

constexpr int32_t PADDING = 6;
// between the box and the foot of the drawing areas
constexpr int32_t MARGIN = 12;

} // namespace

void pw2_GraphicsController::DrawMessage(const std::string& text) {
    const pw2_ScreenLayout& layout = main->GetLayout();
    const qzString caption(text.c_str());
    qzTextLayout measure(&main->GetFont(0), 0, 4);
    measure.Layout(caption.Ref(), false, false, 0);
    uint32_t textwidth = 0, textheight = 0;
    measure.Measure(&textwidth, &textheight);
    const int32_t w = static_cast<int32_t>(textwidth) + 2 * PADDING;
    const int32_t h = static_cast<int32_t>(textheight) + 2 * PADDING;
    const pw2_ViewImage& image = *main->GetLeftView()->GetImage();
    const int32_t x = (layout.width - w) / 2, y = image.GetAbsoluteY() + image.GetHeight() - MARGIN - h;
    // the frame has switched the scissor test off already
    pw2_BeginInterface(device);
    Quad(pw2_SolidQuad(x + 1, y + 1, x + w - 1, y + h - 1, PW2_COLOR_TOOLTIP_BODY));
    screenQueue.Flush();
    Frame({x, y, x + w - 1, y + h - 1, PW2_COLOR_TOOLTIP_FRAME});
    screenQueue.Flush();
    DrawCaption(caption, {x + w / 2, y + h / 2, QZALIGN_CENTER, QZALIGN_MIDDLE, PW2_COLOR_TEXT});
}

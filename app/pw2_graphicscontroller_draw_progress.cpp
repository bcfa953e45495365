// The progress of a long load: a box over the middle of the views with the file's name, a bar that fills
// from the left and how to cancel, drawn over the window tree and unclipped.
#include "pw2_graphicscontroller.h"

#include "pw2_filecommands.h"
#include "pw2_main.h"
#include "pw2_renderpass.h"
#include "pw2_theme.h"
#include "qztextlayout.h"

#include <algorithm>

namespace {

constexpr int32_t BOX_WIDTH = 360;
constexpr int32_t BOX_HEIGHT = 58;
constexpr int32_t PADDING = 8;
constexpr int32_t BAR_HEIGHT = 12;

} // namespace

pw2_ProgressLook pw2_ComputeProgress(int32_t viewswidth, int32_t viewsheight, double fraction) {
    pw2_ProgressLook look;
    const int32_t x = (viewswidth - BOX_WIDTH) / 2, y = (viewsheight - BOX_HEIGHT) / 2;
    look.box = pw2_SolidQuad(x + 1, y + 1, x + BOX_WIDTH - 1, y + BOX_HEIGHT - 1, PW2_COLOR_TOOLTIP_BODY);
    look.frame = {x, y, x + BOX_WIDTH - 1, y + BOX_HEIGHT - 1, PW2_COLOR_TOOLTIP_FRAME};
    const int32_t barx = x + PADDING, bary = y + BOX_HEIGHT / 2 - BAR_HEIGHT / 2;
    const int32_t barwidth = BOX_WIDTH - 2 * PADDING;
    look.barframe = {barx, bary, barx + barwidth - 1, bary + BAR_HEIGHT - 1, PW2_COLOR_CONTROL_FRAME};
    const int32_t filled = int32_t((barwidth - 2) * std::clamp(fraction, 0.0, 1.0));
    look.bar =
        pw2_SolidQuad(barx + 1, bary + 1, barx + 1 + filled, bary + BAR_HEIGHT - 1, PW2_COLOR_PROGRESS);
    look.caption = {x + PADDING, y + PADDING - 3, QZALIGN_LEFT, QZALIGN_TOP, PW2_COLOR_TEXT};
    look.hint = {x + PADDING, y + BOX_HEIGHT - PADDING + 2, QZALIGN_LEFT, QZALIGN_BOTTOM, PW2_COLOR_TEXT};
    return look;
}

void pw2_GraphicsController::DrawProgress() {
    const pw2_FileCommands& commands = *main->GetFileCommands();
    const pw2_ScreenLayout& layout = main->GetLayout();
    const pw2_ProgressLook look =
        pw2_ComputeProgress(layout.width, layout.leftview.height, commands.GetProgress());
    // the frame has switched the scissor test off already
    pw2_BeginInterface(device);
    Quad(look.box);
    Quad(look.bar);
    screenQueue.Flush();
    Frame(look.frame);
    Frame(look.barframe);
    screenQueue.Flush();
    DrawCaption(qzString(("Loading " + commands.GetLoadingName()).c_str()), look.caption);
    DrawCaption(qzString("Escape cancels"), look.hint);
}

#include "pw2_submenu.h"

#include "pw2_graphicscontroller.h"
#include "pw2_main.h"
#include "pw2_submenubar.h"
#include "qztextlayout.h"

pw2_Submenu::pw2_Submenu(pw2_Main* main, pw2_SubmenuBar* bar) : pw2_Window(main, bar), bar(bar) {}

void pw2_Submenu::Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) {
    GetMain()->GetGraphicsController()->DrawSubmenu(this, clipx, clipy, clipwidth, clipheight);
}

void pw2_Submenu::OnMouseDown(int button, bool doubleclick) {
    bar->OnMouseDown(button, doubleclick);
}

void pw2_Submenu::OnMouseUp(int button) {
    bar->OnMouseUp(button);
}

void pw2_Submenu::OnMouseMove() {
    bar->OnMouseMove();
}

void pw2_Submenu::OnMouseWheel(int count) {
    bar->OnMouseWheel(count);
}

void pw2_Submenu::SetVisible(bool visible) {
    pw2_Window::SetVisible(visible);
    bar->Layout();
}

void pw2_Submenu::ToggleVisible() {
    SetVisible(!IsVisible());
    GetMain()->RequestRedraw();
}

pw2_SubmenuLook pw2_Submenu::GetLook() const {
    const int32_t x = GetAbsoluteX(), y = GetAbsoluteY(), w = GetWidth(), h = GetHeight();
    return {pw2_HorizontalGradientQuad(x - 2, y - 2, x + w + 2, y + 16, pw2_SubmenuTitleColors(hue)),
            pw2_SolidQuad(x - 2, y + 17, x + w + 2, y + h + 2, PW2_COLOR_SUBMENU_BODY),
            {x - 3, y - 3, x + w + 2, y + h + 2, PW2_COLOR_SUBMENU_FRAME},
            {x - 3, y + 16, x + w + 2, y + 16, PW2_COLOR_SUBMENU_FRAME},
            {x + 3, y + 7, QZALIGN_LEFT, QZALIGN_MIDDLE, PW2_COLOR_CONTROL_FRAME}};
}

#include "pw2_submenubutton.h"

#include "pw2_control_grid.h"
#include "pw2_graphicscontroller.h"
#include "pw2_main.h"
#include "pw2_submenu.h"
#include "qztextlayout.h"

pw2_SubmenuButton::pw2_SubmenuButton(pw2_Main* main, pw2_Window* menubar, pw2_Submenu* submenu)
    : pw2_Window(main, menubar), submenu(submenu) {}

void pw2_SubmenuButton::Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) {
    GetMain()->GetGraphicsController()->DrawSubmenuButton(this, clipx, clipy, clipwidth, clipheight);
}

void pw2_SubmenuButton::OnMouseEnter() {
    GetMain()->RequestRedraw();
}

void pw2_SubmenuButton::OnMouseLeave() {
    GetMain()->RequestRedraw();
}

void pw2_SubmenuButton::OnMouseDown(int button, bool) {
    if (button != 1)
        return;
    submenu->ToggleVisible();
}

void pw2_SubmenuButton::SetGridPosition(int32_t column, int32_t row, int32_t columns, int32_t rows) {
    pw2_PlaceOnGrid(*this, column, row, columns, rows);
}

pw2_CaptionedLook pw2_SubmenuButton::GetLook() const {
    const int32_t x = GetAbsoluteX(), y = GetAbsoluteY(), w = GetWidth(), h = GetHeight();
    return {pw2_ComputeFace(x, y, w, h,
                            pw2_SubmenuButtonColors(submenu->GetHue(), IsActive(), submenu->IsVisible())),
            {x + w / 2, y + h / 2, QZALIGN_CENTER, QZALIGN_MIDDLE, PW2_COLOR_TEXT}};
}

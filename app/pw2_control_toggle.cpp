#include "pw2_control_toggle.h"

#include "pw2_control_grid.h"
#include "pw2_graphicscontroller.h"
#include "pw2_main.h"
#include "qztextlayout.h"

pw2_Control_Toggle::pw2_Control_Toggle(pw2_Main* main, pw2_Window* parent) : pw2_Window(main, parent) {}

void pw2_Control_Toggle::Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) {
    GetMain()->GetGraphicsController()->DrawToggle(this, clipx, clipy, clipwidth, clipheight);
}

void pw2_Control_Toggle::OnMouseEnter() {
    GetMain()->RequestRedraw();
}

void pw2_Control_Toggle::OnMouseLeave() {
    GetMain()->RequestRedraw();
}

void pw2_Control_Toggle::OnMouseDown(int button, bool) {
    if (button != 1)
        return;
    if (!onclick.IsEmpty())
        onclick();
    GetMain()->RequestRedraw();
}

void pw2_Control_Toggle::SetGridPosition(int32_t column, int32_t row, int32_t columns, int32_t rows,
                                         bool joinleft, bool joinright, bool jointop, bool joinbottom) {
    pw2_GridPlacement p =
        pw2_PlaceOnGrid(*this, column, row, columns, rows, joinleft, joinright, jointop, joinbottom);
    textx = p.textx;
    texty = p.texty;
}

bool pw2_Control_Toggle::IsOn() const {
    return !onstate.IsEmpty() && onstate();
}

pw2_CaptionedLook pw2_Control_Toggle::GetLook() const {
    const int32_t x = GetAbsoluteX(), y = GetAbsoluteY();
    return {pw2_ComputeFace(x, y, GetWidth(), GetHeight(),
                            pw2_SelectFaceColors(pw2_ToggleColors(), IsActive(), IsOn())),
            {x + textx, y + texty, QZALIGN_CENTER, QZALIGN_MIDDLE, PW2_COLOR_TEXT}};
}

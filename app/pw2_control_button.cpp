#include "pw2_control_button.h"

#include "pw2_control_grid.h"
#include "pw2_graphicscontroller.h"
#include "pw2_main.h"
#include "qztextlayout.h"

pw2_Control_Button::pw2_Control_Button(pw2_Main* main, pw2_Window* parent) : pw2_Window(main, parent) {}

void pw2_Control_Button::Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) {
    GetMain()->GetGraphicsController()->DrawButton(this, clipx, clipy, clipwidth, clipheight);
}

void pw2_Control_Button::OnMouseEnter() {
    GetMain()->RequestRedraw();
}

void pw2_Control_Button::OnMouseLeave() {
    GetMain()->RequestRedraw();
}

void pw2_Control_Button::OnMouseDown(int button, bool) {
    if (button != 1)
        return;
    pressed = true;
    GetMain()->RequestRedraw();
}

void pw2_Control_Button::OnMouseMove() {
    qzWindow& window = GetMain()->GetMainWindow();
    if (!window.IsLeftButtonHeld())
        return;
    // the button keeps the input while the left button is held, so it sees the pointer leave and return
    bool inside = Contains(window.GetMouseX(), window.GetMouseY());
    if (inside != pressed) {
        pressed = inside;
        GetMain()->RequestRedraw();
    }
}

void pw2_Control_Button::OnMouseUp(int button) {
    if (button != 1 || !pressed)
        return;
    if (!onclick.IsEmpty())
        onclick();
    pressed = false;
    GetMain()->RequestRedraw();
}

void pw2_Control_Button::SetGridPosition(int32_t column, int32_t row, int32_t columns, int32_t rows,
                                         bool joinleft, bool joinright, bool jointop, bool joinbottom) {
    pw2_GridPlacement p =
        pw2_PlaceOnGrid(*this, column, row, columns, rows, joinleft, joinright, jointop, joinbottom);
    textx = p.textx;
    texty = p.texty;
}

pw2_CaptionedLook pw2_Control_Button::GetLook() const {
    const int32_t x = GetAbsoluteX(), y = GetAbsoluteY();
    return {pw2_ComputeFace(x, y, GetWidth(), GetHeight(),
                            pw2_SelectFaceColors(pw2_ButtonColors(), IsActive(), pressed)),
            {x + textx, y + texty, QZALIGN_CENTER, QZALIGN_MIDDLE, PW2_COLOR_TEXT}};
}

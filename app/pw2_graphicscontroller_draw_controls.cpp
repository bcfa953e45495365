// The looks of the button, the toggle, the dropdown and its open list.
#include "pw2_graphicscontroller.h"

#include "pw2_control_button.h"
#include "pw2_control_dropdown.h"
#include "pw2_control_toggle.h"

void pw2_GraphicsController::DrawButton(const pw2_Control_Button* button, int32_t clipx, int32_t clipy,
                                        int32_t clipwidth, int32_t clipheight) {
    DrawCaptionedFace(button->GetLook(), button->GetText(), clipx, clipy, clipwidth, clipheight);
}

void pw2_GraphicsController::DrawToggle(const pw2_Control_Toggle* toggle, int32_t clipx, int32_t clipy,
                                        int32_t clipwidth, int32_t clipheight) {
    DrawCaptionedFace(toggle->GetLook(), toggle->GetText(), clipx, clipy, clipwidth, clipheight);
}

void pw2_GraphicsController::DrawDropdown(const pw2_Control_Dropdown* dropdown, int32_t clipx, int32_t clipy,
                                          int32_t clipwidth, int32_t clipheight) {
    BeginShapes(clipx, clipy, clipwidth, clipheight);
    const pw2_DropdownLook look = dropdown->GetLook();
    Face(look.face);
    Triangle(look.arrow);
    const qzString empty;
    const qzString& text =
        dropdown->GetStateCount() > 0 ? dropdown->GetState(dropdown->GetSelectedIndex()) : empty;
    DrawCaption(text, look.text);
}

void pw2_GraphicsController::DrawDropdownPopup(const pw2_Control_Dropdown_Popup* popup, int32_t clipx,
                                               int32_t clipy, int32_t clipwidth, int32_t clipheight) {
    BeginShapes(clipx, clipy, clipwidth, clipheight);
    const pw2_DropdownPopupLook look = popup->GetLook();
    Quad(look.body);
    Quad(look.highlight);
    Frame(look.frame);
    const pw2_Control_Dropdown* dropdown = popup->GetDropdown();
    for (uint32_t i = 0; i < dropdown->GetStateCount(); ++i)
        DrawCaption(dropdown->GetState(i), popup->GetRowTextLook(i));
}

// The looks of a tool panel of the submenu bar and of its tab in the menu bar, both in the panel's hue.
#include "pw2_graphicscontroller.h"

#include "pw2_submenu.h"
#include "pw2_submenubutton.h"

void pw2_GraphicsController::DrawSubmenu(const pw2_Submenu* submenu, int32_t clipx, int32_t clipy,
                                         int32_t clipwidth, int32_t clipheight) {
    BeginShapes(clipx, clipy, clipwidth, clipheight);
    const pw2_SubmenuLook look = submenu->GetLook();
    Quad(look.titlebar);
    Quad(look.body);
    Frame(look.frame);
    Line(look.separator);
    DrawCaption(submenu->GetTitle(), look.title);
}

void pw2_GraphicsController::DrawSubmenuButton(const pw2_SubmenuButton* button, int32_t clipx, int32_t clipy,
                                               int32_t clipwidth, int32_t clipheight) {
    DrawCaptionedFace(button->GetLook(), button->GetSubmenu()->GetTitle(), clipx, clipy, clipwidth,
                      clipheight);
}

// A tab of the menu bar that shows or hides its submenu; it is drawn with the submenu's title and hue,
// and looks pressed while the submenu is shown.
#pragma once

#include "pw2_control_look.h"
#include "pw2_window.h"

class pw2_Submenu;

class pw2_SubmenuButton : public pw2_Window {
public:
    pw2_SubmenuButton(pw2_Main* main, pw2_Window* menubar, pw2_Submenu* submenu);

    void Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnMouseDown(int button, bool doubleclick) override;

    void SetGridPosition(int32_t column, int32_t row, int32_t columns, int32_t rows);
    pw2_Submenu* GetSubmenu() const { return submenu; }

    pw2_CaptionedLook GetLook() const;

private:
    pw2_Submenu* submenu;
};

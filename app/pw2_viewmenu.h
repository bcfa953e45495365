// What the two button bars of a 3D view share: they belong to the view, draw nothing themselves, and make
// their controls with caption, tooltip and grid place, the callbacks bound to the view or its drawing area.
// Every control of the bars is four cells high.
#pragma once

#include "pw2_window.h"
#include "qzcallback.h"

#include <cstdint>
#include <initializer_list>

class pw2_Control_Button;
class pw2_Control_Dropdown;
class pw2_Control_Toggle;
class pw2_View;

class pw2_ViewMenu : public pw2_Window {
public:
    pw2_ViewMenu(pw2_Main* main, pw2_View* view);

    pw2_View* GetView() const { return view; }

protected:
    pw2_Control_Button* AddButton(const char* text, const char* tooltip, int32_t column, int32_t row,
                                  int32_t columns, qzCallback<> onclick);
    pw2_Control_Toggle* AddToggle(const char* text, const char* tooltip, int32_t column, int32_t row,
                                  int32_t columns, qzCallback<> onclick, qzCallback<bool()> onstate,
                                  bool jointop = false, bool joinbottom = false);
    pw2_Control_Dropdown* AddDropdown(std::initializer_list<const char*> entries, const char* tooltip,
                                      int32_t column, int32_t row, int32_t columns,
                                      qzCallback<uint32_t> onselect, qzCallback<uint32_t()> onindex);

private:
    pw2_View* view;
};

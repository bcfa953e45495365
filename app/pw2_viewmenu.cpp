#include "pw2_viewmenu.h"

#include "pw2_control_button.h"
#include "pw2_control_dropdown.h"
#include "pw2_control_toggle.h"
#include "pw2_view.h"

namespace {

constexpr int32_t ROWS = 4;

} // namespace

pw2_ViewMenu::pw2_ViewMenu(pw2_Main* main, pw2_View* view) : pw2_Window(main, view), view(view) {}

pw2_Control_Button* pw2_ViewMenu::AddButton(const char* text, const char* tooltip, int32_t column,
                                            int32_t row, int32_t columns, qzCallback<> onclick) {
    pw2_Control_Button* button = new pw2_Control_Button(GetMain(), this);
    button->SetText(text);
    button->SetTooltip(tooltip);
    button->SetGridPosition(column, row, columns, ROWS);
    button->SetOnClick(onclick);
    return button;
}

pw2_Control_Toggle* pw2_ViewMenu::AddToggle(const char* text, const char* tooltip, int32_t column,
                                            int32_t row, int32_t columns, qzCallback<> onclick,
                                            qzCallback<bool()> onstate, bool jointop, bool joinbottom) {
    pw2_Control_Toggle* toggle = new pw2_Control_Toggle(GetMain(), this);
    toggle->SetText(text);
    toggle->SetTooltip(tooltip);
    toggle->SetGridPosition(column, row, columns, ROWS, false, false, jointop, joinbottom);
    toggle->SetOnClick(onclick);
    toggle->SetOnState(onstate);
    return toggle;
}

pw2_Control_Dropdown* pw2_ViewMenu::AddDropdown(std::initializer_list<const char*> entries,
                                                const char* tooltip, int32_t column, int32_t row,
                                                int32_t columns, qzCallback<uint32_t> onselect,
                                                qzCallback<uint32_t()> onindex) {
    pw2_Control_Dropdown* dropdown = new pw2_Control_Dropdown(GetMain(), this);
    dropdown->SetStateCount(static_cast<uint32_t>(entries.size()));
    uint32_t index = 0;
    for (const char* entry : entries)
        dropdown->SetState(index++, entry);
    dropdown->SetTooltip(tooltip);
    dropdown->SetGridPosition(column, row, columns, ROWS);
    dropdown->SetOnSelect(onselect);
    dropdown->SetOnIndex(onindex);
    return dropdown;
}

#include "pw2_submenubar.h"

#include "pw2_control_button.h"
#include "pw2_control_grid.h"
#include "pw2_filecommands.h"
#include "pw2_main.h"
#include "pw2_menu.h"
#include "pw2_submenu.h"
#include "pw2_submenubutton.h"
#include "qzcallback.h"

namespace {

// The callback of a file command: the table holds one of these per button that acts.
template <void (pw2_FileCommands::*Method)()> qzCallback<> FileCommand(pw2_FileCommands* commands) {
    return qzCallback<>::Bind<Method>(commands);
}

struct ToolButton {
    const char* text;
    int32_t column, row, columns, rows;
    bool jointop, joinbottom;
    // the file commands act; the other tools carry no command yet
    qzCallback<> (*command)(pw2_FileCommands*) = nullptr;
    const char* tooltip = nullptr;
};

struct ToolPanel {
    const char* title;
    double hue;
    int32_t widthcells;
    int32_t tabcolumn;
    std::vector<ToolButton> buttons;
};

// Stacked groups join along their common edges so that they touch.
const ToolPanel toolpanels[] = {
    {"Geometry",
     0.0,
     22,
     0,
     {{"Point", 0, 4, 10, 4, false, true},
      {"Edge", 0, 8, 10, 4, true, true},
      {"Face", 0, 12, 10, 4, true, false},
      {"Plane", 0, 16, 10, 4, false, true},
      {"Block", 0, 20, 10, 4, true, false},
      {"Cylinder", 10, 4, 12, 4, false, true},
      {"Cone", 10, 8, 12, 4, true, true},
      {"Sphere", 10, 12, 12, 4, true, false},
      {"Torus", 10, 16, 12, 4, false, false},
      {"Icosah.", 10, 20, 12, 4, false, false}}},
    {"Select", 0.5, 20, 14, {{"All", 0, 4, 10, 4, false, true}, {"None", 0, 8, 10, 4, true, false}}},
    {"Actions",
     1.0,
     40,
     28,
     {{"Delete", 0, 4, 14, 4, false, true},
      {"Duplicate", 0, 8, 14, 4, true, true},
      {"Merge", 0, 12, 14, 4, true, false}}},
    {"History", 1.5, 40, 42, {}},
    {"File",
     2.0,
     40,
     56,
     {{"Open", 0, 4, 14, 4, false, true, &FileCommand<&pw2_FileCommands::Open>, "Open a model file (Ctrl+O)"},
      {"Save", 0, 8, 14, 4, true, true, &FileCommand<&pw2_FileCommands::Save>,
       "Save the model to its file (Ctrl+S)"},
      {"Save as", 0, 12, 14, 4, true, false, &FileCommand<&pw2_FileCommands::SaveAs>,
       "Save the model under a new name (Ctrl+Shift+S)"}}},
    {"Submenu 6", 2.5, 40, 70, {}},
};

} // namespace

pw2_SubmenuBar::pw2_SubmenuBar(pw2_Main* main, pw2_Menu* menu) : pw2_Window(main, menu), menu(menu) {
    BuildToolTable();
}

void pw2_SubmenuBar::BuildToolTable() {
    for (const ToolPanel& panel : toolpanels) {
        pw2_Submenu* submenu = new pw2_Submenu(GetMain(), this);
        submenu->SetTitle(panel.title);
        submenu->SetHue(panel.hue);
        submenu->SetWidth(panel.widthcells);
        AddSubmenu(submenu);
        pw2_SubmenuButton* tab = new pw2_SubmenuButton(GetMain(), menu->GetMenuBar(), submenu);
        tab->SetGridPosition(panel.tabcolumn, 0, 14, 4);
        // a tool without a command shows the pressed look and nothing more
        for (const ToolButton& tool : panel.buttons) {
            pw2_Control_Button* button = new pw2_Control_Button(GetMain(), submenu);
            button->SetText(tool.text);
            if (tool.command != nullptr)
                button->SetOnClick(tool.command(GetMain()->GetFileCommands()));
            if (tool.tooltip != nullptr)
                button->SetTooltip(tool.tooltip);
            button->SetGridPosition(tool.column, tool.row, tool.columns, tool.rows, false, false,
                                    tool.jointop, tool.joinbottom);
        }
    }
}

void pw2_SubmenuBar::OnRectChanged() {
    Layout();
}

void pw2_SubmenuBar::ClampScroll() {
    if (contentwidth - GetWidth() < scrolloffset)
        scrolloffset = contentwidth - GetWidth();
    if (scrolloffset < 0)
        scrolloffset = 0;
}

void pw2_SubmenuBar::Layout() {
    contentwidth = 0;
    for (pw2_Submenu* submenu : submenus) {
        if (submenu->IsVisible())
            contentwidth += submenu->GetWidthCells() * PW2_GRID_CELL + PW2_SUBMENU_GAP;
    }
    ClampScroll();
    int32_t x = 0;
    for (pw2_Submenu* submenu : submenus) {
        if (!submenu->IsVisible())
            continue;
        const int32_t width = submenu->GetWidthCells() * PW2_GRID_CELL;
        submenu->SetRect(x - scrolloffset + 5, 5, width, GetHeight() - 10);
        x += width + PW2_SUBMENU_GAP;
    }
}

void pw2_SubmenuBar::OnMouseDown(int button, bool) {
    if (button != 1)
        return;
    dragging = true;
    draganchor = GetMain()->GetMainWindow().GetMouseX() - GetAbsoluteX() + scrolloffset;
}

void pw2_SubmenuBar::OnMouseMove() {
    if (!dragging)
        return;
    // the anchor stays fixed, so past a clamp the content follows again exactly where the pointer comes back
    scrolloffset = draganchor - (GetMain()->GetMainWindow().GetMouseX() - GetAbsoluteX());
    ClampScroll();
    Layout();
    GetMain()->RequestRedraw();
}

void pw2_SubmenuBar::OnMouseUp(int button) {
    if (button == 1)
        dragging = false;
}

void pw2_SubmenuBar::OnMouseWheel(int count) {
    scrolloffset -= count * PW2_WHEEL_SCROLL;
    ClampScroll();
    Layout();
    GetMain()->RequestRedraw();
}

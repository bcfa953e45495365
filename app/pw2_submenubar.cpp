#include "pw2_submenubar.h"

#include "pw2_control_button.h"
#include "pw2_control_grid.h"
#include "pw2_editor.h"
#include "pw2_filecommands.h"
#include "pw2_historypanel.h"
#include "pw2_main.h"
#include "pw2_menu.h"
#include "pw2_submenu.h"
#include "pw2_submenubutton.h"
#include "qzcallback.h"

namespace {

// The object a tool's command runs on, told by the class of its method.
pw2_FileCommands* CommandTarget(pw2_Main* main, void (pw2_FileCommands::*)()) {
    return main->GetFileCommands();
}
pw2_Editor* CommandTarget(pw2_Main* main, void (pw2_Editor::*)()) {
    return main->GetEditor();
}

// The callback of a tool: the table holds one of these per button.
template <auto Method> qzCallback<> Command(pw2_Main* main) {
    return qzCallback<>::Bind<Method>(CommandTarget(main, Method));
}

struct ToolButton {
    const char* text;
    int32_t column, row, columns, rows;
    bool jointop, joinbottom;
    qzCallback<> (*command)(pw2_Main*);
    const char* tooltip;
};

struct ToolPanel {
    const char* title;
    double hue;
    int32_t widthcells;
    int32_t tabcolumn;
    std::vector<ToolButton> buttons;
    // the panel lists the history's steps instead of holding tools
    bool listshistory = false;
};

// Stacked groups join along their common edges so that they touch.
const ToolPanel toolpanels[] = {
    {"Geometry",
     0.0,
     22,
     0,
     {{"Point", 0, 4, 10, 4, false, true, &Command<&pw2_Editor::OnPoint>, "A new point at the view's target"},
      {"Edge", 0, 8, 10, 4, true, true, &Command<&pw2_Editor::OnEdge>,
       "An edge between the two selected points"},
      {"Face", 0, 12, 10, 4, true, false, &Command<&pw2_Editor::OnFace>,
       "A face through the selected points, in the order they were selected"},
      {"Plane", 0, 16, 10, 4, false, true, &Command<&pw2_Editor::OnPlane>,
       "A square plane at the view's target"},
      {"Block", 0, 20, 10, 4, true, false, &Command<&pw2_Editor::OnBlock>, "A block at the view's target"},
      {"Cylinder", 10, 4, 12, 4, false, true, &Command<&pw2_Editor::OnCylinder>,
       "A closed cylinder at the view's target"},
      {"Cone", 10, 8, 12, 4, true, true, &Command<&pw2_Editor::OnCone>, "A closed cone at the view's target"},
      {"Sphere", 10, 12, 12, 4, true, false, &Command<&pw2_Editor::OnSphere>,
       "A sphere at the view's target"},
      {"Torus", 10, 16, 12, 4, false, false, &Command<&pw2_Editor::OnTorus>, "A torus at the view's target"},
      {"Icosah.", 10, 20, 12, 4, false, false, &Command<&pw2_Editor::OnIcosahedron>,
       "An icosahedron at the view's target"}}},
    {"Select",
     0.5,
     20,
     14,
     {{"All", 0, 4, 10, 4, false, true, &Command<&pw2_Editor::OnSelectAll>, "Select every point (Ctrl+A)"},
      {"None", 0, 8, 10, 4, true, false, &Command<&pw2_Editor::OnSelectNone>, "Select no point"}}},
    {"Actions",
     1.0,
     40,
     28,
     {{"Delete", 0, 4, 14, 4, false, true, &Command<&pw2_Editor::OnDelete>,
       "Delete the selected points with their edges and faces"},
      {"Duplicate", 0, 8, 14, 4, true, true, &Command<&pw2_Editor::OnDuplicate>,
       "Copy the selected points with the edges and faces between them, one grid step away"},
      {"Merge", 0, 12, 14, 4, true, false, &Command<&pw2_Editor::OnMerge>,
       "Merge the selected points into one at their mean"}}},
    {"History", 1.5, 40, 42, {}, true},
    {"File",
     2.0,
     40,
     56,
     {{"Open", 0, 4, 14, 4, false, true, &Command<&pw2_FileCommands::Open>, "Open a model file (Ctrl+O)"},
      {"Save", 0, 8, 14, 4, true, true, &Command<&pw2_FileCommands::Save>,
       "Save the model to its file (Ctrl+S)"},
      {"Save as", 0, 12, 14, 4, true, false, &Command<&pw2_FileCommands::SaveAs>,
       "Save the model under a new name (Ctrl+Shift+S)"}}},
    {"Submenu 6", 2.5, 40, 70, {}},
};

} // namespace

pw2_SubmenuBar::pw2_SubmenuBar(pw2_Main* main, pw2_Menu* menu) : pw2_Window(main, menu), menu(menu) {
    BuildToolTable();
}

void pw2_SubmenuBar::BuildToolTable() {
    for (const ToolPanel& panel : toolpanels) {
        pw2_Submenu* submenu = nullptr;
        if (panel.listshistory)
            submenu = historypanel = new pw2_HistoryPanel(GetMain(), this);
        else
            submenu = new pw2_Submenu(GetMain(), this);
        submenu->SetTitle(panel.title);
        submenu->SetHue(panel.hue);
        submenu->SetWidth(panel.widthcells);
        AddSubmenu(submenu);
        pw2_SubmenuButton* tab = new pw2_SubmenuButton(GetMain(), menu->GetMenuBar(), submenu);
        tab->SetGridPosition(panel.tabcolumn, 0, 14, 4);
        for (const ToolButton& tool : panel.buttons) {
            pw2_Control_Button* button = new pw2_Control_Button(GetMain(), submenu);
            button->SetText(tool.text);
            button->SetOnClick(tool.command(GetMain()));
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

// The band of tool panels under the tab strip. The visible panels stand side by side; when they are wider
// than the band it scrolls sideways by a left-button drag or the wheel, over the band or any panel.
#pragma once

#include "pw2_window.h"

#include <cstdint>
#include <vector>

class pw2_HistoryPanel;
class pw2_Menu;
class pw2_Submenu;

constexpr int32_t PW2_SUBMENU_GAP = 10;
constexpr int32_t PW2_WHEEL_SCROLL = 50;

class pw2_SubmenuBar : public pw2_Window {
public:
    // Builds every panel with its tab button and tools.
    pw2_SubmenuBar(pw2_Main* main, pw2_Menu* menu);

    void OnRectChanged() override;
    void OnMouseDown(int button, bool doubleclick) override;
    void OnMouseUp(int button) override;
    void OnMouseMove() override;
    void OnMouseWheel(int count) override;

    void AddSubmenu(pw2_Submenu* submenu) { submenus.push_back(submenu); }
    // Recomputes the content width, clamps the scroll offset and places the visible panels.
    void Layout();
    // Keeps the offset within 0 .. content width - bar width (0 when the content is narrower).
    void ClampScroll();

    pw2_Menu* GetMenu() const { return menu; }
    int32_t GetScrollOffset() const { return scrolloffset; }
    void SetScrollOffset(int32_t offset) { scrolloffset = offset; }
    int32_t GetContentWidth() const { return contentwidth; }
    bool IsDragging() const { return dragging; }
    const std::vector<pw2_Submenu*>& GetSubmenus() const { return submenus; }
    // The "History" panel, one of the submenus.
    pw2_HistoryPanel* GetHistoryPanel() const { return historypanel; }

private:
    void BuildToolTable();

    pw2_Menu* menu;
    int32_t scrolloffset = 0;
    bool dragging = false;
    int32_t draganchor = 0;
    int32_t contentwidth = 0;
    std::vector<pw2_Submenu*> submenus;
    pw2_HistoryPanel* historypanel = nullptr;
};

// A coloured tool panel of the submenu bar, with a title bar, holding the buttons of one group. Presses,
// drags and the wheel over it go to the bar, so the panels scroll from anywhere on them.
#pragma once

#include "pw2_control_look.h"
#include "pw2_window.h"
#include "qzstring.h"

#include <cstdint>

class pw2_SubmenuBar;

struct pw2_SubmenuLook {
    pw2_QuadLook titlebar;
    pw2_QuadLook body;
    pw2_FrameLook frame;
    pw2_LineLook separator;
    pw2_TextLook title;
};

class pw2_Submenu : public pw2_Window {
public:
    pw2_Submenu(pw2_Main* main, pw2_SubmenuBar* bar);

    void Draw(int32_t clipx, int32_t clipy, int32_t clipwidth, int32_t clipheight) override;
    void OnMouseDown(int button, bool doubleclick) override;
    void OnMouseUp(int button) override;
    void OnMouseMove() override;
    void OnMouseWheel(int count) override;

    void SetTitle(const qzString& _title) { title = _title; }
    const qzString& GetTitle() const { return title; }
    void SetHue(double _hue) { hue = _hue; }
    double GetHue() const { return hue; }
    // In grid cells.
    void SetWidth(int32_t cells) { widthcells = cells; }
    int32_t GetWidthCells() const { return widthcells; }
    // Shows or hides the panel and lays the bar out again, since a hidden panel takes no room.
    void SetVisible(bool visible);
    void ToggleVisible();
    pw2_SubmenuBar* GetSubmenuBar() const { return bar; }

    // The panel reaches two pixels beyond its rectangle on the left, top and right.
    pw2_SubmenuLook GetLook() const;

private:
    pw2_SubmenuBar* bar;
    qzString title;
    double hue = 0;
    int32_t widthcells = 0;
};

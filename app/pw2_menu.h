// The menu panel along the bottom of the main window: the strip of tab buttons on top and the sideways
// scrolling bar of tool panels below it.
#pragma once

#include "pw2_window.h"

class pw2_MenuBar;
class pw2_SubmenuBar;

class pw2_Menu : public pw2_Window {
public:
    // A child of the root window; makes the tab strip, then the panels with every tool.
    explicit pw2_Menu(pw2_Main* main);

    void OnRectChanged() override;

    pw2_MenuBar* GetMenuBar() const { return menubar; }
    pw2_SubmenuBar* GetSubmenuBar() const { return submenubar; }

private:
    pw2_MenuBar* menubar;
    pw2_SubmenuBar* submenubar;
};

// Holds the tab buttons; draws nothing of its own.
class pw2_MenuBar : public pw2_Window {
public:
    pw2_MenuBar(pw2_Main* main, pw2_Menu* menu);
    pw2_Menu* GetMenu() const { return menu; }

private:
    pw2_Menu* menu;
};

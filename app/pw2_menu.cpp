#include "pw2_menu.h"

#include "pw2_main.h"
#include "pw2_submenubar.h"

pw2_Menu::pw2_Menu(pw2_Main* main) : pw2_Window(main, main->GetRootWindow()) {
    menubar = new pw2_MenuBar(main, this);
    submenubar = new pw2_SubmenuBar(main, this);
}

void pw2_Menu::OnRectChanged() {
    menubar->SetRect(5, 2, GetWidth() - 10, 20);
    submenubar->SetRect(0, 25, GetWidth(), GetHeight() - 25);
}

pw2_MenuBar::pw2_MenuBar(pw2_Main* main, pw2_Menu* menu) : pw2_Window(main, menu), menu(menu) {}

// The right button bar of a 3D view: grid plane, projection, display mode, zoom, the move mode of the
// drawing area and centring.
#pragma once

#include "pw2_viewmenu.h"

class pw2_ViewMenuRight : public pw2_ViewMenu {
public:
    pw2_ViewMenuRight(pw2_Main* main, pw2_View* view);
};

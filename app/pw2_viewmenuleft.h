// The left button bar of a 3D view: what to show ("Geom", "Tex") and the standard views, from "Top" to
// "3D", and "Align".
#pragma once

#include "pw2_viewmenu.h"

class pw2_ViewMenuLeft : public pw2_ViewMenu {
public:
    pw2_ViewMenuLeft(pw2_Main* main, pw2_View* view);

    // The states of "Geom" and "Tex": the geometry is always shown, a texture map never.
    bool IsGeometryShown() const { return true; }
    bool IsTextureShown() const { return false; }
};

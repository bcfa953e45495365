#include "pw2_viewmenuright.h"

#include "pw2_view.h"
#include "pw2_viewimage.h"

pw2_ViewMenuRight::pw2_ViewMenuRight(pw2_Main* main, pw2_View* view) : pw2_ViewMenu(main, view) {
    // the controls ask the view for what they show each time, so they follow changes made elsewhere
    AddDropdown({"XY", "XZ", "YZ"}, "Change grid orientation", 0, 0, 7,
                qzCallback<uint32_t>::Bind<&pw2_View::OnGridOrientation>(view),
                qzCallback<uint32_t()>::Bind<&pw2_View::GetGridOrientation>(view));
    AddToggle("Ortho", "Enable/disable orthogonal projection", 7, 0, 8,
              qzCallback<>::Bind<&pw2_View::OnOrtho>(view),
              qzCallback<bool()>::Bind<&pw2_View::GetOrtho>(view));
    AddDropdown({"Schematic", "Wireframe", "Solid", "Solid-Point", "Solid-Wire"}, "Change display mode", 0, 4,
                15, qzCallback<uint32_t>::Bind<&pw2_View::OnDisplayMode>(view),
                qzCallback<uint32_t()>::Bind<&pw2_View::GetDisplayMode>(view));
    AddButton("+", "Zoom in", 15, 0, 5, qzCallback<>::Bind<&pw2_View::OnZoomIn>(view));
    AddButton("-", "Zoom out", 15, 4, 5, qzCallback<>::Bind<&pw2_View::OnZoomOut>(view));
    AddToggle("Move", "Rotate/move/zoom (middle mouse button)\nHold shift to move, hold ctrl to zoom.", 20, 0,
              9, qzCallback<>::Bind<&pw2_View::OnMove>(view),
              qzCallback<bool()>::Bind<&pw2_ViewImage::GetMoveMode>(view->GetImage()));
    AddButton("Center", "Move the view back to the center", 20, 4, 9,
              qzCallback<>::Bind<&pw2_View::OnCenter>(view));
}

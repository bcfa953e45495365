#include "pw2_viewmenuleft.h"

#include "pw2_view.h"

pw2_ViewMenuLeft::pw2_ViewMenuLeft(pw2_Main* main, pw2_View* view) : pw2_ViewMenu(main, view) {
    // the two toggles switch nothing yet
    AddToggle("Geom", "Show model geometry", 0, 0, 9, {},
              qzCallback<bool()>::Bind<&pw2_ViewMenuLeft::IsGeometryShown>(this), false, true);
    AddToggle("Tex", "Show texture map", 0, 4, 9, {},
              qzCallback<bool()>::Bind<&pw2_ViewMenuLeft::IsTextureShown>(this), true, false);
    AddButton("Top", "Change to top view", 9, 0, 10, qzCallback<>::Bind<&pw2_View::OnTop>(view));
    AddButton("Bottom", "Change to bottom view", 9, 4, 10, qzCallback<>::Bind<&pw2_View::OnBottom>(view));
    AddButton("Front", "Change to front view", 19, 0, 10, qzCallback<>::Bind<&pw2_View::OnFront>(view));
    AddButton("Back", "Change to back view", 19, 4, 10, qzCallback<>::Bind<&pw2_View::OnBack>(view));
    AddButton("Left", "Change to left view", 29, 0, 10, qzCallback<>::Bind<&pw2_View::OnLeft>(view));
    AddButton("Right", "Change to right view", 29, 4, 10, qzCallback<>::Bind<&pw2_View::OnRight>(view));
    AddButton("3D", "Change to 3D view", 39, 0, 10, qzCallback<>::Bind<&pw2_View::On3D>(view));
    AddButton("Align", "Align the view with the screen (change to nearest orthogonal view)", 39, 4, 10,
              qzCallback<>::Bind<&pw2_View::OnAlign>(view));
}

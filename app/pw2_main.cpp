#include "pw2_main.h"

#include "pw2_editor.h"
#include "pw2_filecommands.h"
#include "pw2_graphicscontroller.h"
#include "pw2_menu.h"
#include "pw2_model.h"
#include "pw2_recovery.h"
#include "pw2_theme.h"
#include "pw2_view.h"
#include "qzassert.h"
#include "qzdebugoutput.h"
#include "qzexceptions.h"
#include "qzmain.h"
#include "qzmessagequeue.h"
#include "qztime.h"

#include <algorithm>
#include <exception>
#include <numbers>

pw2_ScreenLayout pw2_ComputeLayout(int32_t clientwidth, int32_t clientheight) {
    pw2_ScreenLayout layout;
    int32_t width = std::max(clientwidth, PW2_MINIMUM_WIDTH);
    int32_t height = std::max(clientheight, PW2_MINIMUM_HEIGHT);
    layout.width = width;
    layout.height = height;
    layout.root = {0, 0, width, height};
    layout.leftview = {0, 0, width / 2, height - PW2_MENU_HEIGHT};
    // the right view takes the odd pixel
    layout.rightview = {width / 2, 0, width - width / 2, height - PW2_MENU_HEIGHT};
    layout.menu = {0, height - PW2_MENU_HEIGHT, width, PW2_MENU_HEIGHT};
    return layout;
}

bool pw2_KeyHeld(int key) {
    return (qzGetPlatform().GetKeyState(key) & 0x8000) != 0;
}

namespace {

// A view looking at the origin from the given angles (degrees) at the start zoom, showing the XY grid and
// the schematic model.
pw2_View* MakeView(pw2_Main* main, pw2_Window* root, uint32_t (*clock)(), double azimuth, double elevation,
                   bool ortho) {
    constexpr double DEGREE = std::numbers::pi / 180;
    pw2_View* view = new pw2_View(main, root, clock);
    view->SetRotationFromAngles(azimuth * DEGREE, elevation * DEGREE);
    view->SetTarget(qzVector3(0, 0, 0));
    view->SetZoom(-9.0);
    view->SetOrtho(ortho);
    view->SetGridOrientation(0);
    view->SetDisplayMode(0);
    return view;
}

} // namespace

pw2_Main::pw2_Main(qzMain* qzmain, uint32_t (*clock)(), const std::string& startfile) : qzmain(qzmain) {
    qzOutputDebugString(pw2_ThemeDefinitionText());
    qzOutputDebugString("[pw2_Main] Constructor.\n");
    mainwindow.Create(qzmain, PW2_TITLE, 2, QZDEFAULTPOS, QZDEFAULTPOS, PW2_MINIMUM_WIDTH, PW2_MINIMUM_HEIGHT,
                      PW2_MINIMUM_WIDTH, PW2_MINIMUM_HEIGHT, nullptr);
    // Nothing of the platform's paints the client area: the device draws all of it.
    mainwindow.SwitchOffBackground();
    mainwindow.Show(false);
    fullscreen = false;
    LoadFonts();
    try {
        root = std::make_unique<pw2_Window>(this, nullptr);
        active = root.get();
        viewsettings = std::make_unique<pw2_ViewSettings>();
        tooltiptimer = std::make_unique<pw2_TooltipTimer>(this, clock);
        graphics = std::make_unique<pw2_GraphicsController>(this);
        model = std::make_unique<pw2_Model>(startfile.empty());
        filecommands = std::make_unique<pw2_FileCommands>(this, clock);
        const std::string datafolder = qzGetPlatform().GetUserDataFolder();
        recovery =
            std::make_unique<pw2_Recovery>(datafolder.empty() ? "" : datafolder + "/facetwright", clock);
        editor = std::make_unique<pw2_Editor>(this);
        leftview = MakeView(this, root.get(), clock, 90, -90, true);
        rightview = MakeView(this, root.get(), clock, 120, -30, false);
        menu = new pw2_Menu(this);
        ResizeAll();
        UpdateActiveWindow();
        // what a crash left comes before the start file
        filecommands->Start(startfile);
    } catch (...) {
        editor.reset();
        filecommands.reset();
        menu = nullptr;
        leftview = nullptr;
        rightview = nullptr;
        root.reset();
        throw;
    }
}

pw2_Main::~pw2_Main() {
    // The tree first: its windows' gone notifications still find the active window and popup stack.
    menu = nullptr;
    leftview = nullptr;
    rightview = nullptr;
    root.reset();
    active = nullptr;
    editor.reset();
    // a load still running ends before the model it fills a geometry of
    filecommands.reset();
    // a clean end leaves no recovery copy; an exception on its way out is no clean end
    if (std::uncaught_exceptions() == 0)
        recovery->Remove();
    recovery.reset();
    model.reset();
    graphics.reset();
    tooltiptimer.reset();
    viewsettings.reset();
    popups.clear();
    if (mainwindow.IsCreated())
        mainwindow.Destroy();
}

void pw2_Main::LoadFonts() {
    try {
        fonts[0].LoadResource(1001u, true);
        fonts[1].LoadResource(1002u, true);
    } catch (const qzIOException&) {
        throw "Failed to load fonts.";
    } catch (const qzFormatException&) {
        throw "Failed to load fonts.";
    }
}

void pw2_Main::InstallHandlers() {
    mainwindow.SetOnClose(qzCallback<>::Bind<&pw2_Main::OnClose>(this));
    mainwindow.SetOnSize(qzCallback<>::Bind<&pw2_Main::OnResize>(this));
    mainwindow.SetOnChar(qzCallback<uint8_t>::Bind<&pw2_Main::OnChar>(this));
    mainwindow.SetOnKeyDown(qzCallback<int8_t, bool>::Bind<&pw2_Main::OnKeyPressed>(this));
    mainwindow.SetOnKeyUp(qzCallback<int8_t>::Bind<&pw2_Main::OnKeyReleased>(this));
    mainwindow.SetOnMouseDown(qzCallback<int, bool>::Bind<&pw2_Main::OnMouseDown>(this));
    mainwindow.SetOnMouseUp(qzCallback<int>::Bind<&pw2_Main::OnMouseUp>(this));
    mainwindow.SetOnMouseMove(qzCallback<>::Bind<&pw2_Main::OnMouseMove>(this));
    mainwindow.SetOnMouseWheel(qzCallback<int>::Bind<&pw2_Main::OnMouseWheel>(this));
    mainwindow.SetOnFocusGained(qzCallback<>::Bind<&pw2_Main::OnFocusGained>(this));
    mainwindow.SetOnFocusLost(qzCallback<>::Bind<&pw2_Main::OnFocusLost>(this));
    mainwindow.SetOnDropFiles(
        qzCallback<const std::vector<std::string>&, int32_t, int32_t>::Bind<&pw2_Main::OnDropFiles>(this));
    mainwindow.AcceptFileDrops(true);
}

bool pw2_Main::RunOnce() {
    if (!PumpMessages())
        return false;
    filecommands->Update();
    recovery->Update(*model);
    tooltiptimer->Update();
    graphics->Update();
    leftview->AdvanceAnimation();
    rightview->AdvanceAnimation();
    return true;
}

uint32_t pw2_Main::GetIdleTimeout() const {
    if (graphics->IsRedrawRequested() || graphics->IsDeviceLost() || leftview->IsAnimating() ||
        rightview->IsAnimating())
        return 1;
    // a load or a recovery write ends on its own thread, which posts nothing: its end and progress are
    // looked for often enough
    uint32_t wait = filecommands->IsLoading() || filecommands->HasMessageToShow() || recovery->IsWriting()
                        ? PW2_LOAD_POLL
                        : QZINFINITE;
    if (recovery->IsArmed() && !recovery->IsWriting())
        wait = std::min(wait, recovery->GetTimeToWrite());
    if (tooltiptimer->IsArmed())
        return std::min(wait, tooltiptimer->GetTimeToShow());
    return wait;
}

int pw2_Main::Run() {
    InstallHandlers();
    while (RunOnce())
        qzWaitForMessage(GetIdleTimeout());
    return qzGetQuitCode();
}

void pw2_Main::ResizeAll() {
    layout = pw2_ComputeLayout(mainwindow.GetClientWidth(), mainwindow.GetClientHeight());
    qzString line("[ResizeAll] OnResize: Resize to ");
    line.AppendInt(layout.width);
    line.Append('x');
    line.AppendInt(layout.height);
    line.Append(".\n");
    qzOutputDebugString(line);
    root->SetRect(layout.root.x, layout.root.y, layout.root.width, layout.root.height);
    leftview->SetRect(layout.leftview.x, layout.leftview.y, layout.leftview.width, layout.leftview.height);
    rightview->SetRect(layout.rightview.x, layout.rightview.y, layout.rightview.width,
                       layout.rightview.height);
    if (menu != nullptr)
        menu->SetRect(layout.menu.x, layout.menu.y, layout.menu.width, layout.menu.height);
}

void pw2_Main::RequestRedraw() {
    ++redrawrequests;
    if (graphics != nullptr)
        graphics->RequestRedraw();
}

void pw2_Main::SetActiveWindow(pw2_Window* window) {
    if (window == active)
        return;
    if (active != nullptr)
        active->OnMouseLeave();
    active = window;
    if (active != nullptr)
        active->OnMouseEnter();
    if (tooltiptimer != nullptr)
        tooltiptimer->OnHoverChanged();
}

void pw2_Main::UpdateActiveWindow() {
    if (mainwindow.IsAnyButtonHeld())
        return;
    pw2_Window* start = popups.empty() ? root.get() : popups.back();
    pw2_Window* candidate = start;
    if (mainwindow.IsMouseInside())
        candidate = start->FindWindowAt(mainwindow.GetMouseX(), mainwindow.GetMouseY());
    SetActiveWindow(candidate);
}

void pw2_Main::OpenPopup(pw2_Window* popup) {
    popups.push_back(popup);
    SetActiveWindow(popup);
}

void pw2_Main::OnWindowGone(pw2_Window* window) {
    QZASSERT(window->GetParentWindow() != nullptr, "window->GetParentWindow()!=NULL");
    for (size_t i = popups.size(); i-- > 0;) {
        if (popups[i] == window)
            popups.erase(popups.begin() + static_cast<std::ptrdiff_t>(i));
    }
    // An active descendant of a hidden window goes too: input never reaches a window that cannot be seen.
    for (pw2_Window* w = active; w != nullptr; w = w->GetParentWindow()) {
        if (w == window) {
            SetActiveWindow(window->GetParentWindow());
            break;
        }
    }
}

void pw2_Main::OnClose() {
    qzOutputDebugString("[pw2_Main] OnClose.\n");
    if (filecommands->AskToSaveChanges())
        PostQuitMessage(0);
}

void pw2_Main::OnResize() {
    qzString line("[pw2_Main] OnResize: Resize to ");
    line.AppendInt(mainwindow.GetClientWidth());
    line.Append('x');
    line.AppendInt(mainwindow.GetClientHeight());
    line.Append(".\n");
    qzOutputDebugString(line);
    ResizeAll();
    graphics->OnResize();
}

void pw2_Main::ToggleFullscreen() {
    if (!fullscreen) {
        qzOutputDebugString("[pw2_Main] OnKeyPressed: Switching to fullscreen mode.\n");
        savedx = mainwindow.GetX();
        savedy = mainwindow.GetY();
        savedwidth = mainwindow.GetClientWidth();
        savedheight = mainwindow.GetClientHeight();
        fullscreen = true;
        mainwindow.SetMode(3, 0, 0, 0, 0, 0, 0);
    } else {
        qzOutputDebugString("[pw2_Main] OnKeyPressed: Leaving fullscreen mode.\n");
        fullscreen = false;
        mainwindow.SetMode(2, savedx, savedy, savedwidth, savedheight, PW2_MINIMUM_WIDTH, PW2_MINIMUM_HEIGHT);
    }
}

void pw2_Main::OnChar(uint8_t character) {
    tooltiptimer->OnInput();
    active->OnChar(character);
}

bool pw2_Main::OnFileKey(int8_t key, bool repeat) {
    const bool control = pw2_KeyHeld(VK_CONTROL), shift = pw2_KeyHeld(VK_SHIFT);
    if (key == VK_ESCAPE && filecommands->IsLoading()) {
        filecommands->CancelLoad();
        return true;
    }
    if (!control || (key != 'O' && key != 'S'))
        return false;
    // a held key opens one dialog, not one after another
    if (!repeat) {
        if (key == 'O')
            filecommands->Open();
        else if (shift)
            filecommands->SaveAs();
        else
            filecommands->Save();
    }
    return true;
}

// Ctrl+Z undoes, Ctrl+Y and Ctrl+Shift+Z redo (held, they repeat), Ctrl+A selects every point, Delete
// deletes the selection; true when the key was one of them.
bool pw2_Main::OnEditKey(int8_t key, bool repeat) {
    const bool control = pw2_KeyHeld(VK_CONTROL), shift = pw2_KeyHeld(VK_SHIFT);
    if (key == VK_DELETE && !control) {
        if (!repeat)
            editor->OnDelete();
        return true;
    }
    if (!control)
        return false;
    if (key == 'Z' && !shift)
        editor->OnUndo();
    else if (key == 'Y' || (key == 'Z' && shift))
        editor->OnRedo();
    else if (key == 'A' && !repeat)
        editor->OnSelectAll();
    else
        return key == 'A';
    return true;
}

void pw2_Main::OnKeyPressed(int8_t key, bool repeat) {
    tooltiptimer->OnInput();
    editor->ClearMessage();
    if (OnFileKey(key, repeat) || OnEditKey(key, repeat))
        return;
    if (key == VK_F11)
        ToggleFullscreen();
    if (active != nullptr)
        active->OnKeyDown(key, repeat);
}

void pw2_Main::OnKeyReleased(int8_t key) {
    tooltiptimer->OnInput();
    active->OnKeyUp(key);
}

void pw2_Main::OnMouseDown(int button, bool doubleclick) {
    tooltiptimer->OnInput();
    editor->ClearMessage();
    active->OnMouseDown(button, doubleclick);
}

void pw2_Main::OnMouseUp(int button) {
    tooltiptimer->OnInput();
    active->OnMouseUp(button);
}

void pw2_Main::OnMouseMove() {
    UpdateActiveWindow();
    active->OnMouseMove();
}

void pw2_Main::OnMouseWheel(int count) {
    tooltiptimer->OnInput();
    active->OnMouseWheel(count);
}

void pw2_Main::OnDropFiles(const std::vector<std::string>& paths, int32_t, int32_t) {
    tooltiptimer->OnInput();
    if (!paths.empty())
        filecommands->OpenFile(paths.front());
}

void pw2_Main::OnFocusGained() {}

void pw2_Main::OnFocusLost() {}

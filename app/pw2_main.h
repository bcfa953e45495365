// The application object: owns the main window and every top-level object, routes the window's input
// events into the window tree, and runs the main loop.
#pragma once

#include "pw2_tooltiptimer.h"
#include "pw2_viewsettings.h"
#include "pw2_window.h"
#include "qzbitmapfont.h"
#include "qzstring.h"
#include "qzwindow.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class qzMain;
class pw2_Editor;
class pw2_FileCommands;
class pw2_GraphicsController;
class pw2_Model;
class pw2_Recovery;
class pw2_Menu;
class pw2_View;

struct pw2_Rect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const pw2_Rect&) const = default;
};

// The screen layout for a client size: the root, the two views side by side and the menu panel below.
struct pw2_ScreenLayout {
    int32_t width = 0;
    int32_t height = 0;
    pw2_Rect root, leftview, rightview, menu;
};

constexpr int32_t PW2_MINIMUM_WIDTH = 800;
constexpr int32_t PW2_MINIMUM_HEIGHT = 600;
constexpr int32_t PW2_MENU_HEIGHT = 155;
// milliseconds between two looks at a running load
constexpr uint32_t PW2_LOAD_POLL = 15;

pw2_ScreenLayout pw2_ComputeLayout(int32_t clientwidth, int32_t clientheight);

// Whether a key (a virtual-key code) is held down now.
bool pw2_KeyHeld(int key);

class pw2_Main {
public:
    // The tooltip timer, the views' animations and the load's progress read GetTime unless a clock is given.
    // With a start file the sample scene is not built: the file is loaded instead, and the sample scene
    // comes only when that fails.
    explicit pw2_Main(qzMain* qzmain, uint32_t (*clock)() = nullptr, const std::string& startfile = {});
    ~pw2_Main();
    pw2_Main(const pw2_Main&) = delete;
    pw2_Main& operator=(const pw2_Main&) = delete;

    // Installs the handlers and loops until the quit message; returns its exit code.
    int Run();
    // One pass of the loop without the sleep; false once the quit message was taken.
    bool RunOnce();
    // How long the loop may sleep after a pass: 1 ms while a frame, an animation step or a device reset is
    // pending, until the tooltip or the recovery copy is due while one is armed, else until the next
    // message (QZINFINITE).
    uint32_t GetIdleTimeout() const;
    void InstallHandlers();

    void RequestRedraw();
    uint32_t GetRedrawRequestCount() const { return redrawrequests; }
    void SetCursor(int kind) { mainwindow.SetCursor(kind); }
    qzWindow& GetMainWindow() { return mainwindow; }
    qzMain* GetEngineRoot() const { return qzmain; }
    pw2_Window* GetRootWindow() const { return root.get(); }
    pw2_Window* GetActiveWindow() const { return active; }
    const std::vector<pw2_Window*>& GetPopups() const { return popups; }
    const pw2_ViewSettings& GetViewSettings() const { return *viewsettings; }
    // 0 is the font of resource 1001, 1 that of 1002.
    const qzBitmapFont& GetFont(int index) const { return fonts[index]; }
    qzBitmapFont& GetFont(int index) { return fonts[index]; }
    pw2_TooltipTimer& GetTooltipTimer() { return *tooltiptimer; }
    pw2_GraphicsController* GetGraphicsController() const { return graphics.get(); }
    pw2_Model* GetModel() const { return model.get(); }
    pw2_FileCommands* GetFileCommands() const { return filecommands.get(); }
    pw2_Recovery* GetRecovery() const { return recovery.get(); }
    pw2_Editor* GetEditor() const { return editor.get(); }
    const pw2_ScreenLayout& GetLayout() const { return layout; }
    pw2_Menu* GetMenu() const { return menu; }
    pw2_View* GetLeftView() const { return leftview; }
    pw2_View* GetRightView() const { return rightview; }
    bool IsFullscreen() const { return fullscreen; }

    void OpenPopup(pw2_Window* popup);
    void OnWindowGone(pw2_Window* window);
    void UpdateActiveWindow();
    void ResizeAll();

    // The main window's event slots.
    void OnClose();
    void OnResize();
    void OnChar(uint8_t character);
    void OnKeyPressed(int8_t key, bool repeat);
    void OnKeyReleased(int8_t key);
    void OnMouseDown(int button, bool doubleclick);
    void OnMouseUp(int button);
    void OnMouseMove();
    void OnMouseWheel(int count);
    void OnFocusGained();
    void OnFocusLost();
    // The first dropped file is opened; a model is one file.
    void OnDropFiles(const std::vector<std::string>& paths, int32_t x, int32_t y);

private:
    void LoadFonts();
    // Ctrl+O, Ctrl+S, Ctrl+Shift+S and Escape while a load runs; true when the key was one of them.
    bool OnFileKey(int8_t key, bool repeat);
    bool OnEditKey(int8_t key, bool repeat);
    void SetActiveWindow(pw2_Window* window);
    void ToggleFullscreen();

    qzMain* qzmain;
    qzWindow mainwindow;
    // The fonts of resources 1001 and 1002.
    qzBitmapFont fonts[2];
    bool fullscreen = false;
    int32_t savedx = 0;
    int32_t savedy = 0;
    int32_t savedwidth = 0;
    int32_t savedheight = 0;
    std::unique_ptr<pw2_Window> root;
    pw2_Window* active = nullptr;
    std::vector<pw2_Window*> popups;
    std::unique_ptr<pw2_ViewSettings> viewsettings;
    std::unique_ptr<pw2_TooltipTimer> tooltiptimer;
    std::unique_ptr<pw2_GraphicsController> graphics;
    std::unique_ptr<pw2_Model> model;
    std::unique_ptr<pw2_FileCommands> filecommands;
    std::unique_ptr<pw2_Recovery> recovery;
    std::unique_ptr<pw2_Editor> editor;
    // The two 3D views, owned by the tree.
    pw2_View* leftview = nullptr;
    pw2_View* rightview = nullptr;
    // The menu panel, owned by the tree.
    pw2_Menu* menu = nullptr;
    pw2_ScreenLayout layout;
    uint32_t redrawrequests = 0;
};

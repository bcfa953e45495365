// The window system on Qt 6: native windows as top-level QWidgets whose events become messages in the
// engine's queue, their child controls as the Qt widgets of the same kind, the platform's metrics, key state
// and cursor, message boxes and file dialogs, the clipboard, and the resources compiled into the executable.
#pragma once

#include "qzplatform.h"
#include "qzresource.h"

#include <memory>

class QSurfaceFormat;
class QWindow;

class qzQtPlatform : public qzPlatform, public qzResourceProvider {
public:
    // Builds the application object of Qt and installs itself as the platform and the resource provider.
    qzQtPlatform(int& argc, char** argv);
    ~qzQtPlatform() override;

    qzPlatformHandle GetSysColorBrush(int index) override;
    qzPlatformHandle LoadIcon(unsigned resource) override;
    qzPlatformHandle CreateFont(const char* face, int height, int weight) override;
    void DeleteFont(qzPlatformHandle font) override;
    uint16_t RegisterClass(const char* name, qzPlatformHandle icon) override;
    void UnregisterClass(const char* name) override;
    qzWindowHandle CreateWindow(qzWindow* window, const char* title, uint32_t style, uint32_t exstyle,
                                const qzRect& outer, bool defaultx, bool defaulty,
                                qzWindowHandle parent) override;
    void DestroyWindow(qzWindowHandle window) override;
    bool GetWindowPlacement(qzWindowHandle window, qzRect& outer) override;
    void AdjustWindowRectEx(qzRect& rect, uint32_t style, uint32_t exstyle) override;
    void SetWindowStyle(qzWindowHandle window, uint32_t style, uint32_t exstyle) override;
    void SetWindowPos(qzWindowHandle window, const qzRect& outer) override;
    void SetMinimumClientSize(qzWindowHandle window, int32_t width, int32_t height) override;
    void ShowWindow(qzWindowHandle window, int command) override;
    void SetWindowText(qzWindowHandle window, const char* text) override;
    void SetBackground(qzWindowHandle window, bool enabled, uint32_t bgr) override;
    void InvalidateRect(qzWindowHandle window) override;
    bool SetCursor(qzWindowHandle window, int kind) override;
    void SetCapture(qzWindowHandle window) override;
    void ReleaseCapture() override;
    void TrackMouseLeave(qzWindowHandle window) override;
    void DragAcceptFiles(qzWindowHandle window, bool accept) override;
    qzWindowHandle CreateControl(qzWindowHandle parent, int kind, const char* text, const qzRect& rect,
                                 qzPlatformHandle font) override;
    void DestroyControl(qzWindowHandle control) override;
    void ShowControl(qzWindowHandle control, bool visible) override;
    void EnableControl(qzWindowHandle control, bool enabled) override;
    void FocusControl(qzWindowHandle control) override;
    void MoveControl(qzWindowHandle control, const qzRect& rect) override;
    void SetControlText(qzWindowHandle control, const char* text) override;
    void GetControlText(qzWindowHandle control, qzString& text) override;
    void ProcessEvents() override;
    void WaitForEvents(uint32_t timeout) override;
    int GetSystemMetrics(int index) override;
    int16_t GetKeyState(int key) override;
    bool GetCursorPos(int32_t& x, int32_t& y) override;
    bool SetCursorPos(int32_t x, int32_t y) override;
    std::string GetUserDataFolder() override;
    int MessageBox(qzWindowHandle owner, const char* text, const char* caption, uint32_t type) override;
    bool FileDialog(const qzFileDialogRequest& request, std::vector<std::string>& files) override;
    bool HasClipboardText() override;
    const char* SetClipboardText(const char* text, uint32_t length) override;
    const char* GetClipboardText(qzString& text) override;

    bool Load(const char* name, qzString& data) override;

    // Readies the native window of a window for drawing with OpenGL in this format (Qt then paints nothing
    // there) and hands it out; null for an unknown handle.
    QWindow* PrepareOpenGLSurface(qzWindowHandle window, const QSurfaceFormat& format);

private:
    struct State;
    std::unique_ptr<State> state;
};

// The Win32 virtual-key code of a Qt key (keypad keys by their keypad codes), 0 for keys without one.
int qzQtVirtualKey(int qtkey, bool keypad);

// The window system on Win32: the windows of the class the engine registers, whose messages become messages
// in the engine's queue (answering at once those that need an answer now), their child controls as the
// system's BUTTON, EDIT and STATIC windows, the metrics, key state and cursor, message boxes and the common
// file dialogs, the clipboard, and the resources linked into the executable. A qzWindowHandle is the HWND.
// Not carried: check boxes, group boxes and list boxes (the engine makes none).
#pragma once

#include "qzplatform.h"
#include "qzresource.h"

#include <cstdint>
#include <memory>

class qzWin32Platform : public qzPlatform, public qzResourceProvider {
public:
    // Readies the common controls and the timer resolution, and installs itself as the platform and the
    // resource provider. Throws qzWindowsException when the common controls cannot be readied.
    qzWin32Platform();
    ~qzWin32Platform() override;
    qzWin32Platform(const qzWin32Platform&) = delete;
    qzWin32Platform& operator=(const qzWin32Platform&) = delete;

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
    void ValidateRect(qzWindowHandle window) override;
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

    // RCDATA by decimal number ("1001") or by name.
    bool Load(const char* name, qzString& data) override;

private:
    struct State;
    std::unique_ptr<State> state;
};

// The virtual-key code the engine gets for a key message: the system's, except that the keys of the numeric
// keypad give their keypad codes whatever the NumLock state (a keypad key without NumLock arrives as the
// arrow or editing key it stands for, but without the extended-key flag, bit 24 of lparam).
int qzWin32VirtualKey(uintptr_t wparam, intptr_t lparam);

// The file names of a multiple-selection answer of the open dialog ("directory\0name\0name\0\0", or one full
// path "path\0\0") as full paths.
std::vector<std::string> qzWin32SplitFileList(const char* list);

// The scripted fake of the window system: tests post messages as the platform would and read back every
// call the engine made, with its arguments, as one line of text each.
#pragma once

#include "qzmessagequeue.h"
#include "qzplatform.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

class qzFakePlatform : public qzPlatform {
public:
    // Installs itself as the platform; the destructor removes it.
    qzFakePlatform();
    ~qzFakePlatform() override;

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
    // Delivers what is pending at once, as if it had arrived within the timeout; records the timeout.
    void WaitForEvents(uint32_t timeout) override;
    int GetSystemMetrics(int index) override;
    int16_t GetKeyState(int key) override;
    bool GetCursorPos(int32_t& x, int32_t& y) override;
    bool SetCursorPos(int32_t x, int32_t y) override;
    std::string GetUserDataFolder() override { return userdatafolder; }
    int MessageBox(qzWindowHandle owner, const char* text, const char* caption, uint32_t type) override;
    bool FileDialog(const qzFileDialogRequest& request, std::vector<std::string>& files) override;
    bool HasClipboardText() override;
    const char* SetClipboardText(const char* text, uint32_t length) override;
    const char* GetClipboardText(qzString& text) override;

    // Messages given to Deliver arrive in the queue at the next ProcessEvents.
    void Deliver(const qzMessage& message) { pending.push_back(message); }
    // Called at the start of every ProcessEvents, so that a test can answer a loop that runs inside the
    // code under test.
    std::function<void()> onprocessevents;
    // The control made with this text (0 when none is), and the texts the controls hold.
    qzWindowHandle FindControl(const std::string& text) const;
    std::map<qzWindowHandle, std::string> controltexts;
    // Delivers a drop of files at a point of the window's client area, as the platform does.
    void DropFiles(qzWindowHandle window, std::vector<std::string> paths, int32_t x, int32_t y);
    // Delivers the click of a push button to its parent, as the platform does.
    void ClickControl(qzWindowHandle control);
    bool failcontrol = false;
    // The frame of a style with a caption: 20 pixels above, 4 on the other sides.
    static constexpr int32_t FRAME = 4;
    static constexpr int32_t CAPTION = 20;
    int screenwidth = 1280;
    int screenheight = 1024;
    bool failcreatewindow = false;
    bool failcursor = false;
    bool failfont2 = false;
    bool failclass = false;
    int16_t keystate[256] = {};
    int32_t cursorx = 0;
    int32_t cursory = 0;
    // None unless a test gives one, so that no test touches the user's own folder.
    std::string userdatafolder;
    // What the next dialogs answer, and the last file dialog's request.
    int messageboxanswer = IDOK;
    bool filedialogconfirms = true;
    std::vector<std::string> filedialogfiles;
    qzFileDialogRequest lastfiledialog;
    // The clipboard holds text when hasclipboardtext is set; a name here makes that call fail.
    bool hasclipboardtext = false;
    std::string clipboard;
    const char* failclipboardcall = nullptr;
    // The outer rectangle of the last window created or moved; a default position lands at (40, 30).
    qzRect lastouter;
    qzWindowHandle capture = 0;

    std::vector<std::string> calls;
    std::vector<std::string> CallsStartingWith(const std::string& prefix) const;
    void ClearCalls() { calls.clear(); }

private:
    void Record(const std::string& call) { calls.push_back(call); }

    std::vector<qzMessage> pending;
    std::map<qzWindowHandle, qzWindowHandle> controlparents;
    qzWindowHandle nexthandle = 1;
    int fontcount = 0;
};

qzMessage qzFakeMessage(qzWindowHandle window, uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0);

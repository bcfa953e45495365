// The window-system operations the engine needs, named after the Win32 calls they stand for. The Qt layer
// implements them for this platform and the scripted fake for the unit tests; the logic above them (window
// procedure, message pump, window types) is written once against this interface.
#pragma once

#include "qzmessage.h"
#include "qzstring.h"

#include <cstdint>
#include <string>
#include <vector>

class qzWindow;

struct qzRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

using qzPlatformHandle = uintptr_t; // brushes, icons, fonts: 0 is none

enum : int { SM_CXSCREEN = 0, SM_CYSCREEN = 1 };
enum : int { SW_SHOWNORMAL = 1, SW_SHOWMAXIMIZED = 3 };
enum : int { VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_ESCAPE = 0x1B, VK_DELETE = 0x2E, VK_F11 = 122 };

// Message box buttons and icons, or-ed into one type, and the answers.
enum : uint32_t {
    MB_OK = 0,
    MB_OKCANCEL = 1,
    MB_YESNOCANCEL = 3,
    MB_YESNO = 4,
    MB_RETRYCANCEL = 5,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7, IDRETRY = 4 };

// One entry of a file dialog's filter: "Models (*.obj)" with the patterns "*.obj;*.3ds".
struct qzFileFilter {
    std::string description;
    std::vector<std::string> patterns;
};

// The kinds of native child controls: a push button, a single-line edit box, a read-only box of several lines
// with scroll bars, a static text.
enum : int { QZCONTROL_BUTTON = 1, QZCONTROL_EDIT = 2, QZCONTROL_TEXTBOX = 3, QZCONTROL_STATIC = 4 };

struct qzFileDialogRequest {
    qzWindowHandle owner = 0;
    bool save = false;
    bool multiselect = false;
    std::string initialdirectory;
    std::vector<qzFileFilter> filters;
    // Added to a chosen name that has no extension of its own; empty for none.
    std::string defaultextension;
};

// A wait without a timeout.
constexpr uint32_t QZINFINITE = 0xFFFFFFFFu;

class qzPlatform {
public:
    virtual ~qzPlatform() = default;

    // Engine root. Each returns 0 on failure, with errno set.
    virtual qzPlatformHandle GetSysColorBrush(int index) = 0;
    virtual qzPlatformHandle LoadIcon(unsigned resource) = 0;
    virtual qzPlatformHandle CreateFont(const char* face, int height, int weight) = 0;
    virtual void DeleteFont(qzPlatformHandle font) = 0;
    virtual uint16_t RegisterClass(const char* name, qzPlatformHandle icon) = 0;
    virtual void UnregisterClass(const char* name) = 0;

    // Native windows. CreateWindow sends WM_NCCREATE (lparam: the qzWindow) before it returns the handle.
    virtual qzWindowHandle CreateWindow(qzWindow* window, const char* title, uint32_t style, uint32_t exstyle,
                                        const qzRect& outer, bool defaultx, bool defaulty,
                                        qzWindowHandle parent) = 0;
    virtual void DestroyWindow(qzWindowHandle window) = 0;
    // The outer rectangle of the normal (restored) placement.
    virtual bool GetWindowPlacement(qzWindowHandle window, qzRect& outer) = 0;
    // Grows a client rectangle to the outer one of a window with these styles.
    virtual void AdjustWindowRectEx(qzRect& rect, uint32_t style, uint32_t exstyle) = 0;
    virtual void SetWindowStyle(qzWindowHandle window, uint32_t style, uint32_t exstyle) = 0;
    virtual void SetWindowPos(qzWindowHandle window, const qzRect& outer) = 0;
    virtual void SetMinimumClientSize(qzWindowHandle window, int32_t width, int32_t height) = 0;
    virtual void ShowWindow(qzWindowHandle window, int command) = 0;
    virtual void SetWindowText(qzWindowHandle window, const char* text) = 0;
    // A background of 0xBBGGRR, or none when enabled is false.
    virtual void SetBackground(qzWindowHandle window, bool enabled, uint32_t bgr) = 0;
    virtual void InvalidateRect(qzWindowHandle window) = 0;
    // Marks the whole client area as painted. A platform that asks for painting only on exposure has
    // nothing to do.
    virtual void ValidateRect(qzWindowHandle) {}
    // Cursor kinds 1 (none) to 15; false when the cursor cannot be loaded, with errno set.
    virtual bool SetCursor(qzWindowHandle window, int kind) = 0;
    virtual void SetCapture(qzWindowHandle window) = 0;
    virtual void ReleaseCapture() = 0;
    virtual void TrackMouseLeave(qzWindowHandle window) = 0;
    // Whether files dropped onto the window reach it, as WM_DROPFILES with a drop handle (qzCreateDrop)
    // in wparam.
    virtual void DragAcceptFiles(qzWindowHandle window, bool accept) = 0;

    // Native child controls, placed in the client area of their parent and drawn in one of the root's fonts.
    // CreateControl answers 0 on failure, with errno set. A click of a push button reaches the parent as
    // WM_COMMAND with BN_CLICKED in the high word of wparam and the button's handle as lparam. Texts of the
    // text box end their lines in CR LF both ways.
    virtual qzWindowHandle CreateControl(qzWindowHandle parent, int kind, const char* text,
                                         const qzRect& rect, qzPlatformHandle font) = 0;
    virtual void DestroyControl(qzWindowHandle control) = 0;
    virtual void ShowControl(qzWindowHandle control, bool visible) = 0;
    virtual void EnableControl(qzWindowHandle control, bool enabled) = 0;
    // Gives the control the keyboard focus.
    virtual void FocusControl(qzWindowHandle control) = 0;
    virtual void MoveControl(qzWindowHandle control, const qzRect& rect) = 0;
    virtual void SetControlText(qzWindowHandle control, const char* text) = 0;
    virtual void GetControlText(qzWindowHandle control, qzString& text) = 0;

    // System.
    // Lets the platform deliver what is pending: its events become messages in the engine's queue.
    virtual void ProcessEvents() = 0;
    // Sleeps until the platform has an event or the timeout in milliseconds has passed (QZINFINITE: no
    // timeout; the wait may then also end once without an event); what arrives is delivered as by
    // ProcessEvents.
    virtual void WaitForEvents(uint32_t timeout) = 0;
    virtual int GetSystemMetrics(int index) = 0;
    // Bit 15 set while the key is down.
    virtual int16_t GetKeyState(int key) = 0;
    // The mouse cursor in screen pixels; false, with errno set, when the platform cannot tell or move it.
    virtual bool GetCursorPos(int32_t& x, int32_t& y) = 0;
    virtual bool SetCursorPos(int32_t x, int32_t y) = 0;
    // The folder where programs keep the user's data for good (a program adds a folder of its own); empty
    // when there is none.
    virtual std::string GetUserDataFolder() = 0;

    // Dialogs. MessageBox answers the button pressed; FileDialog false when the user cancelled, else the
    // chosen files' full paths (an open dialog only offers files that exist).
    virtual int MessageBox(qzWindowHandle owner, const char* text, const char* caption, uint32_t type) = 0;
    virtual bool FileDialog(const qzFileDialogRequest& request, std::vector<std::string>& files) = 0;

    // Clipboard text. The setter and the getter answer null on success, else the failed call's name with
    // errno set.
    virtual bool HasClipboardText() = 0;
    virtual const char* SetClipboardText(const char* text, uint32_t length) = 0;
    virtual const char* GetClipboardText(qzString& text) = 0;
};

// The platform stays owned by the caller; null removes it.
void qzSetPlatform(qzPlatform* platform);
// Asserts "platform!=NULL".
qzPlatform& qzGetPlatform();
// Whether a platform is installed: a crash report asks before it opens a window.
bool qzHasPlatform();

#include "qzwin32platform.h"

#include "qzdropfiles.h"
#include "qzerrno.h"
#include "qzexceptions.h"
#include "qzwindow.h"

#include "qzwin32.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// What the platform keeps of one window of the engine's class; GWLP_USERDATA points at it.
struct qzWin32Window {
    qzWindow* window = nullptr; // told the handle at WM_NCCREATE; may be null
    HWND hwnd = nullptr;        // null once the system has destroyed the window
    int32_t minwidth = 0;
    int32_t minheight = 0;
    HBRUSH brush = nullptr; // fills the client area on paint; null leaves it alone
    bool ownsbrush = false;
    HCURSOR cursor = nullptr; // null: no cursor in the client area

    ~qzWin32Window() { ReleaseBrush(); }
    void ReleaseBrush() {
        if (ownsbrush && brush != nullptr)
            DeleteObject(brush);
        brush = nullptr;
        ownsbrush = false;
    }
};

HWND HwndOf(qzWindowHandle handle) {
    return reinterpret_cast<HWND>(handle);
}

qzWindowHandle HandleOf(HWND hwnd) {
    return reinterpret_cast<qzWindowHandle>(hwnd);
}

void SetErrnoFromLastError() {
    errno = qzErrnoFromWin32Error(GetLastError());
}

qzWin32Window* RecordOf(HWND hwnd) {
    return reinterpret_cast<qzWin32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void Post(HWND hwnd, uint32_t message, WPARAM wparam, LPARAM lparam) {
    qzMessage m;
    m.window = HandleOf(hwnd);
    m.message = message;
    m.wparam = wparam;
    m.lparam = lparam;
    qzPostMessage(m);
}

bool PointerInClientArea(HWND hwnd) {
    POINT point;
    if (!GetCursorPos(&point) || WindowFromPoint(point) != hwnd)
        return false;
    ScreenToClient(hwnd, &point);
    RECT client;
    GetClientRect(hwnd, &client);
    return PtInRect(&client, point) != 0;
}

void PostDrop(HWND hwnd, HDROP drop) {
    std::vector<std::string> paths;
    UINT count = DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT length = DragQueryFileA(drop, i, nullptr, 0);
        std::string path(length + 1, '\0');
        path.resize(DragQueryFileA(drop, i, path.data(), length + 1));
        paths.push_back(std::move(path));
    }
    POINT point{0, 0};
    DragQueryPoint(drop, &point);
    DragFinish(drop);
    if (!paths.empty())
        Post(hwnd, WM_DROPFILES, qzCreateDrop(std::move(paths), point.x, point.y), 0);
}

LRESULT CALLBACK qzWin32WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* record = static_cast<qzWin32Window*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        record->hwnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
        if (record->window != nullptr) {
            qzMessage created;
            created.window = HandleOf(hwnd);
            created.message = WM_NCCREATE;
            created.lparam = reinterpret_cast<intptr_t>(record->window);
            qzSendMessage(created);
        }
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
    // Before WM_NCCREATE (WM_GETMINMAXINFO comes first) and once the engine has let the window go.
    qzWin32Window* record = RecordOf(hwnd);
    if (record == nullptr)
        return DefWindowProcA(hwnd, message, wparam, lparam);

    switch (message) {
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        record->hwnd = nullptr;
        return DefWindowProcA(hwnd, message, wparam, lparam);
    // The engine sends its own WM_DESTROY before it destroys a window; this one comes from a window the
    // system destroyed with its parent.
    case WM_DESTROY:
    case WM_MOVE:
    case WM_SIZE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_COMMAND:
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
    case WM_CHAR:
        Post(hwnd, message, wparam, lparam);
        return 0;
    // The window stays: the close request is the application's to answer.
    case WM_CLOSE:
        Post(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        if (dc != nullptr && record->brush != nullptr) {
            RECT client;
            GetClientRect(hwnd, &client);
            FillRect(dc, &client, record->brush);
        }
        EndPaint(hwnd, &paint);
        Post(hwnd, WM_PAINT, 0, 0);
        return 0;
    }
    // The paint fills the background, so nothing flickers between erasing and drawing.
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wparam) == hwnd && LOWORD(lparam) == HTCLIENT) {
            ::SetCursor(record->cursor);
            return TRUE;
        }
        return DefWindowProcA(hwnd, message, wparam, lparam);
    case WM_GETMINMAXINFO: {
        RECT rect{0, 0, record->minwidth, record->minheight};
        ::AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
        auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
        LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
        info->ptMinTrackSize.x = std::max(info->ptMinTrackSize.x, width);
        info->ptMinTrackSize.y = std::max(info->ptMinTrackSize.y, height);
        info->ptMaxTrackSize.x = std::max(info->ptMaxTrackSize.x, width);
        info->ptMaxTrackSize.y = std::max(info->ptMaxTrackSize.y, height);
        return 0;
    }
    // Keys pressed with Alt (and F10) come as system keys; the engine hears them as any other, and no menu
    // mode starts. Alt+F4 keeps its meaning: the system turns it into WM_CLOSE.
    case WM_SYSKEYDOWN:
        if (wparam == VK_F4)
            return DefWindowProcA(hwnd, message, wparam, lparam);
        [[fallthrough]];
    case WM_KEYDOWN:
        Post(hwnd, WM_KEYDOWN, static_cast<WPARAM>(qzWin32VirtualKey(wparam, lparam)), lparam);
        return 0;
    case WM_SYSKEYUP:
    case WM_KEYUP:
        Post(hwnd, WM_KEYUP, static_cast<WPARAM>(qzWin32VirtualKey(wparam, lparam)), lparam);
        return 0;
    case WM_SYSCHAR:
        return 0;
    case WM_DROPFILES:
        PostDrop(hwnd, reinterpret_cast<HDROP>(wparam));
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
}

// The kinds 1 (none) to 15.
const LPCSTR CURSORS[16] = {
    nullptr, nullptr,     IDC_APPSTARTING, IDC_ARROW,  IDC_CROSS,    IDC_HAND,   IDC_HELP,    IDC_IBEAM,
    IDC_NO,  IDC_SIZEALL, IDC_SIZENESW,    IDC_SIZENS, IDC_SIZENWSE, IDC_SIZEWE, IDC_UPARROW, IDC_WAIT,
};

// A failed step of a clipboard call: what was opened is closed and what was allocated freed, with the
// system's error kept for the caller.
const char* ClipboardFailure(const char* call, HGLOBAL memory, bool opened) {
    DWORD error = GetLastError();
    if (memory != nullptr)
        GlobalFree(memory);
    if (opened)
        CloseClipboard();
    SetLastError(error);
    errno = qzErrnoFromWin32Error(error);
    return call;
}

// Another program may hold the clipboard for a moment.
bool OpenClipboardSoon(HWND owner) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(owner))
            return true;
        Sleep(5);
    }
    return false;
}

// The answer of a message box closed without a button: its cancelling choice, "No", or its only "OK".
int ClosedAnswer(uint32_t type) {
    switch (type & 0x0F) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
        return IDCANCEL;
    case MB_YESNO:
        return IDNO;
    default:
        return IDOK;
    }
}

} // namespace

struct qzWin32Platform::State {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    std::string classname; // the class RegisterClass made, which CreateWindow uses
    UINT timerperiod = 0;
    std::unordered_map<HWND, std::unique_ptr<qzWin32Window>> windows;
    // SetClipboardData needs an owner: a message-only window, made when first needed.
    HWND clipboardowner = nullptr;
    UINT nextcontrolid = 1;

    qzWin32Window* Find(qzWindowHandle handle) {
        auto found = windows.find(HwndOf(handle));
        return found == windows.end() || found->second->hwnd == nullptr ? nullptr : found->second.get();
    }
};

qzWin32Platform::qzWin32Platform() : state(std::make_unique<State>()) {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    if (!InitCommonControlsEx(&controls))
        throw qzWindowsException("qzWin32Platform::qzWin32Platform", "InitCommonControlsEx");
    // The main loop waits a millisecond at a time; the system's default tick is 15.6 ms.
    TIMECAPS caps;
    if (timeGetDevCaps(&caps, sizeof caps) == MMSYSERR_NOERROR) {
        UINT period = std::max<UINT>(1, caps.wPeriodMin);
        if (timeBeginPeriod(period) == TIMERR_NOERROR)
            state->timerperiod = period;
    }
    qzSetPlatform(this);
    qzSetResourceProvider(this);
}

qzWin32Platform::~qzWin32Platform() {
    qzSetResourceProvider(nullptr);
    qzSetPlatform(nullptr);
    for (auto& [hwnd, record] : state->windows) {
        if (record->hwnd != nullptr) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            ::DestroyWindow(hwnd);
        }
    }
    if (state->clipboardowner != nullptr)
        ::DestroyWindow(state->clipboardowner);
    if (state->timerperiod != 0)
        timeEndPeriod(state->timerperiod);
}

qzPlatformHandle qzWin32Platform::GetSysColorBrush(int index) {
    HBRUSH brush = ::GetSysColorBrush(index);
    if (brush == nullptr)
        SetErrnoFromLastError();
    return reinterpret_cast<qzPlatformHandle>(brush);
}

qzPlatformHandle qzWin32Platform::LoadIcon(unsigned resource) {
    HICON icon = LoadIconA(state->instance, MAKEINTRESOURCEA(resource));
    if (icon == nullptr)
        SetErrnoFromLastError();
    return reinterpret_cast<qzPlatformHandle>(icon);
}

qzPlatformHandle qzWin32Platform::CreateFont(const char* face, int height, int weight) {
    HFONT font = CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, face);
    if (font == nullptr)
        SetErrnoFromLastError();
    return reinterpret_cast<qzPlatformHandle>(font);
}

void qzWin32Platform::DeleteFont(qzPlatformHandle font) {
    if (font != 0)
        DeleteObject(reinterpret_cast<HFONT>(font));
}

uint16_t qzWin32Platform::RegisterClass(const char* name, qzPlatformHandle icon) {
    WNDCLASSEXA windowclass{};
    windowclass.cbSize = sizeof windowclass;
    windowclass.style = CS_DBLCLKS;
    windowclass.lpfnWndProc = qzWin32WindowProc;
    windowclass.hInstance = state->instance;
    windowclass.hIcon = reinterpret_cast<HICON>(icon);
    windowclass.hIconSm = reinterpret_cast<HICON>(icon);
    windowclass.lpszClassName = name;
    ATOM atom = RegisterClassExA(&windowclass);
    if (atom == 0)
        SetErrnoFromLastError();
    else
        state->classname = name;
    return atom;
}

void qzWin32Platform::UnregisterClass(const char* name) {
    UnregisterClassA(name, state->instance);
    if (state->classname == name)
        state->classname.clear();
}

qzWindowHandle qzWin32Platform::CreateWindow(qzWindow* window, const char* title, uint32_t style,
                                             uint32_t exstyle, const qzRect& outer, bool defaultx,
                                             bool defaulty, qzWindowHandle parent) {
    if (state->classname.empty()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        SetErrnoFromLastError();
        return 0;
    }
    auto record = std::make_unique<qzWin32Window>();
    record->window = window;
    // Until the engine sets a background, windows have the system's, as the class has none.
    record->brush = ::GetSysColorBrush(COLOR_BTNFACE);
    record->cursor = LoadCursorA(nullptr, IDC_ARROW);
    HWND hwnd = CreateWindowExA(exstyle, state->classname.c_str(), title, style,
                                defaultx ? CW_USEDEFAULT : outer.left, defaulty ? CW_USEDEFAULT : outer.top,
                                outer.right - outer.left, outer.bottom - outer.top, HwndOf(parent), nullptr,
                                state->instance, record.get());
    if (hwnd == nullptr) {
        SetErrnoFromLastError();
        return 0;
    }
    state->windows[hwnd] = std::move(record);
    return HandleOf(hwnd);
}

void qzWin32Platform::DestroyWindow(qzWindowHandle window) {
    HWND hwnd = HwndOf(window);
    auto found = state->windows.find(hwnd);
    if (found == state->windows.end())
        return;
    // The engine has had its WM_DESTROY; what the system sends while it destroys the window is not posted.
    if (found->second->hwnd != nullptr) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd);
    }
    state->windows.erase(found);
}

bool qzWin32Platform::GetWindowPlacement(qzWindowHandle window, qzRect& outer) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!::GetWindowPlacement(HwndOf(window), &placement)) {
        SetErrnoFromLastError();
        return false;
    }
    const RECT& normal = placement.rcNormalPosition;
    outer = {normal.left, normal.top, normal.right, normal.bottom};
    return true;
}

void qzWin32Platform::AdjustWindowRectEx(qzRect& rect, uint32_t style, uint32_t exstyle) {
    RECT grown{rect.left, rect.top, rect.right, rect.bottom};
    ::AdjustWindowRectEx(&grown, style, FALSE, exstyle);
    rect = {grown.left, grown.top, grown.right, grown.bottom};
}

void qzWin32Platform::SetWindowStyle(qzWindowHandle window, uint32_t style, uint32_t exstyle) {
    HWND hwnd = HwndOf(window);
    // Visibility, the maximised state and what the system added keep their bits.
    auto oldstyle = static_cast<uint32_t>(GetWindowLongPtrA(hwnd, GWL_STYLE));
    auto oldexstyle = static_cast<uint32_t>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE));
    uint32_t newexstyle = (oldexstyle & ~QZEXSTYLEMASK) | (exstyle & QZEXSTYLEMASK);
    SetWindowLongPtrA(hwnd, GWL_STYLE, (oldstyle & ~QZSTYLEMASK) | (style & QZSTYLEMASK));
    SetWindowLongPtrA(hwnd, GWL_EXSTYLE, newexstyle);
    // Staying on top is a place in the z-order, which only SetWindowPos changes.
    if ((oldexstyle ^ newexstyle) & WS_EX_TOPMOST)
        ::SetWindowPos(hwnd, (newexstyle & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void qzWin32Platform::SetWindowPos(qzWindowHandle window, const qzRect& outer) {
    ::SetWindowPos(HwndOf(window), nullptr, outer.left, outer.top, outer.right - outer.left,
                   outer.bottom - outer.top, SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void qzWin32Platform::SetMinimumClientSize(qzWindowHandle window, int32_t width, int32_t height) {
    if (qzWin32Window* record = state->Find(window)) {
        record->minwidth = width;
        record->minheight = height;
    }
}

void qzWin32Platform::ShowWindow(qzWindowHandle window, int command) {
    ::ShowWindow(HwndOf(window), command);
}

void qzWin32Platform::SetWindowText(qzWindowHandle window, const char* text) {
    SetWindowTextA(HwndOf(window), text);
}

void qzWin32Platform::SetBackground(qzWindowHandle window, bool enabled, uint32_t bgr) {
    qzWin32Window* record = state->Find(window);
    if (record == nullptr)
        return;
    record->ReleaseBrush();
    if (enabled) {
        record->brush = CreateSolidBrush(bgr);
        record->ownsbrush = record->brush != nullptr;
    }
}

void qzWin32Platform::InvalidateRect(qzWindowHandle window) {
    RedrawWindow(HwndOf(window), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void qzWin32Platform::ValidateRect(qzWindowHandle window) {
    ::ValidateRect(HwndOf(window), nullptr);
}

bool qzWin32Platform::SetCursor(qzWindowHandle window, int kind) {
    qzWin32Window* record = state->Find(window);
    if (record == nullptr || kind < 1 || kind > 15) {
        SetLastError(ERROR_INVALID_PARAMETER);
        errno = EINVAL;
        return false;
    }
    HCURSOR cursor = nullptr;
    if (kind != 1) {
        cursor = LoadCursorA(nullptr, CURSORS[kind]);
        if (cursor == nullptr) {
            SetErrnoFromLastError();
            return false;
        }
    }
    record->cursor = cursor;
    // WM_SETCURSOR asks again only when the pointer moves.
    if (PointerInClientArea(record->hwnd))
        ::SetCursor(cursor);
    return true;
}

void qzWin32Platform::SetCapture(qzWindowHandle window) {
    ::SetCapture(HwndOf(window));
}

void qzWin32Platform::ReleaseCapture() {
    ::ReleaseCapture();
}

void qzWin32Platform::TrackMouseLeave(qzWindowHandle window) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = HwndOf(window);
    track.dwHoverTime = HOVER_DEFAULT;
    TrackMouseEvent(&track);
}

void qzWin32Platform::DragAcceptFiles(qzWindowHandle window, bool accept) {
    ::DragAcceptFiles(HwndOf(window), accept ? TRUE : FALSE);
}

qzWindowHandle qzWin32Platform::CreateControl(qzWindowHandle parent, int kind, const char* text,
                                              const qzRect& rect, qzPlatformHandle font) {
    const char* windowclass = nullptr;
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exstyle = 0;
    switch (kind) {
    case QZCONTROL_BUTTON:
        windowclass = "BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
    case QZCONTROL_EDIT:
        windowclass = "EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        exstyle = WS_EX_CLIENTEDGE;
        break;
    case QZCONTROL_TEXTBOX:
        windowclass = "EDIT";
        style |= WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
                 ES_AUTOHSCROLL;
        exstyle = WS_EX_CLIENTEDGE;
        break;
    case QZCONTROL_STATIC:
        // Symbol names in a report may hold an ampersand, which is no mnemonic here.
        windowclass = "STATIC";
        style |= SS_LEFT | SS_NOPREFIX;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        errno = EINVAL;
        return 0;
    }
    HWND control = CreateWindowExA(exstyle, windowclass, text, style, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, HwndOf(parent),
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(state->nextcontrolid++)),
                                   state->instance, nullptr);
    if (control == nullptr) {
        SetErrnoFromLastError();
        return 0;
    }
    if (font != 0)
        SendMessageA(control, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return HandleOf(control);
}

void qzWin32Platform::DestroyControl(qzWindowHandle control) {
    ::DestroyWindow(HwndOf(control));
}

void qzWin32Platform::ShowControl(qzWindowHandle control, bool visible) {
    ::ShowWindow(HwndOf(control), visible ? SW_SHOW : SW_HIDE);
}

void qzWin32Platform::EnableControl(qzWindowHandle control, bool enabled) {
    EnableWindow(HwndOf(control), enabled ? TRUE : FALSE);
}

void qzWin32Platform::FocusControl(qzWindowHandle control) {
    SetFocus(HwndOf(control));
}

void qzWin32Platform::MoveControl(qzWindowHandle control, const qzRect& rect) {
    MoveWindow(HwndOf(control), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void qzWin32Platform::SetControlText(qzWindowHandle control, const char* text) {
    SetWindowTextA(HwndOf(control), text);
}

void qzWin32Platform::GetControlText(qzWindowHandle control, qzString& text) {
    HWND hwnd = HwndOf(control);
    int length = GetWindowTextLengthA(hwnd);
    if (length <= 0)
        return;
    std::string content(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(hwnd, content.data(), length + 1);
    text.Append(content.data(), static_cast<uint32_t>(std::max(copied, 0)));
}

void qzWin32Platform::ProcessEvents() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        // Nothing here posts the system's quit message; should it come, it ends the program as the engine's.
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void qzWin32Platform::WaitForEvents(uint32_t timeout) {
    // Input that arrived before the call but was not yet taken wakes the wait too.
    MsgWaitForMultipleObjectsEx(0, nullptr, timeout == QZINFINITE ? INFINITE : timeout, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
    ProcessEvents();
}

int qzWin32Platform::GetSystemMetrics(int index) {
    return ::GetSystemMetrics(index);
}

// Not the keyboard as it is now but as of the message being handled: the keys of a quick Ctrl+O have all
// been let go by the time a busy frame lets its messages through.
int16_t qzWin32Platform::GetKeyState(int key) {
    return qzGetMessageKeyState(key);
}

bool qzWin32Platform::GetCursorPos(int32_t& x, int32_t& y) {
    POINT point;
    if (!::GetCursorPos(&point)) {
        SetErrnoFromLastError();
        return false;
    }
    x = point.x;
    y = point.y;
    return true;
}

bool qzWin32Platform::SetCursorPos(int32_t x, int32_t y) {
    if (!::SetCursorPos(x, y)) {
        SetErrnoFromLastError();
        return false;
    }
    return true;
}

std::string qzWin32Platform::GetUserDataFolder() {
    char path[MAX_PATH];
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return std::string();
    return path;
}

int qzWin32Platform::MessageBox(qzWindowHandle owner, const char* text, const char* caption, uint32_t type) {
    int answer = MessageBoxA(HwndOf(owner), text, caption, type);
    return answer == 0 ? ClosedAnswer(type) : answer;
}

bool qzWin32Platform::FileDialog(const qzFileDialogRequest& request, std::vector<std::string>& files) {
    // Descriptions and pattern lists in turn, each ended by a zero, the whole by a second one.
    std::string filter;
    for (const qzFileFilter& entry : request.filters) {
        filter += entry.description;
        filter += '\0';
        for (size_t i = 0; i < entry.patterns.size(); ++i)
            filter += (i == 0 ? "" : ";") + entry.patterns[i];
        filter += '\0';
    }
    filter += '\0';
    // Many files of a multiple selection take more room than one path.
    std::vector<char> names(request.multiselect && !request.save ? 0x10000 : 1000, '\0');
    std::string extension = request.defaultextension;
    if (!extension.empty() && extension[0] == '.')
        extension.erase(0, 1);

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = HwndOf(request.owner);
    dialog.lpstrFilter = request.filters.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = names.data();
    dialog.nMaxFile = static_cast<DWORD>(names.size());
    dialog.lpstrInitialDir = request.initialdirectory.empty() ? nullptr : request.initialdirectory.c_str();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // The current directory stays where it was, and choices stay out of the recent-files list.
    dialog.Flags =
        OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_DONTADDTORECENT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    if (request.save) {
        dialog.Flags |= OFN_OVERWRITEPROMPT;
        if (!GetSaveFileNameA(&dialog))
            return false;
        files.push_back(names.data());
        return true;
    }
    dialog.Flags |= OFN_FILEMUSTEXIST;
    if (request.multiselect)
        dialog.Flags |= OFN_ALLOWMULTISELECT;
    if (!GetOpenFileNameA(&dialog))
        return false;
    std::vector<std::string> chosen =
        request.multiselect ? qzWin32SplitFileList(names.data()) : std::vector<std::string>{names.data()};
    files.insert(files.end(), chosen.begin(), chosen.end());
    return true;
}

bool qzWin32Platform::HasClipboardText() {
    return IsClipboardFormatAvailable(CF_TEXT) != 0;
}

const char* qzWin32Platform::SetClipboardText(const char* text, uint32_t length) {
    if (state->clipboardowner == nullptr)
        state->clipboardowner =
            CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, state->instance, nullptr);
    if (!OpenClipboardSoon(state->clipboardowner))
        return ClipboardFailure("OpenClipboard", nullptr, false);
    if (!EmptyClipboard())
        return ClipboardFailure("EmptyClipboard", nullptr, true);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(length) + 1);
    if (memory == nullptr)
        return ClipboardFailure("GlobalAlloc", nullptr, true);
    char* bytes = static_cast<char*>(GlobalLock(memory));
    if (bytes == nullptr)
        return ClipboardFailure("GlobalLock", memory, true);
    std::memcpy(bytes, text, length);
    bytes[length] = '\0';
    GlobalUnlock(memory);
    if (SetClipboardData(CF_TEXT, memory) == nullptr)
        return ClipboardFailure("SetClipboardData", memory, true);
    CloseClipboard();
    return nullptr;
}

const char* qzWin32Platform::GetClipboardText(qzString& text) {
    if (!OpenClipboardSoon(nullptr))
        return ClipboardFailure("OpenClipboard", nullptr, false);
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data == nullptr)
        return ClipboardFailure("GetClipboardData", nullptr, true);
    const char* bytes = static_cast<const char*>(GlobalLock(data));
    if (bytes == nullptr)
        return ClipboardFailure("GlobalLock", nullptr, true);
    // The text ends at its terminator, which the block's size bounds.
    size_t length = strnlen(bytes, GlobalSize(data));
    text.Append(bytes, static_cast<uint32_t>(length));
    GlobalUnlock(data);
    CloseClipboard();
    return nullptr;
}

bool qzWin32Platform::Load(const char* name, qzString& data) {
    bool numbered = name[0] != '\0' &&
                    std::all_of(name, name + std::strlen(name), [](char c) { return c >= '0' && c <= '9'; });
    unsigned long number = numbered ? std::strtoul(name, nullptr, 10) : 0;
    if (numbered && (number == 0 || number > 0xFFFF)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        SetErrnoFromLastError();
        return false;
    }
    LPCSTR id = numbered ? MAKEINTRESOURCEA(number) : name;
    HRSRC found = FindResourceA(state->instance, id, RT_RCDATA);
    HGLOBAL loaded = found != nullptr ? LoadResource(state->instance, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        SetErrnoFromLastError();
        return false;
    }
    data.Append(bytes, static_cast<uint32_t>(SizeofResource(state->instance, found)));
    return true;
}

int qzWin32VirtualKey(uintptr_t wparam, intptr_t lparam) {
    int key = static_cast<int>(wparam & 0xFF);
    if (lparam & (1 << 24))
        return key;
    switch (key) {
    case VK_INSERT:
        return VK_NUMPAD0;
    case VK_END:
        return VK_NUMPAD1;
    case VK_DOWN:
        return VK_NUMPAD2;
    case VK_NEXT:
        return VK_NUMPAD3;
    case VK_LEFT:
        return VK_NUMPAD4;
    case VK_CLEAR:
        return VK_NUMPAD5;
    case VK_RIGHT:
        return VK_NUMPAD6;
    case VK_HOME:
        return VK_NUMPAD7;
    case VK_UP:
        return VK_NUMPAD8;
    case VK_PRIOR:
        return VK_NUMPAD9;
    case VK_DELETE:
        return VK_DECIMAL;
    default:
        return key;
    }
}

std::vector<std::string> qzWin32SplitFileList(const char* list) {
    std::vector<std::string> files;
    std::string first = list;
    if (first.empty())
        return files;
    const char* name = list + first.size() + 1;
    if (*name == '\0') {
        files.push_back(first);
        return files;
    }
    if (first.back() != '\\' && first.back() != '/')
        first += '\\';
    for (; *name != '\0'; name += std::strlen(name) + 1)
        files.push_back(first + name);
    return files;
}

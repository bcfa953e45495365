#include "nativewin32.h"

#include "qzwin32.h"

#include <cstdio>
#include <cstring>

namespace nativewin32 {

namespace {

HWND HwndOf(qzWindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

} // namespace

void PostNative(qzWindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    PostMessageA(HwndOf(window), message, wparam, lparam);
}

void RequestClose(qzWindowHandle window) {
    SendMessageA(HwndOf(window), WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool IsWindow(qzWindowHandle window) {
    return ::IsWindow(HwndOf(window)) != 0;
}

uint32_t GetStyle(qzWindowHandle window) {
    return static_cast<uint32_t>(GetWindowLongPtrA(HwndOf(window), GWL_STYLE));
}

uint32_t GetExStyle(qzWindowHandle window) {
    return static_cast<uint32_t>(GetWindowLongPtrA(HwndOf(window), GWL_EXSTYLE));
}

qzWindowHandle GetParent(qzWindowHandle window) {
    return reinterpret_cast<qzWindowHandle>(::GetParent(HwndOf(window)));
}

qzRect GetClientOnScreen(qzWindowHandle window) {
    RECT client;
    GetClientRect(HwndOf(window), &client);
    POINT origin{0, 0};
    ClientToScreen(HwndOf(window), &origin);
    return {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
}

void MoveWindowTo(qzWindowHandle window, const qzRect& outer) {
    ::SetWindowPos(HwndOf(window), nullptr, outer.left, outer.top, outer.right - outer.left,
                   outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool BringToFront(qzWindowHandle window) {
    SetForegroundWindow(HwndOf(window));
    SetFocus(HwndOf(window));
    return GetForegroundWindow() == HwndOf(window);
}

qzWindowHandle GetCapture() {
    return reinterpret_cast<qzWindowHandle>(::GetCapture());
}

uintptr_t GetCursor() {
    return reinterpret_cast<uintptr_t>(::GetCursor());
}

uintptr_t GetSystemCursor(unsigned idc) {
    return reinterpret_cast<uintptr_t>(LoadCursorA(nullptr, MAKEINTRESOURCEA(idc)));
}

uint32_t GetClientPixel(qzWindowHandle window, int32_t x, int32_t y) {
    HDC dc = GetDC(HwndOf(window));
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(HwndOf(window), dc);
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

uintptr_t GetControlFont(qzWindowHandle control) {
    return static_cast<uintptr_t>(SendMessageA(HwndOf(control), WM_GETFONT, 0, 0));
}

void ClickButton(qzWindowHandle button) {
    SendMessageA(HwndOf(button), BM_CLICK, 0, 0);
}

void SendKey(uint8_t key, bool down, bool extended) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (down ? 0 : KEYEVENTF_KEYUP) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    SendInput(1, &input, sizeof input);
}

void SendWheel(int delta) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_WHEEL;
    input.mi.mouseData = static_cast<DWORD>(delta);
    SendInput(1, &input, sizeof input);
}

std::thread AnswerDialog(const std::string& title, int command, const std::string& filename,
                         qzWindowHandle* owner) {
    return std::thread([=] {
        for (int i = 0; i < 1000; ++i) {
            HWND dialog = FindWindowA(nullptr, title.c_str());
            if (dialog != nullptr && IsWindowVisible(dialog)) {
                *owner = reinterpret_cast<qzWindowHandle>(GetWindow(dialog, GW_OWNER));
                // The file-name box: a combo box (cmb13) or an edit box (edt1), as the dialog has it.
                for (int box : {0x47C, 0x480})
                    if (!filename.empty())
                        SetDlgItemTextA(dialog, box, filename.c_str());
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
                return;
            }
            Sleep(10);
        }
        // No dialog of that title: whatever dialog is up is cancelled, so that the test ends.
        *owner = QZNODIALOG;
        if (HWND dialog = FindWindowA("#32770", nullptr))
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
}

void ClearClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

void PostFileDrop(qzWindowHandle window, const std::vector<std::string>& paths, int32_t x, int32_t y) {
    // DROPFILES, then the paths one after the other, each ended by a zero, and a zero after the last.
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths)
        size += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = {x, y};
    drop->fNC = FALSE;
    drop->fWide = FALSE;
    char* names = reinterpret_cast<char*>(drop + 1);
    for (const std::string& path : paths) {
        std::memcpy(names, path.c_str(), path.size() + 1);
        names += path.size() + 1;
    }
    GlobalUnlock(memory);
    PostMessageA(HwndOf(window), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

std::string ReadFile(const std::string& path) {
    std::string contents;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return contents;
    char buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        contents.append(buffer, count);
    std::fclose(file);
    return contents;
}

} // namespace nativewin32

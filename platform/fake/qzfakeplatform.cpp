#include "qzfakeplatform.h"

#include "qzdropfiles.h"

#include <cerrno>
#include <cstdio>

namespace {

std::string Text(const char* format, long a = 0, long b = 0, long c = 0, long d = 0, long e = 0) {
    char buffer[200];
    std::snprintf(buffer, sizeof buffer, format, a, b, c, d, e);
    return buffer;
}

long L(uintptr_t value) {
    return static_cast<long>(value);
}

} // namespace

qzFakePlatform::qzFakePlatform() {
    qzSetPlatform(this);
}

qzFakePlatform::~qzFakePlatform() {
    qzSetPlatform(nullptr);
}

qzPlatformHandle qzFakePlatform::GetSysColorBrush(int index) {
    Record(Text("GetSysColorBrush %ld", index));
    return 0x15;
}

qzPlatformHandle qzFakePlatform::LoadIcon(unsigned resource) {
    Record(Text("LoadIcon %ld", resource));
    return 0x100 + resource;
}

qzPlatformHandle qzFakePlatform::CreateFont(const char* face, int height, int weight) {
    Record(std::string("CreateFont ") + face + Text(" %ld %ld", height, weight));
    if (++fontcount == 2 && failfont2) {
        errno = ENOMEM;
        return 0;
    }
    return 0x200 + static_cast<qzPlatformHandle>(fontcount);
}

void qzFakePlatform::DeleteFont(qzPlatformHandle font) {
    Record(Text("DeleteFont %lx", L(font)));
}

uint16_t qzFakePlatform::RegisterClass(const char* name, qzPlatformHandle icon) {
    Record(std::string("RegisterClass ") + name + Text(" %lx", L(icon)));
    if (failclass) {
        errno = EINVAL;
        return 0;
    }
    return 0xC001;
}

void qzFakePlatform::UnregisterClass(const char* name) {
    Record(std::string("UnregisterClass ") + name);
}

qzWindowHandle qzFakePlatform::CreateWindow(qzWindow* window, const char* title, uint32_t style,
                                            uint32_t exstyle, const qzRect& outer, bool defaultx,
                                            bool defaulty, qzWindowHandle parent) {
    Record(std::string("CreateWindow ") + title + Text(" %lx %lx", L(style), L(exstyle)) +
           Text(" %ld %ld %ld %ld", defaultx ? -1 : outer.left, defaulty ? -1 : outer.top,
                outer.right - outer.left, outer.bottom - outer.top) +
           Text(" parent %ld", L(parent)));
    if (failcreatewindow) {
        errno = EAGAIN;
        return 0;
    }
    qzWindowHandle handle = nexthandle++;
    lastouter = outer;
    if (defaultx) {
        lastouter.right += 40 - lastouter.left;
        lastouter.left = 40;
    }
    if (defaulty) {
        lastouter.bottom += 30 - lastouter.top;
        lastouter.top = 30;
    }
    qzSendMessage(qzFakeMessage(handle, WM_NCCREATE, 0, reinterpret_cast<intptr_t>(window)));
    return handle;
}

void qzFakePlatform::DestroyWindow(qzWindowHandle window) {
    Record(Text("DestroyWindow %ld", L(window)));
}

bool qzFakePlatform::GetWindowPlacement(qzWindowHandle, qzRect& outer) {
    outer = lastouter;
    return true;
}

void qzFakePlatform::AdjustWindowRectEx(qzRect& rect, uint32_t style, uint32_t) {
    if ((style & 0x00C00000u) == 0x00C00000u) {
        rect.left -= FRAME;
        rect.right += FRAME;
        rect.top -= CAPTION;
        rect.bottom += FRAME;
    }
}

void qzFakePlatform::SetWindowStyle(qzWindowHandle window, uint32_t style, uint32_t exstyle) {
    Record(Text("SetWindowStyle %ld %lx %lx", L(window), L(style), L(exstyle)));
}

void qzFakePlatform::SetWindowPos(qzWindowHandle window, const qzRect& outer) {
    Record(Text("SetWindowPos %ld %ld %ld %ld %ld", L(window), outer.left, outer.top,
                outer.right - outer.left, outer.bottom - outer.top));
    lastouter = outer;
}

void qzFakePlatform::SetMinimumClientSize(qzWindowHandle window, int32_t width, int32_t height) {
    Record(Text("SetMinimumClientSize %ld %ld %ld", L(window), width, height));
}

void qzFakePlatform::ShowWindow(qzWindowHandle window, int command) {
    Record(Text("ShowWindow %ld %ld", L(window), command));
}

void qzFakePlatform::SetWindowText(qzWindowHandle window, const char* text) {
    Record(Text("SetWindowText %ld ", L(window)) + text);
}

void qzFakePlatform::SetBackground(qzWindowHandle window, bool enabled, uint32_t bgr) {
    Record(Text("SetBackground %ld %ld %06lx", L(window), enabled, L(bgr)));
}

void qzFakePlatform::InvalidateRect(qzWindowHandle window) {
    Record(Text("InvalidateRect %ld", L(window)));
}

void qzFakePlatform::ValidateRect(qzWindowHandle window) {
    Record(Text("ValidateRect %ld", L(window)));
}

bool qzFakePlatform::SetCursor(qzWindowHandle window, int kind) {
    Record(Text("SetCursor %ld %ld", L(window), kind));
    if (failcursor) {
        errno = ENOENT;
        return false;
    }
    return true;
}

void qzFakePlatform::SetCapture(qzWindowHandle window) {
    Record(Text("SetCapture %ld", L(window)));
    capture = window;
}

void qzFakePlatform::ReleaseCapture() {
    Record("ReleaseCapture");
    capture = 0;
}

void qzFakePlatform::TrackMouseLeave(qzWindowHandle window) {
    Record(Text("TrackMouseLeave %ld", L(window)));
}

void qzFakePlatform::DragAcceptFiles(qzWindowHandle window, bool accept) {
    Record(Text("DragAcceptFiles %ld %ld", L(window), accept));
}

qzWindowHandle qzFakePlatform::CreateControl(qzWindowHandle parent, int kind, const char* text,
                                             const qzRect& rect, qzPlatformHandle font) {
    Record(Text("CreateControl %ld %ld %ld %ld %ld", L(parent), kind, rect.left, rect.top,
                rect.right - rect.left) +
           Text(" %ld font %lx ", rect.bottom - rect.top, L(font)) + text);
    if (failcontrol) {
        errno = ENOMEM;
        return 0;
    }
    qzWindowHandle handle = nexthandle++;
    controltexts[handle] = text;
    controlparents[handle] = parent;
    return handle;
}

void qzFakePlatform::DestroyControl(qzWindowHandle control) {
    Record(Text("DestroyControl %ld", L(control)));
    controltexts.erase(control);
    controlparents.erase(control);
}

void qzFakePlatform::ShowControl(qzWindowHandle control, bool visible) {
    Record(Text("ShowControl %ld %ld", L(control), visible));
}

void qzFakePlatform::EnableControl(qzWindowHandle control, bool enabled) {
    Record(Text("EnableControl %ld %ld", L(control), enabled));
}

void qzFakePlatform::FocusControl(qzWindowHandle control) {
    Record(Text("FocusControl %ld", L(control)));
}

void qzFakePlatform::MoveControl(qzWindowHandle control, const qzRect& rect) {
    Record(Text("MoveControl %ld %ld %ld %ld %ld", L(control), rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top));
}

void qzFakePlatform::SetControlText(qzWindowHandle control, const char* text) {
    Record(Text("SetControlText %ld ", L(control)) + text);
    controltexts[control] = text;
}

void qzFakePlatform::GetControlText(qzWindowHandle control, qzString& text) {
    const std::string& held = controltexts[control];
    text.Append(held.data(), static_cast<uint32_t>(held.size()));
}

qzWindowHandle qzFakePlatform::FindControl(const std::string& text) const {
    for (const auto& [handle, held] : controltexts)
        if (held == text)
            return handle;
    return 0;
}

void qzFakePlatform::DropFiles(qzWindowHandle window, std::vector<std::string> paths, int32_t x, int32_t y) {
    Deliver(qzFakeMessage(window, WM_DROPFILES, qzCreateDrop(std::move(paths), x, y)));
}

void qzFakePlatform::ClickControl(qzWindowHandle control) {
    Deliver(qzFakeMessage(controlparents[control], WM_COMMAND, static_cast<uintptr_t>(BN_CLICKED) << 16,
                          static_cast<intptr_t>(control)));
}

void qzFakePlatform::WaitForEvents(uint32_t timeout) {
    Record(Text("WaitForEvents %lu", static_cast<unsigned long>(timeout)));
    ProcessEvents();
}

void qzFakePlatform::ProcessEvents() {
    if (onprocessevents)
        onprocessevents();
    std::vector<qzMessage> delivered;
    delivered.swap(pending);
    for (const qzMessage& message : delivered)
        qzPostMessage(message);
}

int qzFakePlatform::GetSystemMetrics(int index) {
    return index == SM_CXSCREEN ? screenwidth : screenheight;
}

int16_t qzFakePlatform::GetKeyState(int key) {
    return keystate[key & 0xFF];
}

bool qzFakePlatform::GetCursorPos(int32_t& x, int32_t& y) {
    x = cursorx;
    y = cursory;
    return true;
}

bool qzFakePlatform::SetCursorPos(int32_t x, int32_t y) {
    Record(Text("SetCursorPos %ld %ld", x, y));
    cursorx = x;
    cursory = y;
    return true;
}

int qzFakePlatform::MessageBox(qzWindowHandle owner, const char* text, const char* caption, uint32_t type) {
    Record(Text("MessageBox %lx ", L(owner)) + caption + " " + text + Text(" %lx", type));
    return messageboxanswer;
}

bool qzFakePlatform::FileDialog(const qzFileDialogRequest& request, std::vector<std::string>& files) {
    Record(Text("FileDialog %lx", L(request.owner)) + (request.save ? " save" : " open"));
    lastfiledialog = request;
    if (filedialogconfirms)
        files = filedialogfiles;
    return filedialogconfirms;
}

bool qzFakePlatform::HasClipboardText() {
    return hasclipboardtext;
}

const char* qzFakePlatform::SetClipboardText(const char* text, uint32_t length) {
    Record("SetClipboardText");
    if (failclipboardcall != nullptr) {
        errno = EACCES;
        return failclipboardcall;
    }
    clipboard.assign(text, length);
    hasclipboardtext = true;
    return nullptr;
}

const char* qzFakePlatform::GetClipboardText(qzString& text) {
    Record("GetClipboardText");
    if (failclipboardcall != nullptr) {
        errno = EACCES;
        return failclipboardcall;
    }
    text.Append(clipboard.data(), static_cast<uint32_t>(clipboard.size()));
    return nullptr;
}

std::vector<std::string> qzFakePlatform::CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call.compare(0, prefix.size(), prefix) == 0)
            found.push_back(call);
    }
    return found;
}

qzMessage qzFakeMessage(qzWindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    qzMessage m;
    m.window = window;
    m.message = message;
    m.wparam = wparam;
    m.lparam = lparam;
    return m;
}

#include "qzwindowproc.h"

#include "qzassert.h"
#include "qzcontrols.h"
#include "qzdevice.h"
#include "qzdropfiles.h"
#include "qzplatform.h"
#include "qzwindow.h"

#include <unordered_map>

namespace {

// The user data of each native window: its qzWindow.
std::unordered_map<qzWindowHandle, qzWindow*> userdata;

intptr_t DefWindowProc(const qzMessage& message) {
    // Nobody reads a drop that reaches no window: it is released here.
    if (message.message == WM_DROPFILES)
        qzDragFinish(static_cast<qzDropHandle>(message.wparam));
    return 0;
}

// The drop is released however the slot returns.
struct FinishDrop {
    qzDropHandle drop;
    ~FinishDrop() { qzDragFinish(drop); }
};

void ButtonDown(qzWindow& window, bool& held, int button, bool doubleclick,
                const qzCallback<int, bool>& slot) {
    held = true;
    qzGetPlatform().SetCapture(window.GetHandle());
    if (!slot.IsEmpty())
        slot(button, doubleclick);
}

} // namespace

intptr_t qzWindowProcedure(const qzMessage& message) {
    if (message.message == WM_NCCREATE) {
        qzWindow* window = reinterpret_cast<qzWindow*>(message.lparam);
        userdata[message.window] = window;
        window->windowhandle = message.window;
        return 1;
    }
    auto found = userdata.find(message.window);
    if (found == userdata.end() || found->second == nullptr)
        return DefWindowProc(message);
    qzWindow* window = found->second;
    QZASSERT(message.window == window->windowhandle, "hwnd==window->windowhandle");
    return qzWindowProc(*window, message);
}

void qzForgetWindowHandle(qzWindowHandle handle) {
    userdata.erase(handle);
}

void qzForgetWindowHandles() {
    userdata.clear();
}

intptr_t qzWindowProc(qzWindow& w, const qzMessage& m) {
    qzPlatform& platform = qzGetPlatform();
    switch (m.message) {
    case WM_DESTROY:
        w.ReleaseOnDestroy();
        return 0;
    case WM_MOVE: {
        int32_t nx = qzSignedLowWord(static_cast<uintptr_t>(m.lparam));
        int32_t ny = qzSignedHighWord(static_cast<uintptr_t>(m.lparam));
        if (nx != w.x || ny != w.y) {
            w.x = nx;
            w.y = ny;
            if (!w.onmove.IsEmpty())
                w.onmove();
        }
        return 0;
    }
    case WM_SIZE: {
        if (m.wparam == SIZE_MINIMIZED)
            return 0;
        int32_t width = qzLowWord(static_cast<uintptr_t>(m.lparam));
        int32_t height = qzHighWord(static_cast<uintptr_t>(m.lparam));
        if (width != w.clientwidth || height != w.clientheight) {
            w.clientwidth = width;
            w.clientheight = height;
            if (!w.onsize.IsEmpty())
                w.onsize();
        }
        return 0;
    }
    case WM_SETFOCUS:
        w.hasfocus = true;
        if (!w.onfocusgained.IsEmpty())
            w.onfocusgained();
        return 0;
    case WM_KILLFOCUS:
        w.hasfocus = false;
        w.wheelaccumulator = 0;
        if (!w.onfocuslost.IsEmpty())
            w.onfocuslost();
        return 0;
    case WM_PAINT:
        // The platform fills the background itself from the brush it was given.
        if (w.device != nullptr)
            w.device->Present();
        return 0;
    case WM_CLOSE:
        if (!w.onclose.IsEmpty())
            w.onclose();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        if (w.mouseinside) {
            platform.SetCursor(w.windowhandle, w.cursor == 0 ? 1 : w.cursor);
            return 1;
        }
        return DefWindowProc(m);
    case WM_GETMINMAXINFO: {
        qzMinMaxInfo* info = reinterpret_cast<qzMinMaxInfo*>(m.lparam);
        qzRect rect{0, 0, w.minclientwidth, w.minclientheight};
        platform.AdjustWindowRectEx(rect, w.style, w.exstyle);
        int32_t width = rect.right - rect.left;
        int32_t height = rect.bottom - rect.top;
        if (info->mintrackwidth < width)
            info->mintrackwidth = width;
        if (info->mintrackheight < height)
            info->mintrackheight = height;
        if (info->maxtrackwidth < width)
            info->maxtrackwidth = width;
        if (info->maxtrackheight < height)
            info->maxtrackheight = height;
        return 0;
    }
    case WM_KEYDOWN:
        if (!w.onkeydown.IsEmpty())
            w.onkeydown(static_cast<int8_t>(m.wparam & 0xFF), (m.lparam & (1 << 30)) != 0);
        return 0;
    case WM_KEYUP:
        if (!w.onkeyup.IsEmpty())
            w.onkeyup(static_cast<int8_t>(m.wparam & 0xFF));
        return 0;
    case WM_CHAR:
        if (!w.onchar.IsEmpty())
            w.onchar(static_cast<uint8_t>(m.wparam & 0xFF));
        return 0;
    case WM_COMMAND:
        for (qzButton* button = w.buttons.first; button != nullptr; button = button->next) {
            if (button->GetHandle() != static_cast<qzWindowHandle>(m.lparam))
                continue;
            if (qzHighWord(m.wparam) != BN_CLICKED)
                break;
            if (!button->GetOnClick().IsEmpty())
                button->GetOnClick()();
            return 0;
        }
        return DefWindowProc(m);
    case WM_MOUSEMOVE:
        if (!w.mouseinside) {
            platform.TrackMouseLeave(w.windowhandle);
            w.wheelaccumulator = 0;
        }
        w.mouseinside = true;
        w.mousex = qzSignedLowWord(static_cast<uintptr_t>(m.lparam));
        w.mousey = qzSignedHighWord(static_cast<uintptr_t>(m.lparam));
        if (!w.onmousemove.IsEmpty())
            w.onmousemove();
        return 0;
    case WM_MOUSELEAVE:
        w.mouseinside = false;
        if (!w.onmousemove.IsEmpty())
            w.onmousemove();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ButtonDown(w, w.leftbutton, 1, m.message == WM_LBUTTONDBLCLK, w.onmousedown);
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        ButtonDown(w, w.middlebutton, 2, m.message == WM_MBUTTONDBLCLK, w.onmousedown);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        ButtonDown(w, w.rightbutton, 3, m.message == WM_RBUTTONDBLCLK, w.onmousedown);
        return 0;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP: {
        int button = m.message == WM_LBUTTONUP ? 1 : m.message == WM_MBUTTONUP ? 2 : 3;
        (button == 1 ? w.leftbutton : button == 2 ? w.middlebutton : w.rightbutton) = false;
        if (!w.IsAnyButtonHeld())
            platform.ReleaseCapture();
        if (!w.onmouseup.IsEmpty())
            w.onmouseup(button);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        w.wheelaccumulator += qzSignedHighWord(m.wparam);
        if (w.wheelaccumulator >= 120) {
            int count = w.wheelaccumulator / 120;
            w.wheelaccumulator = 0;
            if (!w.onmousewheel.IsEmpty())
                w.onmousewheel(-count);
        }
        if (w.wheelaccumulator <= -120) {
            int count = -w.wheelaccumulator / 120;
            w.wheelaccumulator = 0;
            if (!w.onmousewheel.IsEmpty())
                w.onmousewheel(count);
        }
        return 0;
    }
    case WM_DROPFILES: {
        FinishDrop finish{static_cast<qzDropHandle>(m.wparam)};
        std::vector<std::string> paths(qzDragQueryFileCount(finish.drop));
        for (uint32_t i = 0; i < paths.size(); ++i)
            qzDragQueryFile(finish.drop, i, paths[i]);
        int32_t x = 0, y = 0;
        qzDragQueryPoint(finish.drop, x, y);
        if (!paths.empty() && !w.ondropfiles.IsEmpty())
            w.ondropfiles(paths, x, y);
        return 0;
    }
    default:
        return DefWindowProc(m);
    }
}

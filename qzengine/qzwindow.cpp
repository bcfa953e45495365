#include "qzwindow.h"

#include "qzassert.h"
#include "qzcontrols.h"
#include "qzdevice.h"
#include "qzexceptions.h"
#include "qzmain.h"
#include "qzmessagequeue.h"
#include "qzwindowproc.h"

namespace {

struct TypeStyle {
    uint32_t style;
    uint32_t exstyle;
};

constexpr TypeStyle TYPESTYLES[9] = {
    {0x00CA0000u, 0}, {0x00CF0000u, 0}, {0x80000000u, 8}, {0x80000000u, 0},           {0x80C80000u, 0},
    {0x80C00000u, 0}, {0x80C80000u, 1}, {0x40000000u, 0}, {0x40000000u, 0x08000000u},
};

void GrowToOuter(qzWindowTypeData& data, int32_t x, int32_t y, int32_t width, int32_t height) {
    qzRect rect{0, 0, width, height};
    qzGetPlatform().AdjustWindowRectEx(rect, data.style, data.exstyle);
    data.xx = x == QZDEFAULTPOS ? QZDEFAULTPOS : x + rect.left;
    data.yy = y == QZDEFAULTPOS ? QZDEFAULTPOS : y + rect.top;
    data.width = rect.right - rect.left;
    data.height = rect.bottom - rect.top;
}

} // namespace

qzWindowTypeData qzComputeWindowType(int type, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (type < 1 || type > 9)
        QZASSERT(false, "false");
    qzWindowTypeData data;
    data.style = TYPESTYLES[type - 1].style;
    data.exstyle = TYPESTYLES[type - 1].exstyle;
    qzPlatform& platform = qzGetPlatform();
    switch (type) {
    case 1:
    case 2:
        GrowToOuter(data, x, y, width, height);
        break;
    case 3:
        QZASSERT(x != QZDEFAULTPOS, "x!=QZDEFAULTPOS");
        QZASSERT(y != QZDEFAULTPOS, "y!=QZDEFAULTPOS");
        data.xx = x;
        data.yy = y;
        data.width = width == 0 ? platform.GetSystemMetrics(SM_CXSCREEN) : width;
        data.height = height == 0 ? platform.GetSystemMetrics(SM_CYSCREEN) : height;
        break;
    case 8:
    case 9:
        QZASSERT(x != QZDEFAULTPOS, "x!=QZDEFAULTPOS");
        QZASSERT(y != QZDEFAULTPOS, "y!=QZDEFAULTPOS");
        data.xx = x;
        data.yy = y;
        data.width = width;
        data.height = height;
        break;
    default:
        if (x == QZDEFAULTPOS || y == QZDEFAULTPOS) {
            x = (platform.GetSystemMetrics(SM_CXSCREEN) - width) / 2;
            y = (platform.GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        }
        GrowToOuter(data, x, y, width, height);
        break;
    }
    return data;
}

qzWindow::~qzWindow() {
    if (main != nullptr)
        Destroy();
}

void qzWindow::Create(qzMain* _main, const char* title, int type, int32_t _x, int32_t _y, int32_t width,
                      int32_t height, int32_t minwidth, int32_t minheight, qzWindow* _parent) {
    QZASSERT(main == nullptr, "main==NULL");
    QZASSERT(_main != nullptr, "main!=NULL");
    qzPlatform& platform = qzGetPlatform();
    cursor = 3;
    brush = _main->GetSystemBrush();
    brushnotowned = true;
    brushenabled = true;
    qzWindowTypeData data = qzComputeWindowType(type, _x, _y, width, height);
    style = data.style;
    exstyle = data.exstyle;
    minclientwidth = minwidth;
    minclientheight = minheight;
    parent = _parent;
    qzRect outer{data.xx == QZDEFAULTPOS ? 0 : data.xx, data.yy == QZDEFAULTPOS ? 0 : data.yy, 0, 0};
    outer.right = outer.left + data.width;
    outer.bottom = outer.top + data.height;
    qzWindowHandle handle =
        platform.CreateWindow(this, title, style, exstyle, outer, data.xx == QZDEFAULTPOS,
                              data.yy == QZDEFAULTPOS, _parent != nullptr ? _parent->windowhandle : 0);
    if (handle == 0) {
        windowhandle = 0;
        throw qzWindowsException("qzMain::CreateWindow", "CreateWindowEx");
    }
    windowhandle = handle;
    platform.SetMinimumClientSize(handle, minwidth, minheight);
    qzRect placement;
    if (platform.GetWindowPlacement(handle, placement)) {
        x = placement.left;
        y = placement.top;
        clientwidth = placement.right - placement.left;
        clientheight = placement.bottom - placement.top;
    }
    main = _main;
    main->windows.Append(this);
}

void qzWindow::SetMode(int type, int32_t _x, int32_t _y, int32_t width, int32_t height, int32_t minwidth,
                       int32_t minheight) {
    QZASSERT(main != nullptr, "main!=NULL");
    qzWindowTypeData data = qzComputeWindowType(type, _x, _y, width, height);
    QZASSERT(data.xx != QZDEFAULTPOS, "data.xx!=CW_USEDEFAULT");
    QZASSERT(data.yy != QZDEFAULTPOS, "data.yy!=CW_USEDEFAULT");
    minclientwidth = minwidth;
    minclientheight = minheight;
    style = (style & ~QZSTYLEMASK) | (data.style & QZSTYLEMASK);
    exstyle = (exstyle & ~QZEXSTYLEMASK) | (data.exstyle & QZEXSTYLEMASK);
    qzPlatform& platform = qzGetPlatform();
    platform.SetWindowStyle(windowhandle, style, exstyle);
    platform.SetMinimumClientSize(windowhandle, minwidth, minheight);
    platform.SetWindowPos(windowhandle,
                          qzRect{data.xx, data.yy, data.xx + data.width, data.yy + data.height});
    platform.InvalidateRect(windowhandle);
}

void qzWindow::Destroy() {
    QZASSERT(main != nullptr, "main!=NULL");
    qzWindowHandle handle = windowhandle;
    qzMessage message;
    message.window = handle;
    message.message = WM_DESTROY;
    qzSendMessage(message);
    qzForgetWindowHandle(handle);
    qzDropMessagesFor(handle);
    qzGetPlatform().DestroyWindow(handle);
}

void qzWindow::ReleaseOnDestroy() {
    while (buttons.first != nullptr)
        buttons.first->Destroy();
    while (edits.first != nullptr)
        edits.first->Destroy();
    while (statics.first != nullptr)
        statics.first->Destroy();
    if (device != nullptr)
        device->Destroy();
    brush = 0;
    brushnotowned = true;
    brushenabled = false;
    cursor = 0;
    Unlink();
    main = nullptr;
    windowhandle = 0;
}

void qzWindow::Show(bool maximised) {
    QZASSERT(main != nullptr, "main!=NULL");
    qzGetPlatform().ShowWindow(windowhandle, maximised ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
}

void qzWindow::SetTitle(const char* text) {
    QZASSERT(main != nullptr, "main!=NULL");
    qzGetPlatform().SetWindowText(windowhandle, text);
}

void qzWindow::SwitchOffBackground() {
    QZASSERT(main != nullptr, "main!=NULL");
    brush = 0;
    brushnotowned = true;
    brushenabled = false;
    qzGetPlatform().SetBackground(windowhandle, false, 0);
    qzGetPlatform().InvalidateRect(windowhandle);
}

void qzWindow::UseSystemBackground() {
    QZASSERT(main != nullptr, "main!=NULL");
    brush = main->GetSystemBrush();
    brushnotowned = true;
    brushenabled = true;
    // The button face of the platform's palette.
    brushcolor = 0xF0F0F0;
    qzGetPlatform().SetBackground(windowhandle, true, brushcolor);
    qzGetPlatform().InvalidateRect(windowhandle);
}

void qzWindow::SetBackgroundColor(uint32_t rgb) {
    QZASSERT(main != nullptr, "main!=NULL");
    uint32_t bgr = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    brushnotowned = false;
    brushenabled = true;
    brushcolor = bgr;
    qzGetPlatform().SetBackground(windowhandle, true, bgr);
    qzGetPlatform().InvalidateRect(windowhandle);
}

void qzWindow::SetCursor(int kind) {
    QZASSERT(main != nullptr, "main!=NULL");
    if (kind < 1 || kind > 15)
        QZASSERT(false, "false");
    int previous = cursor;
    cursor = kind == 1 ? 0 : kind;
    if (!qzGetPlatform().SetCursor(windowhandle, kind)) {
        cursor = previous;
        throw qzWindowsException("qzWindow::SetCursor", "LoadCursor");
    }
}

void qzWindow::AcceptFileDrops(bool accept) {
    QZASSERT(main != nullptr, "main!=NULL");
    qzGetPlatform().DragAcceptFiles(windowhandle, accept);
}

#include "qzmain.h"

#include "qzexceptions.h"

namespace {

constexpr int COLOR_BTNFACE = 15;

} // namespace

qzMain::qzMain(unsigned iconid) {
    qzPlatform& platform = qzGetPlatform();
    brush = platform.GetSysColorBrush(COLOR_BTNFACE);
    if (brush == 0)
        throw qzWindowsException("qzMain::qzMain", "GetSysColorBrush");
    if (iconid != 0) {
        icon = platform.LoadIcon(iconid);
        if (icon == 0)
            throw qzWindowsException("qzMain::qzMain", "LoadIcon");
    }
    font1 = platform.CreateFont("MS Sans Serif", 13, 400);
    if (font1 == 0)
        throw qzWindowsException("qzMain::qzMain", "CreateFont");
    font2 = platform.CreateFont("Tahoma", 13, 400);
    if (font2 == 0) {
        qzWindowsException failure("qzMain::qzMain", "CreateFont");
        platform.DeleteFont(font1);
        throw failure;
    }
    classatom = platform.RegisterClass(QZWINDOWCLASSNAME, icon);
    if (classatom == 0) {
        qzWindowsException failure("qzMain::qzMain", "RegisterClassEx");
        platform.DeleteFont(font2);
        platform.DeleteFont(font1);
        throw failure;
    }
    direct3d = qzGetRenderApi();
}

qzMain::~qzMain() {
    while (windows.last != nullptr)
        windows.last->Destroy();
    qzPlatform& platform = qzGetPlatform();
    platform.UnregisterClass(QZWINDOWCLASSNAME);
    platform.DeleteFont(font2);
    platform.DeleteFont(font1);
}

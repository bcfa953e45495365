// The engine root, one per process: the shared background brush, the icon, the fonts of the native
// controls, the window class, and the list of the windows created on it.
#pragma once

#include "qzobjectlist.h"
#include "qzplatform.h"
#include "qzrenderapi.h"
#include "qzwindow.h"

#include <cstdint>

class qzMain {
public:
    // Icon id 0 means no icon.
    explicit qzMain(unsigned iconid);
    ~qzMain();
    qzMain(const qzMain&) = delete;
    qzMain& operator=(const qzMain&) = delete;

    qzPlatformHandle GetSystemBrush() const { return brush; }
    qzPlatformHandle GetIcon() const { return icon; }
    qzPlatformHandle GetFont(int index) const { return index == 0 ? font1 : font2; }
    uint16_t GetClassAtom() const { return classatom; }
    // The Direct3D object devices are made from: the render API installed when the root was built.
    qzRenderApi* GetDirect3D() const { return direct3d; }

    // The windows created on this root; a window enters at creation and leaves when destroyed.
    qzObjectList<qzWindow> windows;

private:
    qzPlatformHandle brush = 0;
    qzPlatformHandle icon = 0;
    qzPlatformHandle font1 = 0;
    qzPlatformHandle font2 = 0;
    uint16_t classatom = 0;
    qzRenderApi* direct3d = nullptr;
};

constexpr const char* QZWINDOWCLASSNAME = "MainWindowClass";

// The window-system operations the engine needs, named after the Win32 calls they stand for. The Qt layer
// implements them for this platform and the scripted fake for the unit tests; the logic above them (window
// procedure, message pump, window types) is written once against this interface.
#pragma once

#include "qzmessage.h"

#include <cstdint>

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
enum : int { VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_F11 = 122 };

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

    // System.
    // Lets the platform deliver what is pending: its events become messages in the engine's queue.
    virtual void ProcessEvents() = 0;
    virtual int GetSystemMetrics(int index) = 0;
    // Bit 15 set while the key is down.
    virtual int16_t GetKeyState(int key) = 0;
};

// The platform stays owned by the caller; null removes it.
void qzSetPlatform(qzPlatform* platform);
// Asserts "platform!=NULL".
qzPlatform& qzGetPlatform();

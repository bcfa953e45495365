// Platform messages as the engine's own queue carries them: the Win32 numbers and parameter packing, so the
// window procedure reads the same on every platform.
#pragma once

#include <cstdint>

using qzWindowHandle = uintptr_t; // 0 is no window

enum : uint32_t {
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_SETFOCUS = 0x0007,
    WM_KILLFOCUS = 0x0008,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_ERASEBKGND = 0x0014,
    WM_SETCURSOR = 0x0020,
    WM_GETMINMAXINFO = 0x0024,
    WM_NCCREATE = 0x0081,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_COMMAND = 0x0111,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_RBUTTONDBLCLK = 0x0206,
    WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208,
    WM_MBUTTONDBLCLK = 0x0209,
    WM_MOUSEWHEEL = 0x020A,
    WM_DROPFILES = 0x0233, // wparam: a qzDropHandle (qzdropfiles.h)
    WM_MOUSELEAVE = 0x02A3,
};

enum : uint32_t { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };
// the keys held with a mouse message, in the low word of its wparam
enum : uint32_t { MK_SHIFT = 0x0004, MK_CONTROL = 0x0008 };
enum : uint32_t { BN_CLICKED = 0 };

struct qzMessage {
    qzWindowHandle window = 0;
    uint32_t message = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
};

// The packing helpers of the Win32 parameters.
constexpr intptr_t qzMakeLParam(int32_t low, int32_t high) {
    return static_cast<intptr_t>((static_cast<uint32_t>(low) & 0xFFFFu) |
                                 ((static_cast<uint32_t>(high) & 0xFFFFu) << 16));
}
constexpr uint16_t qzLowWord(uintptr_t value) {
    return static_cast<uint16_t>(value & 0xFFFFu);
}
constexpr uint16_t qzHighWord(uintptr_t value) {
    return static_cast<uint16_t>((value >> 16) & 0xFFFFu);
}
constexpr int32_t qzSignedLowWord(uintptr_t value) {
    return static_cast<int16_t>(qzLowWord(value));
}
constexpr int32_t qzSignedHighWord(uintptr_t value) {
    return static_cast<int16_t>(qzHighWord(value));
}

// The track sizes that WM_GETMINMAXINFO fills in; its lparam points at one.
struct qzMinMaxInfo {
    int32_t mintrackwidth = 0;
    int32_t mintrackheight = 0;
    int32_t maxtrackwidth = 0;
    int32_t maxtrackheight = 0;
};

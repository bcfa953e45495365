// GetTime and Sleep on Windows: the multimedia timer's timeGetTime, and the system's Sleep.
#include "qztime.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>

#include <mmsystem.h>

uint32_t GetTime() {
    return timeGetTime();
}

void Sleep(uint32_t milliseconds) {
    ::Sleep(static_cast<DWORD>(milliseconds));
}

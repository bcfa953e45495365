// The assertion trap on Windows: a breakpoint, and ExitProcess past it.
#include "qzassert.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>

void qzAssertionTrap() {
    DebugBreak();
    ExitProcess(0);
}

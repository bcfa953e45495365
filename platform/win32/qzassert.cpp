// The assertion trap on Windows: a breakpoint, and past it (a debugger let it go on) the end of the process
// as a failure, never as success.
#include "qzassert.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>

#include <cstdlib>

void qzAssertionTrap() {
    DebugBreak();
    ExitProcess(EXIT_FAILURE);
}

// The assertion trap on POSIX: SIGTRAP, and a failing exit past it.
#include "qzassert.h"

#include <csignal>
#include <cstdlib>

void qzAssertionTrap() {
    std::raise(SIGTRAP);
    // Past the trap (a debugger let it go on) the process still ends as a failure.
    std::_Exit(EXIT_FAILURE);
}

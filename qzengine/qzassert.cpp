#include "qzassert.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

void qzAssertionReport(const char* expression, const char* file, unsigned line) {
    // Built in a fixed buffer and written at once: the report must not depend on anything that may assert.
    char text[1024];
    int n = std::snprintf(text, sizeof text, "Assertion failed!\n    Expression: %s\n    File: %s\n    Line: %u\n",
                          expression, file, line);
    if (n > static_cast<int>(sizeof text) - 1)
        n = sizeof text - 1;
    if (n > 0) {
        ssize_t written = ::write(STDERR_FILENO, text, static_cast<size_t>(n));
        (void)written;
    }
    std::raise(SIGTRAP);
    // Past the trap (a debugger let it go on) the process still ends as a failure.
    std::_Exit(EXIT_FAILURE);
}

// The engine's assertion report: every precondition and invariant goes through QZASSERT.
// The text argument is the expression as the report names it, independent of how the code is formatted.
#pragma once

[[noreturn]] void qzAssertionReport(const char* expression, const char* file, unsigned line);

// The report's end, after its text has gone to the debug output: a breakpoint trap, and the end of the
// process when execution goes on past it.
[[noreturn]] void qzAssertionTrap();

#define QZASSERT(condition, text)                                                                            \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            qzAssertionReport(text, __FILE__, __LINE__);                                                     \
    } while (0)

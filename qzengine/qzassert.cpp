#include "qzassert.h"

#include "qzdebugoutput.h"

#include <cstdio>

void qzAssertionReport(const char* expression, const char* file, unsigned line) {
    // Built in a fixed buffer and written at once: the report must not depend on anything that may assert.
    char text[1024];
    if (std::snprintf(text, sizeof text,
                      "Assertion failed!\n    Expression: %s\n    File: %s\n    Line: %u\n", expression, file,
                      line) < 0)
        text[0] = 0;
    qzOutputDebugString(text);
    qzAssertionTrap();
}

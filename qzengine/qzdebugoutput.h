// The debug-output channel, each text written whole, at once: standard error on POSIX; on Windows
// OutputDebugStringA, and standard error as well, where a console or a test harness reads it.
#pragma once

#include "qzstring.h"

void qzOutputDebugString(const char* text);
void qzOutputDebugString(const qzString& text);

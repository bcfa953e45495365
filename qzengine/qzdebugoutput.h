// The debug-output channel: standard error, each text written whole, at once.
#pragma once

#include "qzstring.h"

void qzOutputDebugString(const char* text);
void qzOutputDebugString(const qzString& text);

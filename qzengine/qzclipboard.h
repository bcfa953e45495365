// Plain text on the system clipboard.
#pragma once

#include "qzstring.h"

// Both throw qzWindowsException with their own name and the failed call.
void qzSetClipboardText(const char* text);
// Empty, without opening the clipboard, when it holds no text.
qzString qzGetClipboardText();

#include "qzclipboard.h"

#include "qzexceptions.h"
#include "qzplatform.h"

#include <cstring>

void qzSetClipboardText(const char* text) {
    const char* failed = qzGetPlatform().SetClipboardText(text, static_cast<uint32_t>(std::strlen(text)));
    if (failed != nullptr)
        throw qzWindowsException("qzSetClipboardText", failed);
}

qzString qzGetClipboardText() {
    qzString text;
    qzPlatform& platform = qzGetPlatform();
    if (!platform.HasClipboardText())
        return text;
    const char* failed = platform.GetClipboardText(text);
    if (failed != nullptr)
        throw qzWindowsException("qzGetClipboardText", failed);
    return text;
}

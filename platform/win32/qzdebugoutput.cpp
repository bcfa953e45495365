// The debug-output channel on Windows: OutputDebugStringA, and the C runtime's standard error, which a
// windowed program without a console does not have (the write then fails and nothing else happens).
#include "qzdebugoutput.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <cstring>
#include <io.h>
#include <windows.h>

namespace {

void WriteStandardError(const char* text, size_t length) {
    while (length > 0) {
        unsigned chunk = length > 0x10000000u ? 0x10000000u : static_cast<unsigned>(length);
        int written = _write(2, text, chunk);
        if (written <= 0)
            return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

} // namespace

void qzOutputDebugString(const char* text) {
    OutputDebugStringA(text);
    WriteStandardError(text, std::strlen(text));
}

void qzOutputDebugString(const qzString& text) {
    OutputDebugStringA(text.c_str());
    WriteStandardError(text.GetData(), text.GetLength());
}

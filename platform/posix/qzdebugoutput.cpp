// The debug-output channel on POSIX: standard error.
#include "qzdebugoutput.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

void WriteWhole(const char* text, size_t length) {
    // One write call keeps a line from interleaving with other writers; a short write sends the rest.
    while (length > 0) {
        ssize_t written = write(STDERR_FILENO, text, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        text += written;
        length -= static_cast<size_t>(written);
    }
}

} // namespace

void qzOutputDebugString(const char* text) {
    WriteWhole(text, std::strlen(text));
}

void qzOutputDebugString(const qzString& text) {
    WriteWhole(text.GetData(), text.GetLength());
}

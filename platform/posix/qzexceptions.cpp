// The system's error codes on POSIX: errno and strerror_r.
#include "qzsystemerror.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

unsigned long qzGetLastSystemError() {
    return static_cast<unsigned long>(errno);
}

void qzGetSystemErrorText(unsigned long error, char* buffer, size_t size) {
    // strerror_r (GNU form) may return a static text instead of filling the buffer.
    const char* message = strerror_r(static_cast<int>(error), buffer, size);
    if (message != buffer)
        std::snprintf(buffer, size, "%s", message);
}

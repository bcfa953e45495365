#include "qzexceptions.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

const char* qzD3DException::what() const noexcept {
    std::snprintf(text, sizeof text, "qzEngine Direct3D exception in %s (%s failed)", where, call);
    return text;
}

qzWindowsException::qzWindowsException(const char* where, const char* call)
    : where(where), call(call), error(static_cast<unsigned long>(errno)) {}

const char* qzWindowsException::what() const noexcept {
    // strerror_r (GNU form) may return a static text instead of filling the buffer.
    char system[200];
    const char* message = strerror_r(static_cast<int>(error), system, sizeof system);
    std::snprintf(text, sizeof text, "qzEngine Windows exception in %s (%s failed with error %lu):\n%s", where, call,
                  error, message);
    return text;
}

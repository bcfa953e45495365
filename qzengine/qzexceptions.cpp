#include "qzexceptions.h"

#include "qzsystemerror.h"

#include <cstdio>

const char* qzD3DException::what() const noexcept {
    std::snprintf(text, sizeof text, "qzEngine Direct3D exception in %s (%s failed)", where, call);
    return text;
}

qzWindowsException::qzWindowsException(const char* where, const char* call)
    : where(where), call(call), error(qzGetLastSystemError()) {}

const char* qzWindowsException::what() const noexcept {
    char system[200];
    qzGetSystemErrorText(error, system, sizeof system);
    std::snprintf(text, sizeof text, "qzEngine Windows exception in %s (%s failed with error %lu):\n%s",
                  where, call, error, system);
    return text;
}

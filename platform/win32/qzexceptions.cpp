// The system's error codes on Windows: GetLastError and FormatMessageA.
#include "qzsystemerror.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>

#include <cstdio>

unsigned long qzGetLastSystemError() {
    return GetLastError();
}

void qzGetSystemErrorText(unsigned long error, char* buffer, size_t size) {
    char* message = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&message), 0, nullptr);
    if (length == 0 || message == nullptr)
        std::snprintf(buffer, size, "Unknown error %lu", error);
    else
        std::snprintf(buffer, size, "%s", message);
    LocalFree(message);
}

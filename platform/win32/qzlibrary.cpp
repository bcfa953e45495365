// qzLibrary on Windows: LoadLibraryA, GetProcAddress and FreeLibrary, with the name and the system's text as
// the reason of a failure.
#include "qzlibrary.h"

#include "qzsystemerror.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>

namespace {

std::string LastError(const char* name) {
    char text[200];
    qzGetSystemErrorText(GetLastError(), text, sizeof text);
    std::string reason = std::string(name) + ": " + text;
    // the system's texts end with a line break
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
        reason.pop_back();
    return reason;
}

} // namespace

bool qzLibrary::Load(const char* name) {
    Free();
    HMODULE module = LoadLibraryA(name);
    if (module == nullptr) {
        error = LastError(name);
        return false;
    }
    handle = module;
    error.clear();
    return true;
}

void* qzLibrary::GetSymbol(const char* name) {
    if (handle == nullptr) {
        error = "no library is loaded";
        return nullptr;
    }
    FARPROC address = GetProcAddress(static_cast<HMODULE>(handle), name);
    if (address == nullptr) {
        error = LastError(name);
        return nullptr;
    }
    return reinterpret_cast<void*>(address);
}

void qzLibrary::Free() {
    if (handle != nullptr)
        FreeLibrary(static_cast<HMODULE>(handle));
    handle = nullptr;
}

// qzLibrary on POSIX: dlopen, dlsym and dlclose.
#include "qzlibrary.h"

#include <dlfcn.h>

namespace {

std::string LastError(const char* fallback) {
    const char* text = ::dlerror();
    return text != nullptr ? text : fallback;
}

} // namespace

bool qzLibrary::Load(const char* name) {
    Free();
    // A library of its own: its symbols do not stand in for the program's or another library's.
    handle = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = LastError("cannot be loaded");
        return false;
    }
    error.clear();
    return true;
}

void* qzLibrary::GetSymbol(const char* name) {
    if (handle == nullptr) {
        error = "no library is loaded";
        return nullptr;
    }
    // Cleared first, so that the text afterwards is this lookup's.
    ::dlerror();
    void* address = ::dlsym(handle, name);
    if (address == nullptr) {
        error = LastError("symbol not found");
        return nullptr;
    }
    return address;
}

void qzLibrary::Free() {
    if (handle != nullptr)
        ::dlclose(handle);
    handle = nullptr;
}

// The runtime's own throw on POSIX: the next __cxa_throw after the program's, in the shared C++ runtime.
#include "pw2_unhandledexception.h"

#include <dlfcn.h>
#include <exception>

namespace {

using ThrowFunction = void (*)(void*, std::type_info*, void (*)(void*));

} // namespace

void pw2_RuntimeThrow(void* object, std::type_info* type, void (*destructor)(void*)) {
    static const ThrowFunction next = reinterpret_cast<ThrowFunction>(dlsym(RTLD_NEXT, "__cxa_throw"));
    if (next == nullptr)
        std::terminate();
    next(object, type, destructor);
    __builtin_unreachable();
}

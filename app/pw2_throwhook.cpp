// The throw hook: every throw passes here first, so that the stack it is thrown from is kept for the crash
// report, then goes on to the runtime's own throw. Linked only into the programs that report their crashes.
#include "pw2_unhandledexception.h"

#include <dlfcn.h>
#include <exception>
#include <typeinfo>

namespace {

using ThrowFunction = void (*)(void*, std::type_info*, void (*)(void*));

} // namespace

extern "C" [[noreturn]] void __cxa_throw(void* object, std::type_info* type, void (*destructor)(void*)) {
    static const ThrowFunction next = reinterpret_cast<ThrowFunction>(dlsym(RTLD_NEXT, "__cxa_throw"));
    pw2_CaptureThrowCallStack();
    if (next == nullptr)
        std::terminate();
    next(object, type, destructor);
    __builtin_unreachable();
}

// The runtime's own throw on Windows: the statically linked runtime's __cxa_throw, which the linker's
// wrapping (-Wl,--wrap=__cxa_throw) names __real___cxa_throw.
#include "pw2_unhandledexception.h"

extern "C" [[noreturn]] void __real___cxa_throw(void* object, std::type_info* type,
                                                void (*destructor)(void*));

void pw2_RuntimeThrow(void* object, std::type_info* type, void (*destructor)(void*)) {
    __real___cxa_throw(object, type, destructor);
}

// The throw hook: every throw passes here first, so that the stack it is thrown from is kept for the crash
// report, then goes on to the runtime's own throw. Linked only into the programs that report their crashes.
#include "pw2_unhandledexception.h"

// Where the C++ runtime is a shared library, the program's own __cxa_throw comes before the runtime's; where
// it is linked in statically (Windows), the linker sends every call of it here instead
// (-Wl,--wrap=__cxa_throw), and the runtime's own is __real___cxa_throw.
#ifdef _WIN32
#define PW2_THROWHOOK __wrap___cxa_throw
#else
#define PW2_THROWHOOK __cxa_throw
#endif

extern "C" [[noreturn]] void PW2_THROWHOOK(void* object, std::type_info* type, void (*destructor)(void*)) {
    pw2_CaptureThrowCallStack();
    pw2_RuntimeThrow(object, type, destructor);
}

// crash_probe MODE: fails three calls deep through the real crash handlers. "throw" throws a standard
// exception, "text" throws a text, "assert" fails an assertion, "null" writes through a null pointer,
// "overflow" recurses until the stack runs out.
#include "pw2_unhandledexception.h"
#include "qzassert.h"
#ifdef _WIN32
#include "qzwin32platform.h"
#else
#include "qzqtplatform.h"
#endif

#include <cstring>
#include <stdexcept>

namespace {

const char* mode = "";
// Read at run time, so the compiler cannot see the null pointer and drop the write.
int* volatile nowhere = nullptr;
// Read on every call, so the recursion has no end the compiler can see.
volatile bool recursing = true;

// Each frame holds a large array, which the volatile writes keep. The recursion calls nothing else, so
// the fault comes in its own code, not in a library function (a sanitizer's interceptor, say).
__attribute__((noinline)) int Overflow(int depth) {
    volatile char frame[1024];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    if (recursing)
        return Overflow(depth + 1) + frame[0];
    return frame[0];
}

// The sanitizers' own check would report the null write before it faults.
__attribute__((noinline, no_sanitize("undefined"))) void ProbeInner(int depth) {
    if (std::strcmp(mode, "throw") == 0)
        throw std::runtime_error("probe failure");
    if (std::strcmp(mode, "text") == 0)
        throw "Failed to load fonts.";
    QZASSERT(std::strcmp(mode, "assert") != 0, "depth<0");
    if (std::strcmp(mode, "overflow") == 0)
        depth = Overflow(depth);
    *nowhere = depth;
    asm volatile("" ::: "memory"); // keeps the calls above from becoming jumps
}

__attribute__((noinline)) void ProbeMiddle(int depth) {
    ProbeInner(depth + 1);
    asm volatile("" ::: "memory");
}

__attribute__((noinline)) int ProbeOuter() {
    ProbeMiddle(1);
    asm volatile("" ::: "memory");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    pw2_InstallCrashHandlers();
#ifdef _WIN32
    qzWin32Platform platform;
#else
    qzQtPlatform platform(argc, argv);
#endif
    mode = argc > 1 ? argv[1] : "";
    return pw2_RunGuarded(ProbeOuter);
}

// The capture of a call stack on Windows x64: the unwind tables of the image (.pdata and .xdata) lead from
// each frame to its caller. The frame pointer does not: the x64 convention lets a function point it anywhere
// into its frame (GCC sets it past the locals, lea rbp,[rsp+N]), so that it holds no chain to follow. The
// load address is the module handle of the process's own image.
#include "pw2_exceptioncallstack.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>

namespace {

// From the state of one frame, the return addresses of the frames above it, leaving out the innermost skip.
// The stack pointer rises with every frame; one that leaves the thread's stack, or does not rise, ends the
// walk instead of being followed.
void Walk(pw2_ExceptionCallStack& stack, CONTEXT context, uint32_t skip) {
    ULONG_PTR low = 0, high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    while (stack.count < pw2_ExceptionCallStack::MAXADDRESSES) {
        const DWORD64 below = context.Rsp;
        if (below < low || below + 8 > high)
            break;
        DWORD64 imagebase = 0;
        PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imagebase, nullptr);
        if (function != nullptr) {
            void* handlerdata = nullptr;
            DWORD64 establisher = 0;
            RtlVirtualUnwind(UNW_FLAG_NHANDLER, imagebase, context.Rip, function, &context, &handlerdata,
                             &establisher, nullptr);
        } else {
            // A function without unwind data (a leaf, or a call through a bad pointer) has its return address
            // at the top of the stack.
            context.Rip = *reinterpret_cast<const DWORD64*>(below);
            context.Rsp = below + 8;
        }
        if (context.Rip == 0 || context.Rsp <= below)
            break;
        if (skip > 0)
            --skip;
        else
            stack.addresses[stack.count++] = static_cast<uintptr_t>(context.Rip);
    }
}

} // namespace

__attribute__((noinline)) void pw2_ExceptionCallStack::Capture(uint32_t skip) {
    count = 0;
    firstisinstruction = false;
    CONTEXT context;
    RtlCaptureContext(&context);
    Walk(*this, context, skip);
}

void pw2_ExceptionCallStack::PrepareThread() {
    // The unwind tables are read in place: nothing to load beforehand.
}

void pw2_ExceptionCallStack::CaptureFrom(const void* machinecontext) {
    const CONTEXT& context = *static_cast<const CONTEXT*>(machinecontext);
    count = 0;
    firstisinstruction = true;
    addresses[count++] = static_cast<uintptr_t>(context.Rip);
    Walk(*this, context, 0);
}

uintptr_t pw2_GetLoadAddress() {
    return reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr));
}

// The capture of a call stack on Linux x86-64: the chain of frame pointers (the build keeps them), from the
// capturing function or from a fatal signal's context, bounded by the thread's stack; and the load address
// of the executable.
#include "pw2_exceptioncallstack.h"

#include <dlfcn.h>
#include <execinfo.h>
#include <pthread.h>
#include <ucontext.h>

namespace {

struct StackRange {
    uintptr_t low = 0;
    uintptr_t high = 0;
    bool known = false;
};

// Read once per thread: the query allocates and reads files, which a signal handler must not do.
thread_local StackRange stackrange;

// The bounds of this thread's stack: a frame pointer outside them (code built without frame pointers leaves
// anything in that register) ends the walk instead of being followed.
bool StackBounds(uintptr_t* low, uintptr_t* high) {
    if (!stackrange.known) {
        pthread_attr_t attributes;
        if (pthread_getattr_np(pthread_self(), &attributes) != 0)
            return false;
        void* base = nullptr;
        size_t size = 0;
        bool ok = pthread_attr_getstack(&attributes, &base, &size) == 0;
        pthread_attr_destroy(&attributes);
        if (!ok)
            return false;
        stackrange.low = reinterpret_cast<uintptr_t>(base);
        stackrange.high = stackrange.low + size;
        stackrange.known = true;
    }
    *low = stackrange.low;
    *high = stackrange.high;
    return true;
}

void Walk(pw2_ExceptionCallStack& stack, uintptr_t frame, uint32_t skip) {
    uintptr_t low, high;
    if (!StackBounds(&low, &high))
        return;
    // Each frame holds the caller's frame pointer, then the return address; frames lie ever higher on the
    // stack.
    while (stack.count < pw2_ExceptionCallStack::MAXADDRESSES && frame >= low && frame + 16 <= high &&
           frame % 8 == 0) {
        const uintptr_t* words = reinterpret_cast<const uintptr_t*>(frame);
        if (words[1] == 0)
            break;
        if (skip > 0)
            --skip;
        else
            stack.addresses[stack.count++] = words[1];
        if (words[0] <= frame)
            break;
        frame = words[0];
    }
}

// When the chain broke at once (the signal came inside a library built without frame pointers), the unwind
// tables lead from the handler past the signal's instruction instead. Keeps what the stack holds when that
// instruction is not found.
void CaptureUnwound(pw2_ExceptionCallStack& stack, uintptr_t instruction) {
    void* frames[pw2_ExceptionCallStack::MAXADDRESSES + 32];
    int n = backtrace(frames, pw2_ExceptionCallStack::MAXADDRESSES + 32);
    int at = 0;
    while (at < n && reinterpret_cast<uintptr_t>(frames[at]) != instruction)
        ++at;
    if (at == n)
        return;
    stack.count = 0;
    stack.firstisinstruction = true;
    for (int i = at; i < n && stack.count < pw2_ExceptionCallStack::MAXADDRESSES; ++i)
        stack.addresses[stack.count++] = reinterpret_cast<uintptr_t>(frames[i]);
}

} // namespace

__attribute__((noinline)) void pw2_ExceptionCallStack::Capture(uint32_t skip) {
    count = 0;
    firstisinstruction = false;
    Walk(*this, reinterpret_cast<uintptr_t>(__builtin_frame_address(0)), skip);
}

void pw2_ExceptionCallStack::PrepareThread() {
    uintptr_t low, high;
    StackBounds(&low, &high);
    // The first unwind loads the unwinder's library; a signal handler must not be the one to do it.
    void* frame[1];
    backtrace(frame, 1);
}

void pw2_ExceptionCallStack::CaptureFrom(const void* machinecontext) {
    const mcontext_t& machine = static_cast<const ucontext_t*>(machinecontext)->uc_mcontext;
    const uintptr_t instruction = static_cast<uintptr_t>(machine.gregs[REG_RIP]);
    count = 0;
    firstisinstruction = true;
    addresses[count++] = instruction;
    Walk(*this, static_cast<uintptr_t>(machine.gregs[REG_RBP]), 0);
    if (count <= 2)
        CaptureUnwound(*this, instruction);
}

uintptr_t pw2_GetLoadAddress() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&pw2_GetLoadAddress), &info) == 0)
        return 0;
    return reinterpret_cast<uintptr_t>(info.dli_fbase);
}

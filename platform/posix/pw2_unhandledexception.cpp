// The fatal signals on POSIX: each one's report, made on an alternate stack from the signal's context, under
// a watchdog; then the process ends by the signal itself.
#include "pw2_unhandledexception.h"

#include "qzwindowproc.h"

#include <csignal>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

namespace {

// Room for the handler and the window it shows, which runs the whole window system on this stack.
constexpr size_t SIGNALSTACKSIZE = 8u << 20;

constexpr unsigned REPORTSECONDS = 10;

constexpr int FATALSIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS};

const char* SignalText(int signal) {
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV (segmentation fault)";
    case SIGBUS:
        return "SIGBUS (bus error)";
    case SIGFPE:
        return "SIGFPE (arithmetic error)";
    case SIGILL:
        return "SIGILL (illegal instruction)";
    case SIGABRT:
        return "SIGABRT (aborted)";
    case SIGTRAP:
        return "SIGTRAP (breakpoint trap)";
    default:
        return "SIGSYS (bad system call)";
    }
}

// Ends the process by the signal itself, as it would have ended without the handler.
[[noreturn]] void EndBySignal(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal);
    _exit(128 + signal);
}

void OnFatalSignal(int signal, siginfo_t* info, void* context) {
    if (pw2_IsReporting())
        EndBySignal(signal);
    pw2_ExceptionCallStack stack;
    stack.CaptureFrom(context);
    qzString text(SignalText(signal));
    // The faulting address, when the fault is the processor's (a signal sent by a process has none).
    if (info->si_code > 0 &&
        (signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE || signal == SIGILL)) {
        uint64_t address = reinterpret_cast<uintptr_t>(info->si_addr);
        text.Append(" at address ");
        text.AppendHex32(static_cast<uint32_t>(address >> 32), true);
        text.AppendHex32(static_cast<uint32_t>(address), true);
    }
    // The program's own windows are left as they are: their state is not to be trusted any more.
    qzForgetWindowHandles();
    // The interrupted code may hold a lock that the report needs (the allocator's, the window system's): if
    // the window does not answer in time, the alarm ends the process, with the report already in the log.
    alarm(REPORTSECONDS);
    pw2_UnhandledException("fatal signal handler", text.GetData(), stack);
    EndBySignal(signal);
}

} // namespace

void pw2_InstallCrashHandlers() {
    pw2_ExceptionCallStack::PrepareThread();
    void* memory = mmap(nullptr, SIGNALSTACKSIZE, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (memory != MAP_FAILED) {
        stack_t alternate{};
        alternate.ss_sp = memory;
        alternate.ss_size = SIGNALSTACKSIZE;
        sigaltstack(&alternate, nullptr);
    }
    struct sigaction action {};
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : FATALSIGNALS)
        sigaction(signal, &action, nullptr);
}

bool pw2_IsWindowThread() {
    return gettid() == getpid();
}

void pw2_StopReportWatchdog() {
    alarm(0);
}

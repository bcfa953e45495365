#include "pw2_unhandledexception.h"

#include "qzcontrols.h"
#include "qzdebugoutput.h"
#include "qzmain.h"
#include "qzmessagequeue.h"
#include "qztime.h"
#include "qzwindow.h"
#include "qzwindowproc.h"

#include <csignal>
#include <exception>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

namespace {

thread_local pw2_ExceptionCallStack throwstack;

// Set while a report is being made: a failure inside it ends the program at once.
volatile sig_atomic_t reporting = 0;

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
    if (reporting)
        EndBySignal(signal);
    const mcontext_t& machine = static_cast<const ucontext_t*>(context)->uc_mcontext;
    pw2_ExceptionCallStack stack;
    stack.CaptureFrom(static_cast<uintptr_t>(machine.gregs[REG_RIP]),
                      static_cast<uintptr_t>(machine.gregs[REG_RBP]));
    if (stack.count <= 2)
        stack.CaptureUnwound(static_cast<uintptr_t>(machine.gregs[REG_RIP]));
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

// Ends the crash window's loop.
struct CrashWindowState {
    bool closed = false;
    void Close() { closed = true; }
};

} // namespace

int pw2_RunGuarded(int (*body)()) {
    // The stack is copied first: the report reads files, which may throw and catch on their own.
    try {
        return body();
    } catch (const char* text) {
        pw2_ExceptionCallStack stack = pw2_GetThrowCallStack();
        pw2_UnhandledException("main", text, stack);
    } catch (const std::exception& failure) {
        pw2_ExceptionCallStack stack = pw2_GetThrowCallStack();
        pw2_UnhandledException("main", failure.what(), stack);
    } catch (...) {
        pw2_ExceptionCallStack stack = pw2_GetThrowCallStack();
        pw2_UnhandledException("main", "Unknown exception", stack);
    }
    return 1;
}

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

pw2_ExceptionCallStack pw2_GetThrowCallStack() {
    return throwstack;
}

__attribute__((noinline)) void pw2_CaptureThrowCallStack() {
    // Without this function's own frame: the stack starts in the throw hook.
    throwstack.Capture(1);
    asm volatile("" ::: "memory"); // keeps the call from becoming a jump, so the frame left out exists
}

void pw2_UnhandledException(const char* location, const char* exception,
                            const pw2_ExceptionCallStack& stack) {
    reporting = 1;
    qzOutputDebugString("[pw2_UnhandledException] Unhandled exception caught.\n");
    qzString callstack;
    pw2_FormatCallStack(callstack, stack, pw2_LoadSymbolFile(), pw2_GetLoadAddress());
    qzString report = pw2_ReportText(location, exception, callstack);
    const char* line = "----------------------------------------\n";
    qzOutputDebugString(line);
    qzOutputDebugString(report);
    qzOutputDebugString(line);
    // Without a window system (a failure before it was set up), or off the thread that runs it, the log holds
    // the whole report.
    if (qzHasPlatform() && gettid() == getpid()) {
        try {
            qzMain root(0);
            pw2_ShowCrashWindow(&root, report);
        } catch (const std::exception& failure) {
            qzString text("[pw2_UnhandledException] The report cannot be shown: ");
            text.Append(failure.what());
            text.Append('\n');
            qzOutputDebugString(text);
        }
    }
    reporting = 0;
}

void pw2_ShowCrashWindow(qzMain* main, const qzString& report) {
    CrashWindowState state;
    qzWindow window;
    window.Create(main, "Facetwright v6", 7, QZDEFAULTPOS, QZDEFAULTPOS, 500, 400, 500, 400, nullptr);
    window.SetOnClose(qzCallback<>::Bind<&CrashWindowState::Close>(&state));
    qzStatic message;
    message.Create(&window,
                   "An unhandled exception occurred while running Facetwright. The program will be closed.",
                   10, 10, 480, 20);
    qzEdit box;
    box.Create(&window, pw2_WithCarriageReturns(report).GetData(), 10, 40, 480, 320, true);
    qzButton close;
    close.Create(&window, "Close", 220, 370, 60, 20);
    close.SetOnClick(qzCallback<>::Bind<&CrashWindowState::Close>(&state));
    window.Show(false);
    PumpMessages();
    // The window answers, so the watchdog of a signal's report is no longer needed.
    alarm(0);
    // Only the window ends the loop: a quit message the program left behind is passed over.
    while (!state.closed) {
        Sleep(1);
        PumpMessages();
    }
    window.Destroy();
}

qzString pw2_WithCarriageReturns(const qzString& text) {
    qzString result;
    for (uint32_t i = 0; i < text.GetLength(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            result.Append('\r');
        result.Append(text[i]);
    }
    return result;
}

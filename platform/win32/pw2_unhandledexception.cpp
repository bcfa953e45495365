// The fatal faults on Windows: a structured exception that no frame handles reaches the unhandled-exception
// filter, which reports it from its CONTEXT record under a watchdog and ends the process with the exception's
// code; std::abort (and with it std::terminate) is reported from its signal. A stack overflow leaves too
// little stack for the report, which then runs on a thread of its own while the faulting one waits.
#include "pw2_unhandledexception.h"

#include "qzwindowproc.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>

#include <csignal>
#include <cstdlib>

namespace {

constexpr DWORD REPORTSECONDS = 10;
// What the filter itself needs after a stack overflow: the capture and the start of the report's thread.
constexpr ULONG OVERFLOWRESERVE = 64u << 10;
// The report's thread runs the whole window system.
constexpr SIZE_T REPORTSTACKSIZE = 8u << 20;

// The thread that runs the window system: the process's first, which starts the program.
const DWORD windowthread = GetCurrentThreadId();
// Set on a thread that reports for the window thread while that one waits.
thread_local bool standsinforwindowthread = false;

HANDLE watchdogstop = nullptr;

const char* ExceptionText(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
        return "EXCEPTION_ACCESS_VIOLATION (access violation)";
    case EXCEPTION_IN_PAGE_ERROR:
        return "EXCEPTION_IN_PAGE_ERROR (page not readable)";
    case EXCEPTION_STACK_OVERFLOW:
        return "EXCEPTION_STACK_OVERFLOW (stack overflow)";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
        return "EXCEPTION_ILLEGAL_INSTRUCTION (illegal instruction)";
    case EXCEPTION_PRIV_INSTRUCTION:
        return "EXCEPTION_PRIV_INSTRUCTION (privileged instruction)";
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
        return "EXCEPTION_INT_DIVIDE_BY_ZERO (integer division by zero)";
    case EXCEPTION_INT_OVERFLOW:
        return "EXCEPTION_INT_OVERFLOW (integer overflow)";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_STACK_CHECK:
        return "EXCEPTION_FLT (floating-point error)";
    case EXCEPTION_DATATYPE_MISALIGNMENT:
        return "EXCEPTION_DATATYPE_MISALIGNMENT (misaligned data)";
    case EXCEPTION_BREAKPOINT:
        return "EXCEPTION_BREAKPOINT (breakpoint trap)";
    case EXCEPTION_NONCONTINUABLE_EXCEPTION:
        return "EXCEPTION_NONCONTINUABLE_EXCEPTION (continued after a fatal exception)";
    default:
        return nullptr;
    }
}

void AppendAddress(qzString& text, uint64_t address) {
    text.AppendHex32(static_cast<uint32_t>(address >> 32), true);
    text.AppendHex32(static_cast<uint32_t>(address), true);
}

// Ends a report that hangs (on a lock the faulting code holds, in the allocator or the window system) once
// its time is up, with the report already in the log.
DWORD WINAPI Watchdog(void* code) {
    if (WaitForSingleObject(watchdogstop, REPORTSECONDS * 1000) == WAIT_TIMEOUT)
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(reinterpret_cast<uintptr_t>(code)));
    return 0;
}

void StartWatchdog(DWORD code) {
    watchdogstop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (watchdogstop == nullptr)
        return;
    HANDLE thread =
        CreateThread(nullptr, 0, Watchdog, reinterpret_cast<void*>(static_cast<uintptr_t>(code)), 0, nullptr);
    if (thread != nullptr)
        CloseHandle(thread);
}

struct Report {
    const char* location;
    const char* exception;
    const pw2_ExceptionCallStack* stack;
    bool forwindowthread;
};

DWORD WINAPI ReportThread(void* parameter) {
    const Report& report = *static_cast<const Report*>(parameter);
    standsinforwindowthread = report.forwindowthread;
    pw2_UnhandledException(report.location, report.exception, *report.stack);
    return 0;
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    if (pw2_IsReporting())
        return EXCEPTION_EXECUTE_HANDLER;
    pw2_ExceptionCallStack stack;
    stack.CaptureFrom(pointers->ContextRecord);
    qzString text;
    if (const char* name = ExceptionText(record.ExceptionCode)) {
        text.Append(name);
    } else {
        text.Append("Exception code 0x");
        text.AppendHex32(record.ExceptionCode, true);
    }
    // The access of a memory fault: 0 read, 1 write, 8 execute, and its address.
    if ((record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION ||
         record.ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
        record.NumberParameters >= 2) {
        const ULONG_PTR access = record.ExceptionInformation[0];
        text.Append(access == 1 ? " writing" : access == 8 ? " executing" : " reading");
        text.Append(" address ");
        AppendAddress(text, record.ExceptionInformation[1]);
    }
    // The program's own windows are left as they are: their state is not to be trusted any more.
    qzForgetWindowHandles();
    StartWatchdog(record.ExceptionCode);
    const char* location = "unhandled exception filter";
    if (record.ExceptionCode == EXCEPTION_STACK_OVERFLOW) {
        Report report{location, text.GetData(), &stack, GetCurrentThreadId() == windowthread};
        HANDLE thread = CreateThread(nullptr, REPORTSTACKSIZE, ReportThread, &report,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (thread != nullptr) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
    } else {
        pw2_UnhandledException(location, text.GetData(), stack);
    }
    // The process ends with the exception's code as its status.
    return EXCEPTION_EXECUTE_HANDLER;
}

void OnAbort(int) {
    if (!pw2_IsReporting()) {
        pw2_ExceptionCallStack stack;
        stack.Capture();
        qzForgetWindowHandles();
        StartWatchdog(3);
        pw2_UnhandledException("abort signal handler", "SIGABRT (aborted)", stack);
    }
    // The status of std::abort.
    _exit(3);
}

} // namespace

void pw2_InstallCrashHandlers() {
    pw2_ExceptionCallStack::PrepareThread();
    ULONG reserve = OVERFLOWRESERVE;
    SetThreadStackGuarantee(&reserve);
    SetUnhandledExceptionFilter(OnUnhandledException);
    std::signal(SIGABRT, OnAbort);
}

bool pw2_IsWindowThread() {
    return GetCurrentThreadId() == windowthread || standsinforwindowthread;
}

void pw2_StopReportWatchdog() {
    if (watchdogstop != nullptr)
        SetEvent(watchdogstop);
}

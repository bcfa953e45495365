// The crash report: an exception or thrown text that reaches the top of the program, or a fatal fault,
// ends in a report of the place, the failure and the named call stack, written to the debug output and
// shown in a window of its own; then the program ends with a failure status.
// The handlers of faults are the operating system's part (platform/<os>/pw2_unhandledexception.cpp): fatal
// signals on POSIX, the unhandled-exception filter on Windows.
#pragma once

#include "pw2_exceptioncallstack.h"
#include "qzstring.h"

#include <typeinfo>

class qzMain;

// Runs the program's body. An exception or thrown text that leaves it is reported with the stack of its
// throw, and the answer is then 1; otherwise the body's answer.
int pw2_RunGuarded(int (*body)());

// Puts the handlers of fatal faults in place, with room of their own so that a stack overflow is reported
// too, and readies the thread for a capture in them.
void pw2_InstallCrashHandlers();

// The stack of the thread's latest throw, captured where it was thrown.
pw2_ExceptionCallStack pw2_GetThrowCallStack();
// Captures the stack of the throw in progress, from the frame of the function that calls this one; the throw
// hook calls it before it throws.
void pw2_CaptureThrowCallStack();
// The runtime's own throw, which the throw hook goes on to.
[[noreturn]] void pw2_RuntimeThrow(void* object, std::type_info* type, void (*destructor)(void*));

// The handler: the log lines, then the window until it is closed.
void pw2_UnhandledException(const char* location, const char* exception, const pw2_ExceptionCallStack& stack);
// Whether a report is being made: a fault inside it ends the program at once.
bool pw2_IsReporting();
// The window of the report, with its own message loop; returns once "Close" is pressed or the window is
// closed.
void pw2_ShowCrashWindow(qzMain* main, const qzString& report);
// Each line feed not preceded by a carriage return becomes CR LF.
qzString pw2_WithCarriageReturns(const qzString& text);

// Whether the calling thread may show the window: the one that runs the window system.
bool pw2_IsWindowThread();
// Once the window answers, the fault handler's watchdog, which ends a report that hangs, is stopped.
void pw2_StopReportWatchdog();

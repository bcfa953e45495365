#include "pw2_unhandledexception.h"

#include "qzcontrols.h"
#include "qzdebugoutput.h"
#include "qzmain.h"
#include "qzmessagequeue.h"
#include "qztime.h"
#include "qzwindow.h"

#include <csignal>
#include <exception>

namespace {

thread_local pw2_ExceptionCallStack throwstack;

// Set while a report is being made: a failure inside it ends the program at once.
volatile std::sig_atomic_t reporting = 0;

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

pw2_ExceptionCallStack pw2_GetThrowCallStack() {
    return throwstack;
}

__attribute__((noinline)) void pw2_CaptureThrowCallStack() {
    // Without this function's own frame: the stack starts in the throw hook.
    throwstack.Capture(1);
    asm volatile("" ::: "memory"); // keeps the call from becoming a jump, so the frame left out exists
}

bool pw2_IsReporting() {
    return reporting != 0;
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
    if (qzHasPlatform() && pw2_IsWindowThread()) {
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
    pw2_StopReportWatchdog();
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

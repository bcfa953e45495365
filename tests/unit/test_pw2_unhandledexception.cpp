#include "pw2_unhandledexception.h"
#include "qzfakeplatform.h"
#include "qzfile.h"
#include "qzfilesystem.h"
#include "qzmain.h"
#include "qzmessagequeue.h"
#include "qztime.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using Calls = std::vector<std::string>;

// The crash window's loop runs inside the code under test: the fake presses "Close" on its third pass, or
// sends the close message, or gives up after many passes so that a loop that never ends fails the test.
struct CrashWindowTest : ::testing::Test {
    qzFakePlatform platform;
    int passes = 0;
    bool useclosebox = false;

    void SetUp() override {
        platform.onprocessevents = [this] {
            if (++passes != 3)
                return;
            qzWindowHandle button = platform.FindControl("Close");
            ASSERT_NE(button, 0u);
            if (useclosebox)
                platform.Deliver(qzFakeMessage(1, WM_CLOSE));
            else
                platform.ClickControl(button);
        };
    }
};

__attribute__((noinline)) void ThrowFromHere(int depth) {
    if (depth == 0)
        throw std::runtime_error("deep failure");
    ThrowFromHere(depth - 1);
    asm volatile("" ::: "memory"); // keeps the recursion from becoming a loop
}

__attribute__((noinline)) int ReadPastTheEnd() {
    std::vector<int> none;
    return none.at(1);
}

int ThrowDeep() {
    ThrowFromHere(3);
    return 0;
}
int ThrowText() {
    throw "Failed to load fonts.";
}
int ThrowNumber() {
    throw 42;
}
int Succeed() {
    return 7;
}

// The throw hook, as the symbols name it: the runtime's own name where the runtime is a shared library, the
// linker's wrapper where it is linked in statically.
#ifdef _WIN32
const char* const THROWHOOK = " __wrap___cxa_throw + ";
#else
const char* const THROWHOOK = " __cxa_throw + ";
#endif

// The symbols of this executable, as the build makes them for the program.
std::vector<pw2_Symbol> OwnSymbols() {
    qzString executable;
    qzFile self;
    self.Open(qzGetExecutablePath().GetData(), true, false, true, false, OPEN_EXISTING);
    self.ReadAll(executable);
    std::vector<uint8_t> file = pw2_MakeSymbolFile(executable.GetData(), executable.GetLength(), false);
    return pw2_LoadSymbols(file.data(), file.size());
}

std::string NamedStack(const pw2_ExceptionCallStack& stack) {
    qzString text;
    pw2_FormatCallStack(text, stack, OwnSymbols(), pw2_GetLoadAddress());
    return std::string(text.GetData(), text.GetLength());
}

// The addresses of the call stack in a report of the log.
pw2_ExceptionCallStack ReportedStack(const std::string& log) {
    pw2_ExceptionCallStack stack;
    size_t at = log.find("\nCall stack:\n");
    if (at == std::string::npos)
        return stack;
    at += 13;
    while (stack.count < pw2_ExceptionCallStack::MAXADDRESSES && log.size() >= at + 17 &&
           log[at + 16] != '-') {
        stack.addresses[stack.count++] = static_cast<uintptr_t>(std::stoull(log.substr(at, 16), nullptr, 16));
        at = log.find('\n', at);
        if (at == std::string::npos)
            break;
        ++at;
    }
    return stack;
}

} // namespace

TEST(CrashReport, EveryLineFeedGetsItsCarriageReturnOnce) {
    EXPECT_EQ(pw2_WithCarriageReturns(qzString("\nLocation:\nmain\r\n\nend")),
              qzString("\r\nLocation:\r\nmain\r\n\r\nend"));
    EXPECT_EQ(pw2_WithCarriageReturns(qzString("lone\rreturn\n")), qzString("lone\rreturn\r\n"));
    EXPECT_EQ(pw2_WithCarriageReturns(qzString("")), qzString(""));
}

TEST_F(CrashWindowTest, TheWindowHoldsTheReportUntilCloseIsPressed) {
    qzMain root(0);
    pw2_ShowCrashWindow(&root,
                        qzString("Location:\nmain\n\nException:\nboom\n\nCall stack:\n0000000000000010\n"));
    EXPECT_EQ(passes, 3);
    // Type 7 centred on the 1280 x 1024 screen, then grown by the frame of a captioned window.
    EXPECT_EQ(platform.CallsStartingWith("CreateWindow"),
              Calls{"CreateWindow Facetwright v6 80c80000 1 386 292 508 424 parent 0"});
    EXPECT_EQ(platform.CallsStartingWith("SetMinimumClientSize"), Calls{"SetMinimumClientSize 1 500 400"});
    EXPECT_EQ(platform.CallsStartingWith("CreateControl"),
              (Calls{"CreateControl 1 4 10 10 480 20 font 202 An unhandled exception occurred while running "
                     "Facetwright. "
                     "The program will be closed.",
                     "CreateControl 1 3 10 40 480 320 font 202 "
                     "Location:\r\nmain\r\n\r\nException:\r\nboom\r\n\r\nCall "
                     "stack:\r\n0000000000000010\r\n",
                     "CreateControl 1 1 220 370 60 20 font 202 Close"}));
    EXPECT_EQ(platform.CallsStartingWith("ShowWindow"), Calls{"ShowWindow 1 1"});
    // Shown before the loop, destroyed with its controls after it.
    EXPECT_EQ(platform.CallsStartingWith("Destroy"),
              (Calls{"DestroyControl 4", "DestroyControl 3", "DestroyControl 2", "DestroyWindow 1"}));
    EXPECT_EQ(root.windows.count, 0);
}

TEST_F(CrashWindowTest, TheCloseBoxEndsTheLoopButAQuitMessageDoesNot) {
    useclosebox = true;
    qzMain root(0);
    // A quit message that the program left behind does not close the report.
    PostQuitMessage(0);
    pw2_ShowCrashWindow(&root, qzString("report"));
    EXPECT_EQ(passes, 3);
    EXPECT_EQ(platform.CallsStartingWith("DestroyWindow"), Calls{"DestroyWindow 1"});
}

TEST_F(CrashWindowTest, TheHandlerFramesTheReportInTheLogAndShowsIt) {
    pw2_ExceptionCallStack stack;
    // Below the load address: no symbol can hold them, whichever symbol file lies beside the tests.
    stack.addresses[stack.count++] = 0x10;
    stack.addresses[stack.count++] = 0xABCDEF;
    testing::internal::CaptureStderr();
    pw2_UnhandledException("main", "Failed to load fonts.", stack);
    std::string log = testing::internal::GetCapturedStderr();
    const std::string frame(40, '-');
    EXPECT_EQ(log, "[pw2_UnhandledException] Unhandled exception caught.\n" + frame +
                       "\nLocation:\nmain\n\nException:\nFailed to load fonts.\n\nCall stack:\n"
                       "0000000000000010\n0000000000ABCDEF\n" +
                       frame + "\n");
    EXPECT_EQ(passes, 3);
    EXPECT_EQ(platform.CallsStartingWith("CreateWindow").size(), 1u);
}

TEST_F(CrashWindowTest, WhatLeavesTheBodyIsReportedWithTheStackOfItsThrow) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(pw2_RunGuarded(ThrowDeep), 1);
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("\nLocation:\nmain\n\nException:\ndeep failure\n\nCall stack:\n"), std::string::npos)
        << log;
    EXPECT_EQ(passes, 3);

    // The reported stack was taken where the exception was thrown, not where the report itself throws (when
    // it finds no symbol file): the four calls of the thrower (an optimised build may name a part or a copy
    // of it), then its caller, then the guard.
    std::string names = NamedStack(ReportedStack(log));
    size_t at = 0;
    for (const char* wanted :
         {THROWHOOK, " (anonymous namespace)::ThrowFromHere(int)",
          " (anonymous namespace)::ThrowFromHere(int)", " (anonymous namespace)::ThrowFromHere(int)",
          " (anonymous namespace)::ThrowFromHere(int)", " (anonymous namespace)::ThrowDeep() + ",
          " pw2_RunGuarded(int (*)()) + "}) {
        at = names.find(wanted, at);
        ASSERT_NE(at, std::string::npos) << wanted << " in\n" << names;
        ++at;
    }
}

TEST(CrashReport, ThrowsInsideTheStandardLibraryPassTheHookToo) {
    EXPECT_THROW(ReadPastTheEnd(), std::out_of_range);
    std::string names = NamedStack(pw2_GetThrowCallStack());
    EXPECT_NE(names.find(THROWHOOK), std::string::npos) << names;
    // Optimised, the call into the library that throws ends the function: its return address lies past it.
    EXPECT_NE(names.find(" (anonymous namespace)::ReadPastTheEnd()"), std::string::npos) << names;
}

TEST_F(CrashWindowTest, ATextOrAnythingElseIsReportedAndOnlySuccessPassesThrough) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(pw2_RunGuarded(ThrowText), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("\nException:\nFailed to load fonts.\n\n"),
              std::string::npos);
    passes = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(pw2_RunGuarded(ThrowNumber), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("\nException:\nUnknown exception\n\n"),
              std::string::npos);
    passes = 0;
    EXPECT_EQ(pw2_RunGuarded(Succeed), 7);
    EXPECT_EQ(passes, 0);
}

#ifndef _WIN32
TEST_F(CrashWindowTest, AFatalSignalEndsInTheReportAndThenInTheSignal) {
    EXPECT_EXIT(
        {
            pw2_InstallCrashHandlers();
            std::abort();
        },
        testing::KilledBySignal(SIGABRT),
        "Unhandled exception caught.\n-{40}\nLocation:\nfatal signal handler\n\n"
        "Exception:\nSIGABRT \\(aborted\\)\n\nCall stack:\n");
    // A fault in the report itself ends the process at once, by that fault.
    EXPECT_EXIT(
        {
            pw2_InstallCrashHandlers();
            platform.onprocessevents = [] { std::raise(SIGFPE); };
            std::raise(SIGILL);
        },
        testing::KilledBySignal(SIGFPE), "SIGILL \\(illegal instruction\\)");
}

TEST_F(CrashWindowTest, AHangingReportEndsByItsWatchdog) {
    // A window system that hangs (on a lock the interrupted code holds) ends by the watchdog, after the log.
    EXPECT_EXIT(
        {
            pw2_InstallCrashHandlers();
            platform.onprocessevents = [] {
                for (;;)
                    pause();
            };
            std::raise(SIGBUS);
        },
        testing::KilledBySignal(SIGALRM), "SIGBUS \\(bus error\\)\n\nCall stack:\n");
}
#else
// Read at run time, so that the compiler cannot drop the write.
int* volatile nowhere = nullptr;

// The exit status of an unhandled structured exception is its code; a shell may keep only its low byte.
bool EndedWithCode(int status, uint32_t code) {
    return static_cast<uint32_t>(status) == code || static_cast<uint32_t>(status) == (code & 0xFF);
}

// The patterns are the simple regular expressions of GoogleTest on Windows: no classes and no counts.
TEST_F(CrashWindowTest, AFaultEndsInTheReportAndThenWithItsCode) {
    EXPECT_EXIT(
        {
            pw2_InstallCrashHandlers();
            *nowhere = 1;
        },
        [](int status) { return EndedWithCode(status, 0xC0000005u); },
        "Unhandled exception caught\\.\n-+\nLocation:\nunhandled exception filter\n\nException:\n"
        "EXCEPTION_ACCESS_VIOLATION \\(access violation\\) writing address 0000000000000000\n\n"
        "Call stack:\n\\w+\n\\w+");
    // A fault in the report itself ends the process at once, with that fault's code.
    EXPECT_EXIT(
        {
            pw2_InstallCrashHandlers();
            platform.onprocessevents = [] { __builtin_trap(); };
            *nowhere = 2;
        },
        [](int status) { return EndedWithCode(status, 0xC000001Du); }, "EXCEPTION_ACCESS_VIOLATION");
    // std::abort, and with it std::terminate, is reported too, and keeps its status.
    EXPECT_EXIT(
        {
            pw2_InstallCrashHandlers();
            std::abort();
        },
        testing::ExitedWithCode(3), "Location:\nabort signal handler\n\nException:\nSIGABRT \\(aborted\\)\n");
}

TEST_F(CrashWindowTest, AHangingReportEndsByItsWatchdog) {
    // A window system that hangs (on a lock the faulting code holds) ends by the watchdog, after the log.
    EXPECT_EXIT(
        {
            pw2_InstallCrashHandlers();
            platform.onprocessevents = [] {
                for (;;)
                    Sleep(1000);
            };
            *nowhere = 3;
        },
        [](int status) { return EndedWithCode(status, 0xC0000005u); },
        "writing address 0000000000000000\n\nCall stack:\n");
}
#endif

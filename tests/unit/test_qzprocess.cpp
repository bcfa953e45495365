#include "failure.h"
#include "qzprocess.h"
#include "tempdirectory.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <string>
#include <sys/wait.h>

namespace {

qzProcessResult Shell(const std::string& script, size_t limit = 1 << 26, qzCallback<bool()> cancelled = {},
                      const std::vector<std::string>& more = {}) {
    std::vector<std::string> arguments{"-c", script, "sh"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return qzProcess::Run("/bin/sh", arguments, limit, cancelled);
}

// True when this process has no child at all: none running and none waiting to be reaped.
bool NoChildLeft() {
    int status;
    return ::waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

// A cancel test that answers true from its n-th question on.
struct CancelAfter {
    int questions;
    int asked = 0;
    bool Ask() { return ++asked >= questions; }
    qzCallback<bool()> Callback() { return qzCallback<bool()>::Bind<&CancelAfter::Ask>(this); }
};

} // namespace

TEST(Process, OutputArrivesByteForByteWhateverItsSize) {
    TempDirectory dir;
    std::mt19937 random(5);
    // Sizes around the pipe's buffer and the read chunk, and far beyond both.
    for (size_t size : {size_t(0), size_t(1), size_t(65535), size_t(65537), size_t(3 << 20) + 17}) {
        std::string bytes(size, 0);
        for (char& c : bytes)
            c = static_cast<char>(random());
        dir.Put("data", bytes);
        qzProcessResult result = Shell("cat \"$1\"", 1 << 26, {}, {dir / "data"});
        EXPECT_EQ(result.end, qzProcessEnd::Exited);
        EXPECT_EQ(result.exitcode, 0);
        EXPECT_TRUE(result.output == bytes) << "size " << size;
    }
    // Arguments pass as they are, without a shell between; the standard input reads nothing.
    EXPECT_EQ(Shell("printf '%s|' \"$@\"; cat", 100, {}, {"a b", "$HOME", "*", ""}).output, "a b|$HOME|*||");
    EXPECT_TRUE(NoChildLeft());
}

TEST(Process, ExitCodesAndSignalsAreToldApart) {
    for (int code : {0, 1, 2, 3, 127, 255}) {
        qzProcessResult result = Shell("echo out; exit " + std::to_string(code));
        EXPECT_EQ(result.end, qzProcessEnd::Exited);
        EXPECT_EQ(result.exitcode, code);
        EXPECT_EQ(result.output, "out\n");
    }
    for (int signal : {SIGSEGV, SIGABRT, SIGTERM, SIGKILL, SIGPIPE}) {
        qzProcessResult result = Shell("printf partial; kill -" + std::to_string(signal) + " $$");
        EXPECT_EQ(result.end, qzProcessEnd::Signalled);
        EXPECT_EQ(result.signal, signal);
        EXPECT_EQ(result.output, "partial");
    }
    EXPECT_TRUE(NoChildLeft());
}

TEST(Process, TheEndCountsNotThePipe) {
    // Closing the output early is not the end; a process left behind holding the pipe does not delay it.
    EXPECT_EQ(Shell("printf x; exec >&-; sleep 0.2; exit 4").exitcode, 4);
    qzProcessResult result = Shell("sleep 30 & echo $!");
    EXPECT_EQ(result.end, qzProcessEnd::Exited);
    pid_t orphan = std::stoi(result.output);
    EXPECT_EQ(::kill(orphan, SIGKILL), 0);
}

TEST(Process, CancelKillsAndReapsTheProgram) {
    for (int questions : {1, 3}) {
        CancelAfter cancel{questions};
        qzProcessResult result = Shell("echo started; exec sleep 30", 1 << 20, cancel.Callback());
        EXPECT_EQ(result.end, qzProcessEnd::Cancelled);
        EXPECT_EQ(cancel.asked, questions);
        EXPECT_TRUE(result.output.empty());
        EXPECT_TRUE(NoChildLeft());
    }
}

TEST(Process, OutputBeyondTheLimitIsRefusedAndTheProgramKilled) {
    const size_t limit = 100000;
    auto run = [&](size_t size) { return Shell("head -c " + std::to_string(size) + " /dev/zero", limit); };
    EXPECT_EQ(run(limit).end, qzProcessEnd::Exited);
    EXPECT_EQ(run(limit).output.size(), limit);
    EXPECT_EQ(run(limit + 1).end, qzProcessEnd::OutputTooLong);
    // A program that never stops writing is stopped.
    qzProcessResult endless = Shell("yes", limit);
    EXPECT_EQ(endless.end, qzProcessEnd::OutputTooLong);
    EXPECT_TRUE(endless.output.empty());
    EXPECT_TRUE(NoChildLeft());
}

TEST(Process, AProgramThatCannotStartThrows) {
    TempDirectory dir;
    dir.Put("plain", "echo not executable\n");
    for (std::string program : {dir / "missing", dir / "plain", dir.path}) {
        EXPECT_EQ(Failure([&] { qzProcess::Run(program.c_str(), {}, 100); }), "qzProcess::Run posix_spawn");
        try {
            qzProcess::Run(program.c_str(), {}, 100);
        } catch (const qzWindowsException& failure) {
            EXPECT_EQ(failure.error, program == dir / "missing" ? ENOENT : EACCES);
        }
    }
    EXPECT_TRUE(NoChildLeft());
}

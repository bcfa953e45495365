// qzProcess: the output collected exactly up to its limit, how the program ended, and the cancel.
#include "qzprocess.h"
#include "tempdirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <random>
#include <sys/wait.h>

namespace {

qzProcessResult Shell(const std::string& script, size_t limit = 1 << 20,
                      std::vector<std::string> arguments = {}, qzCallback<bool()> cancelled = {}) {
    arguments.insert(arguments.begin(), {"-c", script, "sh"});
    return qzProcess::Run("/bin/sh", arguments, limit, cancelled);
}

// Cancels once the program has written its process id to the file.
struct CancelWhenRunning {
    TempDirectory dir;
    bool Ask() { return dir.Get("pid").ends_with('\n'); }
};

} // namespace

TEST(Process, OutputArrivesByteForByteUpToTheLimit) {
    TempDirectory dir;
    std::mt19937 random(5);
    // Sizes around the pipe's buffer and the read chunk, and far beyond both.
    for (size_t size : {size_t(1), size_t(65537), size_t(3 << 20) + 17}) {
        std::string bytes(size, 0);
        std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<char>(random()); });
        dir.Put("data", bytes);
        EXPECT_TRUE(Shell("cat \"$1\"", size, {dir / "data"}).output == bytes) << size;
        EXPECT_EQ(Shell("cat \"$1\"", size - 1, {dir / "data"}).end, qzProcessEnd::OutputTooLong);
    }
    EXPECT_EQ(Shell("yes").end, qzProcessEnd::OutputTooLong);
    // Arguments pass as they are, without a shell between; the standard input reads nothing.
    EXPECT_EQ(Shell("printf '%s|' \"$@\"; cat", 100, {"a b", "$HOME", "*", ""}).output, "a b|$HOME|*||");
}

TEST(Process, ExitCodesAndSignalsAreToldApart) {
    // The end is the program's, not its output's.
    for (int code : {0, 3, 255}) {
        qzProcessResult result = Shell("printf out; exec >&-; sleep 0.1; exit " + std::to_string(code));
        EXPECT_EQ(result.end, qzProcessEnd::Exited);
        EXPECT_EQ(result.exitcode, code);
        EXPECT_EQ(result.output, "out");
    }
    // The program starts with every signal at its default, even one that this process ignores.
    auto previous = std::signal(SIGPIPE, SIG_IGN);
    for (int signal : {SIGSEGV, SIGKILL, SIGPIPE}) {
        qzProcessResult result = Shell("printf partial; kill -" + std::to_string(signal) + " $$");
        EXPECT_EQ(result.end, qzProcessEnd::Signalled);
        EXPECT_EQ(result.signal, signal);
        EXPECT_EQ(result.output, "partial");
    }
    std::signal(SIGPIPE, previous);
}

TEST(Process, CancelKillsAndReapsTheProgramAtOnce) {
    CancelWhenRunning cancel;
    auto start = std::chrono::steady_clock::now();
    qzProcessResult result = Shell("echo started; echo $$ > \"$1\"; exec sleep 60", 100, {cancel.dir / "pid"},
                                   qzCallback<bool()>::Bind<&CancelWhenRunning::Ask>(&cancel));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30))
        << "the program was waited out";
    EXPECT_EQ(result.end, qzProcessEnd::Cancelled);
    EXPECT_TRUE(result.output.empty());
    int status;
    EXPECT_EQ(::waitpid(std::stoi(cancel.dir.Get("pid")), &status, WNOHANG), -1)
        << "the program was not reaped";
}

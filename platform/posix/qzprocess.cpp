// qzProcess on POSIX: posix_spawn with the output on a pipe, read without blocking between polls of the
// cancel test and of the program's end.
#include "qzprocess.h"

#include "qzexceptions.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int QZ_PROCESS_POLL_INTERVAL = 20; // milliseconds between two looks at the cancel test
constexpr size_t QZ_PROCESS_READ_CHUNK = 65536;

[[noreturn]] void Fail(const char* call, int error) {
    errno = error;
    throw qzWindowsException("qzProcess::Run", call);
}

struct Descriptor {
    int fd = -1;
    ~Descriptor() { Close(); }
    void Close() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

// The running program. Whatever way the run ends (an exception included), the program is gone and reaped
// afterwards: no zombie and no runaway is left behind.
struct Child {
    pid_t pid = -1;

    ~Child() { Kill(); }
    void Kill() {
        if (pid <= 0)
            return;
        ::kill(pid, SIGKILL);
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        pid = -1;
    }
    // True once the program has ended, with its status.
    bool HasEnded(int& status) {
        pid_t answer;
        do
            answer = ::waitpid(pid, &status, WNOHANG);
        while (answer < 0 && errno == EINTR);
        if (answer < 0)
            Fail("waitpid", errno);
        if (answer == 0)
            return false;
        pid = -1;
        return true;
    }
};

// Appends what the pipe holds now. False once the pipe has reached its end (every writer closed it).
bool Drain(int fd, std::string& output, size_t limit) {
    char buffer[QZ_PROCESS_READ_CHUNK];
    while (output.size() <= limit) {
        ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0) {
            // Never more than one byte beyond the limit is kept: that byte is the refusal.
            size_t room = limit + 1 - output.size();
            output.append(buffer, std::min(static_cast<size_t>(count), room));
            continue;
        }
        if (count == 0)
            return false;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return true;
        Fail("read", errno);
    }
    return true;
}

} // namespace

qzProcessResult qzProcess::Run(const char* program, const std::vector<std::string>& arguments,
                               size_t outputlimit, qzCallback<bool()> cancelled) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        Fail("pipe2", errno);
    Descriptor readend{ends[0]};
    Descriptor writeend{ends[1]};

    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, writeend.fd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // The program starts with every signal at its default and none blocked, whatever this thread ignores
    // or blocks.
    sigset_t all, none;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&setup.attributes, &all);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    Child child;
    int error = ::posix_spawn(&child.pid, program, &setup.actions, &setup.attributes, argv.data(), environ);
    if (error != 0) {
        child.pid = -1;
        Fail("posix_spawn", error);
    }
    // Only the program holds the writing end now, so the pipe ends when the program closes it.
    writeend.Close();
    if (::fcntl(readend.fd, F_SETFL, O_NONBLOCK) != 0)
        Fail("fcntl", errno);

    qzProcessResult result;
    bool piped = true;
    int status = 0;
    for (;;) {
        if (!cancelled.IsEmpty() && cancelled()) {
            result.end = qzProcessEnd::Cancelled;
            break;
        }
        // The output is read while the program runs, so a full pipe never stops it.
        if (piped) {
            pollfd readable{readend.fd, POLLIN, 0};
            if (::poll(&readable, 1, QZ_PROCESS_POLL_INTERVAL) < 0 && errno != EINTR)
                Fail("poll", errno);
            piped = Drain(readend.fd, result.output, outputlimit);
        } else {
            ::poll(nullptr, 0, QZ_PROCESS_POLL_INTERVAL);
        }
        if (result.output.size() > outputlimit)
            break;
        if (child.HasEnded(status)) {
            // What the program wrote before it ended may still wait in the pipe; a process it started and
            // left running may hold the pipe open, so only what is there now counts.
            if (piped)
                Drain(readend.fd, result.output, outputlimit);
            break;
        }
    }
    if (result.output.size() > outputlimit)
        result.end = qzProcessEnd::OutputTooLong;
    if (result.end != qzProcessEnd::Exited) {
        // A refused or cancelled run gives no output, and leaves no program running.
        child.Kill();
        result.output.clear();
    } else if (WIFSIGNALED(status)) {
        result.end = qzProcessEnd::Signalled;
        result.signal = WTERMSIG(status);
    } else {
        result.exitcode = WEXITSTATUS(status);
    }
    return result;
}

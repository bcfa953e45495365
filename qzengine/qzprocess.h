// Running another program to its end: its standard output collected into a buffer (with a bound), its
// standard error shared with ours, a cancel test polled while it runs, and how it ended.
#pragma once

#include "qzcallback.h"

#include <cstddef>
#include <string>
#include <vector>

enum class qzProcessEnd {
    Exited,       // exitcode holds the program's exit code
    Signalled,    // signal holds the signal that ended it
    Cancelled,    // the cancel test answered true; the program was killed
    OutputTooLong // the output grew beyond the limit; the program was killed
};

struct qzProcessResult {
    qzProcessEnd end = qzProcessEnd::Exited;
    int exitcode = 0;
    int signal = 0;
    // Everything the program wrote to its standard output, byte for byte (up to the limit).
    std::string output;
};

class qzProcess {
public:
    // Runs program (a path, not searched for; no shell) with the arguments (the program's name comes
    // first by itself) and returns once it has ended and been reaped. Its standard input reads nothing.
    // cancelled, when set, is asked every few tens of milliseconds. A program that cannot be started
    // throws qzWindowsException ("qzProcess::Run" and the failed call).
    static qzProcessResult Run(const char* program, const std::vector<std::string>& arguments,
                               size_t outputlimit, qzCallback<bool()> cancelled = {});
};

// Failed Win32 calls as the engine's file helpers report them: qzIOException and the helpers that answer
// false leave the cause in errno, as on POSIX, so a Win32 error becomes its errno counterpart.
#pragma once

int qzErrnoFromWin32Error(unsigned long error);

// errno from GetLastError; answers false, for the helpers that report the system's success.
bool qzFailWithLastError();

// errno from GetLastError, then qzIOException.
[[noreturn]] void qzThrowLastError();

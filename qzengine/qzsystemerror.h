// The operating system's error codes as qzWindowsException reads them: the calling thread's last error (errno
// on POSIX, GetLastError on Windows) and the system's text for a code.
#pragma once

#include <cstddef>

unsigned long qzGetLastSystemError();

// The system's text for error in buffer, cut to size and always terminated.
void qzGetSystemErrorText(unsigned long error, char* buffer, size_t size);

// A file opened by path, read and written through the operating system's file calls. Every failure throws
// qzIOException.
#pragma once

#include "qzstring.h"

#include <cstdint>

// The native handle of an open file (a descriptor, or a Win32 HANDLE); INVALID_HANDLE_VALUE while closed.
using qzFileHandle = intptr_t;
constexpr qzFileHandle INVALID_HANDLE_VALUE = -1;

// Creation dispositions, with the values the engine's callers know them by.
constexpr uint32_t CREATE_NEW = 1;        // fails when the file exists
constexpr uint32_t CREATE_ALWAYS = 2;     // creates, or empties an existing file
constexpr uint32_t OPEN_EXISTING = 3;     // fails when the file does not exist
constexpr uint32_t OPEN_ALWAYS = 4;       // opens, or creates when missing
constexpr uint32_t TRUNCATE_EXISTING = 5; // empties an existing file; needs write access

class qzFile {
public:
    qzFile() = default;
    ~qzFile();
    qzFile(const qzFile&) = delete;
    qzFile& operator=(const qzFile&) = delete;

    // "\" and "/" both separate directories in path. POSIX file systems have no share modes: there the share
    // flags are accepted and impose nothing on other openers.
    void Open(const char* path, bool read, bool write, bool shareread, bool sharewrite, uint32_t disposition);
    void Close();

    // Reads up to count bytes; fewer only at the end of the file.
    uint32_t Read(void* buffer, uint32_t count);
    // Writes all count bytes.
    void Write(const void* buffer, uint32_t count);
    uint64_t GetSize();
    // Each returns the new position.
    uint64_t SeekFromStart(uint64_t position);
    uint64_t SeekFromCurrent(int64_t offset);
    uint64_t SeekFromEnd(int64_t offset);
    // Returns once everything written has reached the disk.
    void Flush();
    // The end of the file moves to the current position.
    void Truncate();
    // Appends the bytes from the current position to the end of the file.
    void ReadAll(qzString& buffer);

    qzFileHandle filehandle = INVALID_HANDLE_VALUE;

private:
    enum class SeekOrigin { Start, Current, End };
    // The operating system's side of Open, with the arguments checked and the path in its native form.
    void OpenHandle(const char* path, bool read, bool write, bool shareread, bool sharewrite,
                    uint32_t disposition);
    uint64_t Seek(int64_t offset, SeekOrigin origin);
};

// qzFile on Windows: CreateFileA, ReadFile, WriteFile, GetFileSizeEx, SetFilePointerEx, FlushFileBuffers and
// SetEndOfFile on a HANDLE.
#include "qzfile.h"

#include "qzerrno.h"
#include "qzexceptions.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>
// The engine's own constant, with the same value.
#undef INVALID_HANDLE_VALUE

#include <cerrno>

namespace {

// A closed file fails as a bad handle does; the value -1 would otherwise reach the system as the pseudo
// handle of the process itself.
HANDLE OpenHandleOf(qzFileHandle handle) {
    if (handle == INVALID_HANDLE_VALUE) {
        errno = EBADF;
        throw qzIOException();
    }
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

void qzFile::OpenHandle(const char* path, bool read, bool write, bool shareread, bool sharewrite,
                        uint32_t disposition) {
    // Reading the attributes lets GetSize answer on a file opened for writing only, as on POSIX.
    DWORD access = FILE_READ_ATTRIBUTES | (read ? GENERIC_READ : 0) | (write ? GENERIC_WRITE : 0);
    DWORD share = (shareread ? FILE_SHARE_READ : 0) | (sharewrite ? FILE_SHARE_WRITE : 0);
    HANDLE handle = CreateFileA(path, access, share, nullptr, disposition, 0, nullptr);
    if (handle == reinterpret_cast<HANDLE>(INVALID_HANDLE_VALUE)) {
        // The system calls a directory access denied, POSIX more precisely.
        DWORD error = GetLastError();
        DWORD attributes = GetFileAttributesA(path);
        if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            errno = EISDIR;
            throw qzIOException();
        }
        SetLastError(error);
        qzThrowLastError();
    }
    filehandle = reinterpret_cast<qzFileHandle>(handle);
}

void qzFile::Close() {
    if (filehandle == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(reinterpret_cast<HANDLE>(filehandle));
    filehandle = INVALID_HANDLE_VALUE;
}

uint32_t qzFile::Read(void* buffer, uint32_t count) {
    HANDLE handle = OpenHandleOf(filehandle);
    char* at = static_cast<char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        DWORD n = 0;
        if (!ReadFile(handle, at + done, count - done, &n, nullptr))
            qzThrowLastError();
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

void qzFile::Write(const void* buffer, uint32_t count) {
    HANDLE handle = OpenHandleOf(filehandle);
    const char* at = static_cast<const char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        DWORD n = 0;
        if (!WriteFile(handle, at + done, count - done, &n, nullptr))
            qzThrowLastError();
        if (n == 0) {
            errno = EIO;
            throw qzIOException();
        }
        done += n;
    }
}

uint64_t qzFile::GetSize() {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(OpenHandleOf(filehandle), &size))
        qzThrowLastError();
    return static_cast<uint64_t>(size.QuadPart);
}

uint64_t qzFile::Seek(int64_t offset, SeekOrigin origin) {
    DWORD method = origin == SeekOrigin::Start     ? FILE_BEGIN
                   : origin == SeekOrigin::Current ? FILE_CURRENT
                                                   : FILE_END;
    LARGE_INTEGER distance, position;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(OpenHandleOf(filehandle), distance, &position, method))
        qzThrowLastError();
    return static_cast<uint64_t>(position.QuadPart);
}

void qzFile::Flush() {
    if (!FlushFileBuffers(OpenHandleOf(filehandle)))
        qzThrowLastError();
}

void qzFile::Truncate() {
    if (!SetEndOfFile(OpenHandleOf(filehandle)))
        qzThrowLastError();
}

#include "qzfile.h"

#include "qzassert.h"
#include "qzexceptions.h"
#include "qzfilesystem.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int CreationFlags(uint32_t disposition) {
    switch (disposition) {
    case CREATE_NEW:
        return O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
        return O_CREAT | O_TRUNC;
    case OPEN_EXISTING:
        return 0;
    case OPEN_ALWAYS:
        return O_CREAT;
    case TRUNCATE_EXISTING:
        return O_TRUNC;
    default:
        throw qzIOException();
    }
}

} // namespace

qzFile::~qzFile() {
    Close();
}

void qzFile::Open(const char* path, bool read, bool write, bool shareread, bool sharewrite,
                  uint32_t disposition) {
    QZASSERT(filehandle == INVALID_HANDLE_VALUE, "filehandle==INVALID_HANDLE_VALUE");
    (void)shareread;
    (void)sharewrite;
    int flags = CreationFlags(disposition);
    // Emptying a file is writing to it.
    if (disposition == TRUNCATE_EXISTING && !write)
        throw qzIOException();
    flags |= write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY;
    flags |= O_CLOEXEC;
    qzString native = qzNativePath(path);
    int fd;
    do
        fd = ::open(native.c_str(), flags, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        throw qzIOException();
    // A directory opens here as a file would, but it is not one.
    struct stat info;
    bool failed = ::fstat(fd, &info) != 0;
    if (failed || S_ISDIR(info.st_mode)) {
        int error = failed ? errno : EISDIR;
        ::close(fd);
        errno = error;
        throw qzIOException();
    }
    filehandle = fd;
}

void qzFile::Close() {
    if (filehandle == INVALID_HANDLE_VALUE)
        return;
    ::close(filehandle);
    filehandle = INVALID_HANDLE_VALUE;
}

uint32_t qzFile::Read(void* buffer, uint32_t count) {
    char* at = static_cast<char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::read(filehandle, at + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw qzIOException();
        }
        if (n == 0)
            break;
        done += static_cast<uint32_t>(n);
    }
    return done;
}

void qzFile::Write(const void* buffer, uint32_t count) {
    const char* at = static_cast<const char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::write(filehandle, at + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw qzIOException();
        }
        if (n == 0)
            throw qzIOException();
        done += static_cast<uint32_t>(n);
    }
}

uint64_t qzFile::GetSize() {
    struct stat info;
    if (::fstat(filehandle, &info) != 0)
        throw qzIOException();
    return static_cast<uint64_t>(info.st_size);
}

namespace {

uint64_t SeekTo(qzFileHandle handle, int64_t offset, int whence) {
    off_t position = ::lseek(handle, static_cast<off_t>(offset), whence);
    if (position < 0)
        throw qzIOException();
    return static_cast<uint64_t>(position);
}

} // namespace

uint64_t qzFile::SeekFromStart(uint64_t position) {
    if (position > static_cast<uint64_t>(INT64_MAX))
        throw qzIOException();
    return SeekTo(filehandle, static_cast<int64_t>(position), SEEK_SET);
}

uint64_t qzFile::SeekFromCurrent(int64_t offset) {
    return SeekTo(filehandle, offset, SEEK_CUR);
}

uint64_t qzFile::SeekFromEnd(int64_t offset) {
    QZASSERT(filehandle != INVALID_HANDLE_VALUE, "filehandle!=INVALID_HANDLE_VALUE");
    return SeekTo(filehandle, offset, SEEK_END);
}

void qzFile::Flush() {
    int result;
    do
        result = ::fsync(filehandle);
    while (result != 0 && errno == EINTR);
    if (result != 0)
        throw qzIOException();
}

void qzFile::Truncate() {
    uint64_t position = SeekFromCurrent(0);
    if (::ftruncate(filehandle, static_cast<off_t>(position)) != 0)
        throw qzIOException();
}

void qzFile::ReadAll(qzString& buffer) {
    uint64_t size = GetSize();
    uint64_t position = SeekFromCurrent(0);
    if (position >= size)
        return;
    uint64_t wanted = size - position;
    uint32_t kept = buffer.GetLength();
    // A byte buffer holds at most 32-bit counts; a larger rest cannot be read whole.
    if (wanted > 0x7FFFFFFFu - kept)
        throw qzIOException();
    uint32_t count = static_cast<uint32_t>(wanted);
    buffer.Resize(kept + count);
    uint32_t got;
    try {
        got = Read(buffer.GetData() + kept, count);
    } catch (...) {
        buffer.Resize(kept);
        throw;
    }
    if (got < count)
        buffer.Resize(kept + got);
}

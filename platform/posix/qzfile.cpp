// qzFile on POSIX: open, read, write, lseek, fstat, fsync and ftruncate on a descriptor.
#include "qzfile.h"

#include "qzexceptions.h"

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
        errno = EINVAL;
        throw qzIOException();
    }
}

int Descriptor(qzFileHandle handle) {
    return static_cast<int>(handle);
}

} // namespace

void qzFile::OpenHandle(const char* path, bool read, bool write, bool shareread, bool sharewrite,
                        uint32_t disposition) {
    (void)shareread;
    (void)sharewrite;
    int flags = CreationFlags(disposition);
    flags |= write ? (read ? O_RDWR : O_WRONLY) : O_RDONLY;
    flags |= O_CLOEXEC;
    int fd;
    do
        fd = ::open(path, flags, 0666);
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
    ::close(Descriptor(filehandle));
    filehandle = INVALID_HANDLE_VALUE;
}

uint32_t qzFile::Read(void* buffer, uint32_t count) {
    char* at = static_cast<char*>(buffer);
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::read(Descriptor(filehandle), at + done, count - done);
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
        ssize_t n = ::write(Descriptor(filehandle), at + done, count - done);
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
    if (::fstat(Descriptor(filehandle), &info) != 0)
        throw qzIOException();
    return static_cast<uint64_t>(info.st_size);
}

uint64_t qzFile::Seek(int64_t offset, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Start ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t position = ::lseek(Descriptor(filehandle), static_cast<off_t>(offset), whence);
    if (position < 0)
        throw qzIOException();
    return static_cast<uint64_t>(position);
}

void qzFile::Flush() {
    int result;
    do
        result = ::fsync(Descriptor(filehandle));
    while (result != 0 && errno == EINTR);
    if (result != 0)
        throw qzIOException();
}

void qzFile::Truncate() {
    uint64_t position = SeekFromCurrent(0);
    if (::ftruncate(Descriptor(filehandle), static_cast<off_t>(position)) != 0)
        throw qzIOException();
}

#include "qzfile.h"

#include "qzassert.h"
#include "qzexceptions.h"
#include "qzfilesystem.h"

#include <cerrno>

qzFile::~qzFile() {
    Close();
}

void qzFile::Open(const char* path, bool read, bool write, bool shareread, bool sharewrite,
                  uint32_t disposition) {
    QZASSERT(filehandle == INVALID_HANDLE_VALUE, "filehandle==INVALID_HANDLE_VALUE");
    // Emptying a file is writing to it.
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING ||
        (disposition == TRUNCATE_EXISTING && !write)) {
        errno = EINVAL;
        throw qzIOException();
    }
    OpenHandle(qzNativePath(path).c_str(), read, write, shareread, sharewrite, disposition);
}

uint64_t qzFile::SeekFromStart(uint64_t position) {
    if (position > static_cast<uint64_t>(INT64_MAX)) {
        errno = EINVAL;
        throw qzIOException();
    }
    return Seek(static_cast<int64_t>(position), SeekOrigin::Start);
}

uint64_t qzFile::SeekFromCurrent(int64_t offset) {
    return Seek(offset, SeekOrigin::Current);
}

uint64_t qzFile::SeekFromEnd(int64_t offset) {
    QZASSERT(filehandle != INVALID_HANDLE_VALUE, "filehandle!=INVALID_HANDLE_VALUE");
    return Seek(offset, SeekOrigin::End);
}

void qzFile::ReadAll(qzString& buffer) {
    uint64_t size = GetSize();
    uint64_t position = SeekFromCurrent(0);
    if (position >= size)
        return;
    uint64_t wanted = size - position;
    uint32_t kept = buffer.GetLength();
    // A byte buffer holds at most 32-bit counts; a larger rest cannot be read whole.
    if (wanted > 0x7FFFFFFFu - kept) {
        errno = EFBIG;
        throw qzIOException();
    }
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

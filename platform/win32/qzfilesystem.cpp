// The path and file-system helpers on Windows: GetCurrentDirectoryA, SetCurrentDirectoryA,
// GetModuleFileNameA, GetFullPathNameA, GetFileAttributesA, CreateDirectoryA, CopyFileA, MoveFileExA and
// DeleteFileA.
#include "qzfilesystem.h"

#include "qzerrno.h"
#include "qzexceptions.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>

#include <cerrno>
#include <vector>

namespace {

// Paths longer than this are not ours to handle in the ANSI calls.
constexpr DWORD LONGESTPATH = 1u << 16;

} // namespace

qzString qzNativePath(const char* path) {
    qzString native(path);
    char* data = native.GetData();
    for (uint32_t i = 0; i < native.GetLength(); ++i)
        if (data[i] == '/')
            data[i] = '\\';
    return native;
}

qzString qzGetCurrentDirectory() {
    // The size asked for includes the terminator; the directory may change between the two calls.
    for (;;) {
        DWORD needed = GetCurrentDirectoryA(0, nullptr);
        if (needed == 0)
            qzThrowLastError();
        std::vector<char> buffer(needed);
        DWORD length = GetCurrentDirectoryA(needed, buffer.data());
        if (length == 0)
            qzThrowLastError();
        if (length < needed)
            return qzString(buffer.data());
    }
}

bool qzSetCurrentDirectory(const char* path) {
    return SetCurrentDirectoryA(qzNativePath(path).c_str()) || qzFailWithLastError();
}

qzString qzGetExecutablePath() {
    // A result that fills the buffer has been cut short.
    for (DWORD size = MAX_PATH;; size *= 2) {
        std::vector<char> buffer(size);
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0)
            qzThrowLastError();
        if (length < size) {
            qzString path;
            path.Append(buffer.data(), length);
            return path;
        }
        if (size >= LONGESTPATH) {
            errno = ENAMETOOLONG;
            throw qzIOException();
        }
    }
}

qzString qzGetFullPath(const char* path) {
    qzString native = qzNativePath(path);
    if (native.IsEmpty()) {
        errno = ENOENT;
        throw qzIOException();
    }
    for (;;) {
        DWORD needed = GetFullPathNameA(native.c_str(), 0, nullptr, nullptr);
        if (needed == 0)
            qzThrowLastError();
        std::vector<char> buffer(needed);
        DWORD length = GetFullPathNameA(native.c_str(), needed, buffer.data(), nullptr);
        if (length == 0)
            qzThrowLastError();
        if (length < needed) {
            qzString full;
            full.Append(buffer.data(), length);
            return full;
        }
    }
}

bool qzFileExists(const char* path) {
    return GetFileAttributesA(qzNativePath(path).c_str()) != INVALID_FILE_ATTRIBUTES || qzFailWithLastError();
}

bool qzIsDirectory(const char* path) {
    DWORD attributes = GetFileAttributesA(qzNativePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return qzFailWithLastError();
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool qzCreateDirectory(const char* path) {
    return CreateDirectoryA(qzNativePath(path).c_str(), nullptr) || qzFailWithLastError();
}

// A copy onto the file itself is refused by the system: the source is open without write sharing.
bool qzCopyFile(const char* from, const char* to, bool failifexists) {
    return CopyFileA(qzNativePath(from).c_str(), qzNativePath(to).c_str(), failifexists) ||
           qzFailWithLastError();
}

bool qzMoveFile(const char* from, const char* to, bool replaceexisting) {
    qzString source = qzNativePath(from);
    qzString target = qzNativePath(to);
    if (MoveFileExA(source.c_str(), target.c_str(), replaceexisting ? MOVEFILE_REPLACE_EXISTING : 0))
        return true;
    qzFailWithLastError();
    // A file cannot replace a directory; the system calls that access denied, POSIX more precisely.
    DWORD sourceattributes = GetFileAttributesA(source.c_str());
    DWORD targetattributes = GetFileAttributesA(target.c_str());
    if (errno == EACCES && sourceattributes != INVALID_FILE_ATTRIBUTES &&
        (sourceattributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && targetattributes != INVALID_FILE_ATTRIBUTES &&
        (targetattributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        errno = EISDIR;
    return false;
}

bool qzDeleteFile(const char* path) {
    return DeleteFileA(qzNativePath(path).c_str()) || qzFailWithLastError();
}

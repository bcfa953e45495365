// The path and file-system helpers on POSIX: getcwd, chdir, /proc/self/exe, stat, mkdir, rename, unlink, and
// a copy through qzFile that keeps the permissions.
#include "qzfilesystem.h"

#include "qzexceptions.h"
#include "qzfile.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

qzString qzNativePath(const char* path) {
    qzString native(path);
    char* data = native.GetData();
    for (uint32_t i = 0; i < native.GetLength(); ++i)
        if (data[i] == '\\')
            data[i] = '/';
    return native;
}

qzString qzGetCurrentDirectory() {
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() >= (1u << 20))
            throw qzIOException();
        buffer.resize(buffer.size() * 2);
    }
    return qzString(buffer.data());
}

bool qzSetCurrentDirectory(const char* path) {
    return ::chdir(qzNativePath(path).c_str()) == 0;
}

qzString qzGetExecutablePath() {
    // readlink does not say whether it cut the path short: a result that fills the buffer may have been cut.
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            throw qzIOException();
        if (static_cast<size_t>(n) < buffer.size()) {
            qzString path;
            path.Append(buffer.data(), static_cast<uint32_t>(n));
            return path;
        }
        if (buffer.size() >= (1u << 20))
            throw qzIOException();
        buffer.resize(buffer.size() * 2);
    }
}

qzString qzGetFullPath(const char* path) {
    qzString native = qzNativePath(path);
    if (native.IsEmpty())
        throw qzIOException();
    qzString joined;
    if (native[0] != '/') {
        joined = qzGetCurrentDirectory();
        joined.Append('/');
    }
    joined.Append(native);

    // Each kept name is a start and a length in joined.
    std::vector<std::pair<uint32_t, uint32_t>> names;
    const char* text = joined.GetData();
    uint32_t length = joined.GetLength();
    for (uint32_t at = 0; at < length;) {
        uint32_t end = at;
        while (end < length && text[end] != '/')
            ++end;
        uint32_t n = end - at;
        if (n == 2 && text[at] == '.' && text[at + 1] == '.') {
            if (!names.empty())
                names.pop_back();
        } else if (n != 0 && !(n == 1 && text[at] == '.')) {
            names.emplace_back(at, n);
        }
        at = end + 1;
    }
    qzString full;
    for (auto [at, n] : names) {
        full.Append('/');
        full.Append(text + at, n);
    }
    if (full.IsEmpty() || native[native.GetLength() - 1] == '/')
        full.Append('/');
    return full;
}

bool qzFileExists(const char* path) {
    struct stat info;
    return ::stat(qzNativePath(path).c_str(), &info) == 0;
}

bool qzIsDirectory(const char* path) {
    struct stat info;
    return ::stat(qzNativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool qzCreateDirectory(const char* path) {
    return ::mkdir(qzNativePath(path).c_str(), 0777) == 0;
}

bool qzCopyFile(const char* from, const char* to, bool failifexists) {
    try {
        qzFile source;
        source.Open(from, true, false, true, false, OPEN_EXISTING);
        struct stat sourceinfo, targetinfo;
        if (::fstat(static_cast<int>(source.filehandle), &sourceinfo) != 0)
            return false;
        // Copying a file onto itself would empty it before reading it.
        if (::stat(qzNativePath(to).c_str(), &targetinfo) == 0 && targetinfo.st_dev == sourceinfo.st_dev &&
            targetinfo.st_ino == sourceinfo.st_ino)
            return false;
        qzFile target;
        target.Open(to, false, true, false, false, failifexists ? CREATE_NEW : CREATE_ALWAYS);
        try {
            std::vector<char> buffer(1 << 16);
            uint32_t n;
            while ((n = source.Read(buffer.data(), static_cast<uint32_t>(buffer.size()))) != 0)
                target.Write(buffer.data(), n);
            if (::fchmod(static_cast<int>(target.filehandle), sourceinfo.st_mode & 07777) != 0)
                throw qzIOException();
        } catch (const qzIOException&) {
            // A partial copy is not left behind as if it were the file.
            target.Close();
            ::unlink(qzNativePath(to).c_str());
            return false;
        }
        return true;
    } catch (const qzIOException&) {
        return false;
    }
}

bool qzMoveFile(const char* from, const char* to, bool replaceexisting) {
    qzString source = qzNativePath(from);
    qzString target = qzNativePath(to);
    struct stat info;
    if (!replaceexisting && ::lstat(target.c_str(), &info) == 0)
        return false;
    return ::rename(source.c_str(), target.c_str()) == 0;
}

bool qzDeleteFile(const char* path) {
    return ::unlink(qzNativePath(path).c_str()) == 0;
}

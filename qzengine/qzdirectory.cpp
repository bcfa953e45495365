#include "qzdirectory.h"

#include "qzassert.h"
#include "qzexceptions.h"
#include "qzfilesystem.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

bool qzMatchesPattern(const char* pattern, const char* name) {
    // On a mismatch after a "*", that star takes one more character and matching resumes behind it.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != 0) {
        if (*pattern == '*') {
            star = ++pattern;
            resume = name;
        } else if (*pattern != 0 && (*pattern == '?' || *pattern == *name)) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == 0;
}

qzDirectory::~qzDirectory() {
    Close();
}

bool qzDirectory::FindFirst(const char* pattern) {
    QZASSERT(findhandle == nullptr, "findhandle==INVALID_HANDLE_VALUE");
    qzString native = qzNativePath(pattern);
    const char* slash = std::strrchr(native.c_str(), '/');
    directory.Clear();
    if (slash == nullptr)
        directory.Append(".");
    else if (slash == native.c_str())
        directory.Append("/");
    else
        directory.Append(native.c_str(), static_cast<uint32_t>(slash - native.c_str()));
    namepattern = qzString(slash == nullptr ? native.c_str() : slash + 1);
    // The old wildcard for every name, with or without a dot.
    if (namepattern == "*.*")
        namepattern = qzString("*");

    DIR* stream = ::opendir(directory.c_str());
    if (stream == nullptr)
        throw qzIOException();
    findhandle = stream;
    if (FindNext())
        return true;
    Close();
    return false;
}

bool qzDirectory::FindNext() {
    DIR* stream = static_cast<DIR*>(findhandle);
    if (stream == nullptr)
        return false;
    while (dirent* entry = ::readdir(stream)) {
        const char* entryname = entry->d_name;
        if (std::strcmp(entryname, ".") == 0 || std::strcmp(entryname, "..") == 0)
            continue;
        if (!qzMatchesPattern(namepattern.c_str(), entryname))
            continue;
        // A link is described by what it points to; a dangling one by itself.
        struct stat info;
        if (::fstatat(::dirfd(stream), entryname, &info, 0) != 0 &&
            ::fstatat(::dirfd(stream), entryname, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        name = qzString(entryname);
        isdirectory = S_ISDIR(info.st_mode);
        size = isdirectory ? 0 : static_cast<uint64_t>(info.st_size);
        return true;
    }
    return false;
}

void qzDirectory::Close() {
    if (findhandle == nullptr)
        return;
    ::closedir(static_cast<DIR*>(findhandle));
    findhandle = nullptr;
}

// The directory stream on POSIX: opendir, readdir and closedir, with fstatat for what an entry is.
#include "qzdirectorystream.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

const bool qzFileNamesIgnoreCase = false;

void* qzOpenDirectoryStream(const char* directory) {
    return ::opendir(directory);
}

const char* qzReadDirectoryName(void* stream) {
    dirent* entry = ::readdir(static_cast<DIR*>(stream));
    return entry != nullptr ? entry->d_name : nullptr;
}

bool qzDescribeDirectoryEntry(void* stream, const char* name, bool& isdirectory, uint64_t& size) {
    // A link is described by what it points to; a dangling one by itself.
    int directory = ::dirfd(static_cast<DIR*>(stream));
    struct stat info;
    if (::fstatat(directory, name, &info, 0) != 0 &&
        ::fstatat(directory, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    isdirectory = S_ISDIR(info.st_mode);
    size = static_cast<uint64_t>(info.st_size);
    return true;
}

void qzCloseDirectoryStream(void* stream) {
    ::closedir(static_cast<DIR*>(stream));
}

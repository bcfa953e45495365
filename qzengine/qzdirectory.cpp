#include "qzdirectory.h"

#include "qzassert.h"
#include "qzdirectorystream.h"
#include "qzexceptions.h"
#include "qzfilesystem.h"

#include <cstring>

namespace {

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameCharacter(char a, char b, bool ignorecase) {
    return a == b || (ignorecase && FoldCase(a) == FoldCase(b));
}

} // namespace

bool qzMatchesPattern(const char* pattern, const char* name, bool ignorecase) {
    // On a mismatch after a "*", that star takes one more character and matching resumes behind it.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != 0) {
        if (*pattern == '*') {
            star = ++pattern;
            resume = name;
        } else if (*pattern != 0 && (*pattern == '?' || SameCharacter(*pattern, *name, ignorecase))) {
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
    const char* slash = nullptr;
    for (const char* p = pattern; *p != 0; ++p)
        if (*p == '\\' || *p == '/')
            slash = p;
    directory.Clear();
    if (slash == nullptr)
        directory.Append(".");
    else if (slash == pattern)
        directory.Append(*slash);
    else
        directory.Append(pattern, static_cast<uint32_t>(slash - pattern));
    directory = qzNativePath(directory.c_str());
    namepattern = qzString(slash == nullptr ? pattern : slash + 1);
    // The old wildcard for every name, with or without a dot.
    if (namepattern == "*.*")
        namepattern = qzString("*");

    void* stream = qzOpenDirectoryStream(directory.c_str());
    if (stream == nullptr)
        throw qzIOException();
    findhandle = stream;
    if (FindNext())
        return true;
    Close();
    return false;
}

bool qzDirectory::FindNext() {
    if (findhandle == nullptr)
        return false;
    while (const char* entryname = qzReadDirectoryName(findhandle)) {
        if (std::strcmp(entryname, ".") == 0 || std::strcmp(entryname, "..") == 0)
            continue;
        if (!qzMatchesPattern(namepattern.c_str(), entryname, qzFileNamesIgnoreCase))
            continue;
        bool entryisdirectory;
        uint64_t entrysize;
        if (!qzDescribeDirectoryEntry(findhandle, entryname, entryisdirectory, entrysize))
            continue;
        name = qzString(entryname);
        isdirectory = entryisdirectory;
        size = entryisdirectory ? 0 : entrysize;
        return true;
    }
    return false;
}

void qzDirectory::Close() {
    if (findhandle == nullptr)
        return;
    qzCloseDirectoryStream(findhandle);
    findhandle = nullptr;
}

// Enumeration of the entries of one directory whose names match a pattern such as "dir/*" or "dir\*.txt":
// "*" stands for any run of characters, "?" for any one character, and "*.*" for every name. The entries "."
// and ".." are not reported. Case counts where the file system's names differ by case (not on Windows).
#pragma once

#include "qzstring.h"

#include <cstdint>

class qzDirectory {
public:
    qzDirectory() = default;
    ~qzDirectory();
    qzDirectory(const qzDirectory&) = delete;
    qzDirectory& operator=(const qzDirectory&) = delete;

    // Starts the enumeration and moves to the first matching entry. Answers false when no entry matches;
    // throws qzIOException when the directory cannot be read.
    bool FindFirst(const char* pattern);
    // Moves to the next matching entry; false when there is none.
    bool FindNext();
    // Ends the enumeration; the destructor ends one still running.
    void Close();

    // The current entry.
    qzString name;
    bool isdirectory = false;
    uint64_t size = 0;

    // The open directory stream; null while no enumeration runs.
    void* findhandle = nullptr;

private:
    qzString namepattern;
    qzString directory;
};

// Whether name matches pattern, with "*" and "?" as wildcards and every other character literal (ignoring
// the case of ASCII letters with ignorecase).
bool qzMatchesPattern(const char* pattern, const char* name, bool ignorecase = false);

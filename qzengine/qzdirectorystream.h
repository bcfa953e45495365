// The operating system's side of qzDirectory: the names in one directory in the system's order, and what
// each names.
#pragma once

#include <cstdint>

// Whether the file system takes names that differ only in case for the same name.
extern const bool qzFileNamesIgnoreCase;

// Null, with errno set, when the directory cannot be read.
void* qzOpenDirectoryStream(const char* directory);
// The next name, valid until the next call or the close; null after the last.
const char* qzReadDirectoryName(void* stream);
// What the name just read is; false when it cannot be told (the entry is then passed over).
bool qzDescribeDirectoryEntry(void* stream, const char* name, bool& isdirectory, uint64_t& size);
void qzCloseDirectoryStream(void* stream);

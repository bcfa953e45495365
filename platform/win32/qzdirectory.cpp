// The directory stream on Windows: FindFirstFileA over every name of the directory ("*"), FindNextFileA and
// FindClose. The engine matches the names itself, so that "*.txt" means what it means on every system and
// not also the short 8.3 names the system would match.
#include "qzdirectorystream.h"

#include "qzerrno.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>

#include <string>

namespace {

struct Stream {
    HANDLE find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA data{};
    // FindFirstFileA has read the first name already.
    bool pending = false;
};

} // namespace

const bool qzFileNamesIgnoreCase = true;

void* qzOpenDirectoryStream(const char* directory) {
    std::string pattern = directory;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/')
        pattern += '\\';
    pattern += '*';
    auto* stream = new Stream;
    stream->find = FindFirstFileA(pattern.c_str(), &stream->data);
    if (stream->find == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        // A drive's root may hold no name at all, not even "." and "..".
        if (error != ERROR_FILE_NOT_FOUND) {
            delete stream;
            SetLastError(error);
            qzFailWithLastError();
            return nullptr;
        }
    } else {
        stream->pending = true;
    }
    return stream;
}

const char* qzReadDirectoryName(void* handle) {
    auto* stream = static_cast<Stream*>(handle);
    if (stream->find == INVALID_HANDLE_VALUE)
        return nullptr;
    if (stream->pending) {
        stream->pending = false;
        return stream->data.cFileName;
    }
    if (!FindNextFileA(stream->find, &stream->data))
        return nullptr;
    return stream->data.cFileName;
}

bool qzDescribeDirectoryEntry(void* handle, const char*, bool& isdirectory, uint64_t& size) {
    const WIN32_FIND_DATAA& data = static_cast<Stream*>(handle)->data;
    isdirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

void qzCloseDirectoryStream(void* handle) {
    auto* stream = static_cast<Stream*>(handle);
    if (stream->find != INVALID_HANDLE_VALUE)
        FindClose(stream->find);
    delete stream;
}

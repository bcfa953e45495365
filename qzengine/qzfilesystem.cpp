#include "qzfilesystem.h"

#include <cstring>

qzString qzNativePath(const char* path) {
    qzString native(path);
    char* data = native.GetData();
    for (uint32_t i = 0; i < native.GetLength(); ++i)
        if (data[i] == '\\')
            data[i] = '/';
    return native;
}

qzString qzGetDirectoryPart(const char* path) {
    const char* end = nullptr;
    for (const char* p = path; *p != 0; ++p)
        if (*p == '\\' || *p == '/')
            end = p;
    qzString directory;
    if (end != nullptr)
        directory.Append(path, static_cast<uint32_t>(end - path));
    return directory;
}

#include "qzfilesystem.h"

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

#include "qzresource.h"

#include "qzexceptions.h"

#include <cstdio>

namespace {

qzResourceProvider* installed = nullptr;

} // namespace

void qzSetResourceProvider(qzResourceProvider* provider) { installed = provider; }

qzString qzLoadResourceData(const char* name) {
    qzString data;
    if (installed == nullptr || !installed->Load(name, data))
        throw qzIOException();
    return data;
}

qzString qzLoadResourceData(unsigned number) {
    // A numbered block is the block named by its decimal number.
    char name[16];
    std::snprintf(name, sizeof name, "%u", number);
    return qzLoadResourceData(name);
}

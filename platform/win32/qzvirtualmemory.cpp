// Address space on Windows: VirtualAlloc's reservations and commits, VirtualFree to decommit and release, and
// MEM_RESET for contents no longer needed.
#include "qzvirtualmemory.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>

#include <cstdint>
#include <new>

size_t qzGetPageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

// A reservation cannot be trimmed: twice the size is reserved to find an aligned address inside, released,
// and the aligned range reserved there. Another thread may take the address in between; the search then
// starts over.
unsigned char* qzReserveAlignedRange(size_t size) {
    for (int attempt = 0; attempt < 64; ++attempt) {
        void* wide = VirtualAlloc(nullptr, 2 * size, MEM_RESERVE, PAGE_NOACCESS);
        if (wide == nullptr)
            throw std::bad_alloc();
        uintptr_t aligned = (reinterpret_cast<uintptr_t>(wide) + size - 1) & ~uintptr_t(size - 1);
        VirtualFree(wide, 0, MEM_RELEASE);
        void* range = VirtualAlloc(reinterpret_cast<void*>(aligned), size, MEM_RESERVE, PAGE_NOACCESS);
        if (range != nullptr)
            return static_cast<unsigned char*>(range);
    }
    throw std::bad_alloc();
}

void qzReleaseRange(unsigned char* start, size_t) {
    VirtualFree(start, 0, MEM_RELEASE);
}

void qzCommitPages(unsigned char* start, size_t size) {
    if (size != 0 && VirtualAlloc(start, size, MEM_COMMIT, PAGE_READWRITE) == nullptr)
        throw std::bad_alloc();
}

// A size of 0 would decommit the whole reservation.
void qzDecommitPages(unsigned char* start, size_t size) {
    if (size != 0)
        VirtualFree(start, size, MEM_DECOMMIT);
}

void qzDiscardPages(unsigned char* start, size_t size) {
    if (size != 0)
        VirtualAlloc(start, size, MEM_RESET, PAGE_READWRITE);
}

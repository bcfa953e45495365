// Address space on POSIX: an anonymous mapping without access, mprotect to make pages usable and madvise to
// give their memory back.
#include "qzvirtualmemory.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

size_t qzGetPageSize() {
    return size_t(sysconf(_SC_PAGESIZE));
}

// Twice the size is reserved and trimmed to an aligned range. Huge pages are asked for the whole range:
// filling a large geometry then takes one page fault per 2 MB instead of one per 4 kB, and a small one never
// has 2 MB usable to fill one.
unsigned char* qzReserveAlignedRange(size_t size) {
    void* memory = mmap(nullptr, 2 * size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED)
        throw std::bad_alloc();
    auto* start = static_cast<unsigned char*>(memory);
    auto* aligned = reinterpret_cast<unsigned char*>((reinterpret_cast<uintptr_t>(start) + size - 1) &
                                                     ~uintptr_t(size - 1));
    if (aligned != start)
        munmap(start, aligned - start);
    munmap(aligned + size, start + 2 * size - (aligned + size));
    madvise(aligned, size, MADV_HUGEPAGE);
    return aligned;
}

void qzReleaseRange(unsigned char* start, size_t size) {
    munmap(start, size);
}

void qzCommitPages(unsigned char* start, size_t size) {
    if (size != 0 && mprotect(start, size, PROT_READ | PROT_WRITE) != 0)
        throw std::bad_alloc();
}

void qzDecommitPages(unsigned char* start, size_t size) {
    if (size != 0) {
        madvise(start, size, MADV_DONTNEED);
        mprotect(start, size, PROT_NONE);
    }
}

void qzDiscardPages(unsigned char* start, size_t size) {
    if (size != 0)
        madvise(start, size, MADV_DONTNEED);
}

#include "qzbatchallocator.h"

#include "qzassert.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define QZ_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define QZ_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define QZ_POISON(p, n) ((void)(p), (void)(n))
#define QZ_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

static_assert(sizeof(void*) <= qzBatchAllocator::HEADER, "the block header holds a pointer");

namespace {

// A chunk begins with the link to the chunk before it and its own size; the first block follows.
constexpr size_t CHUNKHEADER = 16;
constexpr size_t HUGEPAGE = size_t(2) << 20;

unsigned char* ObtainBlock(size_t payload) {
    void* memory = std::malloc(qzBatchAllocator::HEADER + payload);
    if (memory == nullptr)
        throw std::bad_alloc();
    return static_cast<unsigned char*>(memory);
}

void* ReadHeader(const unsigned char* header) {
    void* value;
    std::memcpy(&value, header, sizeof value);
    return value;
}

void WriteHeader(unsigned char* header, void* value) {
    std::memcpy(header, &value, sizeof value);
}

size_t ReadSize(const unsigned char* p) {
    size_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build takes chunks from the heap, where the leak checker can see them.
unsigned char* ObtainChunk(size_t size) {
    void* memory = std::aligned_alloc(4096, size);
    if (memory == nullptr)
        throw std::bad_alloc();
    QZ_POISON(memory, size);
    return static_cast<unsigned char*>(memory);
}

void ReleaseChunk(unsigned char* chunk, size_t size) {
    QZ_UNPOISON(chunk, size);
    std::free(chunk);
}
#else
// Chunks of a huge page or more are aligned to one and marked for huge pages: filling a large geometry
// then takes one page fault per 2 MB instead of one per 4 kB.
unsigned char* ObtainChunk(size_t size) {
    size_t extra = size >= HUGEPAGE ? HUGEPAGE : 0;
    void* memory = mmap(nullptr, size + extra, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw std::bad_alloc();
    auto* start = static_cast<unsigned char*>(memory);
    if (extra != 0) {
        auto* aligned = reinterpret_cast<unsigned char*>((reinterpret_cast<uintptr_t>(start) + HUGEPAGE - 1) &
                                                         ~uintptr_t(HUGEPAGE - 1));
        if (aligned != start)
            munmap(start, aligned - start);
        if (aligned + size != start + size + extra)
            munmap(aligned + size, start + size + extra - (aligned + size));
        start = aligned;
        // only advice: without huge pages the chunk works the same
        madvise(start, size, MADV_HUGEPAGE);
    }
    return start;
}

void ReleaseChunk(unsigned char* chunk, size_t size) {
    munmap(chunk, size);
}
#endif

} // namespace

qzBatchAllocator::qzBatchAllocator(uint32_t blocksize)
    : blocksize(blocksize), used(blocksize), block(nullptr) {}

qzBatchAllocator::~qzBatchAllocator() {
    Reset();
}

void qzBatchAllocator::OpenBlock() {
    size_t blockbytes = HEADER + ((size_t(blocksize) + ALIGNMENT - 1) & ~size_t(ALIGNMENT - 1));
    if (carve == nullptr || size_t(chunkend - carve) < blockbytes) {
        size_t page = size_t(sysconf(_SC_PAGESIZE));
        size_t size = std::max(nextchunksize, CHUNKHEADER + blockbytes);
        size = (size + page - 1) & ~(page - 1);
        unsigned char* fresh = ObtainChunk(size);
        QZ_UNPOISON(fresh, CHUNKHEADER);
        WriteHeader(fresh, chunk);
        std::memcpy(fresh + sizeof(void*), &size, sizeof size);
        chunk = fresh;
        carve = fresh + CHUNKHEADER;
        chunkend = fresh + size;
        nextchunksize = std::min(nextchunksize * 2, LASTCHUNK);
    }
    unsigned char* fresh = carve;
    carve += blockbytes;
    QZ_UNPOISON(fresh, HEADER);
    WriteHeader(fresh, block);
    block = fresh;
    used = 0;
}

void* qzBatchAllocator::Allocate(uint32_t size) {
    QZASSERT(size != 0, "size!=0");
    if (size > blocksize) {
        unsigned char* separate = ObtainBlock(size);
        WriteHeader(separate, separate);
        return separate + HEADER;
    }
    // 64-bit sums: used may stand a few bytes past the block size after rounding.
    if (static_cast<uint64_t>(used) + size > blocksize)
        OpenBlock();
    void* result = block + HEADER + used;
    uint64_t rounded = (static_cast<uint64_t>(size) + ALIGNMENT - 1) & ~uint64_t(ALIGNMENT - 1);
    // the rounding too: Free reads the word before a record, the tail of the record in front of it
    QZ_UNPOISON(result, rounded);
    uint64_t grown = static_cast<uint64_t>(used) + rounded;
    // Past the block size the block counts as full either way; capping keeps the value in 32 bits.
    used = static_cast<uint32_t>(std::min<uint64_t>(grown, blocksize));
    return result;
}

void qzBatchAllocator::Free(void* p) {
    unsigned char* header = static_cast<unsigned char*>(p) - HEADER;
    if (ReadHeader(header) == header)
        std::free(header);
}

// Releasing the chunks releases every block of the chain at once.
void qzBatchAllocator::Reset() {
    used = blocksize;
    block = nullptr;
    while (chunk != nullptr) {
        unsigned char* previous = static_cast<unsigned char*>(ReadHeader(chunk));
        ReleaseChunk(chunk, ReadSize(chunk + sizeof(void*)));
        chunk = previous;
    }
    carve = chunkend = nullptr;
    nextchunksize = FIRSTCHUNK;
}

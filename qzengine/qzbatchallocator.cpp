#include "qzbatchallocator.h"

#include "qzassert.h"
#include "qzvirtualmemory.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define QZ_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define QZ_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define QZ_POISON(p, n) ((void)(p), (void)(n))
#define QZ_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// A separate block starts with its number of pages and then its mark, the word just before the record: its
// own place in the range with a tag that no place and no block header has.
constexpr uint64_t SEPARATETAG = uint64_t(0x5E9A) << 48;
constexpr size_t SEPARATEHEADER = 16;
constexpr size_t HUGEPAGE = size_t(2) << 20;

uint64_t ReadWord(const unsigned char* p) {
    uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

void WriteWord(unsigned char* p, uint64_t value) {
    std::memcpy(p, &value, sizeof value);
}

} // namespace

qzBatchAllocator::qzBatchAllocator(uint32_t blocksize)
    : blocksize(blocksize), used(blocksize), block(nullptr) {}

qzBatchAllocator::~qzBatchAllocator() {
    Reset();
}

void qzBatchAllocator::Reserve() {
    range = qzReserveAlignedRange(RANGE);
    // the first page is never handed out, so that place 0 means no record
    page = qzGetPageSize();
    carve = committed = page;
    top = RANGE;
}

void qzBatchAllocator::SetCommitted(size_t end) {
    if (end > committed)
        qzCommitPages(range + committed, end - committed);
    else
        qzDecommitPages(range + end, committed - end);
    committed = end;
}

void qzBatchAllocator::SetTop(size_t start) {
    if (start < top)
        qzCommitPages(range + start, top - start);
    else
        qzDecommitPages(range + top, start - top);
    top = start;
}

void qzBatchAllocator::OpenBlock() {
    if (range == nullptr)
        Reserve();
    size_t blockbytes = HEADER + ((size_t(blocksize) + ALIGNMENT - 1) & ~size_t(ALIGNMENT - 1));
    if (carve + blockbytes > committed) {
        // Large steps end on huge-page boundaries, so that no huge page straddles two steps and falls
        // back to small pages.
        size_t granule = nextchunksize >= HUGEPAGE ? HUGEPAGE : page;
        size_t end = std::max(carve + blockbytes, committed + nextchunksize);
        end = (end + granule - 1) & ~(granule - 1);
        if (end > top)
            throw std::bad_alloc();
        SetCommitted(end);
        nextchunksize = std::min(nextchunksize * 2, LASTCHUNK);
    }
    unsigned char* fresh = range + carve;
    WriteWord(fresh, block != nullptr ? uint64_t(block - range) : 0);
    block = fresh;
    carve += blockbytes;
    used = 0;
}

void* qzBatchAllocator::AllocateSeparate(uint32_t size) {
    if (range == nullptr)
        Reserve();
    size_t pages = (SEPARATEHEADER + size + page - 1) / page;
    size_t place;
    auto reusable = freespans.find(pages);
    if (reusable != freespans.end()) {
        place = reusable->second.back();
        reusable->second.pop_back();
        if (reusable->second.empty())
            freespans.erase(reusable);
        QZ_UNPOISON(range + place, pages * page);
    } else {
        if (top - committed < pages * page)
            throw std::bad_alloc();
        place = top - pages * page;
        SetTop(place);
    }
    unsigned char* separate = range + place;
    WriteWord(separate, pages);
    WriteWord(separate + 8, SEPARATETAG | (place + 8));
    return separate + SEPARATEHEADER;
}

void* qzBatchAllocator::Allocate(uint32_t size) {
    QZASSERT(size != 0, "size!=0");
    if (size > blocksize)
        return AllocateSeparate(size);
    // 64-bit sums: used may stand a few bytes past the block size after rounding.
    if (static_cast<uint64_t>(used) + size > blocksize)
        OpenBlock();
    void* result = block + HEADER + used;
    uint64_t rounded = (static_cast<uint64_t>(size) + ALIGNMENT - 1) & ~uint64_t(ALIGNMENT - 1);
    uint64_t grown = static_cast<uint64_t>(used) + rounded;
    // Past the block size the block counts as full either way; capping keeps the value in 32 bits.
    used = static_cast<uint32_t>(std::min<uint64_t>(grown, blocksize));
    return result;
}

void qzBatchAllocator::Free(void* p) {
    auto* mark = static_cast<unsigned char*>(p) - 8;
    if (range == nullptr || ReadWord(mark) != (SEPARATETAG | uint64_t(mark - range)))
        return;
    unsigned char* separate = mark - 8;
    size_t pages = ReadWord(separate);
    qzDiscardPages(separate, pages * page);
    QZ_POISON(separate, pages * page);
    freespans[pages].push_back(size_t(separate - range));
}

// Released separate blocks are poisoned; what takes their memory next must find it usable.
void qzBatchAllocator::UnpoisonReleased() {
    for (const auto& [pages, places] : freespans)
        for (size_t place : places)
            QZ_UNPOISON(range + place, pages * page);
}

// Releasing the range releases every block at once.
void qzBatchAllocator::Reset() {
    used = blocksize;
    block = nullptr;
    if (range != nullptr) {
        UnpoisonReleased();
        qzReleaseRange(range, RANGE);
    }
    range = nullptr;
    carve = committed = 0;
    top = RANGE;
    nextchunksize = FIRSTCHUNK;
    freespans.clear();
}

void qzBatchAllocator::CopyFrom(const qzBatchAllocator& source) {
    if (&source == this)
        return;
    if (source.range == nullptr) {
        Reset();
        return;
    }
    if (range == nullptr)
        Reserve();
    UnpoisonReleased();
    // Shrinking first keeps the two parts apart while the other grows.
    if (source.committed < committed)
        SetCommitted(source.committed);
    if (source.top > top)
        SetTop(source.top);
    SetCommitted(source.committed);
    SetTop(source.top);
    std::memcpy(range + page, source.range + page, source.carve - page);
    // The separate blocks are copied around the released ones, which hold nothing and may be poisoned.
    std::vector<std::pair<size_t, size_t>> released;
    for (const auto& [pages, places] : source.freespans)
        for (size_t place : places)
            released.emplace_back(place, place + pages * page);
    std::sort(released.begin(), released.end());
    size_t from = source.top;
    for (const auto& [start, end] : released) {
        std::memcpy(range + from, source.range + from, start - from);
        qzDiscardPages(range + start, end - start);
        QZ_POISON(range + start, end - start);
        from = end;
    }
    std::memcpy(range + from, source.range + from, RANGE - from);
    blocksize = source.blocksize;
    used = source.used;
    block = Translate(source, source.block);
    carve = source.carve;
    nextchunksize = source.nextchunksize;
    freespans = source.freespans;
}

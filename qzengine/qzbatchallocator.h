// Hands out small records from large blocks that are released together; a request larger than the block
// size gets a separate block of its own that Free releases.
//
// Everything an allocator hands out lies in one address range of its own, reserved on the first request and
// aligned to its size, so that records can link each other by 32-bit places in it (qzLink). Chained blocks
// are carved upwards from the range's start, separate blocks downwards from its end; memory becomes usable
// only as the two grow. Block headers hold places in the range, not addresses, so a copy of the range's
// contents is a valid allocator of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

class qzBatchAllocator {
public:
    explicit qzBatchAllocator(uint32_t blocksize);
    qzBatchAllocator(const qzBatchAllocator&) = delete;
    qzBatchAllocator& operator=(const qzBatchAllocator&) = delete;
    ~qzBatchAllocator();

    // Every result is aligned for any record of doubles and links.
    void* Allocate(uint32_t size);
    void Free(void* p);
    void Reset();

    // Makes this allocator an exact copy of another: every record at the same place of this range, every
    // block and every released separate block as there. Memory already usable here is reused.
    void CopyFrom(const qzBatchAllocator& source);
    // Where a record of the source of CopyFrom lies in this allocator.
    template <class T> T* Translate(const qzBatchAllocator& source, T* record) const {
        if (record == nullptr)
            return nullptr;
        return reinterpret_cast<T*>(range + (reinterpret_cast<const unsigned char*>(record) - source.range));
    }

    // 16 GB: a link counts 4-byte units in 32 bits.
    static constexpr int RANGEBITS = 34;
    static constexpr size_t RANGE = size_t(1) << RANGEBITS;

    // Each chained block starts with a header word: the place of the block before it in the range, 0 for
    // the first. The header keeps the payload 8-byte aligned.
    static constexpr size_t HEADER = 8;
    static constexpr uint32_t ALIGNMENT = 8;

    // Chained blocks become usable in steps that grow from FIRSTCHUNK to LASTCHUNK bytes, doubling, so that
    // a large geometry costs one system call per step and a small one stays small.
    static constexpr size_t FIRSTCHUNK = size_t(64) << 10;
    static constexpr size_t LASTCHUNK = size_t(32) << 20;

    uint32_t blocksize;
    uint32_t used;
    unsigned char* block;

private:
    void Reserve();
    void OpenBlock();
    void* AllocateSeparate(uint32_t size);
    // Makes the chained blocks' part of the range usable, or gives memory back, up to the place end.
    void SetCommitted(size_t end);
    // The same for the separate blocks' part, down from the range's end to the place start.
    void SetTop(size_t start);
    void UnpoisonReleased();

    unsigned char* range = nullptr;
    size_t page = 0;
    // where the next chained block begins, and where the usable start of the range ends
    size_t carve = 0;
    size_t committed = 0;
    // the lowest separate block
    size_t top = RANGE;
    size_t nextchunksize = FIRSTCHUNK;
    // released separate blocks by their number of pages, for requests of the same size
    std::map<size_t, std::vector<size_t>> freespans;
};

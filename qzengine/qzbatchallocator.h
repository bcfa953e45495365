// Hands out small records from large blocks that are released together; a request larger than the block
// size gets a separate block of its own that Free releases.
#pragma once

#include <cstddef>
#include <cstdint>

class qzBatchAllocator {
public:
    explicit qzBatchAllocator(uint32_t blocksize);
    qzBatchAllocator(const qzBatchAllocator&) = delete;
    qzBatchAllocator& operator=(const qzBatchAllocator&) = delete;
    ~qzBatchAllocator();

    // Every result is aligned for any record of doubles and pointers.
    void* Allocate(uint32_t size);
    void Free(void* p);
    void Reset();

    // Each block starts with a header word: the previous block of the chain, or, for a separate block, its
    // own address. The header is a whole pointer and keeps the payload 8-byte aligned.
    static constexpr size_t HEADER = 8;
    static constexpr uint32_t ALIGNMENT = 8;

    // Chained blocks are carved one after the other from chunks obtained from the system, so that a large
    // geometry costs one system call per chunk and not one heap allocation per block. Chunks grow from
    // FIRSTCHUNK to LASTCHUNK bytes, doubling, so a small geometry stays small.
    static constexpr size_t FIRSTCHUNK = size_t(64) << 10;
    static constexpr size_t LASTCHUNK = size_t(32) << 20;

    uint32_t blocksize;
    uint32_t used;
    unsigned char* block;

private:
    void OpenBlock();

    // the newest chunk; its first word links the chunk before it, its second holds its size
    unsigned char* chunk = nullptr;
    // where the next block of the newest chunk begins, and where the chunk ends
    unsigned char* carve = nullptr;
    unsigned char* chunkend = nullptr;
    size_t nextchunksize = FIRSTCHUNK;
};

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

    // Each block starts with a header word: the previous block of the chain, or, for a separate block, its own
    // address. The header is a whole pointer and keeps the payload 8-byte aligned.
    static constexpr size_t HEADER = 8;
    static constexpr uint32_t ALIGNMENT = 8;

    uint32_t blocksize;
    uint32_t used;
    unsigned char* block;
};

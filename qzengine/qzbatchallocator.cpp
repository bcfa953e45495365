#include "qzbatchallocator.h"

#include "qzassert.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

static_assert(sizeof(void*) <= qzBatchAllocator::HEADER, "the block header holds a pointer");

namespace {

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

void WriteHeader(unsigned char* header, void* value) { std::memcpy(header, &value, sizeof value); }

} // namespace

qzBatchAllocator::qzBatchAllocator(uint32_t blocksize) : blocksize(blocksize), used(blocksize), block(nullptr) {}

qzBatchAllocator::~qzBatchAllocator() { Reset(); }

void* qzBatchAllocator::Allocate(uint32_t size) {
    QZASSERT(size != 0, "size!=0");
    if (size > blocksize) {
        unsigned char* separate = ObtainBlock(size);
        WriteHeader(separate, separate);
        return separate + HEADER;
    }
    // 64-bit sums: used may stand a few bytes past the block size after rounding.
    if (static_cast<uint64_t>(used) + size > blocksize) {
        unsigned char* fresh = ObtainBlock(blocksize);
        WriteHeader(fresh, block);
        block = fresh;
        used = 0;
    }
    void* result = block + HEADER + used;
    uint64_t grown = static_cast<uint64_t>(used) + ((static_cast<uint64_t>(size) + ALIGNMENT - 1) & ~uint64_t(ALIGNMENT - 1));
    // Past the block size the block counts as full either way; capping keeps the value in 32 bits.
    used = static_cast<uint32_t>(std::min<uint64_t>(grown, blocksize));
    return result;
}

void qzBatchAllocator::Free(void* p) {
    unsigned char* header = static_cast<unsigned char*>(p) - HEADER;
    if (ReadHeader(header) == header)
        std::free(header);
}

void qzBatchAllocator::Reset() {
    used = blocksize;
    while (block != nullptr) {
        unsigned char* previous = static_cast<unsigned char*>(ReadHeader(block));
        std::free(block);
        block = previous;
    }
}

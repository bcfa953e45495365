#include "qzbatchallocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

TEST(BatchAllocator, SmallRequestsTakeEightBytesOfOneBlockUntilOneNoLongerFits) {
    qzBatchAllocator a(4000);
    auto* p1 = static_cast<unsigned char*>(a.Allocate(1));
    auto* p2 = static_cast<unsigned char*>(a.Allocate(8));
    auto* p3 = static_cast<unsigned char*>(a.Allocate(3));
    EXPECT_EQ(p2 - p1, 8);
    EXPECT_EQ(p3 - p2, 8);
    EXPECT_EQ(a.used, 24u);

    // A request that does not fit opens a new block, and a smaller one that would have fitted in the old
    // block still goes to the new one.
    qzBatchAllocator b(64);
    b.Allocate(40);
    unsigned char* firstblock = b.block;
    unsigned char* second = static_cast<unsigned char*>(b.Allocate(30));
    EXPECT_NE(b.block, firstblock);
    EXPECT_EQ(second, b.block + qzBatchAllocator::HEADER);
    EXPECT_EQ(static_cast<unsigned char*>(b.Allocate(8)), second + 32);
}

TEST(BatchAllocatorDeath, ZeroSizeIsAnAssertion) {
    qzBatchAllocator a(64);
    EXPECT_DEATH(a.Allocate(0), "Expression: size!=0");
}

namespace {

// Walks the chain from the newest block by the header words.
size_t ChainLength(const qzBatchAllocator& a) {
    size_t n = 0;
    for (unsigned char* b = a.block; b != nullptr; ++n)
        std::memcpy(&b, b, sizeof b);
    return n;
}

} // namespace

// Enough records to fill several chunks: each request must come back writable and disjoint from every other
// one, whatever mix of sizes leads up to it, and the chain must count one block per block opened.
TEST(BatchAllocator, RandomRequestsOverManyChunksStayDisjointAndIntact) {
    for (uint32_t blocksize : {64u, 4000u, 100000u}) {
        qzBatchAllocator a(blocksize);
        std::mt19937 random(blocksize);
        struct Record {
            unsigned char* p;
            uint32_t size;
            unsigned char fill;
        };
        std::vector<Record> records;
        std::vector<unsigned char*> separate;
        size_t opened = 0;
        uint64_t total = 0;
        while (total < 3 * qzBatchAllocator::LASTCHUNK / 2) {
            uint32_t size = 1 + random() % (blocksize + blocksize / 8);
            unsigned char* before = a.block;
            auto* p = static_cast<unsigned char*>(a.Allocate(size));
            ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % qzBatchAllocator::ALIGNMENT, 0u);
            if (size > blocksize) {
                EXPECT_EQ(a.block, before);
                separate.push_back(p);
            } else {
                if (a.block != before) {
                    ++opened;
                    EXPECT_EQ(p, a.block + qzBatchAllocator::HEADER);
                }
                EXPECT_TRUE(p >= a.block + qzBatchAllocator::HEADER &&
                            p + size <= a.block + qzBatchAllocator::HEADER + blocksize);
            }
            unsigned char fill = static_cast<unsigned char>(records.size() * 7 + 1);
            std::memset(p, fill, size);
            records.push_back({p, size, fill});
            total += size;
        }
        EXPECT_EQ(ChainLength(a), opened);
        for (const Record& r : records)
            for (uint32_t i = 0; i < r.size; i += 1 + r.size / 16)
                ASSERT_EQ(r.p[i], r.fill) << "an overlapping request overwrote this one";
        for (unsigned char* p : separate)
            a.Free(p);
        a.Reset();
        EXPECT_EQ(ChainLength(a), 0u);
        // after a reset the allocator serves requests as a new one does
        auto* p = static_cast<unsigned char*>(a.Allocate(8));
        EXPECT_EQ(p, a.block + qzBatchAllocator::HEADER);
        EXPECT_EQ(ChainLength(a), 1u);
    }
}

// Blocks carved from a shared chunk must not look like separate blocks to Free, even right at the start of
// a chunk, where the word before the record is the block header.
TEST(BatchAllocator, FreeOfTheFirstRecordOfEveryBlockReleasesNothing) {
    qzBatchAllocator a(4000);
    for (int i = 0; i < 3000; ++i) {
        auto* p = static_cast<unsigned char*>(a.Allocate(i % 2 == 0 ? 4000 : 16));
        std::memset(p, 0x33, 16);
        a.Free(p);
        a.Free(p + 8); // inside the record: nothing either
        ASSERT_EQ(p[15], 0x33);
    }
}

#include "qzbatchallocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>

TEST(BatchAllocator, SmallRequestsTakeEightBytesOfOneBlock) {
    qzBatchAllocator a(4000);
    auto* p1 = static_cast<unsigned char*>(a.Allocate(1));
    auto* p2 = static_cast<unsigned char*>(a.Allocate(8));
    auto* p3 = static_cast<unsigned char*>(a.Allocate(3));
    EXPECT_EQ(p2 - p1, 8);
    EXPECT_EQ(p3 - p2, 8);
    EXPECT_EQ(a.used, 24u);
}

TEST(BatchAllocator, ResultsAreAlignedForPointersAndDoubles) {
    qzBatchAllocator a(100);
    for (uint32_t size : {1u, 3u, 7u, 13u, 99u, 100u, 101u, 5000u}) {
        void* p = a.Allocate(size);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u) << size;
        std::memset(p, 0xAB, size); // the whole request is writable
        a.Free(p);
    }
}

TEST(BatchAllocator, RequestThatDoesNotFitOpensANewBlock) {
    qzBatchAllocator a(64);
    unsigned char* first = static_cast<unsigned char*>(a.Allocate(40));
    unsigned char* firstblock = a.block;
    unsigned char* second = static_cast<unsigned char*>(a.Allocate(30)); // 40 + 30 > 64
    EXPECT_NE(a.block, firstblock);
    EXPECT_EQ(second, a.block + qzBatchAllocator::HEADER);
    // A smaller request that would have fitted in the old block still goes to the new one.
    unsigned char* third = static_cast<unsigned char*>(a.Allocate(8));
    EXPECT_EQ(third, second + 32);
    EXPECT_TRUE(first >= firstblock && first < firstblock + qzBatchAllocator::HEADER + 64);
}

TEST(BatchAllocator, LargeRequestGetsSeparateBlockOutsideTheChain) {
    qzBatchAllocator a(64);
    a.Allocate(8);
    unsigned char* chain = a.block;
    void* big = a.Allocate(65);
    EXPECT_EQ(a.block, chain);
    EXPECT_EQ(a.used, 8u);
    std::memset(big, 0, 65);
    a.Free(big); // released at once: the sanitizer build reports a leak or a double free otherwise
}

TEST(BatchAllocator, FreeInsideABlockReleasesNothing) {
    qzBatchAllocator a(64);
    auto* p = static_cast<unsigned char*>(a.Allocate(16));
    std::memset(p, 0x5A, 16);
    a.Free(p);
    a.Free(p + 8 + 0); // still inside the block, still nothing
    EXPECT_EQ(p[0], 0x5A);
}

TEST(BatchAllocator, ResetReleasesTheChainAndStartsOver) {
    qzBatchAllocator a(32);
    std::set<void*> seen;
    for (int i = 0; i < 100; ++i)
        seen.insert(a.Allocate(24));
    EXPECT_EQ(seen.size(), 100u);
    a.Reset();
    EXPECT_EQ(a.block, nullptr);
    EXPECT_EQ(a.used, 32u);
    EXPECT_NE(a.Allocate(8), nullptr);
}

TEST(BatchAllocatorDeath, ZeroSizeIsAnAssertion) {
    qzBatchAllocator a(64);
    EXPECT_DEATH(a.Allocate(0), "Expression: size!=0");
}

#include "qzbatchallocator.h"
#include "qzvirtualmemory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <set>
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

// Walks the chain from the newest block by the header words, places in the range that holds the blocks.
size_t ChainLength(const qzBatchAllocator& a) {
    const uintptr_t range = reinterpret_cast<uintptr_t>(a.block) & ~uintptr_t(qzBatchAllocator::RANGE - 1);
    size_t n = 0;
    for (unsigned char* b = a.block; b != nullptr; ++n) {
        uint64_t place;
        std::memcpy(&place, b, sizeof place);
        b = place == 0 ? nullptr : reinterpret_cast<unsigned char*>(range + place);
    }
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
            // now and then a request larger than a block, which takes pages of its own
            uint32_t size =
                random() % 32 == 0 ? blocksize + 1 + random() % (blocksize / 8) : 1 + random() % blocksize;
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

// A copy is a whole allocator of its own: every record at the same place of its range with the same bytes,
// the released separate blocks released there too, and nothing shared with the source, whether the copy
// had more memory in use before or none.
TEST(BatchAllocator, ACopyHoldsEveryRecordAtItsPlaceAndOutlivesItsSource) {
    qzBatchAllocator source(4000);
    std::mt19937 random(7);
    std::vector<std::pair<unsigned char*, uint32_t>> records;
    std::vector<std::pair<unsigned char*, uint32_t>> released;
    for (int i = 0; i < 3000; ++i) {
        uint32_t size = i % 50 == 0 ? 4001 + random() % 20000 : 1 + random() % 300;
        auto* p = static_cast<unsigned char*>(source.Allocate(size));
        std::memset(p, static_cast<int>(random()), size);
        (size > 4000 && i % 100 == 0 ? released : records).emplace_back(p, size);
    }
    for (const auto& [p, size] : released)
        source.Free(p);
    qzBatchAllocator larger(4000), empty(4000);
    for (int i = 0; i < 20000; ++i)
        larger.Allocate(i % 10 == 0 ? 9000 : 200);
    for (qzBatchAllocator* copy : {&larger, &empty}) {
        copy->CopyFrom(source);
        EXPECT_EQ(copy->used, source.used);
        EXPECT_EQ(copy->block, copy->Translate(source, source.block));
        for (const auto& [p, size] : records)
            ASSERT_EQ(std::memcmp(copy->Translate(source, p), p, size), 0);
        // the released blocks are taken again by requests of their sizes, in the copy as in the source
        std::multiset<void*> places;
        for (const auto& [p, size] : released)
            places.insert(copy->Translate(source, p));
        for (const auto& [p, size] : released) {
            auto found = places.find(copy->Allocate(size));
            ASSERT_NE(found, places.end());
            places.erase(found);
        }
    }
    std::vector<unsigned char> saved(records.back().first, records.back().first + records.back().second);
    unsigned char* kept = empty.Translate(source, records.back().first);
    source.Reset();
    EXPECT_EQ(std::memcmp(kept, saved.data(), saved.size()), 0);
    // the copy goes on where the source stood
    void* next = empty.Allocate(4000);
    EXPECT_EQ(next, empty.block + qzBatchAllocator::HEADER);
}

// The address space under the allocator: ranges aligned to their size, pages that become usable, read zeros
// after they were given back and fault while they are, and stay usable when only their contents are dropped.
TEST(VirtualMemory, AlignedRangesWithPagesMadeUsableAndGivenBack) {
    const size_t page = qzGetPageSize();
    ASSERT_GE(page, 4096u);
    ASSERT_EQ(page & (page - 1), 0u);
    const size_t size = qzBatchAllocator::RANGE;
    unsigned char* first = qzReserveAlignedRange(size);
    unsigned char* second = qzReserveAlignedRange(size);
    for (unsigned char* range : {first, second}) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(range) % size, 0u);
        qzCommitPages(range + page, 4 * page);
        std::memset(range + page, 0xAB, 4 * page);
        qzDecommitPages(range + 2 * page, page);
        EXPECT_DEATH(*reinterpret_cast<volatile unsigned char*>(range + 2 * page) = 1, "");
        qzCommitPages(range + 2 * page, page);
        EXPECT_EQ(range[2 * page], 0);
        EXPECT_EQ(range[3 * page - 1], 0);
        EXPECT_EQ(range[2 * page - 1], 0xAB);
        EXPECT_EQ(range[3 * page], 0xAB);
        qzDiscardPages(range + 3 * page, page);
        range[3 * page] = 1;
        EXPECT_EQ(range[3 * page], 1);
        // the last page of the range is as usable as the first
        qzCommitPages(range + size - page, page);
        range[size - 1] = 2;
        EXPECT_EQ(range[size - 1], 2);
    }
    EXPECT_NE(first, second);
    qzReleaseRange(first, size);
    qzReleaseRange(second, size);
}

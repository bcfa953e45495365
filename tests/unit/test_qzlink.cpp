#include "qzbatchallocator.h"
#include "qzlink.h"

#include <gtest/gtest.h>

#include <new>

namespace {

struct Record {
    qzLink<Record> next;
    int value = 0;
};

Record* Make(qzBatchAllocator& a, int value) {
    Record* r = new (a.Allocate(sizeof(Record))) Record;
    r->value = value;
    return r;
}

} // namespace

// A link reads back the record it was given, near or far in the range, and nothing once cleared.
TEST(Link, ReadsBackItsRecordNearOrFar) {
    qzBatchAllocator a(64);
    Record* first = Make(a, 1);
    Record* near = Make(a, 2);
    for (int i = 0; i < 100000; ++i)
        a.Allocate(64);
    Record* far = new (a.Allocate(100000)) Record;
    first->next = near;
    near->next = far;
    EXPECT_EQ(first->next->next, far);
    EXPECT_EQ(far->next, nullptr);
    first->next = nullptr;
    EXPECT_EQ(first->next, nullptr);
}

TEST(LinkDeath, ALinkBetweenTwoRangesIsAnAssertion) {
    qzBatchAllocator a(64), b(64);
    Record* here = Make(a, 1);
    Record* there = Make(b, 2);
    EXPECT_DEATH(here->next = there, "Expression: a link within one range");
}

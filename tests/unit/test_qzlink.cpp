#include "qzbatchallocator.h"
#include "qzlink.h"

#include <gtest/gtest.h>

#include <new>

namespace {

struct Record {
    qzLink<Record> next;
};

} // namespace

// A link holds a place in its own range: a record of another range cannot be reached from it.
TEST(LinkDeath, ALinkBetweenTwoRangesIsAnAssertion) {
    qzBatchAllocator a(64), b(64);
    Record* here = new (a.Allocate(sizeof(Record))) Record;
    Record* there = new (b.Allocate(sizeof(Record))) Record;
    EXPECT_DEATH(here->next = there, "Expression: a link within one range");
}

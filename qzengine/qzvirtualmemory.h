// Address space for qzBatchAllocator: a range reserved without memory behind it, whose pages are made usable
// and given back in parts. Sizes and starts are multiples of the page size; a size of 0 does nothing.
#pragma once

#include <cstddef>

size_t qzGetPageSize();

// A range of size bytes (a power of two) at an address aligned to size; no page of it is usable yet. Throws
// std::bad_alloc.
unsigned char* qzReserveAlignedRange(size_t size);
// The whole range goes back, usable pages and all.
void qzReleaseRange(unsigned char* start, size_t size);

// The pages become usable; those never used or given back read as zeros. Throws std::bad_alloc.
void qzCommitPages(unsigned char* start, size_t size);
// The pages' memory goes back to the system; their addresses stay reserved and unusable.
void qzDecommitPages(unsigned char* start, size_t size);
// The pages' contents are no longer needed: the system may take their memory back, and they stay usable with
// contents undefined.
void qzDiscardPages(unsigned char* start, size_t size);

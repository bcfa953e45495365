// Millisecond time kept to 32 bits. The counter wraps after about 49.7 days; differences, sums and the
// at-or-after test stay right across the wrap because they are computed modulo 2^32 and the test looks at
// the signed difference.
#pragma once

#include <cstdint>

// Milliseconds of a monotonic clock, modulo 2^32.
uint32_t GetTime();

// Blocks the calling thread for at least the given milliseconds.
void Sleep(uint32_t milliseconds);

// a - b: the milliseconds from b to a when a is the later one.
constexpr uint32_t qzTimeDifference(uint32_t a, uint32_t b) {
    return a - b;
}

constexpr uint32_t qzTimeSum(uint32_t time, uint32_t milliseconds) {
    return time + milliseconds;
}

// Whether a is at or after b: their distance is taken as less than about 24.8 days either way.
constexpr bool qzTimeAtOrAfter(uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - b) >= 0;
}

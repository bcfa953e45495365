// The default timer resolution on POSIX: the monotonic clock's, which needs no raising.
#include "qztimeprecision.h"

#include <ctime>

uint32_t qzTimerResolution::GetMinimumPeriod() {
    timespec resolution;
    if (clock_getres(CLOCK_MONOTONIC, &resolution) != 0)
        return 1;
    uint64_t nanoseconds = static_cast<uint64_t>(resolution.tv_sec) * 1000000000u + resolution.tv_nsec;
    uint64_t milliseconds = (nanoseconds + 999999u) / 1000000u;
    if (milliseconds < 1)
        return 1;
    return milliseconds > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(milliseconds);
}

bool qzTimerResolution::BeginPeriod(uint32_t) {
    return true;
}

bool qzTimerResolution::EndPeriod(uint32_t) {
    return true;
}

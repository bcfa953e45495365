// GetTime and Sleep on POSIX: the monotonic clock and nanosleep.
#include "qztime.h"

#include <cerrno>
#include <ctime>

uint32_t GetTime() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t milliseconds =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(milliseconds);
}

void Sleep(uint32_t milliseconds) {
    timespec wanted{static_cast<time_t>(milliseconds / 1000),
                    static_cast<long>(milliseconds % 1000) * 1000000L};
    // A signal cuts the sleep short; the rest is slept after it.
    while (nanosleep(&wanted, &wanted) != 0 && errno == EINTR) {
    }
}

// Raises the precision of the platform's timers for as long as it lives: GetTime and Sleep then work to the
// period it holds. A platform that refuses the period makes it throw qzWindowsException.
#pragma once

#include <cstdint>

// What the platform offers. The default one on POSIX reads the monotonic clock's resolution and never refuses
// (the timers there need no raising); on Windows it is the multimedia timer (timeGetDevCaps, timeBeginPeriod,
// timeEndPeriod).
class qzTimerResolution {
public:
    virtual ~qzTimerResolution() = default;
    // The smallest period in milliseconds, at least 1.
    virtual uint32_t GetMinimumPeriod();
    // Each answers whether the platform accepted the period.
    virtual bool BeginPeriod(uint32_t period);
    virtual bool EndPeriod(uint32_t period);
};

// The resolution stays owned by the caller; null restores the default one.
void qzSetTimerResolution(qzTimerResolution* resolution);

class qzTimePrecision {
public:
    explicit qzTimePrecision(uint32_t period);
    // Throws when the platform refuses to end the period, unless an exception is already on its way up.
    ~qzTimePrecision() noexcept(false);
    qzTimePrecision(const qzTimePrecision&) = delete;
    qzTimePrecision& operator=(const qzTimePrecision&) = delete;

    uint32_t period;

private:
    // The period is ended where it was begun.
    qzTimerResolution* resolution;
};

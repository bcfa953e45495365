#include "qztimeprecision.h"

#include "qzexceptions.h"

#include <ctime>
#include <exception>

namespace {

qzTimerResolution defaultResolution;
qzTimerResolution* installedResolution = &defaultResolution;

} // namespace

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

void qzSetTimerResolution(qzTimerResolution* resolution) {
    installedResolution = resolution != nullptr ? resolution : &defaultResolution;
}

qzTimePrecision::qzTimePrecision(uint32_t period) : period(period), resolution(installedResolution) {
    uint32_t minimum = resolution->GetMinimumPeriod();
    if (this->period < minimum)
        this->period = minimum;
    if (!resolution->BeginPeriod(this->period))
        throw qzWindowsException("qzTimePrecision::qzTimePrecision", "timeBeginPeriod");
}

qzTimePrecision::~qzTimePrecision() noexcept(false) {
    // A second exception during unwinding would end the program.
    if (!resolution->EndPeriod(period) && std::uncaught_exceptions() == 0)
        throw qzWindowsException("qzTimePrecision::qzTimePrecision", "timeEndPeriod");
}

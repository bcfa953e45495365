#include "qztimeprecision.h"

#include "qzexceptions.h"

#include <exception>

namespace {

qzTimerResolution defaultResolution;
qzTimerResolution* installedResolution = &defaultResolution;

} // namespace

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

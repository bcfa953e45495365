// The default timer resolution on Windows: the multimedia timer's period.
#include "qztimeprecision.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>

#include <mmsystem.h>

uint32_t qzTimerResolution::GetMinimumPeriod() {
    TIMECAPS caps;
    if (timeGetDevCaps(&caps, sizeof caps) != MMSYSERR_NOERROR || caps.wPeriodMin < 1)
        return 1;
    return caps.wPeriodMin;
}

bool qzTimerResolution::BeginPeriod(uint32_t period) {
    return timeBeginPeriod(period) != TIMERR_NOCANDO;
}

bool qzTimerResolution::EndPeriod(uint32_t period) {
    return timeEndPeriod(period) != TIMERR_NOCANDO;
}

#include "qzframeticker.h"

#include "qzassert.h"
#include "qztime.h"

qzFrameTicker::qzFrameTicker(uint32_t rate) : qzFrameTicker(rate, GetTime()) {}

qzFrameTicker::qzFrameTicker(uint32_t rate, uint32_t now)
    : rate(rate), remainder(0), nextdue(now), secondstart(now), interval(0), framecount(0),
      lastsecondframes(0), averageframetime(0) {
    QZASSERT(rate > 0, "rate>0");
}

bool qzFrameTicker::Tick() {
    return Tick(GetTime());
}

bool qzFrameTicker::Tick(uint32_t now) {
    if (qzTimeAtOrAfter(now, qzTimeSum(secondstart, 1000))) {
        lastsecondframes = framecount;
        // Wide arithmetic: after a long pause the product does not fit 32 bits.
        uint64_t average = 0;
        if (framecount != 0)
            average = static_cast<uint64_t>(qzTimeDifference(now, secondstart)) * 1000u / framecount;
        averageframetime = average > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(average);
        secondstart = qzTimeSum(secondstart, 1000);
        framecount = 0;
    }

    if (!qzTimeAtOrAfter(now, qzTimeSum(nextdue, interval)))
        return false;

    nextdue = qzTimeSum(nextdue, interval);
    interval = 1000 / rate;
    remainder += 1000 % rate;
    if (remainder >= rate) {
        remainder -= rate;
        interval += 1;
    }

    // Behind: the next frame is due at once instead of a run of frames catching up.
    uint32_t behind = qzTimeDifference(now, nextdue);
    if (behind > interval)
        interval = behind;

    framecount += 1;
    return true;
}

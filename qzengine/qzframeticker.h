// Says when a frame is due for a given rate in frames per second, so that r frames take exactly 1000 ms on
// average, and counts the frames of each second. A program that falls behind gets no backlog of due frames.
#pragma once

#include <cstdint>

class qzFrameTicker {
public:
    // The clock starts at GetTime, or at now.
    explicit qzFrameTicker(uint32_t rate);
    qzFrameTicker(uint32_t rate, uint32_t now);

    // Whether a frame is due now (GetTime, or the given time).
    bool Tick();
    bool Tick(uint32_t now);

    uint32_t rate;
    uint32_t remainder;   // accumulated 1000 mod rate, for the extra millisecond of some intervals
    uint32_t nextdue;     // the time of the last due frame; the next is due interval ms after it
    uint32_t secondstart; // start of the second being counted
    uint32_t interval;    // ms
    uint32_t framecount;  // frames counted in the current second
    uint32_t lastsecondframes;
    uint32_t averageframetime; // of the last second, in microseconds
};

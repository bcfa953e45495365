#include "failure.h"
#include "qzframeticker.h"
#include "qztime.h"
#include "qztimeprecision.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <string>
#include <vector>

TEST(Time, ArithmeticHoldsAcrossTheWrap) {
    std::mt19937 random(5);
    for (int i = 0; i < 100000; ++i) {
        uint32_t a = random();
        uint32_t d = random() & 0x7FFFFFFFu;
        uint32_t later = qzTimeSum(a, d);
        ASSERT_EQ(qzTimeDifference(later, a), d);
        ASSERT_TRUE(qzTimeAtOrAfter(later, a));
        ASSERT_EQ(qzTimeAtOrAfter(a, later), d == 0);
    }
}

namespace {

// Ticks once a millisecond from start for the given time and returns the times of the due frames.
std::vector<uint32_t> DueFrames(qzFrameTicker& ticker, uint32_t start, uint32_t milliseconds) {
    std::vector<uint32_t> due;
    for (uint32_t t = 0; t < milliseconds; ++t)
        if (ticker.Tick(start + t))
            due.push_back(start + t);
    return due;
}

} // namespace

TEST(FrameTicker, EverySecondHoldsExactlyRateFramesAtEvenIntervals) {
    for (uint32_t rate : {1u, 7u, 24u, 30u, 60u, 75u, 144u, 999u, 1000u}) {
        for (uint32_t start : {0u, 123456u, 0xFFFFFFFFu - 2500u}) {
            SCOPED_TRACE(std::to_string(rate) + " at " + std::to_string(start));
            qzFrameTicker ticker(rate, start);
            const uint32_t seconds = 6;
            std::vector<uint32_t> due;
            for (uint32_t s = 0; s < seconds; ++s) {
                std::vector<uint32_t> second = DueFrames(ticker, start + s * 1000, 1000);
                ASSERT_EQ(second.size(), rate) << "second " << s;
                due.insert(due.end(), second.begin(), second.end());
                if (s > 0) { // the second just finished was rolled over by the first tick of this one
                    EXPECT_EQ(ticker.lastsecondframes, rate);
                    EXPECT_EQ(ticker.averageframetime, 1000000u / rate);
                }
            }
            EXPECT_EQ(due.front(), start);
            for (size_t i = 1; i < due.size(); ++i) {
                uint32_t gap = qzTimeDifference(due[i], due[i - 1]);
                ASSERT_TRUE(gap == 1000 / rate || gap == 1000 / rate + 1) << gap;
            }
            // Any rate consecutive frames span exactly one second.
            for (size_t i = rate; i < due.size(); ++i)
                ASSERT_EQ(qzTimeDifference(due[i], due[i - rate]), 1000u);
        }
    }
}

TEST(FrameTicker, AStallLeavesNoBacklog) {
    for (uint32_t rate : {30u, 60u, 144u}) {
        SCOPED_TRACE(rate);
        const uint32_t start = 0xFFFFFFFFu - 1200u; // the stall straddles the wrap of the clock
        qzFrameTicker ticker(rate, start);
        DueFrames(ticker, start, 1000);

        // 500 ms without a tick: the late frame and one more at once, not the thirty that would have been
        // due.
        uint32_t resume = start + 1500;
        int atonce = 0;
        for (int i = 0; i < 100; ++i)
            atonce += ticker.Tick(resume);
        EXPECT_EQ(atonce, 2);

        // Then the regular pace again, from the moment of resuming.
        std::vector<uint32_t> due = DueFrames(ticker, resume + 1, 3000);
        ASSERT_FALSE(due.empty());
        uint32_t first = qzTimeDifference(due.front(), resume);
        EXPECT_TRUE(first == 1000 / rate || first == 1000 / rate + 1) << first;
        for (size_t i = rate; i < due.size(); ++i)
            ASSERT_EQ(qzTimeDifference(due[i], due[i - rate]), 1000u);
    }
}

TEST(FrameTicker, SecondStatisticsAfterALongPause) {
    qzFrameTicker ticker(50, 1000);
    DueFrames(ticker, 1000, 500); // 25 frames in the first half second
    EXPECT_EQ(ticker.framecount, 25u);
    // The first tick a second later rolls the counted second over, timed up to that tick.
    ticker.Tick(1000 + 5000000);
    EXPECT_EQ(ticker.lastsecondframes, 25u);
    EXPECT_EQ(ticker.averageframetime, 5000000ull * 1000u / 25u); // the product needs more than 32 bits
    EXPECT_EQ(ticker.secondstart, 2000u);
}

namespace {

struct ScriptedResolution : qzTimerResolution {
    uint32_t minimum = 5;
    bool refusebegin = false;
    bool refuseend = false;
    std::vector<std::string> calls;
    uint32_t GetMinimumPeriod() override { return minimum; }
    bool BeginPeriod(uint32_t period) override {
        calls.push_back("begin " + std::to_string(period));
        return !refusebegin;
    }
    bool EndPeriod(uint32_t period) override {
        calls.push_back("end " + std::to_string(period));
        return !refuseend;
    }
};

struct InstalledResolution {
    explicit InstalledResolution(qzTimerResolution* resolution) { qzSetTimerResolution(resolution); }
    ~InstalledResolution() { qzSetTimerResolution(nullptr); }
};

} // namespace

TEST(TimePrecision, PeriodIsRaisedToThePlatformMinimumAndEndedAsBegun) {
    {
        qzTimePrecision precision(0);
        EXPECT_GE(precision.period, 1u);
        qzTimePrecision fine(1000);
        EXPECT_EQ(fine.period, 1000u);
    }
    ScriptedResolution scripted;
    {
        InstalledResolution installed(&scripted);
        qzTimePrecision raised(2);
        EXPECT_EQ(raised.period, 5u);
        qzTimePrecision kept(9);
        EXPECT_EQ(kept.period, 9u);
        qzSetTimerResolution(nullptr); // the end still goes where the begin went
    }
    EXPECT_EQ(scripted.calls, (std::vector<std::string>{"begin 5", "begin 9", "end 9", "end 5"}));
}

TEST(TimePrecision, RefusalsThrowWindowsExceptionsNamingTheCall) {
    ScriptedResolution scripted;
    InstalledResolution installed(&scripted);
    scripted.refusebegin = true;
    EXPECT_EQ(Failure([] { qzTimePrecision precision(1); }),
              "qzTimePrecision::qzTimePrecision timeBeginPeriod");
    EXPECT_EQ(scripted.calls, (std::vector<std::string>{"begin 5"})); // a refused period is not ended
    scripted.refusebegin = false;
    scripted.refuseend = true;
    EXPECT_EQ(Failure([] { qzTimePrecision precision(7); }),
              "qzTimePrecision::qzTimePrecision timeEndPeriod");
    EXPECT_EQ(scripted.calls.back(), "end 7");

    // While another exception is on its way up the refusal is not thrown over it.
    EXPECT_THROW(
        {
            qzTimePrecision precision(8);
            throw qzIOException();
        },
        qzIOException);
    EXPECT_EQ(scripted.calls.back(), "end 8");
}

// The thread timer's due times over a thousand ticks, against start + n·period worked out in one
// product, and the waits after a late tick, worked out by hand.
#include <gtest/gtest.h>

#include <cstdint>

#include "engine/TickSchedule.h"

TEST(TickSchedule, DueTimesKeepTheRhythmSkipMissedTicksAndSurviveTheWrap) {
    // A 10 MHz counter has whole periods; on the 3.579545 MHz one 33 ms are 118,124.985 counts.
    constexpr std::uint64_t TenMHz = 10'000'000, PmTimer = 3'579'545;
    const struct {
        const char* name;
        std::uint64_t frequency;
        std::uint32_t periodMs;
        std::uint64_t start;
        std::uint64_t servedAfterDue; // counts, for every tick but the late one
        std::uint64_t lateTick, lateBy;
        // After the late tick: the tick due next, and the wait for it.
        std::uint64_t nextTick;
        std::uint32_t waitMs;
        std::uint64_t wait100ns;
    } cases[] = {
        {"on time", TenMHz, 33, 5'000'000, 0, 0, 0, 0, 0, 0},
        {"each tick 0.4 ms late", TenMHz, 125, 0, 4'000, 0, 0, 0, 0, 0},
        {"2.5 periods late: two skipped, the next half a period on", TenMHz, 33, 0, 0, 10, 825'000,
         13, 17, 165'000},
        {"served on a later due time: that one is missed too", TenMHz, 125, 0, 0, 10, 2'500'000, 13,
         125, 1'250'000},
        {"woken a count early; 236,250 counts late: 0.015 past tick 402", PmTimer, 33, 123,
         std::uint64_t{0} - 1, 400, 236'250, 403, 33, 329'998},
        {"the counter wraps between ticks 400 and 401", TenMHz, 125, std::uint64_t{0} - 500'000'005,
         0, 500, 1'875'000, 502, 63, 625'000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Unsigned: the reference wraps with the counter.
        auto due = [&](std::uint64_t n) { return c.start + n * c.periodMs * c.frequency / 1000; };
        TTickSchedule schedule(c.frequency);
        schedule.Start(c.start, c.periodMs);
        EXPECT_EQ(schedule.MillisecondsLeft(c.start), c.periodMs);
        for (std::uint64_t n = 1; n <= 1000;) {
            ASSERT_EQ(schedule.Due(), due(n)) << "tick " << n;
            const bool late = n == c.lateTick;
            const std::uint64_t now = due(n) + (late ? c.lateBy : c.servedAfterDue);
            schedule.Advance(now, c.periodMs);
            n = late ? c.nextTick : n + 1;
            if (late) {
                EXPECT_EQ(schedule.MillisecondsLeft(now), c.waitMs);
                EXPECT_EQ(schedule.HundredNanosecondsLeft(now), c.wait100ns);
            }
        }
    }
}

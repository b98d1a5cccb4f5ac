// When the thread timer's ticks are due, on a performance counter: tick n of a rhythm is due at
// start + n·period. Due times are kept apart from the moments the ticks really run, so late
// wake-ups add no drift. Platform-neutral: the caller reads the counter and waits.
#pragma once

#include <cstdint>

class TTickSchedule {
public:
    // `frequency`: counts a second of the counter the times are given in.
    explicit TTickSchedule(std::uint64_t frequency) noexcept : frequency_(frequency) {}

    // A fresh rhythm: the first tick is due one full period after `now`.
    void Start(std::uint64_t now, std::uint32_t periodMs) noexcept;
    // After the due tick has run, at `now`: the next due time is the first of the rhythm after
    // `now` and after the one just served. Missed ticks are skipped, not made up. A changed
    // period counts from the tick just served.
    void Advance(std::uint64_t now, std::uint32_t periodMs) noexcept;

    std::uint64_t Due() const noexcept { return due_; }
    // The time from `now` to the due time, rounded up; nothing once it has passed.
    std::uint32_t MillisecondsLeft(std::uint64_t now) const noexcept;
    std::uint64_t HundredNanosecondsLeft(std::uint64_t now) const noexcept;

private:
    void SetPeriod(std::uint32_t periodMs) noexcept;
    void Step(std::uint64_t steps) noexcept;
    std::uint64_t CountsLeft(std::uint64_t now) const noexcept;

    std::uint64_t frequency_;
    // The counter wraps modulo 2^64; differences of due times and readings stay right across the
    // wrap as long as they are below 2^63 counts.
    std::uint64_t due_ = 0;
    // A period in counts is rarely whole: its whole counts, and its rest in thousandths of a
    // count, which add up in `dueRest_` so that a thousand periods are exactly a thousand.
    std::uint64_t periodCounts_ = 1;
    std::uint32_t periodRest_ = 0;
    std::uint32_t dueRest_ = 0;
    std::uint32_t periodMs_ = 0;
};

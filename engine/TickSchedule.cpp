#include "engine/TickSchedule.h"

#include <algorithm>

namespace {

// Whether `time` has come at `now`, across the counter's wrap.
bool Reached(std::uint64_t time, std::uint64_t now) noexcept {
    return static_cast<std::int64_t>(now - time) >= 0;
}

// counts · unit / frequency, rounded up, split so that no product leaves 64 bits.
std::uint64_t CountsTo(std::uint64_t counts, std::uint64_t unit, std::uint64_t frequency) noexcept {
    return counts / frequency * unit + (counts % frequency * unit + frequency - 1) / frequency;
}

} // namespace

void TTickSchedule::Start(std::uint64_t now, std::uint32_t periodMs) noexcept {
    SetPeriod(periodMs);
    due_ = now;
    dueRest_ = 0;
    Step(1);
}

void TTickSchedule::Advance(std::uint64_t now, std::uint32_t periodMs) noexcept {
    if (std::max(periodMs, 1u) != periodMs_) {
        SetPeriod(periodMs);
        dueRest_ = 0;
    }
    // At least one step, even after a wake-up a hair before the due time: it has been served.
    Step(1);
    if (Reached(due_, now)) {
        // Most of the missed ticks in one leap (a period is less than one count longer than its
        // whole counts), the rest one by one.
        Step((now - due_) / (periodCounts_ + 1));
        while (Reached(due_, now))
            Step(1);
    }
}

std::uint32_t TTickSchedule::MillisecondsLeft(std::uint64_t now) const noexcept {
    // A wait of 0xFFFFFFFF ms would never end.
    constexpr std::uint64_t Longest = 0xFFFFFFFEu;
    const std::uint64_t counts = CountsLeft(now);
    if (counts / frequency_ >= Longest / 1000)
        return static_cast<std::uint32_t>(Longest);
    return static_cast<std::uint32_t>(CountsTo(counts, 1000, frequency_));
}

std::uint64_t TTickSchedule::HundredNanosecondsLeft(std::uint64_t now) const noexcept {
    return CountsTo(CountsLeft(now), 10'000'000, frequency_);
}

void TTickSchedule::SetPeriod(std::uint32_t periodMs) noexcept {
    // A period of 0 never ticks; a held worker may still be handed one.
    periodMs_ = std::max(periodMs, 1u);
    const std::uint64_t seconds = periodMs_ / 1000, thousandths = periodMs_ % 1000 * frequency_;
    periodCounts_ = seconds * frequency_ + thousandths / 1000;
    periodRest_ = static_cast<std::uint32_t>(thousandths % 1000);
}

void TTickSchedule::Step(std::uint64_t steps) noexcept {
    const std::uint64_t rest = dueRest_ + steps * periodRest_;
    due_ += steps * periodCounts_ + rest / 1000;
    dueRest_ = static_cast<std::uint32_t>(rest % 1000);
}

std::uint64_t TTickSchedule::CountsLeft(std::uint64_t now) const noexcept {
    return Reached(due_, now) ? 0 : due_ - now;
}

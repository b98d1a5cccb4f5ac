#include "engine/RaiseGate.h"

#include <algorithm>

bool TRaiseGate::ShouldRaise(const TFinding& found, std::uint64_t nowMs) noexcept {
    if (found.OrderWrong || found.Covered)
        return true;
    if (!found.UnpassedCovers) {
        count_ = 0; // they have gone, or no longer cover anything
        return false;
    }
    return nowMs - lastRaise_ >= RetryMs;
}

void TRaiseGate::Raised(std::span<const std::uintptr_t> stillCovering,
                        std::uint64_t nowMs) noexcept {
    lastRaise_ = nowMs;
    count_ = std::min(stillCovering.size(), MaxUnpassed);
    std::copy_n(stillCovering.begin(), count_, unpassed_.begin());
}

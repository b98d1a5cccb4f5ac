// When the tick raises the overlays. Platform-neutral: the caller walks the stacking order and
// tells what it found; windows are named by any number that tells them apart.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

class TRaiseGate {
public:
    // A raise that does not pass a window (one in a band above the topmost windows, as the
    // start menu is) changes nothing; it is tried again after this long.
    static constexpr std::uint64_t RetryMs = 1000;
    static constexpr std::size_t MaxUnpassed = 8;

    // What this tick's walk found: the overlays out of their order, a window covering the
    // pixel of an overlay that is not among Unpassed(), one of Unpassed() covering one.
    struct TFinding {
        bool OrderWrong = false;
        bool Covered = false;
        bool UnpassedCovers = false;
    };

    // The windows the last raise left above an overlay they cover: the walk passes over them.
    std::span<const std::uintptr_t> Unpassed() const noexcept { return {unpassed_.data(), count_}; }

    // Whether to raise now.
    bool ShouldRaise(const TFinding& found, std::uint64_t nowMs) noexcept;
    // After a raise: the windows that still cover an overlay's pixel.
    void Raised(std::span<const std::uintptr_t> stillCovering, std::uint64_t nowMs) noexcept;

private:
    std::array<std::uintptr_t, MaxUnpassed> unpassed_{};
    std::size_t count_ = 0;
    std::uint64_t lastRaise_ = 0;
};

// The arithmetic of a repair: the colours a flash steps through, the area it covers, and the
// texts of the repair window. Platform-neutral.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/ScreenLayout.h"
#include "store/DefectList.h"

// Black, white, red, green, blue (0x00BBGGRR): every sub-pixel fully off, all fully on, then
// each channel alone.
inline constexpr std::array<std::uint32_t, 5> FlashColors = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00,
                                                             0xFF0000};

// The colour of step `step`, counted from 0.
constexpr std::uint32_t FlashColor(std::uint64_t step) noexcept {
    return FlashColors[static_cast<std::size_t>(step % FlashColors.size())];
}

// Milliseconds from one colour to the next: about 30 changes a second.
inline constexpr std::uint32_t FlashStepMs = 33;

// The side of the square that flashes, in physical pixels, centred on the defect.
inline constexpr int FlashSide = 5;
// Every flash together must stay far below the area of a flash that can cause seizures (a
// quarter of a 10 degree field: over 20,000 pixels at 96 DPI).
static_assert(MaxDefects * FlashSide * FlashSide <= 625);

// The square that flashes for `pixel`, cut to `monitor`, the monitor that shows the pixel.
// Empty when the monitor does not hold the pixel.
TPixelRect FlashArea(TPixelPoint pixel, const TPixelRect& monitor) noexcept;

// The durations offered, in minutes.
inline constexpr std::array<int, 3> RepairMinutes = {10, 30, 60};

// The time left as the window shows it, rounded up to the second: "Noch 29:12".
std::wstring RemainingText(std::uint64_t remainingMs);

// What a repair of entry `index` works on ("Pixel 2 bei 640 x 480"), or with index -1 of every
// entry ("Alle 3 Pixel"; a list of one names its pixel).
std::wstring RepairTargetText(const TDefectList& defects, int index);

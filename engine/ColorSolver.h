// The colour arithmetic of the concealment: from the eight pixels around a defect and its flag
// bits to the colour of its overlay. Platform-neutral; reading the screen is left to the caller.
#pragma once

#include <cstdint>
#include <span>

// Three colour channels, each 0 to 255, in this order.
struct TRgb {
    std::uint8_t R;
    std::uint8_t G;
    std::uint8_t B;

    friend bool operator==(const TRgb&, const TRgb&) = default;
};

// Colour values are laid out 0x00BBGGRR. The top byte is ignored, so the screen's
// invalid-colour value 0xFFFFFFFF splits into white.
TRgb SplitColor(std::uint32_t color) noexcept;

// R + 256 * G + 65536 * B: the value an overlay is painted with.
std::uint32_t ColorValue(TRgb rgb) noexcept;

// The average of the eight neighbours of a defect, given their colour values in any order.
// Each channel is its sum divided by 8 with the remainder dropped; no value is skipped, so a
// neighbour off the screen (0xFFFFFFFF) counts as white.
TRgb AverageNeighbours(std::span<const std::uint32_t, 8> colors) noexcept;

// 0.299 R + 0.587 G + 0.114 B, rounded to the nearest integer (ties to even), with every
// intermediate result rounded to a 64-bit binary significand as 80-bit extended floating point
// would. Computed with integers, so the result is the same with every compiler and CPU; a
// double computation differs for thousands of inputs near a half.
std::uint8_t Luma(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept;
inline std::uint8_t Luma(TRgb rgb) noexcept {
    return Luma(rgb.R, rgb.G, rgb.B);
}

// Sets every stuck channel to the value it is stuck at: the off bit wins over the on bit
// (0x08 red-off before 0x01 red-on, and so on). Bits 6 and 7 are ignored.
TRgb ForceStuck(TRgb rgb, std::uint8_t flags) noexcept;

// The overlay colour for a defect with these flags inside a neighbourhood of this average: the
// stuck channels forced, the free channels all moved by the same amount, up or down from the
// average, to the first amount whose luma equals the average's luma. When the free channels
// cannot reach it, the result is the end of that path (free channels all 255 or all 0).
// Keeps no state and allocates nothing.
TRgb SolveColor(TRgb average, std::uint8_t flags) noexcept;

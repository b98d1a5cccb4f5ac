// Where the screen can be read: the monitors of the desktop as rectangles of screen pixels, and
// the arithmetic of the eight neighbours of a defect on them. Platform-neutral: the caller asks
// the system for the rectangles.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// Screen pixels from Left to Right - 1 and from Top to Bottom - 1. Screen coordinates are
// negative left of and above the primary monitor.
struct TPixelRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    bool Empty() const noexcept { return Right <= Left || Bottom <= Top; }
    long long Width() const noexcept { return Empty() ? 0 : 0LL + Right - Left; }
    long long Height() const noexcept { return Empty() ? 0 : 0LL + Bottom - Top; }
    long long Area() const noexcept { return Width() * Height(); }
    bool Contains(long long x, long long y) const noexcept {
        return x >= Left && x < Right && y >= Top && y < Bottom;
    }
    friend bool operator==(const TPixelRect&, const TPixelRect&) = default;
};

struct TPixelPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPixelPoint&, const TPixelPoint&) = default;
};

// The smallest rectangle holding both (an empty one holds nothing), and the common part.
TPixelRect Union(const TPixelRect& a, const TPixelRect& b) noexcept;
TPixelRect Intersection(const TPixelRect& a, const TPixelRect& b) noexcept;

// The neighbours of a defect in reading order; the defect's own pixel, which its overlay
// covers, is not read.
inline constexpr int NeighbourOffsets[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                               {1, 0},   {-1, 1}, {0, 1},  {1, 1}};

// The colour value of a pixel on no monitor (what the screen's device context answers there);
// it counts as white.
inline constexpr std::uint32_t InvalidColor = 0xFFFFFFFF;

// The parts of the virtual screen that some monitor shows. Monitors of different sizes leave
// gaps inside the bounding rectangle; a pixel there lies on no monitor.
class TScreenLayout {
public:
    static constexpr std::size_t MaxRects = 32;

    TScreenLayout() = default;
    // Takes the non-empty rectangles, up to MaxRects (they may touch or overlap).
    explicit TScreenLayout(std::span<const TPixelRect> rects) noexcept;

    std::span<const TPixelRect> Rects() const noexcept { return {rects_.data(), count_}; }
    const TPixelRect& Bounds() const noexcept { return bounds_; }
    bool Contains(long long x, long long y) const noexcept;

    friend bool operator==(const TScreenLayout& a, const TScreenLayout& b) noexcept;

private:
    std::array<TPixelRect, MaxRects> rects_{};
    std::size_t count_ = 0;
    TPixelRect bounds_{};
};

// The part of `readable` (where the screen's device context answers) that some monitor shows:
// where the monitors' rectangles leave gaps, a device context may still answer with whatever lies
// there, and a pixel in a gap is on no monitor all the same.
TScreenLayout OnMonitors(const TScreenLayout& readable,
                         std::span<const TPixelRect> monitors) noexcept;

// The 3 x 3 block around `centre` as far as it lies within the layout's bounds: the part of the
// screen a copy must hold to read the neighbours. Empty when no neighbour lies on a monitor
// (then all eight count as white without a read), whatever the coordinates: they may be any
// int, so nothing here overflows.
TPixelRect ReadBlock(TPixelPoint centre, const TScreenLayout& layout) noexcept;

// Takes the neighbours of `centre` out of a copy of the screen area `copied`: `pixels` holds it
// top-down as 0x00RRGGBB, rows `stride` pixels apart. Each neighbour inside `copied` and on a
// monitor gets its colour value (0x00BBGGRR); the others keep theirs.
void TakeNeighbours(const std::uint32_t* pixels, std::size_t stride, const TPixelRect& copied,
                    const TScreenLayout& layout, TPixelPoint centre,
                    std::span<std::uint32_t, 8> colors) noexcept;

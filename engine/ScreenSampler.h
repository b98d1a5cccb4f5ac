// Reading the eight screen pixels around a defect.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/ColorSolver.h"
#include "ui/Handles.h"

// Reads a defect's 3x3 block with one BitBlt into a small DIB section made once, instead of
// eight GetPixel calls: with desktop composition a single screen read can cost milliseconds.
// The result is the GetPixel average to the bit: a neighbour outside the area the desktop device
// context covers counts as white, exactly where GetPixel would return CLR_INVALID.
class TScreenSampler {
public:
    TScreenSampler();
    ~TScreenSampler();
    TScreenSampler(const TScreenSampler&) = delete;
    TScreenSampler& operator=(const TScreenSampler&) = delete;

    // Call once per tick, before the reads: where the desktop device context can be read.
    void BeginTick(HDC desktopDC);
    // The average of the eight neighbours of (x, y) on `desktopDC` (the one of BeginTick).
    TRgb SampleNeighbours(HDC desktopDC, int x, int y);

private:
    TMemoryDC dc_;
    TBitmapHandle bitmap_;
    HGDIOBJ previousBitmap_ = nullptr;
    const std::uint32_t* bits_ = nullptr; // 3x3, top-down, 0x00RRGGBB
    int region_ = ERROR; // GetClipBox's answer for the desktop, and its bounds
    RECT area_{};
};

// The same average from eight GetPixel calls: the reference for tests and benchmarks.
TRgb SampleNeighboursPerPixel(HDC desktopDC, int x, int y);

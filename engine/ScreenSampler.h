// Reading the eight screen pixels around each defect.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/ColorSolver.h"
#include "store/DefectList.h"
#include "ui/Handles.h"

// Reads the defects' 3x3 blocks with BitBlt into a DIB section made once, instead of eight
// GetPixel calls per defect: with desktop composition a single screen read can cost
// milliseconds. Every copy from the screen has a fixed cost far above that of its pixels, so
// blocks that lie close together (a row of defects, a small cluster) come in one copy.
// The result is the GetPixel average to the bit: a neighbour outside the area the desktop device
// context covers counts as white, exactly where GetPixel would return CLR_INVALID.
class TScreenSampler {
public:
    static constexpr std::size_t MaxBlocks = MaxDefects;

    TScreenSampler();
    ~TScreenSampler();
    TScreenSampler(const TScreenSampler&) = delete;
    TScreenSampler& operator=(const TScreenSampler&) = delete;

    // Reads the blocks around the first MaxBlocks of `centres` from `desktopDC`. Allocates
    // nothing.
    void ReadBlocks(HDC desktopDC, std::span<const POINT> centres);
    // The average of the eight neighbours of centres[index] of the last ReadBlocks
    // (index < MaxBlocks).
    TRgb Average(std::size_t index) const;

    // One block on its own: ReadBlocks and Average in one call.
    TRgb SampleNeighbours(HDC desktopDC, int x, int y);

    // The number of screen copies the last ReadBlocks made.
    int CopyCount() const { return copies_; }

    // The staging bitmap's size bounds a shared copy; 64 KB.
    static constexpr int StageWidth = 1024;
    static constexpr int StageHeight = 16;
    // Two copies become one when that reads at most this many more pixels: about what one
    // copy's fixed cost buys.
    static constexpr long MergeAllowance = 4096;

private:
    void CopyGroup(HDC desktopDC, RECT group, std::span<const std::uint8_t> members);
    bool Inside(HDC desktopDC, int x, int y) const;

    TMemoryDC dc_;
    TBitmapHandle bitmap_;
    HGDIOBJ previousBitmap_ = nullptr;
    const std::uint32_t* bits_ = nullptr; // StageWidth x StageHeight, top-down, 0x00RRGGBB

    // Of the last ReadBlocks: where the desktop device context can be read, the centres, and
    // their eight neighbours' colour values as GetPixel would give them.
    int region_ = ERROR;
    RECT area_{};
    std::array<POINT, MaxBlocks> centres_{};
    std::array<std::array<std::uint32_t, 8>, MaxBlocks> colors_{};
    int copies_ = 0;
};

// The same average from eight GetPixel calls: the reference for tests and benchmarks.
TRgb SampleNeighboursPerPixel(HDC desktopDC, int x, int y);

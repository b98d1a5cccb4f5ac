// Reading the eight screen pixels around each defect.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/ColorSolver.h"
#include "engine/CopyPlan.h"
#include "engine/ScreenLayout.h"
#include "store/DefectList.h"
#include "ui/Handles.h"

// Reads the defects' 3x3 blocks with BitBlt into a DIB section instead of eight GetPixel calls
// per defect. Every copy from the screen has a fixed cost besides its cost per pixel: under Wine
// the fixed part is some microseconds, with desktop composition it is a read-back from the
// compositor that can take milliseconds. Both are measured where the program runs, and the
// blocks are grouped into copies (TCopyPlan) by what they cost there.
// The result is the GetPixel average to the bit: a neighbour on no monitor (outside the region
// the desktop device context covers, also in the gaps between monitors of different sizes)
// counts as white, exactly where GetPixel would return CLR_INVALID.
class TScreenSampler {
public:
    static constexpr std::size_t MaxBlocks = MaxDefects;

    TScreenSampler();
    ~TScreenSampler();
    TScreenSampler(const TScreenSampler&) = delete;
    TScreenSampler& operator=(const TScreenSampler&) = delete;

    // Reads the blocks around the first MaxBlocks of `centres` from `desktopDC`. Allocates
    // nothing; makes a new staging bitmap only when the plan of copies outgrows the old one.
    void ReadBlocks(HDC desktopDC, std::span<const POINT> centres);
    // The average of the eight neighbours of centres[index] of the last ReadBlocks
    // (index < MaxBlocks).
    TRgb Average(std::size_t index) const;

    // One block on its own: ReadBlocks and Average in one call.
    TRgb SampleNeighbours(HDC desktopDC, int x, int y);

    // Times copies of a few sizes and shapes from `desktopDC` and takes the fixed cost and the
    // costs per row and per pixel (microseconds) from them. Up to some tens of milliseconds
    // where copies are slow: not for every tick.
    void MeasureCosts(HDC desktopDC);
    TCopyCost Costs() const noexcept { return costs_; }
    void SetCosts(TCopyCost costs) noexcept;

    // The number of screen copies the last ReadBlocks made.
    int CopyCount() const { return copies_; }
    // True when the last ReadBlocks read nothing from the screen although its blocks lie on it:
    // the desktop shows nothing to this program (the secure desktop of a UAC prompt or of
    // Ctrl+Alt+Del is up), and the averages are not the picture. Blocks whose neighbours all lie
    // on no monitor are not a failure.
    bool ReadFailed() const noexcept { return readFailed_; }

    // The monitors are asked for again at the next read (after a display change).
    void MonitorsChanged() noexcept { monitorCount_ = 0; }

private:
    bool ReadLayout(HDC desktopDC);
    bool ReadReadableArea(HDC desktopDC);
    void ReadMonitors();
    bool ReadRegion(HDC desktopDC, RECT& box);
    bool Stage(int width, int height);
    void CopyGroup(HDC desktopDC, const TCopyGroup& group);
    void ReadPerPixel(HDC desktopDC);
    double TimeCopy(HDC desktopDC, const TPixelRect& from, int width, int height, int times);

    TMemoryDC dc_;
    TBitmapHandle bitmap_;
    HGDIOBJ previousBitmap_ = nullptr;
    const std::uint32_t* bits_ = nullptr; // stageWidth_ x stageHeight_, top-down, 0x00RRGGBB
    int stageWidth_ = 0;
    int stageHeight_ = 0;

    // Where the desktop device context can be read. A region of more rectangles than a layout
    // holds is asked point by point (pointwise_).
    TUniqueHandle<TGdiObjectTraits<HRGN>> region_;
    TUniqueHandle<TGdiObjectTraits<HRGN>> clip_;
    alignas(RGNDATAHEADER) std::array<
        std::byte, sizeof(RGNDATAHEADER) + sizeof(RECT) * TScreenLayout::MaxRects> regionData_{};
    TScreenLayout layout_;
    // The monitors' rectangles, asked for once and again after a display change (none: not yet).
    std::array<TPixelRect, TScreenLayout::MaxRects> monitors_{};
    std::size_t monitorCount_ = 0;
    bool pointwise_ = false;

    // The plan and what it was made for: it is made again only when one of them changes.
    TCopyPlan plan_;
    bool planned_ = false;
    std::array<TPixelPoint, MaxBlocks> centres_{};
    std::size_t count_ = 0;
    std::array<TPixelPoint, MaxBlocks> plannedCentres_{};
    std::size_t plannedCount_ = 0;
    TScreenLayout plannedLayout_;
    TCopyCost costs_;
    double ticksPerSecond_ = 1;

    // Of the last ReadBlocks: the eight neighbours' colour values as GetPixel would give them.
    std::array<std::array<std::uint32_t, 8>, MaxBlocks> colors_{};
    int copies_ = 0;
    bool readFailed_ = false;
};

// The same average from eight GetPixel calls: the reference for tests and benchmarks.
TRgb SampleNeighboursPerPixel(HDC desktopDC, int x, int y);

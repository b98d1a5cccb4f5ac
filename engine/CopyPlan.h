// Which screen copies read the defects' blocks: every copy from the screen has a fixed cost, a
// cost per row and a cost per pixel, and the blocks are grouped into copies so that the sum is
// smallest, from one copy per block up to one copy for all. Platform-neutral; the costs are
// measured by the caller.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/ScreenLayout.h"
#include "store/DefectList.h"

// The cost of one screen copy: Fixed + PerPixel * its pixels + PerRow * its rows (any unit, the
// same for all three). A row has a cost of its own where the copy goes row by row (under Wine a
// column of blocks costs about twice a row of them with as many pixels).
struct TCopyCost {
    double Fixed = 0;
    double PerPixel = 0;
    double PerRow = 0;

    double Of(const TPixelRect& area) const noexcept {
        return Fixed + PerPixel * static_cast<double>(area.Area()) +
               PerRow * static_cast<double>(area.Height());
    }
};

// One copy: the screen area it reads and the blocks it serves (indexes into the centres).
struct TCopyGroup {
    TPixelRect Area;
    std::array<std::uint8_t, MaxDefects> Members{};
    std::size_t Count = 0;

    std::span<const std::uint8_t> Blocks() const noexcept { return {Members.data(), Count}; }
};

class TCopyPlan {
public:
    static constexpr std::size_t MaxBlocks = MaxDefects;
    // Bounds the staging bitmap (16 MB at four bytes a pixel): the widest copy times the
    // tallest one never exceeds it.
    static constexpr long long MaxStagePixels = 1LL << 22;

    // Plans the copies for the blocks around the first MaxBlocks centres. A block with no
    // neighbour on a monitor needs no copy and is in no group. Allocates nothing.
    void Make(std::span<const TPixelPoint> centres, const TScreenLayout& layout, TCopyCost cost);

    std::span<const TCopyGroup> Groups() const noexcept { return {groups_.data(), count_}; }
    // What the copies cost together, by the model.
    double Cost() const noexcept { return cost_; }
    // The size a staging bitmap needs for every copy of the plan.
    int StageWidth() const noexcept { return stageWidth_; }
    int StageHeight() const noexcept { return stageHeight_; }

private:
    struct TBlock {
        TPixelRect Area;
        std::uint8_t Index;
    };
    struct TCandidate {
        std::array<TPixelRect, MaxBlocks> areas;
        std::array<std::uint32_t, MaxBlocks> members; // bit i: block i
        std::size_t count = 0;
        double cost = 0;
    };

    void Merged(TCandidate& out, TCopyCost cost, long long maxHeight) const;
    void Banded(TCandidate& out, TCopyCost cost, long long maxHeight, bool across) const;
    void Refine(TCandidate& plan, TCopyCost cost, long long maxHeight) const;
    bool MoveBlocks(TCandidate& plan, TCopyCost cost, long long maxHeight) const;
    bool SplitGroups(TCandidate& plan, TCopyCost cost) const;
    double CostOf(std::uint32_t members, TCopyCost cost) const noexcept;
    TPixelRect AreaOf(std::uint32_t members) const noexcept;
    static bool Fits(const TPixelRect& area, long long maxHeight) noexcept;
    void Take(const TCandidate& chosen);

    std::array<TBlock, MaxBlocks> blocks_{};
    std::size_t blockCount_ = 0;
    std::array<TCopyGroup, MaxBlocks> groups_{};
    std::size_t count_ = 0;
    double cost_ = 0;
    int stageWidth_ = 0;
    int stageHeight_ = 0;
};

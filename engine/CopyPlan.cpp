#include "engine/CopyPlan.h"

#include <algorithm>
#include <limits>

void TCopyPlan::Make(std::span<const TPixelPoint> centres, const TScreenLayout& layout,
                     TCopyCost cost) {
    blockCount_ = 0;
    const std::size_t n = std::min(centres.size(), MaxBlocks);
    for (std::size_t i = 0; i < n; ++i) {
        const TPixelRect area = ReadBlock(centres[i], layout);
        if (!area.Empty())
            blocks_[blockCount_++] = {area, static_cast<std::uint8_t>(i)};
    }

    // Ways to group, each good where another is weak: merging the pair that saves most finds
    // rows and clusters; cutting the blocks into bands at the best places, top to bottom or
    // left to right, finds the few large copies (up to one for all) that a high fixed cost
    // calls for, which pairwise merging misses when no single pair pays for itself. Each is
    // then improved, and the cheapest is taken.
    long long maxHeight = MaxStagePixels;
    for (int attempt = 0; attempt < 2; ++attempt) {
        TCandidate candidates[3];
        Merged(candidates[0], cost, maxHeight);
        Banded(candidates[1], cost, maxHeight, false);
        Banded(candidates[2], cost, maxHeight, true);
        const TCandidate* best = nullptr;
        for (TCandidate& c : candidates) {
            Refine(c, cost, maxHeight);
            if (!best || c.cost < best->cost)
                best = &c;
        }
        Take(*best);
        if (static_cast<long long>(stageWidth_) * stageHeight_ <= MaxStagePixels)
            return;
        // A wide copy and a tall one would need a stage as large as both: keep the copies
        // flat enough that the widest possible one fits.
        maxHeight = std::max(3LL, MaxStagePixels / std::max(1LL, layout.Bounds().Width()));
    }
}

bool TCopyPlan::Fits(const TPixelRect& area, long long maxHeight) noexcept {
    return area.Area() <= MaxStagePixels && area.Height() <= maxHeight;
}

void TCopyPlan::Merged(TCandidate& out, TCopyCost cost, long long maxHeight) const {
    out.count = blockCount_;
    for (std::size_t i = 0; i < blockCount_; ++i) {
        out.areas[i] = blocks_[i].Area;
        out.members[i] = 1u << i;
    }
    for (;;) {
        double best = 0;
        std::size_t first = 0, second = 0;
        for (std::size_t i = 0; i < out.count; ++i)
            for (std::size_t j = i + 1; j < out.count; ++j) {
                const TPixelRect joined = Union(out.areas[i], out.areas[j]);
                if (!Fits(joined, maxHeight))
                    continue;
                const double saving =
                    cost.Of(out.areas[i]) + cost.Of(out.areas[j]) - cost.Of(joined);
                if (saving > best) {
                    best = saving;
                    first = i;
                    second = j;
                }
            }
        if (best <= 0)
            break;
        out.areas[first] = Union(out.areas[first], out.areas[second]);
        out.members[first] |= out.members[second];
        --out.count;
        out.areas[second] = out.areas[out.count];
        out.members[second] = out.members[out.count];
    }
    out.cost = 0;
    for (std::size_t i = 0; i < out.count; ++i)
        out.cost += cost.Of(out.areas[i]);
}

void TCopyPlan::Banded(TCandidate& out, TCopyCost cost, long long maxHeight, bool across) const {
    // Blocks from the top down, or from the left (an insertion sort: a library sort may
    // allocate).
    auto key = [&](std::size_t b) { return across ? blocks_[b].Area.Left : blocks_[b].Area.Top; };
    std::array<std::uint8_t, MaxBlocks> order{};
    for (std::size_t i = 0; i < blockCount_; ++i) {
        std::size_t k = i;
        for (; k > 0 && key(order[k - 1]) > key(i); --k)
            order[k] = order[k - 1];
        order[k] = static_cast<std::uint8_t>(i);
    }
    // best[j]: the cheapest bands for the first j blocks of that order; the last band starts
    // at start[j]. A band that does not fit makes every longer one not fit either.
    std::array<double, MaxBlocks + 1> best{};
    std::array<std::size_t, MaxBlocks + 1> start{};
    for (std::size_t j = 1; j <= blockCount_; ++j) {
        best[j] = std::numeric_limits<double>::infinity();
        TPixelRect band{};
        for (std::size_t i = j; i >= 1; --i) {
            band = Union(band, blocks_[order[i - 1]].Area);
            if (!Fits(band, maxHeight))
                break;
            const double total = best[i - 1] + cost.Of(band);
            if (total < best[j]) {
                best[j] = total;
                start[j] = i - 1;
            }
        }
    }
    out.count = 0;
    out.cost = best[blockCount_];
    for (std::size_t j = blockCount_; j > 0; j = start[j]) {
        TPixelRect band{};
        std::uint32_t members = 0;
        for (std::size_t k = start[j]; k < j; ++k) {
            band = Union(band, blocks_[order[k]].Area);
            members |= 1u << order[k];
        }
        out.areas[out.count] = band;
        out.members[out.count++] = members;
    }
}

TPixelRect TCopyPlan::AreaOf(std::uint32_t members) const noexcept {
    TPixelRect area{};
    for (std::size_t b = 0; b < blockCount_; ++b)
        if (members & (1u << b))
            area = Union(area, blocks_[b].Area);
    return area;
}

void TCopyPlan::Refine(TCandidate& plan, TCopyCost cost, long long maxHeight) const {
    // Both ways stop where no single step of theirs pays. Moving one block at a time to the
    // copy (or a copy of its own) where it costs least, and cutting a copy in two where its
    // blocks fall apart, takes them most of the rest of the way. Every step saves: it ends.
    for (bool changed = true; changed;) {
        changed = MoveBlocks(plan, cost, maxHeight);
        changed = SplitGroups(plan, cost) || changed;
    }
    plan.cost = 0;
    for (std::size_t g = 0; g < plan.count; ++g) {
        plan.areas[g] = AreaOf(plan.members[g]);
        plan.cost += cost.Of(plan.areas[g]);
    }
}

double TCopyPlan::CostOf(std::uint32_t members, TCopyCost cost) const noexcept {
    return members ? cost.Of(AreaOf(members)) : 0.0;
}

bool TCopyPlan::MoveBlocks(TCandidate& plan, TCopyCost cost, long long maxHeight) const {
    bool moved = false;
    for (std::size_t b = 0; b < blockCount_; ++b) {
        const std::uint32_t bit = 1u << b;
        std::size_t from = 0;
        while (!(plan.members[from] & bit))
            ++from;
        const double leaving =
            CostOf(plan.members[from], cost) - CostOf(plan.members[from] & ~bit, cost);
        double best = 0;
        std::size_t to = from;
        for (std::size_t g = 0; g <= plan.count; ++g) {
            if (g == from || (g == plan.count && plan.members[from] == bit))
                continue;
            const std::uint32_t there = g < plan.count ? plan.members[g] : 0;
            const TPixelRect joined = AreaOf(there | bit);
            if (!Fits(joined, maxHeight))
                continue;
            const double gain = leaving - (cost.Of(joined) - CostOf(there, cost));
            if (gain > best * (1 + 1e-12) + 1e-12) {
                best = gain;
                to = g;
            }
        }
        if (to == from)
            continue;
        if (to == plan.count)
            plan.members[plan.count++] = 0;
        plan.members[to] |= bit;
        plan.members[from] &= ~bit;
        if (!plan.members[from]) {
            --plan.count;
            plan.members[from] = plan.members[plan.count];
        }
        moved = true;
    }
    return moved;
}

bool TCopyPlan::SplitGroups(TCandidate& plan, TCopyCost cost) const {
    bool split = false;
    for (std::size_t g = 0; g < plan.count; ++g) {
        std::array<std::uint8_t, MaxBlocks> in{};
        std::size_t k = 0;
        for (std::size_t b = 0; b < blockCount_; ++b)
            if (plan.members[g] & (1u << b))
                in[k++] = static_cast<std::uint8_t>(b);
        if (k < 2)
            continue;
        const double whole = CostOf(plan.members[g], cost);
        double best = 0;
        std::uint32_t first = 0;
        // Cut across, left to right, then top to bottom. Both parts lie within the copy, so
        // they fit wherever it did.
        for (bool across : {true, false}) {
            auto key = [&](std::uint8_t b) {
                return across ? blocks_[b].Area.Left : blocks_[b].Area.Top;
            };
            for (std::size_t i = 1; i < k; ++i)
                for (std::size_t j = i; j > 0 && key(in[j - 1]) > key(in[j]); --j)
                    std::swap(in[j - 1], in[j]);
            std::array<TPixelRect, MaxBlocks> after{};
            for (std::size_t i = k; i-- > 0;)
                after[i] = Union(i + 1 < k ? after[i + 1] : TPixelRect{}, blocks_[in[i]].Area);
            TPixelRect before{};
            std::uint32_t mask = 0;
            for (std::size_t cut = 1; cut < k; ++cut) {
                before = Union(before, blocks_[in[cut - 1]].Area);
                mask |= 1u << in[cut - 1];
                const double gain = whole - cost.Of(before) - cost.Of(after[cut]);
                if (gain > best * (1 + 1e-12) + 1e-12) {
                    best = gain;
                    first = mask;
                }
            }
        }
        if (!first)
            continue;
        plan.members[plan.count++] = plan.members[g] & ~first;
        plan.members[g] = first;
        split = true;
    }
    return split;
}

void TCopyPlan::Take(const TCandidate& chosen) {
    count_ = chosen.count;
    cost_ = chosen.cost;
    stageWidth_ = stageHeight_ = 0;
    for (std::size_t g = 0; g < count_; ++g) {
        TCopyGroup& group = groups_[g];
        group.Area = chosen.areas[g];
        group.Count = 0;
        for (std::size_t b = 0; b < blockCount_; ++b)
            if (chosen.members[g] & (1u << b))
                group.Members[group.Count++] = blocks_[b].Index;
        stageWidth_ = std::max(stageWidth_, static_cast<int>(group.Area.Width()));
        stageHeight_ = std::max(stageHeight_, static_cast<int>(group.Area.Height()));
    }
}

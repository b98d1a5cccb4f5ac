// The screen reads' arithmetic: which copies read the defects' blocks, and which neighbours they
// give, on one screen and across monitors of different sizes (gaps, negative coordinates).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/CopyPlan.h"

namespace {

TScreenLayout Layout(const std::vector<TPixelRect>& monitors) {
    return TScreenLayout(monitors);
}

std::vector<TPixelPoint> Grid(int columns, int rows, int dx, int dy) {
    std::vector<TPixelPoint> points;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            points.push_back({40 + c * dx, 40 + r * dy});
    return points;
}

// A screen whose every pixel differs: what a copy of it holds, as a bitmap does (0x00RRGGBB).
std::uint32_t Screen(long long x, long long y) {
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15u ^
                      static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4Fu;
    return static_cast<std::uint32_t>(h >> 40) & 0xFFFFFF;
}

// The cheapest grouping of all, by trying every one: for a handful of blocks.
double Optimum(const std::vector<TPixelRect>& blocks, TCopyCost cost) {
    double best = 1e300;
    std::vector<int> group(blocks.size());
    std::function<void(std::size_t, int)> assign = [&](std::size_t i, int groups) {
        if (i == blocks.size()) {
            std::vector<TPixelRect> areas(static_cast<std::size_t>(groups));
            for (std::size_t k = 0; k < blocks.size(); ++k)
                areas[static_cast<std::size_t>(group[k])] =
                    Union(areas[static_cast<std::size_t>(group[k])], blocks[k]);
            double total = 0;
            for (const TPixelRect& a : areas)
                total += cost.Of(a);
            best = std::min(best, total);
            return;
        }
        for (int g = 0; g <= groups; ++g) {
            group[i] = g;
            assign(i + 1, std::max(groups, g + 1));
        }
    };
    assign(0, 0);
    return best;
}

const TScreenLayout OneScreen = Layout({{0, 0, 1024, 768}});
// A shorter monitor left of the primary: negative x, and a gap below it.
const TScreenLayout LeftShorter = Layout({{-1280, 0, 0, 1024}, {0, 0, 1920, 1080}});
// Three in a row at different heights, and one above that spans two of them.
const TScreenLayout Staggered = Layout(
    {{-1024, 100, 0, 868}, {0, 0, 1920, 1080}, {1920, -200, 3840, 880}, {-300, -900, 1300, 0}});

} // namespace

// Numbers of copies where the cheapest grouping is plain: a row of five 180 apart shares
// one copy once a copy costs more than 531 pixels (the gaps the shared copy reads), a column of
// three 100 apart once it costs more than 291, the grid's columns first (a column's gaps are
// smaller than a row's), the whole grid once a copy costs more than the 92,571 pixels between
// two columns.
TEST(CopyPlan, CopiesFollowTheRatioOfFixedToPixelCost) {
    static constexpr double ratios[] = {0, 100, 1000, 1e4, 1e5, 1e9};
    struct Case {
        const char* name;
        TScreenLayout layout;
        std::vector<TPixelPoint> centres;
        std::size_t copies[std::size(ratios)];
    };
    const Case cases[] = {
        {"a row of five", OneScreen, Grid(5, 1, 180, 0), {5, 5, 1, 1, 1, 1}},
        {"a column of three", OneScreen, Grid(1, 3, 0, 100), {3, 3, 1, 1, 1, 1}},
        {"the grid", OneScreen, Grid(5, 5, 180, 130), {25, 25, 5, 5, 1, 1}},
        {"overlapping blocks", OneScreen, {{500, 500}, {501, 500}, {500, 502}}, {1, 1, 1, 1, 1, 1}},
        {"one defect twice", OneScreen, {{7, 7}, {7, 7}}, {1, 1, 1, 1, 1, 1}},
        {"off every monitor",
         LeftShorter,
         {{-640, 1050}, {-5000, 5}, {INT_MIN, INT_MAX}},
         {0, 0, 0, 0, 0, 0}},
        {"across a monitor edge", LeftShorter, {{0, 500}, {-1, 1024}}, {2, 2, 2, 1, 1, 1}},
        {"two monitors far apart", LeftShorter, {{-1200, 50}, {1800, 1000}}, {2, 2, 2, 2, 2, 1}},
    };
    for (const Case& c : cases)
        for (std::size_t r = 0; r < std::size(ratios); ++r) {
            TCopyPlan plan;
            plan.Make(c.centres, c.layout, {ratios[r], 1});
            EXPECT_EQ(plan.Groups().size(), c.copies[r]) << c.name << " at " << ratios[r];
        }
    // Where a row costs something of its own, the grid's rows share copies, not its columns.
    TCopyPlan plan;
    plan.Make(Grid(5, 5, 180, 130), OneScreen, {1e4, 1, 20});
    ASSERT_EQ(plan.Groups().size(), 5u);
    for (const TCopyGroup& g : plan.Groups())
        EXPECT_EQ(g.Area.Height(), 3);
}

// Against every grouping there is, for small sets: never dearer than one copy per block or one
// copy for all, and close to the cheapest.
TEST(CopyPlan, ComesCloseToTheCheapestGrouping) {
    std::mt19937 random(20260611);
    int exact = 0, total = 0;
    for (const TScreenLayout* layout : {&OneScreen, &LeftShorter})
        for (const TCopyCost cost :
             {TCopyCost{0, 1}, TCopyCost{300, 1}, TCopyCost{3000, 1}, TCopyCost{3e4, 1},
              TCopyCost{3e4, 1, 30}, TCopyCost{3e5, 1}, TCopyCost{3e5, 1, 300}, TCopyCost{3e6, 1},
              TCopyCost{1e9, 1}}) {
            const TPixelRect& b = layout->Bounds();
            for (int trial = 0; trial < 60; ++trial) {
                // Strewn over the bounds, or in two clusters.
                std::vector<TPixelPoint> centres;
                const int n = 2 + static_cast<int>(random() % 6);
                for (int i = 0; i < n; ++i) {
                    const long long w = b.Width(), h = b.Height();
                    centres.push_back(
                        trial % 2 ? TPixelPoint{b.Left + static_cast<int>(random() % w),
                                                b.Top + static_cast<int>(random() % h)}
                                  : TPixelPoint{b.Left + 100 + static_cast<int>(random() % 150) +
                                                    (i % 2) * 700,
                                                b.Top + 50 + static_cast<int>(random() % 200)});
                }
                std::vector<TPixelRect> blocks;
                for (TPixelPoint c : centres)
                    if (TPixelRect r = ReadBlock(c, *layout); !r.Empty())
                        blocks.push_back(r);
                TCopyPlan plan;
                plan.Make(centres, *layout, cost);
                double alone = 0;
                TPixelRect all{};
                for (const TPixelRect& r : blocks) {
                    alone += cost.Of(r);
                    all = Union(all, r);
                }
                const double optimum = Optimum(blocks, cost);
                const double tolerance = 1e-9 * (1 + optimum);
                EXPECT_LE(plan.Cost(), alone + tolerance);
                if (!blocks.empty())
                    EXPECT_LE(plan.Cost(), cost.Of(all) + tolerance);
                EXPECT_LE(plan.Cost(), 1.1 * optimum + tolerance)
                    << cost.Fixed << " trial " << trial;
                exact += plan.Cost() <= optimum + tolerance;
                ++total;
            }
        }
    EXPECT_GE(exact, total * 99 / 100) << exact << " of " << total << " the cheapest";
}

// Every block's neighbours as a read of each pixel on its own gives them: white on no monitor
// (off the desktop, in the gaps, beyond the coordinate range), the screen's colour elsewhere;
// with every grouping, on every layout.
TEST(CopyPlan, CopiesGiveEachNeighbourAsAReadOfItsOwnWould) {
    std::mt19937 random(7);
    for (const TScreenLayout* layout : {&OneScreen, &LeftShorter, &Staggered}) {
        const TPixelRect& b = layout->Bounds();
        auto onMonitor = [&](long long x, long long y) {
            return std::any_of(layout->Rects().begin(), layout->Rects().end(),
                               [&](const TPixelRect& m) {
                                   return x >= m.Left && x < m.Right && y >= m.Top && y < m.Bottom;
                               });
        };
        // The corners and edges of every monitor, points just outside, extremes, strewn ones.
        std::vector<std::vector<TPixelPoint>> sets(1);
        for (const TPixelRect& m : layout->Rects())
            for (int dx : {-1, 0, 1})
                for (int dy : {-1, 0, 1})
                    for (TPixelPoint c :
                         {TPixelPoint{m.Left, m.Top}, TPixelPoint{m.Right - 1, m.Top},
                          TPixelPoint{m.Left, m.Bottom - 1}, TPixelPoint{m.Right - 1, m.Bottom - 1},
                          TPixelPoint{m.Left, (m.Top + m.Bottom) / 2},
                          TPixelPoint{m.Right, (m.Top + m.Bottom) / 2}}) {
                        if (sets.back().size() == TCopyPlan::MaxBlocks)
                            sets.emplace_back();
                        sets.back().push_back({c.X + dx, c.Y + dy});
                    }
        sets.push_back({{INT_MIN, INT_MIN},
                        {INT_MAX, INT_MAX},
                        {INT_MIN, 5},
                        {b.Left - 1, b.Top - 1},
                        {b.Right, b.Bottom}});
        for (int s = 0; s < 4; ++s) {
            sets.emplace_back();
            for (std::size_t i = 0; i < TCopyPlan::MaxBlocks; ++i)
                sets.back().push_back({b.Left - 2 + static_cast<int>(random() % (b.Width() + 4)),
                                       b.Top - 2 + static_cast<int>(random() % (b.Height() + 4))});
        }

        for (double ratio : {0.0, 4096.0, 1e12})
            for (const auto& centres : sets) {
                TCopyPlan plan;
                plan.Make(centres, *layout, {ratio, 1});
                EXPECT_LE(1LL * plan.StageWidth() * plan.StageHeight(), TCopyPlan::MaxStagePixels);
                std::vector<std::array<std::uint32_t, 8>> colors(centres.size());
                for (auto& c : colors)
                    c.fill(InvalidColor);
                std::vector<int> served(centres.size());
                for (const TCopyGroup& group : plan.Groups()) {
                    const TPixelRect& a = group.Area;
                    ASSERT_EQ(Intersection(a, b), a) << "copies stay within the desktop";
                    ASSERT_LE(a.Width(), plan.StageWidth());
                    ASSERT_LE(a.Height(), plan.StageHeight());
                    std::vector<std::uint32_t> copy(static_cast<std::size_t>(a.Area()));
                    for (long long y = a.Top; y < a.Bottom; ++y)
                        for (long long x = a.Left; x < a.Right; ++x)
                            copy[static_cast<std::size_t>((y - a.Top) * a.Width() + (x - a.Left))] =
                                Screen(x, y);
                    for (std::uint8_t i : group.Blocks()) {
                        ++served[i];
                        TakeNeighbours(copy.data(), static_cast<std::size_t>(a.Width()), a, *layout,
                                       centres[i], colors[i]);
                    }
                }
                for (std::size_t i = 0; i < centres.size(); ++i) {
                    const TPixelPoint c = centres[i];
                    bool anyOnMonitor = false;
                    for (std::size_t k = 0; k < 8; ++k) {
                        const long long x = 0LL + c.X + NeighbourOffsets[k][0],
                                        y = 0LL + c.Y + NeighbourOffsets[k][1];
                        const std::uint32_t p = Screen(x, y);
                        const std::uint32_t expected =
                            onMonitor(x, y) ? ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF)
                                            : InvalidColor;
                        anyOnMonitor = anyOnMonitor || onMonitor(x, y);
                        EXPECT_EQ(colors[i][k], expected)
                            << c.X << "," << c.Y << " neighbour " << k << " at " << ratio;
                    }
                    EXPECT_EQ(served[i], anyOnMonitor ? 1 : 0) << c.X << "," << c.Y;
                }
            }
    }
}

// The screen's device context may answer in the gaps between monitors of different sizes (its
// region is their bounding box); what no monitor shows still counts as white.
TEST(ScreenLayout, OnlyWhatAMonitorShowsCanBeRead) {
    const std::vector<TPixelRect> monitors = {{-800, 84, 0, 684}, {0, 0, 1024, 768}};
    struct TCase {
        const char* what;
        std::vector<TPixelRect> readable;
        TPixelPoint point;
        bool readOnMonitors;
    } const cases[] = {
        {"the bounding box, in a gap", {{-800, 0, 1024, 768}}, {-400, 83}, false},
        {"the bounding box, on the secondary", {{-800, 0, 1024, 768}}, {-400, 84}, true},
        {"the bounding box, on the primary", {{-800, 0, 1024, 768}}, {0, 0}, true},
        {"clipped to less than a monitor", {{-500, 100, 100, 200}}, {-600, 150}, false},
        {"clipped to less than a monitor", {{-500, 100, 100, 200}}, {99, 199}, true},
        {"two parts over two monitors",
         {{-900, 90, -400, 100}, {500, 700, 1100, 800}},
         {1023, 767},
         true},
        {"two parts over two monitors",
         {{-900, 90, -400, 100}, {500, 700, 1100, 800}},
         {-850, 95},
         false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        const TScreenLayout shown = OnMonitors(TScreenLayout(c.readable), monitors);
        EXPECT_EQ(shown.Contains(c.point.X, c.point.Y), c.readOnMonitors);
    }
}

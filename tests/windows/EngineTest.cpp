// The concealment engine on a real (virtual) screen: reading the neighbours, the overlays and
// the tick.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <utility>
#include <vector>

#include "app/Unit1.h"
#include "engine/ColorSolver.h"
#include "engine/ConcealmentTick.h"
#include "engine/ScreenSampler.h"
#include "engine/Unit2.h"
#include "repair/Flashing.h"
#include "repair/RepairLogic.h"
#include "repair/Unit11.h"
#include "tests/windows/HandleCount.h"
#include "tests/windows/ScreenPattern.h"
#include "ui/Application.h"

// Every allocation of this program passes here; the tick must make none.
namespace {
std::atomic<bool> countAllocations = false;
std::atomic<int> allocations = 0;
} // namespace

// GCC sees free() of what operator new returned: here that is by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (countAllocations)
        ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

// The average as the pattern itself says, with neighbours outside `visible` (by default the
// screen) white: an independent reference for both ways of reading the screen.
TRgb ExpectedAverage(const std::vector<std::uint32_t>& pattern, RECT screen, int x, int y,
                     std::span<const RECT> visible = {}) {
    if (visible.empty())
        visible = std::span(&screen, 1);
    int sums[3] = {0, 0, 0};
    int width = screen.right - screen.left;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            if (!dx && !dy)
                continue;
            const long long px = 0LL + x + dx, py = 0LL + y + dy;
            std::uint32_t color = 0xFFFFFF;
            for (const RECT& r : visible)
                if (px >= r.left && py >= r.top && px < r.right && py < r.bottom)
                    color = pattern[static_cast<std::size_t>(py * width + px)];
            for (int c = 0; c < 3; ++c)
                sums[c] += static_cast<int>((color >> (8 * c)) & 0xFF);
        }
    return {static_cast<std::uint8_t>(sums[0] / 8), static_cast<std::uint8_t>(sums[1] / 8),
            static_cast<std::uint8_t>(sums[2] / 8)};
}

std::string Show(TRgb c) {
    return std::to_string(c.R) + "," + std::to_string(c.G) + "," + std::to_string(c.B);
}

class DesktopReads : public ::testing::Test {
protected:
    void SetUp() override {
        desktop = GetDesktopWindow();
        dc = GetWindowDC(desktop);
    }
    void TearDown() override { ReleaseDC(desktop, dc); }
    const RECT screen = TScreenPattern::Screen();
    HWND desktop = nullptr;
    HDC dc = nullptr;
};

} // namespace

TEST_F(DesktopReads, CopiedBlocksGiveTheGetPixelAverageEverywhere) {
    std::mt19937 random(20261207);
    std::vector<std::uint32_t> pattern(static_cast<std::size_t>(screen.right * screen.bottom));
    for (auto& p : pattern)
        p = random() & 0xFFFFFF;
    TScreenPattern window(screen, pattern);

    const int w = screen.right, h = screen.bottom;
    std::uniform_int_distribution<int> xs(0, w - 1), ys(0, h - 1);
    auto scattered = [&](int n) {
        std::vector<POINT> points;
        for (int i = 0; i < n; ++i)
            points.push_back({xs(random), ys(random)});
        return points;
    };
    auto row = [](int x, int y, int n, int step) {
        std::vector<POINT> points;
        for (int i = 0; i < n; ++i)
            points.push_back({x + i * step, y + (i % 3) - 1});
        return points;
    };
    // Sets of centres read together, so that blocks share copies: on the edges and corners, off
    // the screen, overlapping, in rows across the screen and in clusters.
    const std::vector<std::vector<POINT>> sets = {
        {{0, 0},
         {w - 1, 0},
         {0, h - 1},
         {w - 1, h - 1},
         {w / 2, 0},
         {0, h / 2},
         {w - 1, h / 2},
         {w / 2, h - 1},
         {1, 1},
         {w - 2, h - 2},
         {-1, -1},
         {w, h},
         {-5, 100},
         {100, h + 3}},
        {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {5, 2}, {-1, 1}, {3, -1}},
        {{w - 1, h - 1}, {w - 2, h - 1}, {w - 1, h - 2}, {w, h - 1}, {w - 3, h}},
        row(0, 40, 25, 42),
        row(-2, h - 1, 25, 47),
        row(w / 3, h / 2, 25, 1),
        {{300, 300}, {301, 300}, {302, 301}, {300, 317}, {330, 310}, {600, 305}, {10, 299}},
        scattered(25),
        scattered(25),
        scattered(25),
        // Whatever a damaged file holds: coordinates at the ends of the range, and blocks so far
        // apart that their distance does not fit an int, beside blocks on the screen.
        {{INT_MIN, 300},
         {INT_MAX, 300},
         {500, 300},
         {-1500000000, 301},
         {1000000000, 301},
         {700, 302},
         {INT_MAX, INT_MIN},
         {INT_MIN, INT_MAX},
         {0, INT_MAX},
         {w - 1, 299}},
    };
    // Two monitors of different heights side by side leave a gap below the shorter one, where
    // the desktop's clipping region is complex and GetPixel answers CLR_INVALID. A clipping
    // region of that shape on the desktop's device context stands in for them.
    const int cx = w * 5 / 8, cy = h / 2;
    const RECT monitors[] = {{0, 0, cx, h}, {cx, 0, w, cy}};
    std::vector<POINT> gapEdges = row(cx - 3, cy, 20, 1);
    for (int i = -2; i <= 2; ++i)
        gapEdges.push_back({cx + 40 * i, cy + i});

    // Every plan: one copy per block, blocks sharing copies, one copy for all.
    const TCopyCost costs[] = {{0, 1}, {4096, 1}, {1e12, 1}};
    TScreenSampler sampler;
    // Wine's GetPixel ignores a clipping region that a program sets (not the monitors'): the
    // pattern alone is the reference there.
    auto check = [&](const std::vector<POINT>& points, std::span<const RECT> visible) {
        for (const TCopyCost& cost : costs) {
            sampler.SetCosts(cost);
            sampler.ReadBlocks(dc, points);
            for (std::size_t i = 0; i < points.size(); ++i) {
                const POINT p = points[i];
                TRgb together = sampler.Average(i);
                TRgb perPixel = SampleNeighboursPerPixel(dc, p.x, p.y);
                TRgb expected = ExpectedAverage(pattern, screen, p.x, p.y, visible);
                if (visible.empty()) {
                    EXPECT_EQ(together, perPixel)
                        << p.x << "," << p.y << " at " << cost.Fixed << ": " << Show(together)
                        << " vs " << Show(perPixel);
                }
                EXPECT_EQ(together, expected) << p.x << "," << p.y << " at " << cost.Fixed << ": "
                                              << Show(together) << " vs " << Show(expected);
            }
        }
    };
    for (std::size_t s = 0; s < sets.size(); ++s) {
        SCOPED_TRACE(s);
        check(sets[s], {});
    }
    HRGN clip = CreateRectRgnIndirect(&monitors[0]);
    HRGN second = CreateRectRgnIndirect(&monitors[1]);
    CombineRgn(clip, clip, second, RGN_OR);
    SelectClipRgn(dc, clip);
    RECT box;
    EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
    for (const auto& points : {gapEdges, sets[0], scattered(25)})
        check(points, monitors);
    SelectClipRgn(dc, nullptr);
    DeleteObject(second);
    DeleteObject(clip);

    for (POINT p : scattered(100)) {
        TRgb alone = sampler.SampleNeighbours(dc, p.x, p.y);
        EXPECT_EQ(alone, ExpectedAverage(pattern, screen, p.x, p.y))
            << p.x << "," << p.y << ": " << Show(alone);
    }
}

// The copies follow what a copy costs: one per block when pixels are dear, one for all when
// copies are, and in between neighbours share one while distant defects do not make one copy
// of the screen between them.
TEST_F(DesktopReads, BlocksShareCopiesAsTheirCostsSay) {
    TScreenPattern window(screen, TScreenPattern::Uniform(screen, 0x808080));
    const TCopyCost costs[] = {{0, 1}, {4096, 1}, {1e12, 1}};
    struct Case {
        const char* layout;
        std::vector<POINT> centres;
        int copies[3]; // at each of the costs
    };
    const Case cases[] = {
        {"one", {{200, 200}}, {1, 1, 1}},
        {"five in a row", {{40, 40}, {220, 40}, {400, 40}, {580, 40}, {760, 40}}, {5, 1, 1}},
        {"a two-by-two cluster", {{500, 500}, {501, 500}, {500, 501}, {501, 501}}, {1, 1, 1}},
        {"a column", {{100, 100}, {100, 200}, {100, 300}}, {3, 1, 1}},
        {"a five-by-five grid",
         [] {
             std::vector<POINT> grid;
             for (int i = 0; i < 25; ++i)
                 grid.push_back({40 + (i % 5) * 180, 40 + (i / 5) * 130});
             return grid;
         }(),
         {25, 5, 1}},
        {"two rows far apart", {{100, 100}, {900, 100}, {100, 600}, {900, 601}}, {4, 2, 1}},
        {"off the screen", {{-10, -10}}, {0, 0, 0}},
    };
    TScreenSampler sampler;
    for (std::size_t k = 0; k < std::size(costs); ++k) {
        sampler.SetCosts(costs[k]);
        for (const Case& c : cases) {
            sampler.ReadBlocks(dc, c.centres);
            EXPECT_EQ(sampler.CopyCount(), c.copies[k]) << c.layout << " at costs " << k;
            // Off the screen every neighbour counts as white.
            const TRgb expected = c.copies[k] ? TRgb{128, 128, 128} : TRgb{255, 255, 255};
            for (std::size_t i = 0; i < c.centres.size(); ++i)
                EXPECT_EQ(sampler.Average(i), expected) << c.layout << " " << i;
        }
    }
}

TEST_F(DesktopReads, ADefectInTheCornerCountsFiveWhiteNeighboursOffTheScreen) {
    TScreenPattern window(screen, TScreenPattern::Uniform(screen, 0x000000));
    TScreenSampler sampler;
    EXPECT_EQ(sampler.SampleNeighbours(dc, 0, 0), (TRgb{159, 159, 159}));
    EXPECT_EQ(SampleNeighboursPerPixel(dc, 0, 0), (TRgb{159, 159, 159}));
    EXPECT_EQ(sampler.SampleNeighbours(dc, screen.right - 1, screen.bottom - 1),
              (TRgb{159, 159, 159}));
}

namespace {

class Concealment : public DesktopReads {
protected:
    void SetUp() override {
        DesktopReads::SetUp();
        app.Initialize();
        app.OnException = [this](TComponent*, const std::wstring& m) { reported.push_back(m); };
        for (TPixForm*& overlay : overlays)
            app.CreateForm(overlay);
    }
    void TearDown() override {
        app.DestroyForms();
        DesktopReads::TearDown();
    }
    void Place() {
        for (TPixForm* o : overlays)
            o->Hide();
        for (int i = 0; i < defects.Count(); ++i) {
            overlays[static_cast<std::size_t>(i)]->PlaceAt(defects[i].X, defects[i].Y);
            overlays[static_cast<std::size_t>(i)]->Show();
        }
        Settle();
    }
    // Lets the windows paint and the X server show the result.
    void Settle() {
        for (int i = 0; i < 5; ++i) {
            app.ProcessMessages();
            Sleep(20);
        }
    }
    void Tick() {
        tick.Run(defects, dc, overlays);
        Settle();
    }
    TRgb ScreenAt(int x, int y) const { return SplitColor(GetPixel(dc, x, y)); }

    TScreenPattern background{screen, TScreenPattern::Uniform(screen, 0x808080)};
    TApplication app;
    std::vector<std::wstring> reported;
    std::array<TPixForm*, MaxDefects> overlays{};
    TDefectList defects;
    TConcealmentTick tick;
};

} // namespace

TEST_F(Concealment, OverlaysAreOnePixelAndTakeTheConcealingColourAtTheTick) {
    defects[AppendDefect(defects, 300, 300)].Flags = RedOn;
    defects[AppendDefect(defects, 500, 100)].Flags = BlueOff;
    Place();
    for (int i = 0; i < 2; ++i) {
        RECT r;
        GetWindowRect(overlays[static_cast<std::size_t>(i)]->Handle(), &r);
        EXPECT_EQ(r.left, defects[i].X);
        EXPECT_EQ(r.top, defects[i].Y);
        EXPECT_EQ(r.right - r.left, 1);
        EXPECT_EQ(r.bottom - r.top, 1);
    }
    EXPECT_EQ(ScreenAt(300, 300), (TRgb{0, 0, 0})) << "black before the first tick";

    Tick();
    EXPECT_EQ(ScreenAt(300, 300), (TRgb{255, 74, 74}));
    EXPECT_EQ(ScreenAt(299, 300), (TRgb{128, 128, 128})) << "exactly one pixel is covered";
    EXPECT_EQ(ScreenAt(301, 301), (TRgb{128, 128, 128}));

    background.Repaint(TScreenPattern::Uniform(screen, 0x2884C8)); // (200, 132, 40)
    Tick();
    EXPECT_EQ(ScreenAt(500, 100), SolveColor({200, 132, 40}, BlueOff));
    EXPECT_EQ(overlays[2]->Visible(), false) << "overlays beyond the list are not touched";
    EXPECT_TRUE(reported.empty());
}

TEST_F(Concealment, NeighbouringDefectsReadEachOtherAsLastPainted) {
    defects[AppendDefect(defects, 200, 200)].Flags = RedOn;
    defects[AppendDefect(defects, 201, 200)].Flags = 0;
    Place();
    // First tick: overlay 1 still shows black when overlay 0 reads it, and the reverse.
    Tick();
    TRgb first0 = SolveColor(AverageNeighbours({{0x808080, 0x808080, 0x808080, 0x808080, 0x000000,
                                                 0x808080, 0x808080, 0x808080}}),
                             RedOn);
    EXPECT_EQ(ScreenAt(200, 200), first0);
    TRgb first1 = AverageNeighbours(
        {{0x808080, 0x808080, 0x808080, 0x000000, 0x808080, 0x808080, 0x808080, 0x808080}});
    EXPECT_EQ(ScreenAt(201, 200), first1);
    // Second tick: each reads the colour the other showed after the first.
    Tick();
    std::uint32_t shown1 = ColorValue(first1), shown0 = ColorValue(first0);
    EXPECT_EQ(ScreenAt(200, 200),
              SolveColor(AverageNeighbours({{0x808080, 0x808080, 0x808080, 0x808080, shown1,
                                             0x808080, 0x808080, 0x808080}}),
                         RedOn));
    EXPECT_EQ(ScreenAt(201, 200), AverageNeighbours({{0x808080, 0x808080, 0x808080, shown0,
                                                      0x808080, 0x808080, 0x808080, 0x808080}}));
}

TEST_F(Concealment, OnlyAWindowOverADefectIsPassedAndAtTheNextTick) {
    for (int i = 0; i < 3; ++i)
        defects[AppendDefect(defects, 100 + 10 * i, 400)].Flags = RedOn;
    Place();
    Tick();
    std::span<TPixForm* const> inUse(overlays.data(), 3);
    EXPECT_TRUE(tick.OverlaysOnTop(inUse));
    int raises = tick.RaiseCount();
    auto raisedSince = [&] { return tick.RaiseCount() - std::exchange(raises, tick.RaiseCount()); };

    // Above the overlays, but over none of their pixels (it ends just before the first).
    const RECT away{20, 300, 100, 420};
    TScreenPattern elsewhere(away, TScreenPattern::Uniform(away, 0x00FF00));
    EXPECT_TRUE(tick.OverlaysOnTop(inUse));
    Tick();
    EXPECT_EQ(raisedSince(), 0) << "a topmost window elsewhere";

    TScreenPattern cover({90, 390, 140, 410},
                         TScreenPattern::Uniform({90, 390, 140, 410}, 0xFF00FF));
    EXPECT_FALSE(tick.OverlaysOnTop(inUse));
    Tick();
    EXPECT_EQ(raisedSince(), 1);
    EXPECT_TRUE(tick.OverlaysOnTop(inUse));
    EXPECT_EQ(ScreenAt(110, 400), SolveColor({255, 0, 255}, RedOn))
        << "the overlay is above the new window and reads it";
    Tick();
    EXPECT_EQ(raisedSince(), 0) << "once passed, it stays below";

    // Out of order among themselves counts as well.
    SetWindowPos(overlays[0]->Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_FALSE(tick.OverlaysOnTop(inUse));
    Tick();
    EXPECT_EQ(raisedSince(), 1);
    EXPECT_TRUE(tick.OverlaysOnTop(inUse));

    // A window the raise cannot pass (here one that overlay 0 owns, which always stands above
    // it) is tried again at most once a second.
    HWND above = CreateWindowExW(WS_EX_NOACTIVATE, L"TestScreenPattern", L"owned", WS_POPUP, 95,
                                 395, 10, 10, overlays[0]->Handle(), nullptr, nullptr, nullptr);
    ShowWindow(above, SW_SHOWNOACTIVATE);
    const ULONGLONG start = GetTickCount64();
    for (int i = 0; i < 20; ++i) {
        tick.Run(defects, dc, overlays);
        app.ProcessMessages();
    }
    const int tries = raisedSince();
    EXPECT_FALSE(tick.OverlaysOnTop(inUse)) << "the owned window stays above";
    EXPECT_GE(tries, 1);
    EXPECT_LE(tries, 1 + static_cast<int>((GetTickCount64() - start) / 1000));
    DestroyWindow(above);
}

TEST_F(Concealment, HiddenOverlaysAreRecolouredButStayHidden) {
    defects[AppendDefect(defects, 600, 500)].Flags = RedOn;
    Place();
    overlays[0]->Hide();
    Tick();
    EXPECT_FALSE(overlays[0]->Visible());
    EXPECT_EQ(overlays[0]->Color(), 0x4A4AFFu);
    EXPECT_EQ(ScreenAt(600, 500), (TRgb{128, 128, 128}));
    overlays[0]->SetVisible(true);
    Settle();
    EXPECT_EQ(ScreenAt(600, 500), (TRgb{255, 74, 74})) << "resuming shows the current colour";
}

// A window over a hidden or held overlay covers nothing: raising it would only restack the band.
TEST_F(Concealment, AHiddenOrHeldOverlayIsNeverRaised) {
    defects[AppendDefect(defects, 600, 500)].Flags = RedOn;
    const struct {
        const char* how;
        void (*put)(TPixForm&);
    } ways[] = {{"hidden", [](TPixForm& o) { o.Hide(); }}, {"held", [](TPixForm& o) { o.Hold(); }}};
    for (const auto& way : ways) {
        Place();
        Tick();
        way.put(*overlays[0]);
        const int raises = tick.RaiseCount();
        const RECT pixel{600, 500, 601, 501};
        TScreenPattern over(pixel, TScreenPattern::Uniform(pixel, 0x00FF00));
        Tick();
        Tick();
        EXPECT_EQ(tick.RaiseCount(), raises) << way.how;
        overlays[0]->Release();
    }
}

// While the secure desktop is up nothing can be read; the overlays keep their colours rather than
// turning white, the colour of a neighbour off every monitor.
TEST_F(Concealment, ATickThatCanReadNothingKeepsEveryColour) {
    defects[AppendDefect(defects, 300, 300)].Flags = RedOn;
    Place();
    Tick();
    ASSERT_EQ(overlays[0]->Color(), 0x4A4AFFu);
    HDC metafile = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    const struct {
        const char* source;
        HDC dc;
    } unreadable[] = {{"a metafile, which cannot be copied from", metafile},
                      {"no device context", nullptr}};
    for (const auto& u : unreadable) {
        tick.Run(defects, u.dc, overlays);
        EXPECT_EQ(overlays[0]->Color(), 0x4A4AFFu) << u.source;
    }
    DeleteEnhMetaFile(CloseEnhMetaFile(metafile));
}

// Wine's virtual desktop draws a window shown after the overlays above them, although they still
// stand first in the z-order and a raise to where they stand changes nothing there. A window that
// appears over a defect is answered with restacks at the next ticks, which soon end; one elsewhere
// with none.
TEST_F(Concealment, AWindowThatAppearsOverADefectIsAnsweredWithRestacks) {
    defects[AppendDefect(defects, 300, 300)].Flags = BlueOff;
    Place();
    Tick();
    const struct {
        const char* what;
        RECT area;
        bool raised;
        TRgb shown; // at the defect, after the ticks
    } windows[] = {
        {"an ordinary window over the defect",
         {250, 250, 350, 350},
         true,
         SolveColor({255, 255, 255}, BlueOff)},
        {"one elsewhere", {500, 500, 600, 600}, false, SolveColor({128, 128, 128}, BlueOff)},
    };
    for (const auto& w : windows) {
        const int before = tick.RaiseCount();
        TScreenPattern shown(w.area, TScreenPattern::Uniform(w.area, 0xFFFFFF), false);
        for (const ULONGLONG start = GetTickCount64(); GetTickCount64() - start < 2000;)
            Tick();
        EXPECT_EQ(tick.RaiseCount() > before, w.raised) << w.what;
        EXPECT_EQ(ScreenAt(300, 300), w.shown) << w.what;
        const int settled = tick.RaiseCount();
        for (int i = 0; i < 5; ++i)
            Tick();
        EXPECT_EQ(tick.RaiseCount(), settled) << w.what << ": the restacks go on";
    }
}

// A window that comes over a flashing area is passed at a later step.
TEST_F(Concealment, AFlashWindowCoveredByAnotherIsRaisedAgain) {
    Overlays = overlays;
    app.CreateForm(Flashes[0]);
    defects[AppendDefect(defects, 300, 300)].Flags = RedOn;
    Place();
    TFlashing flashing;
    flashing.Start(defects, 0, 1, {});
    Settle();
    const RECT over{295, 295, 310, 310};
    TScreenPattern cover(over, TScreenPattern::Uniform(over, 0xFF00FF)); // no flash colour
    ASSERT_EQ(ScreenAt(300, 300), (TRgb{255, 0, 255}));
    for (int i = 0; i < 10; ++i) {
        Sleep(FlashStepMs);
        flashing.Step();
        Settle();
    }
    EXPECT_NE(ScreenAt(300, 300), (TRgb{255, 0, 255}));
    bool above = false;
    for (HWND w = GetWindow(Flashes[0]->Handle(), GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
        above = above || w == cover.Handle();
    EXPECT_TRUE(above) << "the flash window stands above the window that came";
    flashing.Stop();
    Overlays = {};
}

TEST_F(Concealment, ANewColourPaintsAtOnceTheSameColourNotAtAll) {
    TPixForm* overlay = overlays[0];
    overlay->SetBounds(10, 10, 1, 1);
    overlay->Show();
    Settle();
    overlay->SetColor(0x123456);
    Settle();
    EXPECT_EQ(ScreenAt(10, 10), SplitColor(0x123456));
    // Something else on the overlay's pixel stays until a new colour comes.
    HDC own = GetDC(overlay->Handle());
    SetPixelV(own, 0, 0, 0x00FF00);
    ReleaseDC(overlay->Handle(), own);
    Settle();
    ASSERT_EQ(ScreenAt(10, 10), SplitColor(0x00FF00));
    overlay->SetColor(0x123456);
    Settle();
    EXPECT_EQ(ScreenAt(10, 10), SplitColor(0x00FF00)) << "the same colour paints nothing";
    overlay->SetColor(0x654321);
    Settle();
    EXPECT_EQ(ScreenAt(10, 10), SplitColor(0x654321));
}

namespace {

// What a tick could leave behind, counted so that the counts mean something under Wine too. Where
// the system reports no count (Wine answers 0 for handles, GDI and USER objects), its tables are
// probed: Wine takes a GDI or window handle by its table index alone, and reuses freed handle
// slots lowest first, so every live object shows up below the limit.
//
// Not seen: memory outside the process's heaps (Wine keeps GDI objects and window data in its
// host-side libraries, the X server its pixmaps and windows), pages taken with VirtualAlloc, and
// USER objects other than windows (menus, icons, cursors, hooks) while the system reports no
// USER count.
struct TProcessCounts {
    DWORD handles = 0, gdiObjects = 0, userObjects = 0;
    SIZE_T heapBytes = 0;

    static TProcessCounts Now() {
        const HANDLE process = GetCurrentProcess();
        TProcessCounts counts;
        counts.handles = HandleCount();
        counts.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
        if (counts.gdiObjects == 0)
            for (std::uintptr_t index = 1; index < 0x10000; ++index)
                counts.gdiObjects += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
        counts.userObjects = GetGuiResources(process, GR_USEROBJECTS);
        // Window handles are shared by every process; only this one's count.
        if (counts.userObjects == 0)
            for (std::uintptr_t index = 1; index < 0x10000; ++index) {
                DWORD owner = 0;
                const HWND window = reinterpret_cast<HWND>(index);
                counts.userObjects += IsWindow(window) &&
                                      GetWindowThreadProcessId(window, &owner) &&
                                      owner == GetCurrentProcessId();
            }
        HANDLE heaps[64];
        const DWORD heapCount = GetProcessHeaps(64, heaps);
        for (DWORD i = 0; i < heapCount && i < 64; ++i) {
            if (!HeapLock(heaps[i]))
                continue;
            PROCESS_HEAP_ENTRY entry{};
            while (HeapWalk(heaps[i], &entry))
                if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                    counts.heapBytes += entry.cbData;
            HeapUnlock(heaps[i]);
        }
        return counts;
    }
};

} // namespace

TEST_F(Concealment, TenThousandTicksAllocateNothingAndLeaveTheObjectCountsWhereTheyWere) {
    for (int i = 0; i < MaxDefects; ++i)
        defects[AppendDefect(defects, 20 + 37 * i, 30 + 25 * i)].Flags =
            static_cast<std::uint8_t>(1 << (i % 6));
    Place();
    // A small window over the first defect changes colour every other tick, so that overlay
    // colours really change and repaint.
    RECT spot{10, 20, 31, 41};
    TScreenPattern changing(spot, TScreenPattern::Uniform(spot, 0x808080));
    const auto grey = TScreenPattern::Uniform(spot, 0x808080);
    const auto blue = TScreenPattern::Uniform(spot, 0x406080);
    for (int i = 0; i < 10; ++i)
        Tick();
    const TProcessCounts before = TProcessCounts::Now();
    allocations = 0;
    for (int i = 0; i < 10000; ++i) {
        if (i % 2 == 0)
            changing.Repaint(i % 4 ? grey : blue, false);
        countAllocations = true;
        tick.Run(defects, dc, overlays);
        countAllocations = false;
        app.ProcessMessages();
    }
    EXPECT_EQ(allocations.load(), 0) << "a tick allocates nothing";
    const TProcessCounts after = TProcessCounts::Now();
    std::printf("[ counts ] handles %lu -> %lu, GDI %lu -> %lu, USER %lu -> %lu, heap %zu -> %zu\n",
                before.handles, after.handles, before.gdiObjects, after.gdiObjects,
                before.userObjects, after.userObjects, before.heapBytes, after.heapBytes);
    // Each count sees the objects that are there (the overlays' windows, their device contexts).
    EXPECT_TRUE(before.handles && before.gdiObjects >= MaxDefects &&
                before.userObjects >= MaxDefects && before.heapBytes);
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.userObjects, before.userObjects);
    EXPECT_EQ(after.heapBytes, before.heapBytes);
    EXPECT_TRUE(reported.empty());
}

TEST_F(Concealment, AnOverlayStaysOnItsPixelAndWaitsHiddenWhileUnplaced) {
    defects[AppendDefect(defects, 300, 300)].Flags = RedOn;
    Place();
    TPixForm& overlay = *overlays[0];
    auto at = [&](int x, int y) {
        RECT r;
        GetWindowRect(overlay.Handle(), &r);
        return r.left == x && r.top == y && r.right == x + 1 && r.bottom == y + 1;
    };
    // What the system does to a window of a monitor that goes, or when one comes back.
    SetWindowPos(overlay.Handle(), nullptr, 10, 10, 5, 5, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(at(300, 300)) << "nobody but the program moves an overlay";
    overlay.SetUnplaced(true); // its panel is gone
    EXPECT_FALSE(overlay.Visible());
    overlay.PlaceAt(500, 200); // back, somewhere else on the desktop
    overlay.SetUnplaced(false);
    EXPECT_TRUE(at(500, 200));
    EXPECT_TRUE(overlay.Visible());
    // Paused while it waits: its panel coming back does not show it.
    overlay.SetUnplaced(true);
    overlay.Hide();
    overlay.SetUnplaced(false);
    EXPECT_FALSE(overlay.Visible());
    overlays[1]->SetUnplaced(false);
    EXPECT_FALSE(overlays[1]->Visible()) << "an overlay not in use stays hidden";
}

TEST_F(Concealment, AHeldOverlayStaysHiddenAndReleasedTakesTheLastRequest) {
    defects[AppendDefect(defects, 300, 300)].Flags = RedOn;
    Place();
    TPixForm& overlay = *overlays[0];
    struct TStep {
        const char* what;
        void (*act)(TPixForm&);
        bool visible;
    };
    const TStep steps[] = {
        {"held", [](TPixForm& o) { o.Hold(); }, false},
        {"resumed while held", [](TPixForm& o) { o.SetVisible(true); }, false},
        {"paused while held", [](TPixForm& o) { o.Hide(); }, false},
        {"released paused", [](TPixForm& o) { o.Release(); }, false},
        {"resumed", [](TPixForm& o) { o.SetVisible(true); }, true},
        {"held again", [](TPixForm& o) { o.Hold(); }, false},
        {"its panel goes while held", [](TPixForm& o) { o.SetUnplaced(true); }, false},
        {"released without a panel", [](TPixForm& o) { o.Release(); }, false},
        {"its panel comes back", [](TPixForm& o) { o.SetUnplaced(false); }, true},
        {"held and released", [](TPixForm& o) { o.Hold(), o.Release(); }, true},
    };
    for (const TStep& step : steps) {
        step.act(overlay);
        EXPECT_EQ(overlay.Visible(), step.visible) << step.what;
    }
}

TEST_F(Concealment, AHeldOverlayKeepsItsColourUntilReleased) {
    defects[AppendDefect(defects, 600, 500)].Flags = RedOn;
    defects[AppendDefect(defects, 200, 200)].Flags = RedOn;
    Place();
    Tick();
    overlays[0]->Hold();
    // What a repair puts over the held overlay's pixel: a topmost window of other colours.
    const RECT flashed{598, 498, 603, 503};
    TScreenPattern flash(flashed, TScreenPattern::Uniform(flashed, 0xFF00FF));
    background.Repaint(TScreenPattern::Uniform(screen, 0x2884C8)); // (200, 132, 40)
    Tick();
    EXPECT_EQ(overlays[0]->Color(), 0x4A4AFFu) << "the flash is not the picture it conceals";
    EXPECT_EQ(ScreenAt(200, 200), SolveColor({200, 132, 40}, RedOn)) << "the others as before";

    overlays[0]->Release();
    Tick();
    EXPECT_EQ(overlays[0]->Color(), ColorValue(SolveColor({255, 0, 255}, RedOn)))
        << "released, it reads what it covers at the next tick";
}

TEST_F(Concealment, AFlashWindowCoversItsAreaOnItsMonitorStaysThereAndHidesOffEveryMonitor) {
    TFlashForm* flash = nullptr;
    app.CreateForm(flash);
    auto area = [&] {
        RECT r{};
        if (flash->Visible())
            GetWindowRect(flash->Handle(), &r);
        return r;
    };
    const struct {
        POINT pixel;
        RECT covered; // empty: hidden
    } cases[] = {
        {{300, 300}, {298, 298, 303, 303}},
        {{0, 1}, {0, 0, 3, 4}},
        {{screen.right - 1, screen.bottom - 2},
         {screen.right - 3, screen.bottom - 4, screen.right, screen.bottom}},
        {{-5000, 300}, {}},
        {{300, 300}, {298, 298, 303, 303}},
    };
    for (const auto& c : cases) {
        flash->FlashAt(c.pixel.x, c.pixel.y);
        const RECT covered = area();
        EXPECT_TRUE(EqualRect(&c.covered, &covered)) << c.pixel.x << "," << c.pixel.y;
    }
    SetWindowPos(flash->Handle(), nullptr, 10, 10, 50, 50, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(area().left, 298) << "nobody but the program moves it";
    EXPECT_EQ(area().right, 303);
    flash->SetColor(0x00FF00);
    Settle();
    EXPECT_EQ(ScreenAt(298, 302), (TRgb{0, 255, 0}));
    EXPECT_EQ(ScreenAt(303, 300), (TRgb{128, 128, 128}));
    flash->SetColor(0xFF0000);
    Settle();
    EXPECT_EQ(ScreenAt(300, 300), (TRgb{0, 0, 255})) << "each colour painted at once";
}

#include "engine/ScreenSampler.h"

#include <algorithm>
#include <climits>

#include "ui/OSError.h"

namespace {

// Until the first measurement: about what a copy costs under Wine, in microseconds.
constexpr TCopyCost AssumedCosts{30.0, 30.0 / 4096};

// Copying a pixel takes at least the time to move its four bytes; a measurement that finds it
// free (the clock is coarse) would otherwise plan one copy of the whole desktop.
constexpr double LeastPerPixel = 1e-4;
// A measurement runs on the main thread between two ticks. Where a copy is a read-back from the
// compositor its squares could grow to a whole monitor at milliseconds a copy: they stop at a
// megabyte of staging and at this much time, and the cost per pixel is taken from the largest
// one timed.
constexpr long long MeasureMaxPixels = 512 * 512;
constexpr double MeasureBudgetUs = 25'000;

// A staging bitmap of up to this many pixels is kept even when the plan needs less.
constexpr long long SmallStage = 16384;

long long Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

TPixelRect ToPixelRect(const RECT& r) {
    return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
            static_cast<int>(r.bottom)};
}

} // namespace

TScreenSampler::TScreenSampler() : costs_(AssumedCosts) {
    dc_.Reset(CreateCompatibleDC(nullptr));
    region_.Reset(CreateRectRgn(0, 0, 0, 0));
    clip_.Reset(CreateRectRgn(0, 0, 0, 0));
    if (!dc_ || !region_ || !clip_)
        RaiseLastOSError();
    if (!Stage(1024, 16))
        RaiseLastOSError();
}

TScreenSampler::~TScreenSampler() {
    if (previousBitmap_)
        SelectObject(dc_.Get(), previousBitmap_);
}

void TScreenSampler::SetCosts(TCopyCost costs) noexcept {
    costs_ = costs;
    planned_ = false;
}

bool TScreenSampler::Stage(int width, int height) {
    const long long need = std::max(1LL * width * height, SmallStage);
    const long long have = 1LL * stageWidth_ * stageHeight_;
    if (width <= stageWidth_ && height <= stageHeight_ && have <= 4 * need)
        return true;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = std::max(width, 64);
    info.bmiHeader.biHeight = -std::max(height, 16); // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TBitmapHandle bitmap(CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        return false;
    HGDIOBJ previous = SelectObject(dc_.Get(), bitmap.Get());
    if (!previousBitmap_)
        previousBitmap_ = previous; // the memory DC's own, put back before the DC goes
    bitmap_ = std::move(bitmap);    // the old one, no longer selected, goes
    bits_ = static_cast<const std::uint32_t*>(bits);
    stageWidth_ = info.bmiHeader.biWidth;
    stageHeight_ = -info.bmiHeader.biHeight;
    return true;
}

void TScreenSampler::ReadMonitors() {
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT area, LPARAM param) -> BOOL {
            auto& self = *reinterpret_cast<TScreenSampler*>(param);
            if (self.monitorCount_ < self.monitors_.size())
                self.monitors_[self.monitorCount_++] = ToPixelRect(*area);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
}

bool TScreenSampler::ReadLayout(HDC desktopDC) {
    if (!ReadReadableArea(desktopDC))
        return false;
    // Where the device context can be read, as far as a monitor shows it.
    if (monitorCount_ == 0)
        ReadMonitors();
    if (monitorCount_ > 0)
        layout_ = OnMonitors(layout_, std::span(monitors_).first(monitorCount_));
    return true;
}

bool TScreenSampler::ReadReadableArea(HDC desktopDC) {
    // GetPixel answers CLR_INVALID outside the device context's clipping region. On one screen
    // (and on monitors that form a rectangle) that is a rectangle; monitors of different sizes
    // leave gaps, and then the region's own rectangles say where the monitors are.
    RECT box{};
    pointwise_ = false;
    switch (GetClipBox(desktopDC, &box)) {
    case SIMPLEREGION: {
        const TPixelRect r = ToPixelRect(box);
        layout_ = TScreenLayout(std::span(&r, 1));
        return true;
    }
    case COMPLEXREGION:
        if (!ReadRegion(desktopDC, box)) {
            // More rectangles than a layout holds: their box, and every pixel asked on its own.
            const TPixelRect r = ToPixelRect(box);
            layout_ = TScreenLayout(std::span(&r, 1));
            pointwise_ = true;
        }
        return true;
    default:
        layout_ = TScreenLayout();
        return false;
    }
}

bool TScreenSampler::ReadRegion(HDC desktopDC, RECT& box) {
    // The system region (where the monitors are) is in screen coordinates, a clipping region
    // that someone set in those of the device; GetPixel honours both.
    POINT origin{};
    if (GetRandomRgn(desktopDC, region_.Get(), SYSRGN) != 1 || !GetDCOrgEx(desktopDC, &origin))
        return false;
    OffsetRgn(region_.Get(), -origin.x, -origin.y);
    const int clipped = GetClipRgn(desktopDC, clip_.Get());
    if (clipped < 0 ||
        (clipped == 1 && CombineRgn(region_.Get(), region_.Get(), clip_.Get(), RGN_AND) == ERROR))
        return false;
    // (Wine's GetClipBox leaves the box unset for a complex region.)
    GetRgnBox(region_.Get(), &box);
    auto* data = reinterpret_cast<RGNDATA*>(regionData_.data());
    if (!GetRegionData(region_.Get(), static_cast<DWORD>(regionData_.size()), data) ||
        data->rdh.nCount > TScreenLayout::MaxRects)
        return false;
    std::array<TPixelRect, TScreenLayout::MaxRects> rects;
    const auto* in = reinterpret_cast<const RECT*>(data->Buffer);
    for (DWORD i = 0; i < data->rdh.nCount; ++i)
        rects[i] = ToPixelRect(in[i]);
    layout_ = TScreenLayout(std::span(rects).first(data->rdh.nCount));
    return true;
}

void TScreenSampler::ReadBlocks(HDC desktopDC, std::span<const POINT> centres) {
    count_ = std::min(centres.size(), MaxBlocks);
    for (std::size_t i = 0; i < count_; ++i)
        centres_[i] = {static_cast<int>(centres[i].x), static_cast<int>(centres[i].y)};
    for (auto& colors : colors_)
        colors.fill(InvalidColor); // what is not read below lies on no monitor
    copies_ = 0;
    // A desktop that shows nothing to read (the secure desktop is up) reads as no picture at
    // all, not as a white one.
    readFailed_ = true;
    if (!ReadLayout(desktopDC))
        return;

    const auto current = std::span(centres_).first(count_);
    if (!planned_ ||
        !std::equal(current.begin(), current.end(), plannedCentres_.begin(),
                    plannedCentres_.begin() + static_cast<std::ptrdiff_t>(plannedCount_)) ||
        !(layout_ == plannedLayout_)) {
        plan_.Make(current, layout_, costs_);
        planned_ = true;
        plannedCentres_ = centres_;
        plannedCount_ = count_;
        plannedLayout_ = layout_;
    }
    // Without a bitmap for the plan (memory is short), read pixel by pixel.
    if (!Stage(plan_.StageWidth(), plan_.StageHeight())) {
        ReadPerPixel(desktopDC);
        return;
    }
    for (const TCopyGroup& group : plan_.Groups())
        CopyGroup(desktopDC, group);
    readFailed_ = copies_ == 0 && !plan_.Groups().empty();
}

void TScreenSampler::CopyGroup(HDC desktopDC, const TCopyGroup& group) {
    // The plan copies only what lies within the desktop's bounds: a source partly off the
    // desktop is not copied reliably everywhere.
    // A copy that fails (the secure desktop is up, say) leaves its blocks white, as a failed
    // GetPixel would, rather than showing what the bitmap held before.
    const TPixelRect& area = group.Area;
    const BOOL copied =
        BitBlt(dc_.Get(), 0, 0, static_cast<int>(area.Width()), static_cast<int>(area.Height()),
               desktopDC, area.Left, area.Top, SRCCOPY);
    GdiFlush(); // the DIB's memory is read directly: the blit must have landed
    if (!copied)
        return;
    ++copies_;
    for (std::uint8_t index : group.Blocks()) {
        auto& colors = colors_[index];
        const TPixelPoint c = centres_[index];
        TakeNeighbours(bits_, static_cast<std::size_t>(stageWidth_), area, layout_, c, colors);
        if (!pointwise_)
            continue;
        // Inside the box, so the coordinates are ints.
        for (std::size_t i = 0; i < 8; ++i)
            if (colors[i] != InvalidColor &&
                !PtVisible(desktopDC, c.X + NeighbourOffsets[i][0], c.Y + NeighbourOffsets[i][1]))
                colors[i] = InvalidColor;
    }
}

void TScreenSampler::ReadPerPixel(HDC desktopDC) {
    int asked = 0, answered = 0;
    for (std::size_t b = 0; b < count_; ++b)
        for (std::size_t i = 0; i < 8; ++i) {
            const long long px = 0LL + centres_[b].X + NeighbourOffsets[i][0],
                            py = 0LL + centres_[b].Y + NeighbourOffsets[i][1];
            if (!layout_.Contains(px, py))
                continue;
            ++asked;
            colors_[b][i] = GetPixel(desktopDC, static_cast<int>(px), static_cast<int>(py));
            answered += colors_[b][i] != InvalidColor;
        }
    readFailed_ = asked > 0 && answered == 0;
}

double TScreenSampler::TimeCopy(HDC desktopDC, const TPixelRect& from, int width, int height,
                                int times) {
    // Other work on the machine only ever adds time: the fastest copy counts.
    double fastest = 0;
    for (int i = 0; i < times; ++i) {
        const long long start = Ticks();
        if (!BitBlt(dc_.Get(), 0, 0, width, height, desktopDC, from.Left, from.Top, SRCCOPY))
            return -1; // a copy that fails costs nothing worth knowing
        GdiFlush();
        const double us = 1e6 * static_cast<double>(Ticks() - start) / ticksPerSecond_;
        fastest = i ? std::min(fastest, us) : us;
    }
    return fastest;
}

void TScreenSampler::MeasureCosts(HDC desktopDC) {
    if (!ReadLayout(desktopDC) || layout_.Rects().empty())
        return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    ticksPerSecond_ = static_cast<double>(frequency.QuadPart);
    // A block's worth is nearly all fixed cost. Then ever larger squares, until the pixels of
    // one cost as much again: where that is (some thousand pixels under Wine, more than the
    // largest square where a copy is a read-back from the compositor) is where the plan weighs
    // pixels against copies. Then a column as tall as a monitor allows, to tell the cost of a
    // row from that of its pixels. The first copy of a burst also waits for the display to
    // finish what it was doing, which every tick pays once whatever its plan: it is not timed.
    const TPixelRect& screen = layout_.Rects()[0];
    const long long begun = Ticks();
    const auto spentUs = [&] {
        return 1e6 * static_cast<double>(Ticks() - begun) / ticksPerSecond_;
    };
    const auto side = [&](long long n, long long limit) {
        return static_cast<int>(std::min(n, limit));
    };
    const int small = side(3, std::min(screen.Width(), screen.Height()));
    if (TimeCopy(desktopDC, screen, small, small, 1) < 0)
        return; // nothing can be copied now: the costs measured before stay
    const double smallTime = TimeCopy(desktopDC, screen, small, small, 5);
    int w = small, h = small;
    double squareTime = smallTime;
    for (int n = 64;; n *= 2) {
        const int nw = side(n, screen.Width()), nh = side(n, screen.Height());
        if (1LL * nw * nh <= 1LL * w * h || 1LL * nw * nh > MeasureMaxPixels || !Stage(nw, nh))
            break;
        w = nw;
        h = nh;
        squareTime = TimeCopy(desktopDC, screen, w, h, 5);
        if (squareTime >= 2 * smallTime || spentUs() > MeasureBudgetUs)
            break;
    }
    if (1LL * w * h <= 1LL * small * small)
        return; // a screen too small to tell the costs apart
    // Three copies, three unknowns: the differences to the small copy give the cost of a row
    // and of a pixel; what the small copy's rows and pixels do not explain is fixed. Where no
    // column can be taller than the square, rows count as free.
    const double squareRows = 1.0 * h - small, squarePixels = 1.0 * w * h - small * small;
    const double squareExtra = squareTime - smallTime;
    double perPixel = squareExtra / squarePixels, perRow = 0;
    const int tall = side(std::max(512, 2 * h), screen.Height());
    if (tall > h && Stage(small, tall)) {
        const double tallRows = 1.0 * tall - small, tallPixels = 1.0 * small * tall - small * small;
        const double tallExtra = TimeCopy(desktopDC, screen, small, tall, 5) - smallTime;
        const double det = squareRows * tallPixels - tallRows * squarePixels;
        perRow = (squareExtra * tallPixels - tallExtra * squarePixels) / det;
        perPixel = (squareRows * tallExtra - tallRows * squareExtra) / det;
        // Other work on the machine can still spoil a timing: such a measurement is dropped,
        // and the costs measured before stay.
        if (!(perRow >= 0 && perPixel >= 0))
            return;
    }
    perPixel = std::max(perPixel, LeastPerPixel);
    SetCosts(
        {std::max(smallTime - perPixel * small * small - perRow * small, 0.0), perPixel, perRow});
}

TRgb TScreenSampler::Average(std::size_t index) const {
    return AverageNeighbours(colors_[std::min(index, MaxBlocks - 1)]);
}

TRgb TScreenSampler::SampleNeighbours(HDC desktopDC, int x, int y) {
    const POINT centre{x, y};
    ReadBlocks(desktopDC, std::span(&centre, 1));
    return Average(0);
}

TRgb SampleNeighboursPerPixel(HDC desktopDC, int x, int y) {
    std::array<std::uint32_t, 8> colors;
    for (int i = 0; i < 8; ++i) {
        // A neighbour beyond the coordinate range is as far off the desktop as can be.
        const long long px = 0LL + x + NeighbourOffsets[i][0],
                        py = 0LL + y + NeighbourOffsets[i][1];
        const bool inRange = px >= INT_MIN && px <= INT_MAX && py >= INT_MIN && py <= INT_MAX;
        colors[i] = inRange ? GetPixel(desktopDC, static_cast<int>(px), static_cast<int>(py))
                            : InvalidColor;
    }
    return AverageNeighbours(colors);
}

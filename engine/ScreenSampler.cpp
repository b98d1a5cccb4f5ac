#include "engine/ScreenSampler.h"

#include <algorithm>
#include <climits>

#include "ui/OSError.h"

namespace {

// The neighbours in reading order; the defect's own pixel (0, 0) is not read.
constexpr int NeighbourOffsets[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                        {1, 0},   {-1, 1}, {0, 1},  {1, 1}};

constexpr std::uint32_t InvalidColor = 0xFFFFFFFF; // what GetPixel gives outside the desktop

RECT BlockAround(POINT centre) {
    return {centre.x - 1, centre.y - 1, centre.x + 2, centre.y + 2};
}

long Area(const RECT& r) {
    return static_cast<long>(r.right - r.left) * (r.bottom - r.top);
}

RECT Union(const RECT& a, const RECT& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

} // namespace

TScreenSampler::TScreenSampler() {
    dc_.Reset(CreateCompatibleDC(nullptr));
    if (!dc_)
        RaiseLastOSError();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = StageWidth;
    info.bmiHeader.biHeight = -StageHeight; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.Reset(CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_ || !bits)
        RaiseLastOSError();
    bits_ = static_cast<const std::uint32_t*>(bits);
    previousBitmap_ = SelectObject(dc_.Get(), bitmap_.Get());
}

TScreenSampler::~TScreenSampler() {
    if (previousBitmap_)
        SelectObject(dc_.Get(), previousBitmap_);
}

void TScreenSampler::ReadBlocks(HDC desktopDC, std::span<const POINT> centres) {
    const std::size_t count = std::min(centres.size(), MaxBlocks);
    std::copy_n(centres.begin(), count, centres_.begin());
    for (auto& colors : colors_)
        colors.fill(InvalidColor); // what is not read below lies off the desktop
    copies_ = 0;
    // GetPixel answers CLR_INVALID outside the device context's clipping region. On one screen
    // (and on monitors that form a rectangle) that is a rectangle; otherwise ask point by point.
    region_ = GetClipBox(desktopDC, &area_);
    if (region_ != SIMPLEREGION && region_ != COMPLEXREGION)
        return;

    // A block wholly off the desktop is all white and is not read. The file may hold any
    // coordinates; every block that remains lies within a pixel of the desktop, so the
    // arithmetic below stays in range.
    auto reachable = [&](POINT c) {
        const long long x = c.x, y = c.y;
        return x + 1 >= area_.left && x - 1 < area_.right && y + 1 >= area_.top &&
               y - 1 < area_.bottom;
    };
    // From the top down, each block joins the copy above it while the shared copy reads little
    // more than the two would and fits the staging bitmap. (An insertion sort: a library sort
    // may allocate, and there are at most 25.)
    std::array<std::uint8_t, MaxBlocks> order{};
    std::size_t reached = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!reachable(centres_[i]))
            continue;
        std::size_t k = reached++;
        for (; k > 0 && centres_[order[k - 1]].y > centres_[i].y; --k)
            order[k] = order[k - 1];
        order[k] = static_cast<std::uint8_t>(i);
    }

    std::size_t first = 0;
    RECT group{};
    for (std::size_t k = 0; k < reached; ++k) {
        const RECT block = BlockAround(centres_[order[k]]);
        if (k > first) {
            const RECT joined = Union(group, block);
            if (joined.right - joined.left <= StageWidth &&
                joined.bottom - joined.top <= StageHeight &&
                Area(joined) <= Area(group) + Area(block) + MergeAllowance) {
                group = joined;
                continue;
            }
            CopyGroup(desktopDC, group, std::span(order).subspan(first, k - first));
        }
        first = k;
        group = block;
    }
    if (reached > first)
        CopyGroup(desktopDC, group, std::span(order).subspan(first, reached - first));
}

void TScreenSampler::CopyGroup(HDC desktopDC, RECT group, std::span<const std::uint8_t> members) {
    // Only the part on the desktop is copied: a source partly off the desktop is not copied
    // reliably everywhere. What lies outside is never read from the blocks.
    // A copy that fails (the secure desktop is up, say) leaves its blocks white, as a failed
    // GetPixel would, rather than showing what the bitmap held before.
    RECT copy{};
    if (!IntersectRect(&copy, &group, &area_) || copy.right - copy.left > StageWidth ||
        copy.bottom - copy.top > StageHeight)
        return;
    const BOOL copied = BitBlt(dc_.Get(), 0, 0, copy.right - copy.left, copy.bottom - copy.top,
                               desktopDC, copy.left, copy.top, SRCCOPY);
    GdiFlush(); // the DIB's memory is read directly: the blit must have landed
    if (!copied)
        return;
    ++copies_;

    for (std::uint8_t index : members) {
        const POINT c = centres_[index];
        for (std::size_t i = 0; i < 8; ++i) {
            const int px = c.x + NeighbourOffsets[i][0], py = c.y + NeighbourOffsets[i][1];
            if (px < copy.left || px >= copy.right || py < copy.top || py >= copy.bottom ||
                !Inside(desktopDC, px, py))
                continue; // stays CLR_INVALID
            const std::uint32_t pixel = bits_[(py - copy.top) * StageWidth + (px - copy.left)];
            // The DIB holds 0x00RRGGBB; colour values are 0x00BBGGRR.
            colors_[index][i] = ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
        }
    }
}

bool TScreenSampler::Inside(HDC desktopDC, int x, int y) const {
    if (region_ == SIMPLEREGION)
        return x >= area_.left && x < area_.right && y >= area_.top && y < area_.bottom;
    return region_ == COMPLEXREGION && PtVisible(desktopDC, x, y);
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

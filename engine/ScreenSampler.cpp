#include "engine/ScreenSampler.h"

#include <array>

#include "ui/OSError.h"

namespace {

// The neighbours in reading order; the defect's own pixel (0, 0) is not read.
constexpr int NeighbourOffsets[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                        {1, 0},   {-1, 1}, {0, 1},  {1, 1}};

constexpr std::uint32_t InvalidColor = 0xFFFFFFFF; // what GetPixel gives outside the desktop

} // namespace

TScreenSampler::TScreenSampler() {
    dc_.Reset(CreateCompatibleDC(nullptr));
    if (!dc_)
        RaiseLastOSError();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = -3; // top-down
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

void TScreenSampler::BeginTick(HDC desktopDC) {
    // GetPixel answers CLR_INVALID outside the device context's clipping region. On one screen
    // (and on monitors that form a rectangle) that is a rectangle; otherwise ask point by point.
    // It changes only with the display settings, so once per tick is enough.
    region_ = GetClipBox(desktopDC, &area_);
}

TRgb TScreenSampler::SampleNeighbours(HDC desktopDC, int x, int y) {
    const int region = region_;
    const RECT& area = area_;
    if (region == SIMPLEREGION || region == COMPLEXREGION) {
        // Only the part of the block that lies on the desktop is copied: a source partly off the
        // desktop is not copied reliably everywhere.
        RECT block{x - 1, y - 1, x + 2, y + 2}, copy{};
        if (IntersectRect(&copy, &block, &area)) {
            BitBlt(dc_.Get(), copy.left - block.left, copy.top - block.top,
                   copy.right - copy.left, copy.bottom - copy.top, desktopDC, copy.left,
                   copy.top, SRCCOPY);
            GdiFlush(); // the DIB's memory is read directly: the blit must have landed
        }
    }

    std::array<std::uint32_t, 8> colors;
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const int dx = NeighbourOffsets[i][0], dy = NeighbourOffsets[i][1];
        const int px = x + dx, py = y + dy;
        const bool inside =
            region == SIMPLEREGION
                ? px >= area.left && px < area.right && py >= area.top && py < area.bottom
                : region == COMPLEXREGION && PtVisible(desktopDC, px, py);
        if (!inside) {
            colors[i] = InvalidColor;
            continue;
        }
        const std::uint32_t pixel = bits_[(dy + 1) * 3 + dx + 1];
        // The DIB holds 0x00RRGGBB; colour values are 0x00BBGGRR.
        colors[i] = ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
    }
    return AverageNeighbours(colors);
}

TRgb SampleNeighboursPerPixel(HDC desktopDC, int x, int y) {
    std::array<std::uint32_t, 8> colors;
    for (int i = 0; i < 8; ++i)
        colors[i] = GetPixel(desktopDC, x + NeighbourOffsets[i][0], y + NeighbourOffsets[i][1]);
    return AverageNeighbours(colors);
}

#include "engine/ScreenLayout.h"

#include <algorithm>

TPixelRect Union(const TPixelRect& a, const TPixelRect& b) noexcept {
    if (a.Empty())
        return b;
    if (b.Empty())
        return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

TPixelRect Intersection(const TPixelRect& a, const TPixelRect& b) noexcept {
    TPixelRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                 std::min(a.Bottom, b.Bottom)};
    return r.Empty() ? TPixelRect{} : r;
}

TScreenLayout::TScreenLayout(std::span<const TPixelRect> rects) noexcept {
    for (const TPixelRect& r : rects) {
        if (r.Empty() || count_ == MaxRects)
            continue;
        rects_[count_++] = r;
        bounds_ = Union(bounds_, r);
    }
}

bool TScreenLayout::Contains(long long x, long long y) const noexcept {
    if (!bounds_.Contains(x, y))
        return false;
    return std::any_of(rects_.begin(), rects_.begin() + static_cast<std::ptrdiff_t>(count_),
                       [&](const TPixelRect& r) { return r.Contains(x, y); });
}

bool operator==(const TScreenLayout& a, const TScreenLayout& b) noexcept {
    return std::equal(a.Rects().begin(), a.Rects().end(), b.Rects().begin(), b.Rects().end());
}

TScreenLayout OnMonitors(const TScreenLayout& readable,
                         std::span<const TPixelRect> monitors) noexcept {
    std::array<TPixelRect, TScreenLayout::MaxRects> parts{};
    std::size_t count = 0;
    for (const TPixelRect& r : readable.Rects())
        for (const TPixelRect& m : monitors)
            if (const TPixelRect part = Intersection(r, m); !part.Empty() && count < parts.size())
                parts[count++] = part;
    return TScreenLayout(std::span(parts).first(count));
}

TPixelRect ReadBlock(TPixelPoint centre, const TScreenLayout& layout) noexcept {
    const long long x = centre.X, y = centre.Y;
    bool anyOnScreen = false;
    for (const auto& offset : NeighbourOffsets)
        anyOnScreen = anyOnScreen || layout.Contains(x + offset[0], y + offset[1]);
    if (!anyOnScreen)
        return {};
    // A neighbour lies on a monitor, so the centre is within a pixel of the bounds and the
    // block's edges, clipped to them, are ints.
    const TPixelRect& b = layout.Bounds();
    return {static_cast<int>(std::max<long long>(x - 1, b.Left)),
            static_cast<int>(std::max<long long>(y - 1, b.Top)),
            static_cast<int>(std::min<long long>(x + 2, b.Right)),
            static_cast<int>(std::min<long long>(y + 2, b.Bottom))};
}

void TakeNeighbours(const std::uint32_t* pixels, std::size_t stride, const TPixelRect& copied,
                    const TScreenLayout& layout, TPixelPoint centre,
                    std::span<std::uint32_t, 8> colors) noexcept {
    for (std::size_t i = 0; i < 8; ++i) {
        const long long px = 0LL + centre.X + NeighbourOffsets[i][0];
        const long long py = 0LL + centre.Y + NeighbourOffsets[i][1];
        if (!copied.Contains(px, py) || !layout.Contains(px, py))
            continue;
        const std::uint32_t pixel = pixels[static_cast<std::size_t>(py - copied.Top) * stride +
                                           static_cast<std::size_t>(px - copied.Left)];
        // A device-independent bitmap holds 0x00RRGGBB; colour values are 0x00BBGGRR.
        colors[i] = ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
    }
}

#include "capture/PositionCheck.h"

#include <algorithm>

#include "store/DefectList.h"

bool CheckOnBlack(std::uint8_t flags) noexcept {
    return (flags & (RedOff | GreenOff | BlueOff)) == 0 || (flags & (RedOn | GreenOn | BlueOn));
}

std::uint32_t CoverColor(bool onBlack, std::uint64_t changes) noexcept {
    const bool opposite = changes % 2 == 0;
    return onBlack == opposite ? 0xFFFFFF : 0x000000;
}

TPixelPoint StepCover(TPixelPoint at, int dx, int dy, const TScreenLayout& monitors) noexcept {
    // In long long: a step from the edge of the int range must not overflow.
    const long long x = 0LL + at.X + dx, y = 0LL + at.Y + dy;
    if (monitors.Contains(x, y))
        return {static_cast<int>(x), static_cast<int>(y)};
    TPixelRect home = monitors.Bounds();
    for (const TPixelRect& monitor : monitors.Rects())
        if (monitor.Contains(at.X, at.Y))
            home = monitor;
    if (home.Empty())
        return at;
    return {static_cast<int>(std::clamp<long long>(x, home.Left, home.Right - 1LL)),
            static_cast<int>(std::clamp<long long>(y, home.Top, home.Bottom - 1LL))};
}

bool KeepsClear(const TPixelRect& area, std::span<const TPixelPoint> points,
                int clearance) noexcept {
    // Within `clearance` of the area's outermost pixels, in either direction (pixels Left to
    // Right - 1): too close.
    return std::none_of(points.begin(), points.end(), [&](TPixelPoint p) {
        return 0LL + p.X >= 0LL + area.Left - clearance &&
               0LL + p.X < 0LL + area.Right + clearance &&
               0LL + p.Y >= 0LL + area.Top - clearance && 0LL + p.Y < 0LL + area.Bottom + clearance;
    });
}

std::optional<TPixelRect> HintPlace(const TPixelRect& workArea, int width, int height, int margin,
                                    std::span<const TPixelPoint> points, int clearance) noexcept {
    if (width > workArea.Width() || 2LL * margin + height > workArea.Height())
        return std::nullopt;
    const int left = static_cast<int>(workArea.Left + (workArea.Width() - width) / 2);
    for (const int top : {workArea.Top + margin, workArea.Bottom - margin - height}) {
        const TPixelRect place{left, top, left + width, top + height};
        if (KeepsClear(place, points, clearance))
            return place;
    }
    return std::nullopt;
}

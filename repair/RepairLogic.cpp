#include "repair/RepairLogic.h"

#include <algorithm>

TPixelRect FlashArea(TPixelPoint pixel, const TPixelRect& monitor) noexcept {
    if (!monitor.Contains(pixel.X, pixel.Y))
        return {};
    // Within the monitor every edge is an int, however near the pixel is to the end of the range.
    constexpr long long before = FlashSide / 2, after = FlashSide - before;
    return {static_cast<int>(std::max<long long>(0LL + pixel.X - before, monitor.Left)),
            static_cast<int>(std::max<long long>(0LL + pixel.Y - before, monitor.Top)),
            static_cast<int>(std::min<long long>(0LL + pixel.X + after, monitor.Right)),
            static_cast<int>(std::min<long long>(0LL + pixel.Y + after, monitor.Bottom))};
}

std::wstring RemainingText(std::uint64_t remainingMs) {
    const std::uint64_t seconds = remainingMs / 1000 + (remainingMs % 1000 != 0);
    const std::uint64_t tens = seconds % 60 / 10, ones = seconds % 10;
    return L"Noch " + std::to_wstring(seconds / 60) + L":" + static_cast<wchar_t>(L'0' + tens) +
           static_cast<wchar_t>(L'0' + ones);
}

std::wstring RepairTargetText(const TDefectList& defects, int index) {
    if (index < 0 && defects.Count() == 1)
        index = 0;
    if (index < 0)
        return L"Alle " + std::to_wstring(defects.Count()) + L" Pixel";
    const TDefectPixel& defect = defects[index];
    return L"Pixel " + std::to_wstring(index + 1) + L" bei " + std::to_wstring(defect.X) + L" x " +
           std::to_wstring(defect.Y);
}

#include "engine/StackingCheck.h"

#include <dwmapi.h>

#include <algorithm>

#include "engine/Unit2.h"
#include "store/DefectList.h"

struct TStackingCheck::TWalk {
    TWalk(const TStackingCheck& c, std::span<TPixForm* const> overlays,
          std::span<const std::uintptr_t> known, std::span<std::uintptr_t> list)
        : check(c), inUse(overlays), unpassed(known), collected(list) {}

    const TStackingCheck& check;
    std::span<TPixForm* const> inUse;
    std::span<const std::uintptr_t> unpassed;
    // Covering() lists every covering window instead of stopping at the first.
    std::span<std::uintptr_t> collected;
    std::size_t collectedCount = 0;

    // From the top: the last overlay in use, down to overlay 0. The ones at and below it have
    // not been met yet.
    std::ptrdiff_t expected = static_cast<std::ptrdiff_t>(inUse.size()) - 1;
    // The overlays' pixels, asked for only when a window above one of them is met.
    std::array<POINT, MaxDefects> pixels{};
    bool havePixels = false;
    TRaiseGate::TFinding found;
};

TStackingCheck::TStackingCheck()
    : dwmapi_(LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    if (dwmapi_)
        getWindowAttribute_ = reinterpret_cast<decltype(getWindowAttribute_)>(
            reinterpret_cast<void (*)()>(GetProcAddress(dwmapi_.Get(), "DwmGetWindowAttribute")));
}

bool TStackingCheck::Cloaked(HWND window) const {
    DWORD cloaked = 0;
    return getWindowAttribute_ &&
           SUCCEEDED(getWindowAttribute_(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) &&
           cloaked != 0;
}

RECT TStackingCheck::DrawnArea(HWND window, const RECT& area) const {
    RECT frame{}, drawn{};
    if (getWindowAttribute_ &&
        SUCCEEDED(getWindowAttribute_(window, DWMWA_EXTENDED_FRAME_BOUNDS, &frame, sizeof frame)) &&
        IntersectRect(&drawn, &frame, &area))
        return drawn;
    return area;
}

TRaiseGate::TFinding TStackingCheck::Check(std::span<TPixForm* const> inUse,
                                           std::span<const std::uintptr_t> unpassed) const {
    TWalk walk(*this, inUse, unpassed, {});
    Walk(walk);
    return walk.found;
}

std::span<const std::uintptr_t> TStackingCheck::Covering(std::span<TPixForm* const> inUse) {
    TWalk walk(*this, inUse, {}, covering_);
    Walk(walk);
    return std::span(covering_).first(walk.collectedCount);
}

void TStackingCheck::Walk(TWalk& walk) const {
    if (walk.expected < 0)
        return;
    // EnumWindows takes the whole stacking order in one go, where stepping with GetWindow costs
    // a round trip per window; the walk stops as soon as the answer is known. Windows below the
    // lowest overlay cannot cover it.
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& w = *reinterpret_cast<TWalk*>(param);
            if (window == w.inUse[static_cast<std::size_t>(w.expected)]->Handle())
                return --w.expected < 0 ? FALSE : TRUE;
            if (std::any_of(w.inUse.begin(), w.inUse.end(),
                            [&](const TPixForm* o) { return o->Handle() == window; })) {
                w.found.OrderWrong = true; // an overlay above one that belongs above it
                return FALSE;
            }
            // Cheapest first: the style, the place, and only for a window over a defect the
            // compositor's word on whether and where it shows.
            RECT area;
            if (!IsWindowVisible(window) || !GetWindowRect(window, &area))
                return TRUE;
            if (!w.havePixels) {
                for (std::size_t i = 0; i < w.inUse.size(); ++i) {
                    RECT r{};
                    GetWindowRect(w.inUse[i]->Handle(), &r);
                    w.pixels[i] = {r.left, r.top};
                }
                w.havePixels = true;
            }
            const auto below = std::span(w.pixels).first(static_cast<std::size_t>(w.expected) + 1);
            const auto coversOne = [&](const RECT& r) {
                return std::any_of(below.begin(), below.end(), [&](POINT p) {
                    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
                });
            };
            if (!coversOne(area) || w.check.Cloaked(window) ||
                !coversOne(w.check.DrawnArea(window, area)))
                return TRUE;
            const auto id = reinterpret_cast<std::uintptr_t>(window);
            if (w.collectedCount < w.collected.size()) {
                w.collected[w.collectedCount++] = id;
                return TRUE;
            }
            if (!w.collected.empty())
                return FALSE; // as many as can be kept
            if (std::find(w.unpassed.begin(), w.unpassed.end(), id) != w.unpassed.end()) {
                w.found.UnpassedCovers = true;
                return TRUE;
            }
            w.found.Covered = true;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&walk));
}

#include "engine/StackingCheck.h"

#include <dwmapi.h>

#include <algorithm>

#include "engine/CoverForm.h"

struct TStackingCheck::TWalk {
    TWalk(const TStackingCheck& c, std::span<TCoverForm* const> all,
          std::span<const std::uintptr_t> known, std::span<std::uintptr_t> list)
        : check(c), covers(all), unpassed(known), collected(list) {}

    const TStackingCheck& check;
    std::span<TCoverForm* const> covers;
    std::span<const std::uintptr_t> unpassed;
    // Covering() lists every covering window instead of stopping at the first.
    std::span<std::uintptr_t> collected;
    std::size_t collectedCount = 0;

    // From the top: the last cover, down to cover 0. The ones at and below it have not been
    // met yet.
    std::ptrdiff_t expected = static_cast<std::ptrdiff_t>(covers.size()) - 1;
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

TRaiseGate::TFinding TStackingCheck::Check(std::span<TCoverForm* const> covers,
                                           std::span<const std::uintptr_t> unpassed) const {
    TWalk walk(*this, covers, unpassed, {});
    Walk(walk);
    return walk.found;
}

std::span<const std::uintptr_t> TStackingCheck::Covering(std::span<TCoverForm* const> covers) {
    TWalk walk(*this, covers, {}, covering_);
    Walk(walk);
    return std::span(covering_).first(walk.collectedCount);
}

bool TStackingCheck::AnyOver(std::span<TCoverForm* const> covers,
                             std::span<const HWND> windows) const {
    return std::any_of(windows.begin(), windows.end(), [&](HWND window) {
        return std::none_of(covers.begin(), covers.end(),
                            [&](const TCoverForm* c) { return c->Handle() == window; }) &&
               Over(window, covers, covers.size());
    });
}

bool TStackingCheck::Over(HWND window, std::span<TCoverForm* const> covers,
                          std::size_t count) const {
    // Cheapest first: the style, the place, and only for a window over a cover the compositor's
    // word on whether and where it shows.
    RECT area;
    if (count == 0 || !IsWindowVisible(window) || !GetWindowRect(window, &area))
        return false;
    const auto below = covers.first(count);
    const auto overOne = [&](const RECT& r) {
        RECT common;
        return std::any_of(below.begin(), below.end(), [&](const TCoverForm* c) {
            return IntersectRect(&common, &r, &c->Area()) != FALSE;
        });
    };
    if (!overOne(area))
        return false;
    // A cover of a higher layer belongs above: an overlay conceals its pixel inside a flashing
    // area.
    if (const auto* cover = dynamic_cast<const TCoverForm*>(TWindow::FromHandle(window));
        cover && cover->Layer() > covers.front()->Layer())
        return false;
    return !Cloaked(window) && overOne(DrawnArea(window, area));
}

void TStackingCheck::Walk(TWalk& walk) const {
    if (walk.expected < 0)
        return;
    // EnumWindows takes the whole stacking order in one go, where stepping with GetWindow costs
    // a round trip per window; the walk stops as soon as the answer is known. Windows below the
    // lowest cover cannot lie over it.
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& w = *reinterpret_cast<TWalk*>(param);
            if (window == w.covers[static_cast<std::size_t>(w.expected)]->Handle())
                return --w.expected < 0 ? FALSE : TRUE;
            if (std::any_of(w.covers.begin(), w.covers.end(),
                            [&](const TCoverForm* c) { return c->Handle() == window; })) {
                w.found.OrderWrong = true; // a cover above one that belongs above it
                return FALSE;
            }
            if (!w.check.Over(window, w.covers, static_cast<std::size_t>(w.expected) + 1))
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

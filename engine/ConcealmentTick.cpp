#include "engine/ConcealmentTick.h"

#include <algorithm>
#include <array>

#include "engine/ColorSolver.h"
#include "engine/Unit2.h"

void TConcealmentTick::Run(const TDefectList& defects, HDC desktopDC,
                           std::span<TPixForm* const> overlays) {
    if (defects.Empty())
        return;
    const auto inUse = overlays.first(static_cast<std::size_t>(defects.Count()));
    // What a screen copy costs here decides how the blocks are read: measured before the first
    // reads, and again now and then after a tick's work, when the colours are set.
    if (measureInterval_ == 0) {
        sampler_.MeasureCosts(desktopDC);
        measureInterval_ = untilMeasure_ = 8;
    }

    // Raising an overlay that is already where it belongs is free of visible effect but not of
    // cost: every raise restacks the band. After one full raise the overlays stand exactly as
    // the raises leave them, so they are raised again only when another window has come above or
    // between them.
    const bool raise = !OverlaysOnTop(inUse);

    // All blocks are read before any colour is set. That reads what entry by entry would: a
    // new colour shows only when its overlay repaints, after the tick.
    std::array<POINT, MaxDefects> centres;
    for (int i = 0; i < defects.Count(); ++i)
        centres[static_cast<std::size_t>(i)] = {defects[i].X, defects[i].Y};
    sampler_.ReadBlocks(desktopDC, std::span(centres).first(inUse.size()));

    for (int i = 0; i < defects.Count(); ++i) {
        const TDefectPixel& defect = defects[i];
        TPixForm& overlay = *inUse[static_cast<std::size_t>(i)];
        TRgb average = sampler_.Average(static_cast<std::size_t>(i));
        // The same colour again repaints nothing.
        overlay.SetColor(ColorValue(SolveColor(average, defect.Flags)));
        if (raise)
            overlay.ReassertTopmost();
    }

    // The first measurement falls into the busy moments of the start-up: the next ones come
    // soon after it, then once a minute.
    if (--untilMeasure_ <= 0) {
        sampler_.MeasureCosts(desktopDC);
        measureInterval_ = untilMeasure_ = std::min(measureInterval_ * 8, MeasureEvery);
    }
}

bool TConcealmentTick::OverlaysOnTop(std::span<TPixForm* const> inUse) {
    // One pass over the top-level windows from the top. EnumWindows takes the whole stacking
    // order in one go, where stepping with GetWindow costs a round trip per window; the walk
    // stops as soon as the answer is known.
    struct TWalk {
        std::span<TPixForm* const> inUse;
        std::ptrdiff_t expected; // from the top: the last overlay in use, down to overlay 0
        bool onTop;
    } walk{inUse, static_cast<std::ptrdiff_t>(inUse.size()) - 1, false};
    if (walk.expected < 0)
        return true;
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& w = *reinterpret_cast<TWalk*>(param);
            if (window == w.inUse[static_cast<std::size_t>(w.expected)]->Handle()) {
                if (--w.expected < 0) {
                    w.onTop = true;
                    return FALSE;
                }
                return TRUE;
            }
            const bool overlay =
                std::any_of(w.inUse.begin(), w.inUse.end(),
                            [&](const TPixForm* o) { return o->Handle() == window; });
            // An overlay out of its place, or a visible window above or between them.
            return overlay || IsWindowVisible(window) ? FALSE : TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    return walk.onTop;
}

#include "engine/ConcealmentTick.h"

#include <algorithm>

#include "engine/ColorSolver.h"
#include "engine/Unit2.h"

void TConcealmentTick::Run(const TDefectList& defects, HDC desktopDC,
                           std::span<TPixForm* const> overlays) {
    if (defects.Empty())
        return;
    const auto inUse = overlays.first(static_cast<std::size_t>(defects.Count()));

    // Raising an overlay that is already where it belongs is free of visible effect but not of
    // cost: every raise restacks the band. After one full raise the overlays stand exactly as
    // the raises leave them, so they are raised again only when another window has come above or
    // between them.
    const bool raise = !OverlaysOnTop(inUse);

    for (int i = 0; i < defects.Count(); ++i) {
        const TDefectPixel& defect = defects[i];
        TPixForm& overlay = *inUse[static_cast<std::size_t>(i)];
        TRgb average = sampler_.SampleNeighbours(desktopDC, defect.X, defect.Y);
        // The same colour again repaints nothing.
        overlay.SetColor(ColorValue(SolveColor(average, defect.Flags)));
        if (raise)
            overlay.ReassertTopmost();
    }
}

bool TConcealmentTick::OverlaysOnTop(std::span<TPixForm* const> inUse) {
    auto isOverlay = [&](HWND window) {
        return std::any_of(inUse.begin(), inUse.end(),
                           [&](const TPixForm* o) { return o->Handle() == window; });
    };
    // Expected from the top: the last overlay in use, then downwards to overlay 0.
    std::ptrdiff_t expected = static_cast<std::ptrdiff_t>(inUse.size()) - 1;
    for (HWND window = GetTopWindow(nullptr); window && expected >= 0;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (window == inUse[static_cast<std::size_t>(expected)]->Handle()) {
            --expected;
            continue;
        }
        if (isOverlay(window) || IsWindowVisible(window))
            return false;
    }
    return expected < 0;
}

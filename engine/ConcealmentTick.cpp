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
    // cost: every raise restacks the band. The screen shows the same as after a raise of all
    // when no shown window covers an overlay's pixel from above and the overlays stand in
    // their order; windows elsewhere, above them or between them, change nothing.
    const TRaiseGate::TFinding found = stacking_.Check(inUse, gate_.Unpassed());
    const std::uint64_t now = GetTickCount64();
    const bool raise = gate_.ShouldRaise(found, now);

    // All blocks are read before any colour is set. That reads what entry by entry would: a
    // new colour shows only when its overlay repaints, after the tick.
    std::array<POINT, MaxDefects> centres;
    for (int i = 0; i < defects.Count(); ++i)
        centres[static_cast<std::size_t>(i)] = {defects[i].X, defects[i].Y};
    sampler_.ReadBlocks(desktopDC, std::span(centres).first(inUse.size()));

    for (int i = 0; i < defects.Count(); ++i) {
        TPixForm& overlay = *inUse[static_cast<std::size_t>(i)];
        // The same colour again repaints nothing.
        overlay.SetColor(ColorValue(
            SolveColor(sampler_.Average(static_cast<std::size_t>(i)), defects[i].Flags)));
    }

    if (raise) {
        for (TPixForm* overlay : inUse)
            overlay->ReassertTopmost();
        ++raises_;
        // A window that is still above one it covers sits in a band above the topmost windows:
        // raising again at once would change nothing.
        gate_.Raised(stacking_.Covering(inUse), now);
    }

    // The first measurement falls into the busy moments of the start-up: the next ones come
    // soon after it, then once a minute.
    if (--untilMeasure_ <= 0) {
        sampler_.MeasureCosts(desktopDC);
        measureInterval_ = untilMeasure_ = std::min(measureInterval_ * 8, MeasureEvery);
    }
}

bool TConcealmentTick::OverlaysOnTop(std::span<TPixForm* const> inUse) const {
    const TRaiseGate::TFinding found = stacking_.Check(inUse, {});
    return !found.OrderWrong && !found.Covered;
}

#include "engine/ConcealmentTick.h"

#include <algorithm>
#include <array>

#include "engine/ColorSolver.h"
#include "engine/Unit2.h"

void TConcealmentTick::Run(const TDefectList& defects, HDC desktopDC,
                           std::span<TPixForm* const> overlays) {
    if (defects.Empty())
        return;
    // An overlay held hidden (its defect is being repaired) is neither read, coloured nor
    // raised: the flash above its pixel is not the picture it conceals, and a window over a
    // hidden overlay covers nothing. It takes its colour at the first tick after its release.
    std::array<TPixForm*, MaxDefects> shown;
    std::array<POINT, MaxDefects> centres;
    std::array<int, MaxDefects> entries;
    std::size_t count = 0;
    for (int i = 0; i < defects.Count(); ++i) {
        TPixForm* overlay = overlays[static_cast<std::size_t>(i)];
        if (overlay->Held())
            continue;
        shown[count] = overlay;
        centres[count] = {defects[i].X, defects[i].Y};
        entries[count++] = i;
    }
    if (count == 0)
        return;
    const auto inUse = std::span(shown).first(count);
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
    sampler_.ReadBlocks(desktopDC, std::span(centres).first(count));

    // The same colour again repaints nothing.
    for (std::size_t k = 0; k < count; ++k)
        inUse[k]->SetColor(ColorValue(SolveColor(sampler_.Average(k), defects[entries[k]].Flags)));

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

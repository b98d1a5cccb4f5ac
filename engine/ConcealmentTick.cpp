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
    std::array<TPixForm*, MaxDefects> coloured;
    std::array<TCoverForm*, MaxDefects> shown;
    std::array<POINT, MaxDefects> centres;
    std::array<int, MaxDefects> entries;
    std::size_t count = 0, shownCount = 0;
    for (int i = 0; i < defects.Count(); ++i) {
        TPixForm* overlay = overlays[static_cast<std::size_t>(i)];
        // One that waits for its panel has no pixel on the screen to read around.
        if (overlay->Held() || overlay->Unplaced())
            continue;
        coloured[count] = overlay;
        // Where its panel shows the defect today; the entry's coordinates are where it was marked.
        const RECT& area = overlay->Area();
        centres[count] =
            IsRectEmpty(&area) ? POINT{defects[i].X, defects[i].Y} : POINT{area.left, area.top};
        entries[count++] = i;
        if (overlay->Visible())
            shown[shownCount++] = overlay;
    }
    if (count == 0)
        return;
    // What a screen copy costs here decides how the blocks are read: measured before the first
    // reads, and again now and then after a tick's work, when the colours are set.
    if (measureInterval_ == 0) {
        sampler_.MeasureCosts(desktopDC);
        measureInterval_ = untilMeasure_ = 8;
    }

    // All blocks are read before any colour is set. That reads what entry by entry would: a
    // new colour shows only when its overlay repaints, after the tick.
    sampler_.ReadBlocks(desktopDC, std::span(centres).first(count));
    // While the desktop cannot be read, every overlay keeps the colour it had: the picture it
    // conceals is most likely the one that comes back.
    if (sampler_.ReadFailed())
        return;

    // The same colour again repaints nothing.
    for (std::size_t k = 0; k < count; ++k)
        coloured[k]->SetColor(
            ColorValue(SolveColor(sampler_.Average(k), defects[entries[k]].Flags)));

    stack_.Keep(std::span(shown).first(shownCount), GetTickCount64());

    // The first measurement falls into the busy moments of the start-up: the next ones come
    // soon after it, then once a minute.
    if (--untilMeasure_ <= 0) {
        sampler_.MeasureCosts(desktopDC);
        measureInterval_ = untilMeasure_ = std::min(measureInterval_ * 8, MeasureEvery);
    }
}

bool TConcealmentTick::OverlaysOnTop(std::span<TPixForm* const> inUse) const {
    std::array<TCoverForm*, MaxDefects> shown;
    std::size_t count = 0;
    for (TPixForm* overlay : inUse)
        if (overlay->Visible() && count < shown.size())
            shown[count++] = overlay;
    return stack_.OnTop(std::span(shown).first(count));
}

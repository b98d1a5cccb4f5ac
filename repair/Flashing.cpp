#include "repair/Flashing.h"

#include <array>

#include "app/Unit1.h"
#include "repair/RepairLogic.h"
#include "repair/Unit11.h"

namespace {

// A flash goes where the overlay of its defect is placed: where the defect's panel shows it
// today. While no screen shows it as marked, the flash waits hidden as the overlay does.
void FlashOver(TFlashForm& flash, const TPixForm& overlay) {
    const RECT& area = overlay.Area();
    if (overlay.Unplaced() || IsRectEmpty(&area))
        flash.Hide();
    else
        flash.FlashAt(area.left, area.top);
}

} // namespace

std::span<TFlashForm* const> TFlashing::InUse() const {
    return std::span(Flashes).subspan(static_cast<std::size_t>(first_),
                                      static_cast<std::size_t>(count_));
}

void TFlashing::Start(const TDefectList& defects, int first, int count,
                      std::function<void()> onPress) {
    if (Running() || first < 0 || count <= 0 || first + count > defects.Count())
        return;
    first_ = first;
    count_ = count;
    step_ = 0;
    stepAt_ = GetTickCount64();
    for (int i = first; i < first + count; ++i) {
        Overlays[static_cast<std::size_t>(i)]->Hold();
        TFlashForm& flash = *Flashes[static_cast<std::size_t>(i)];
        flash.OnPress = onPress;
        flash.SetColor(FlashColor(0));
        FlashOver(flash, *Overlays[static_cast<std::size_t>(i)]);
    }
}

void TFlashing::Step() {
    const std::uint64_t now = GetTickCount64();
    // A late tick can be followed by the next one soon after: its colour would show for a moment
    // only.
    if (!Running() || now - stepAt_ < FlashStepMs / 2)
        return;
    stepAt_ = now;
    const TColor color = FlashColor(++step_);
    std::array<TCoverForm*, MaxDefects> shown;
    std::size_t count = 0;
    for (TFlashForm* flash : InUse())
        if (flash->Visible())
            shown[count++] = flash;
    stack_.Keep(std::span(shown).first(count), now);
    for (TFlashForm* flash : InUse())
        flash->SetColor(color);
}

void TFlashing::Stop() {
    if (!Running())
        return;
    // The program may be ending: windows destroyed already are passed over.
    for (TFlashForm* flash : InUse())
        if (flash)
            flash->Hide();
    for (int i = first_; i < first_ + count_; ++i)
        if (TPixForm* overlay = Overlays[static_cast<std::size_t>(i)])
            overlay->Release();
    count_ = 0;
}

void TFlashing::FollowDisplayChange() {
    if (!Running())
        return;
    for (int i = first_; i < first_ + count_; ++i)
        FlashOver(*Flashes[static_cast<std::size_t>(i)], *Overlays[static_cast<std::size_t>(i)]);
}

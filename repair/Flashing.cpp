#include "repair/Flashing.h"

#include "app/Unit1.h"
#include "repair/RepairLogic.h"
#include "repair/Unit11.h"

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
    retryAt_ = 0;
    for (int i = first; i < first + count; ++i) {
        Overlays[static_cast<std::size_t>(i)]->Hold();
        TFlashForm& flash = *Flashes[static_cast<std::size_t>(i)];
        flash.OnPress = onPress;
        flash.SetColor(FlashColor(0));
        flash.FlashAt(defects[i].X, defects[i].Y);
    }
}

void TFlashing::Step() {
    const std::uint64_t now = GetTickCount64();
    // A late tick is followed at once by the next one: its colour would show for a moment only.
    if (!Running() || now - stepAt_ < FlashStepMs / 2)
        return;
    stepAt_ = now;
    const TColor color = FlashColor(++step_);
    // Whether a window has come over a flash is asked about as often as the concealment tick
    // asks it for the overlays: the walk costs more than the colours.
    if (step_ % StackingEvery == 0 && now >= retryAt_ && Covered()) {
        for (TFlashForm* flash : InUse())
            if (flash->Visible())
                flash->ReassertTopmost();
        retryAt_ = Covered() ? now + 1000 : 0;
    }
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

void TFlashing::FollowDisplayChange(const TDefectList& defects) {
    if (!Running())
        return;
    for (int i = first_; i < first_ + count_; ++i)
        Flashes[static_cast<std::size_t>(i)]->FlashAt(defects[i].X, defects[i].Y);
}

bool TFlashing::Covered() const {
    struct TWalk {
        const TFlashing& self;
        std::span<TFlashForm* const> inUse;
        std::uint32_t unmet = 0; // bit i: flash window i is shown and not met yet
        bool covered = false;
    } walk{*this, InUse()};
    for (std::size_t i = 0; i < walk.inUse.size(); ++i)
        if (walk.inUse[i]->Visible())
            walk.unmet |= 1u << i;
    if (!walk.unmet)
        return false;
    // From the top of the stacking order down to the lowest shown flash window.
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& w = *reinterpret_cast<TWalk*>(param);
            for (std::size_t i = 0; i < w.inUse.size(); ++i)
                if (w.inUse[i]->Handle() == window) {
                    w.unmet &= ~(1u << i);
                    return w.unmet != 0;
                }
            RECT area, common;
            if (!IsWindowVisible(window) || !GetWindowRect(window, &area))
                return TRUE;
            for (std::size_t i = 0; i < w.inUse.size(); ++i) {
                if (!(w.unmet & (1u << i)) || !IntersectRect(&common, &area, &w.inUse[i]->Area()))
                    continue;
                // An overlay covers only its own defect's pixel: another defect inside a flash
                // area stays concealed.
                if (dynamic_cast<TPixForm*>(TWindow::FromHandle(window)))
                    return TRUE;
                const RECT drawn = w.self.stacking_.DrawnArea(window, area);
                if (!w.self.stacking_.Cloaked(window) &&
                    IntersectRect(&common, &drawn, &w.inUse[i]->Area())) {
                    w.covered = true;
                    return FALSE;
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    return walk.covered;
}

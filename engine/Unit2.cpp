#include "engine/Unit2.h"

namespace {

TFormDefinition PixFormDefinition() {
    // 115 x 41 until FormCreate makes it one pixel.
    TFormDefinition d = TCoverForm::Definition(L"TPixForm", L"Pixel", 115, 41);
    // The user works through the defect as if it were not there.
    d.ClickThrough = true;
    return d;
}

} // namespace

TPixForm::TPixForm() : TCoverForm(PixFormDefinition(), TLayer::Overlay) {
}

void TPixForm::FormCreate() {
    TCoverForm::FormCreate();
    SetBounds(Left(), Top(), 1, 1);
}

void TPixForm::PlaceAt(int x, int y) {
    Pin(RECT{x, y, x + 1, y + 1});
}

bool TPixForm::OnMonitor() const {
    return MonitorFromPoint(POINT{Area().left, Area().top}, MONITOR_DEFAULTTONULL) != nullptr;
}

void TPixForm::ReturnTo(int x, int y) {
    PlaceAt(x, y);
    if (held_)
        return; // Release looks for a monitor
    const bool covered = OnMonitor();
    if (!covered && Visible()) {
        ShowWindow(Handle(), SW_HIDE);
        waiting_ = true;
    } else if (covered && waiting_) {
        waiting_ = false;
        ShowWindow(Handle(), SW_SHOWNA);
        ReassertTopmost();
    }
}

bool TPixForm::VisibilityRequested(bool visible) {
    waiting_ = false;
    if (!held_)
        return true;
    wanted_ = visible;
    return false;
}

void TPixForm::Hold() {
    if (held_)
        return;
    const bool wanted = Visible() || waiting_;
    Hide();
    wanted_ = wanted;
    held_ = true;
}

void TPixForm::Release() {
    if (!held_)
        return;
    held_ = false;
    const bool onMonitor = IsRectEmpty(&Area()) || OnMonitor();
    SetVisible(wanted_ && onMonitor);
    waiting_ = wanted_ && !onMonitor;
}

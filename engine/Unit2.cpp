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

bool TPixForm::VisibilityRequested(bool visible) {
    wanted_ = visible;
    return blocks_ == 0;
}

void TPixForm::Block(unsigned reason, bool on) {
    const unsigned before = blocks_;
    blocks_ = on ? blocks_ | reason : blocks_ & ~reason;
    if (before == 0 && blocks_ != 0 && Visible()) {
        // Hidden, not asked to hide: the program's wish stays as it was.
        ShowWindow(Handle(), SW_HIDE);
    } else if (before != 0 && blocks_ == 0 && wanted_) {
        SetVisible(true);
        ReassertTopmost();
    }
}

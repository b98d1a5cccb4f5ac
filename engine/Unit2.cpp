#include "engine/Unit2.h"

#include "ui/Application.h"

namespace {

TFormDefinition PixFormDefinition() {
    TFormDefinition d;
    d.ClassName = L"TPixForm";
    d.Caption = L"Pixel";
    d.BorderStyle = TBorderStyle::bsNone;
    d.FormStyle = TFormStyle::fsStayOnTop;
    d.Color = clBlack;
    d.ClientWidth = 115; // replaced by FormCreate
    d.ClientHeight = 41;
    // Overlays are placed and sized in physical pixels, whatever the display scaling.
    d.Scaled = false;
    // The user's program keeps the focus while overlays are shown, raised and clicked.
    d.NeverActivate = true;
    return d;
}

} // namespace

TPixForm::TPixForm() : TForm(PixFormDefinition()) {
}

void TPixForm::FormCreate() {
    SetBounds(Left(), Top(), 1, 1);
}

void TPixForm::FormShow() {
    // Showing a window can bring the application window, and with it a task-bar button, into
    // view; it is hidden again before the overlay appears.
    if (Application)
        ShowWindow(Application->Handle(), SW_HIDE);
}

void TPixForm::ReassertTopmost() const {
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

void TPixForm::ReturnTo(int x, int y) {
    SetBounds(x, y, 1, 1);
    const bool covered = MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTONULL) != nullptr;
    if (!covered && Visible()) {
        ShowWindow(Handle(), SW_HIDE);
        waiting_ = true;
    } else if (covered && waiting_) {
        waiting_ = false;
        ShowWindow(Handle(), SW_SHOWNA);
        ReassertTopmost();
    }
}

void TPixForm::VisibilityRequested(bool /*visible*/) {
    waiting_ = false;
}

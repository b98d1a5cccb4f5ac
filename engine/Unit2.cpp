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
    // The user works through the defect as if it were not there, and screenshots show the
    // screen, not the overlay.
    d.ClickThrough = true;
    d.HiddenFromCaptures = true;
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

void TPixForm::PlaceAt(int x, int y) {
    placed_ = true;
    home_ = {x, y};
    SetBounds(x, y, 1, 1);
}

void TPixForm::ReturnTo(int x, int y) {
    PlaceAt(x, y);
    if (held_)
        return; // Release looks for a monitor
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
    const bool onMonitor = !placed_ || MonitorFromPoint(home_, MONITOR_DEFAULTTONULL) != nullptr;
    SetVisible(wanted_ && onMonitor);
    waiting_ = wanted_ && !onMonitor;
}

void TPixForm::ColorChanged() {
    // A hidden overlay paints when it is shown again.
    if (!Visible())
        return;
    if (HDC dc = GetDC(Handle())) {
        PaintBackground(dc);
        ReleaseDC(Handle(), dc);
    }
}

LRESULT TPixForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // WM_PAINT paints it all
    case WM_WINDOWPOSCHANGING:
        // The system moves windows off a monitor that goes, and puts windows back where they
        // were when one comes, also some time after it has told the program of the change:
        // each such move would put the overlay's colour on a healthy pixel.
        if (placed_) {
            auto& pos = *reinterpret_cast<WINDOWPOS*>(lParam);
            if (!(pos.flags & SWP_NOMOVE)) {
                pos.x = home_.x;
                pos.y = home_.y;
            }
            if (!(pos.flags & SWP_NOSIZE))
                pos.cx = pos.cy = 1;
        }
        return TForm::WndProc(message, wParam, lParam);
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (HDC dc = BeginPaint(Handle(), &paint))
            PaintBackground(dc);
        EndPaint(Handle(), &paint);
        return 0;
    }
    default:
        return TForm::WndProc(message, wParam, lParam);
    }
}

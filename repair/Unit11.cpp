#include "repair/Unit11.h"

#include "repair/RepairLogic.h"
#include "ui/Application.h"

std::array<TFlashForm*, MaxDefects> Flashes{};

namespace {

TFormDefinition FlashFormDefinition() {
    TFormDefinition d;
    d.ClassName = L"TFlashForm";
    d.Caption = L"Reparatur";
    d.BorderStyle = TBorderStyle::bsNone;
    d.FormStyle = TFormStyle::fsStayOnTop;
    d.Color = clBlack;
    d.ClientWidth = FlashSide;
    d.ClientHeight = FlashSide;
    // Physical pixels around the defect's pixel, whatever the display scaling.
    d.Scaled = false;
    // The user's program keeps the focus and the keyboard while the areas flash.
    d.NeverActivate = true;
    // 25 windows paint about 30 times a second.
    d.OwnDC = true;
    // Only the panel needs to see the flashing: screenshots and shared screens show the screen.
    // (A click on a flash stops the repair, so the mouse does not pass through.)
    d.HiddenFromCaptures = true;
    return d;
}

} // namespace

TFlashForm::TFlashForm() : TForm(FlashFormDefinition()) {
}

void TFlashForm::FormCreate() {
    // The window's own device context: valid as long as the window, never released. Its brush
    // stays the DC brush, so that a step sets a colour and fills, and nothing else.
    dc_ = GetDC(Handle());
    if (dc_)
        SelectObject(dc_, GetStockObject(DC_BRUSH));
}

void TFlashForm::FlashAt(int x, int y) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR monitor = MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTONULL);
    TPixelRect area;
    if (monitor && GetMonitorInfoW(monitor, &info)) {
        const RECT& m = info.rcMonitor;
        area = FlashArea({x, y}, {m.left, m.top, m.right, m.bottom});
    }
    area_ = {area.Left, area.Top, area.Right, area.Bottom};
    if (area.Empty()) {
        Hide();
        return;
    }
    SetBounds(area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top);
    Show();
}

void TFlashForm::FormShow() {
    // Showing a window can bring the application window, and with it a task-bar button, into
    // view; it is hidden again before the flash appears.
    if (Application)
        ShowWindow(Application->Handle(), SW_HIDE);
}

void TFlashForm::ReassertTopmost() const {
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

void TFlashForm::ColorChanged() {
    // A hidden window's own device context paints nothing; it is painted when it shows.
    if (!dc_)
        return;
    SetDCBrushColor(dc_, ColorToRGB(Color()));
    PatBlt(dc_, 0, 0, area_.right - area_.left, area_.bottom - area_.top, PATCOPY);
}

LRESULT TFlashForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // WM_PAINT paints it all
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (HDC dc = BeginPaint(Handle(), &paint))
            PaintBackground(dc);
        EndPaint(Handle(), &paint);
        return 0;
    }
    case WM_WINDOWPOSCHANGING:
        // The system moves windows off a monitor that goes, and back when it comes: the flash
        // stays on its defect's pixel (FlashAt places it again after a change).
        if (!IsRectEmpty(&area_)) {
            auto& pos = *reinterpret_cast<WINDOWPOS*>(lParam);
            pos.x = area_.left;
            pos.y = area_.top;
            pos.cx = area_.right - area_.left;
            pos.cy = area_.bottom - area_.top;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (OnPress)
            OnPress();
        return 0;
    default:
        break;
    }
    return TForm::WndProc(message, wParam, lParam);
}

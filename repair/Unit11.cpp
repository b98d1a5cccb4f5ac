#include "repair/Unit11.h"

#include "repair/RepairLogic.h"

std::array<TFlashForm*, MaxDefects> Flashes{};

namespace {

TFormDefinition FlashFormDefinition() {
    // A click on a flash stops the repair, so the mouse does not pass through.
    return TCoverForm::Definition(L"TFlashForm", L"Reparatur", FlashSide, FlashSide);
}

} // namespace

TFlashForm::TFlashForm() : TCoverForm(FlashFormDefinition(), TLayer::Flash) {
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
    if (area.Empty()) {
        Hide();
        return;
    }
    Pin(RECT{area.Left, area.Top, area.Right, area.Bottom});
    Show();
}

LRESULT TFlashForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (OnPress)
            OnPress();
        return 0;
    default:
        return TCoverForm::WndProc(message, wParam, lParam);
    }
}

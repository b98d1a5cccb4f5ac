#include "capture/Unit4.h"

#include <windowsx.h>

#include "app/Unit1.h"
#include "capture/Unit6.h"
#include "capture/Unit7.h"

TFBack* FBack = nullptr;

namespace {

TFormDefinition FBackDefinition() {
    TFormDefinition d;
    d.ClassName = L"TFBack";
    d.BorderStyle = TBorderStyle::bsNone;
    d.FormStyle = TFormStyle::fsStayOnTop;
    d.Color = clBlack;
    d.Scaled = false;
    return d;
}

} // namespace

TFBack::TFBack() : TForm(FBackDefinition()) {
}

void TFBack::FormCreate() {
    CoverDesktop();
    TCaptureScreen& screen = *this;
    logic_ = std::make_unique<TCaptureLogic>(Form1->Defects, screen);
}

void TFBack::FormShow() {
    CoverDesktop();
}

void TFBack::CoverDesktop() {
    // A defect can be on any monitor, and the screen's size may have changed since the last
    // capture.
    CoverVirtualScreen();
}

void TFBack::ShowBackground() {
    SetColor(BackgroundColor(logic_->Background()));
}

void TFBack::FormMouseDown(TMouseButton button, int x, int y) {
    // The action belongs to the press; the release does nothing.
    if (button == TMouseButton::mbLeft)
        logic_->LeftButton(x, y);
    else if (button == TMouseButton::mbRight)
        logic_->RightButton();
    ShowBackground();
}

void TFBack::FormKeyDown(WORD key, TShiftState shift) {
    POINT cursor{};
    switch (key) {
    case VK_ESCAPE:
        logic_->Escape();
        break;
    case VK_SPACE:
        GetCursorPos(&cursor);
        logic_->LeftButton(cursor.x, cursor.y);
        break;
    // The keyboard's way to the right mouse button: the context-menu key and Shift+F10.
    case VK_APPS:
        logic_->RightButton();
        break;
    case VK_F10:
        if (shift.Contains(TShift::ssShift))
            logic_->RightButton();
        break;
    case 'W':
        logic_->ShowBackground(TCaptureBackground::White);
        break;
    case 'R':
        logic_->ShowBackground(TCaptureBackground::Red);
        break;
    case 'G':
        logic_->ShowBackground(TCaptureBackground::Green);
        break;
    case 'B':
        logic_->ShowBackground(TCaptureBackground::Blue);
        break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
        GetCursorPos(&cursor);
        SetCursorPos(cursor.x + (key == VK_RIGHT) - (key == VK_LEFT),
                     cursor.y + (key == VK_DOWN) - (key == VK_UP));
        break;
    default:
        break;
    }
    ShowBackground();
}

std::uint32_t TFBack::ChooseColor(TCapturePhase phase, std::uint32_t preset,
                                  std::optional<std::uint32_t> suggested, std::int32_t x,
                                  std::int32_t y) {
    TColorChooser& chooser = phase == TCapturePhase::Black ? static_cast<TColorChooser&>(*FAusBla)
                                                           : static_cast<TColorChooser&>(*FAusWhi);
    // When it closes, the activation (and the keyboard) comes back here.
    return chooser.Choose(preset, POINT{x, y}, suggested);
}

void TFBack::CloseCapture() {
    Close();
}

namespace {

TShiftState KeyShiftState() {
    TShiftState shift;
    if (GetKeyState(VK_SHIFT) < 0)
        shift.Include(TShift::ssShift);
    if (GetKeyState(VK_MENU) < 0)
        shift.Include(TShift::ssAlt);
    if (GetKeyState(VK_CONTROL) < 0)
        shift.Include(TShift::ssCtrl);
    return shift;
}

} // namespace

LRESULT TFBack::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // A click's client position, in screen pixels.
    auto at = [&] {
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(Handle(), &point);
        return point;
    };
    switch (message) {
    // A quick second click arrives as a double click; it is a press all the same.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        FormMouseDown(TMouseButton::mbLeft, at().x, at().y);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        FormMouseDown(TMouseButton::mbRight, at().x, at().y);
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        FormMouseDown(TMouseButton::mbMiddle, at().x, at().y);
        return 0;
    case WM_KEYDOWN:
        FormKeyDown(static_cast<WORD>(wParam), KeyShiftState());
        return 0;
    // F10 is a system key. With Shift it is taken here; its release must not start the menu
    // mode that F10 alone asks for.
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        if (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0) {
            if (message == WM_SYSKEYDOWN)
                FormKeyDown(VK_F10, KeyShiftState());
            return 0;
        }
        break;
    // The keys and the right button act where they are pressed; the menu request that the
    // system makes of them afterwards must not act a second time.
    case WM_CONTEXTMENU:
        return 0;
    // Another mode, a monitor docked or turned: the screen covers every monitor as it is now.
    case WM_DISPLAYCHANGE:
        if (IsWindowVisible(Handle()))
            CoverDesktop();
        break;
    case WM_SETCURSOR:
        // Chosen each time: the scaling may have changed since the screen was created.
        if (HCURSOR frame = LOWORD(lParam) == HTCLIENT ? cursor_.AtCursorPosition() : nullptr) {
            SetCursor(frame);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return TForm::WndProc(message, wParam, lParam);
}

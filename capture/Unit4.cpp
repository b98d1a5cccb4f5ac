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
    // Client coordinates of a click are then screen coordinates of the primary screen, in
    // physical pixels. The size is taken once, as the screen is now.
    SetBounds(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    TCaptureScreen& screen = *this;
    logic_ = std::make_unique<TCaptureLogic>(Form1->Defects, screen);
}

void TFBack::ShowPhase() {
    SetColor(logic_->Phase() == TCapturePhase::Black ? clBlack : clWhite);
}

void TFBack::FormMouseDown(TMouseButton button, int x, int y) {
    // The action belongs to the press; the release does nothing.
    if (button == TMouseButton::mbLeft)
        logic_->LeftButton(x, y);
    else if (button == TMouseButton::mbRight)
        logic_->RightButton();
    ShowPhase();
}

void TFBack::FormKeyDown(WORD key) {
    POINT cursor{};
    switch (key) {
    case VK_ESCAPE:
        logic_->Escape();
        break;
    case VK_SPACE:
        // The screen sits at (0, 0): the cursor's screen position is the client position.
        GetCursorPos(&cursor);
        logic_->LeftButton(cursor.x, cursor.y);
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
    ShowPhase();
}

std::uint32_t TFBack::ChooseColor(TCapturePhase phase, std::uint32_t preset) {
    TColorChooser& chooser = phase == TCapturePhase::Black ? static_cast<TColorChooser&>(*FAusBla)
                                                           : static_cast<TColorChooser&>(*FAusWhi);
    chooser.ChosenColor = preset;
    chooser.ShowModal();
    return chooser.ChosenColor;
}

void TFBack::CloseCapture() {
    Close();
}

LRESULT TFBack::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    // A quick second click arrives as a double click; it is a press all the same.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        FormMouseDown(TMouseButton::mbLeft, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        FormMouseDown(TMouseButton::mbRight, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        FormMouseDown(TMouseButton::mbMiddle, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_KEYDOWN:
        FormKeyDown(static_cast<WORD>(wParam));
        return 0;
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

#include "engine/CoverForm.h"

#include "ui/Application.h"

TFormDefinition TCoverForm::Definition(const wchar_t* className, const wchar_t* caption, int width,
                                       int height) {
    TFormDefinition d;
    d.ClassName = className;
    d.Caption = caption;
    d.BorderStyle = TBorderStyle::bsNone;
    d.FormStyle = TFormStyle::fsStayOnTop;
    d.Color = clBlack;
    d.ClientWidth = width;
    d.ClientHeight = height;
    // Physical pixels, whatever the display scaling.
    d.Scaled = false;
    // The user's program keeps the focus while covers are shown, raised and clicked.
    d.NeverActivate = true;
    // Only the panel needs to see them: screenshots and shared screens show the picture.
    d.HiddenFromCaptures = true;
    d.OwnDC = true;
    return d;
}

TCoverForm::TCoverForm(const TFormDefinition& definition, TLayer layer)
    : TForm(definition), layer_(layer) {
}

void TCoverForm::FormCreate() {
    dc_ = GetDC(Handle());
}

void TCoverForm::FormShow() {
    // Showing a window can bring the application window, and with it a task-bar button, into
    // view; it is hidden again before the cover appears.
    if (Application)
        ShowWindow(Application->Handle(), SW_HIDE);
}

void TCoverForm::ReassertTopmost() const {
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

void TCoverForm::Restack() const {
    // Out of the band and back: a real move in the z-order, which the window system carries out.
    SetWindowPos(Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    ReassertTopmost();
}

void TCoverForm::Pin(const RECT& area) {
    area_ = area;
    SetBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
}

void TCoverForm::ColorChanged() {
    if (dc_ && Visible())
        PaintBackground(dc_);
}

LRESULT TCoverForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
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
        if (!IsRectEmpty(&area_)) {
            auto& pos = *reinterpret_cast<WINDOWPOS*>(lParam);
            if (!(pos.flags & SWP_NOMOVE)) {
                pos.x = area_.left;
                pos.y = area_.top;
            }
            if (!(pos.flags & SWP_NOSIZE)) {
                pos.cx = area_.right - area_.left;
                pos.cy = area_.bottom - area_.top;
            }
        }
        break;
    default:
        break;
    }
    return TForm::WndProc(message, wParam, lParam);
}

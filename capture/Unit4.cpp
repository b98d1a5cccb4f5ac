#include "capture/Unit4.h"

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

TFBack::TFBack() : TForm(FBackDefinition()) {}

void TFBack::FormCreate() {
    // Client coordinates of a click are then screen coordinates of the primary screen, in
    // physical pixels. The size is taken once, as the screen is now.
    SetBounds(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

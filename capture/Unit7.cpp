#include "capture/Unit7.h"

TFAusWhi* FAusWhi = nullptr;

namespace {

TFormDefinition FAusWhiDefinition() {
    TFormDefinition d;
    d.ClassName = L"TFAusWhi";
    d.BorderStyle = TBorderStyle::bsNone;
    d.FormStyle = TFormStyle::fsStayOnTop;
    d.Position = TPosition::poScreenCenter;
    d.ClientWidth = 425;
    d.ClientHeight = 123;
    return d;
}

} // namespace

TFAusWhi::TFAusWhi() : TForm(FAusWhiDefinition()) {}

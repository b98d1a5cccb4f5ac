#include "capture/Unit6.h"

TFAusBla* FAusBla = nullptr;

namespace {

TFormDefinition FAusBlaDefinition() {
    TFormDefinition d;
    d.ClassName = L"TFAusBla";
    d.BorderStyle = TBorderStyle::bsNone;
    d.FormStyle = TFormStyle::fsStayOnTop;
    d.Position = TPosition::poScreenCenter;
    d.ClientWidth = 426;
    d.ClientHeight = 118;
    return d;
}

} // namespace

TFAusBla::TFAusBla() : TForm(FAusBlaDefinition()) {}

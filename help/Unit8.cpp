#include "help/Unit8.h"

TFAnleit* FAnleit = nullptr;

namespace {

TFormDefinition FAnleitDefinition() {
    TFormDefinition d;
    d.ClassName = L"TFAnleit";
    d.Caption = L"Anleitung";
    d.BorderStyle = TBorderStyle::bsDialog;
    d.Position = TPosition::poScreenCenter;
    d.ClientWidth = 331;
    d.ClientHeight = 298;
    return d;
}

} // namespace

TFAnleit::TFAnleit() : TForm(FAnleitDefinition()) {}

#include "help/Unit9.h"

TUeber* Ueber = nullptr;

namespace {

TFormDefinition UeberDefinition() {
    TFormDefinition d;
    d.ClassName = L"TUeber";
    d.Caption = L"Über";
    d.BorderStyle = TBorderStyle::bsDialog;
    d.Position = TPosition::poDesigned;
    // The outer frame's screen position; the dialog is not centred.
    d.Left = 723;
    d.Top = 213;
    d.ClientWidth = 330;
    d.ClientHeight = 240;
    return d;
}

} // namespace

TUeber::TUeber() : TForm(UeberDefinition()) {}

#include "help/Unit5.h"

TAboutBox* AboutBox = nullptr;

namespace {

TFormDefinition AboutBoxDefinition() {
    TFormDefinition d;
    d.ClassName = L"TAboutBox";
    d.Caption = L"Info";
    d.BorderStyle = TBorderStyle::bsDialog;
    d.Position = TPosition::poScreenCenter;
    d.ClientWidth = 299;
    d.ClientHeight = 212;
    return d;
}

} // namespace

TAboutBox::TAboutBox() : TForm(AboutBoxDefinition()) {}

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

const wchar_t CreditsText[] =
    L"Diese Version 2.0 von Glimmora wurde im Rahmen eines Schulprojekts weiterentwickelt und "
    L"erweitert. Grundlage dafür war die Version 1.1, die nach der Idee des Autors entstanden "
    L"ist. Fehlerberichte, Kritik, Anregungen, Lob und Wünsche senden Sie bitte per E-Mail an "
    L"die im Info-Fenster genannten Adressen.";

} // namespace

TUeber::TUeber()
    : TForm(UeberDefinition()), Panel2(*this, nullptr, {9, 8, 312, 225}, clBtnFace,
                                       TPanel::TBevel::Lowered, TPanel::TBevel::Raised),
      Button1(*this, &Panel2, {221, 192, 75, 25}, L"OK", true),
      Label12(*this, &Panel2, {16, 8, 281, 201}, CreditsText, TLabel::TAlignment::Center, true) {
    Button1.ModalResult = mrOk;
    TFontSpec font;
    font.Height = 13;
    Label12.SetFont(font);
    Label12.SetFontColor(clBlack);
}

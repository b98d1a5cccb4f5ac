#include "capture/ColorChooser.h"

namespace {

TFormDefinition ChooserDefinition(const wchar_t* className, int clientWidth, int clientHeight) {
    TFormDefinition d;
    d.ClassName = className;
    d.BorderStyle = TBorderStyle::bsNone;
    // Above the capture screen, which is always on top itself.
    d.FormStyle = TFormStyle::fsStayOnTop;
    d.Position = TPosition::poScreenCenter;
    d.ClientWidth = clientWidth;
    d.ClientHeight = clientHeight;
    return d;
}

constexpr int SwatchLeft(int k) {
    return 16 + 48 * k;
}

} // namespace

TColorChooser::TColorChooser(const wchar_t* className, int clientWidth, int clientHeight,
                             TColor frame, TColor last)
    : TForm(ChooserDefinition(className, clientWidth, clientHeight)),
      // Sized to its text, so that no substitute font can cut the prompt short.
      Label1(*this, nullptr, {24, 16, 383, 13},
             L"Wählen Sie bitte jetzt die Farbe aus, die dem defekten Pixel am nächstem kommt:",
             TLabel::TAlignment::Left, false, true),
      Panel7(*this, nullptr, {32, 40, 361, 65}, frame, TPanel::TBevel::Raised),
      Panel1(*this, &Panel7, {SwatchLeft(0), 16, 41, 33}, clBlue),
      Panel2(*this, &Panel7, {SwatchLeft(1), 16, 41, 33}, 0x00FF00),
      Panel3(*this, &Panel7, {SwatchLeft(2), 16, 41, 33}, 0x0000FF),
      Panel4(*this, &Panel7, {SwatchLeft(3), 16, 41, 33}, 0xFFFF00),
      Panel5(*this, &Panel7, {SwatchLeft(4), 16, 41, 33}, 0xFF00FF),
      Panel6(*this, &Panel7, {SwatchLeft(5), 16, 41, 33}, 0x00FFFF),
      Panel8(*this, &Panel7, {SwatchLeft(6), 16, 41, 33}, last) {
    Label1.SetFontColor(clBlack);
    for (TPanel* swatch : {&Panel1, &Panel2, &Panel3, &Panel4, &Panel5, &Panel6, &Panel8})
        swatch->OnClick = [this, swatch] { Panel1Click(*swatch); };
}

void TColorChooser::Panel1Click(const TPanel& swatch) {
    ChosenColor = swatch.Color();
    Close();
}

#include "help/Unit5.h"

#include <shellapi.h>

#include "app/Product.h"
#include "app/Unit1.h"
#include "help/Unit9.h"
#include "ui/Application.h"

TAboutBox* AboutBox = nullptr;

namespace {

TFormDefinition AboutBoxDefinition() {
    TFormDefinition d;
    d.ClassName = L"TAboutBox";
    d.Caption = L"Info";
    d.BorderStyle = TBorderStyle::bsDialog;
    d.Position = TPosition::poScreenCenter;
    d.ClientWidth = 299;
    d.ClientHeight = 256;
    return d;
}

TFontSpec BoldFont(int height) {
    TFontSpec font;
    font.Height = height;
    font.Bold = true;
    return font;
}

// Labels that size themselves to their text; only the position of the design counts.
TBounds At(int left, int top) {
    return {left, top, 0, 0};
}

constexpr TLabel::TAlignment Plain = TLabel::TAlignment::Left;

void ShellOpen(const std::wstring& target) {
    ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace

TAboutBox::TAboutBox()
    : TForm(AboutBoxDefinition()), Panel1(*this, nullptr, {8, 8, 281, 161}, clBtnFace,
                                          TPanel::TBevel::Lowered, TPanel::TBevel::Raised),
      ProgramIcon(*this, &Panel1, {16, 18, 32, 32}, Application ? Application->Icon() : nullptr),
      ProductName(*this, &Panel1, At(48, 16), std::wstring(ApplicationTitle) + L" ", Plain, false,
                  true),
      Label10(*this, &Panel1, At(152, 32), L"(Freeware)", Plain, false, true),
      Label3(*this, &Panel1, At(16, 56), L"Idee/Programmierer:", Plain, false, true),
      Label1(*this, &Panel1, At(120, 56), AuthorName, Plain, false, true),
      Label4(*this, &Panel1, At(16, 72), L"Programmierer:", Plain, false, true),
      Label2(*this, &Panel1, At(120, 72), AuthorName, Plain, false, true),
      Label5(*this, &Panel1, At(16, 96), L"Email:", Plain, false, true),
      Label7(*this, &Panel1, At(96, 96), FirstContactShown, Plain, false, true),
      Label6(*this, &Panel1, At(96, 112), SecondContactAddress, Plain, false, true),
      Label8(*this, &Panel1, At(16, 128), L"Web:", Plain, false, true),
      Label9(*this, &Panel1, At(96, 128), HomePageAddress, Plain, false, true),
      Label11(*this, nullptr, At(8, 178), L"Pixelfehler gespeichert in:", Plain, false, true),
      Edit1(*this, nullptr, {8, 194, 283, 21}, L""),
      OKButton(*this, nullptr, {7, 224, 75, 25}, L"OK", true),
      Button1(*this, nullptr, {215, 223, 75, 25}, L"Über", true), OpenLink(ShellOpen) {
    ProductName.SetFont(BoldFont(16));
    Label1.SetFont(BoldFont(11));
    Label2.SetFont(BoldFont(11));

    // The box is never shown modally, so these results go nowhere.
    OKButton.ModalResult = mrOk;
    Button1.ModalResult = mrOk;
    OKButton.SetOnClick([this] { OKButtonClick(); });
    // The box opens with "OK" focused, so that Enter closes it rather than opening a link.
    SetActiveControl(&OKButton);
    Button1.SetOnClick([this] { Button1Click(); });

    MakeLink(Label7, &TAboutBox::Label7Click);
    MakeLink(Label6, &TAboutBox::Label6Click);
    MakeLink(Label9, &TAboutBox::Label9Click);
}

void TAboutBox::FormShow() {
    // Where the program found it could write: beside the exe, or in the user's own folder.
    Edit1.SetText(Form1 ? Form1->DataDir : std::wstring());
}

void TAboutBox::MakeLink(TLabel& link, void (TAboutBox::*click)()) {
    link.SetCursor(LoadCursorW(nullptr, IDC_HAND));
    link.SetOnMouseEnter([this, &link] { LinkMouseEnter(link); });
    link.SetOnMouseLeave([this, &link] { LinkMouseLeave(link); });
    link.SetOnClick([this, click] { (this->*click)(); });
}

void TAboutBox::LinkMouseEnter(TLabel& link) {
    link.SetFontColor(clBlue);
    TFontSpec font = DefaultFont();
    font.Underline = true;
    link.SetFont(font);
}

// Black rather than the window-text colour the link started in.
void TAboutBox::LinkMouseLeave(TLabel& link) {
    link.SetFontColor(clBlack);
    link.SetFont(DefaultFont());
}

void TAboutBox::OKButtonClick() {
    Close();
}

void TAboutBox::Button1Click() {
    Ueber->ShowModal();
}

void TAboutBox::Label7Click() {
    OpenLink(std::wstring(L"mailto:") + FirstContactAddress);
}

void TAboutBox::Label6Click() {
    OpenLink(std::wstring(L"mailto:") + SecondContactAddress);
}

void TAboutBox::Label9Click() {
    OpenLink(HomePageAddress);
}

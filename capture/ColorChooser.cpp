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

// The seven swatches stand 48 pixels apart inside the frame.
constexpr TBounds Swatch(int k) {
    return {16 + 48 * k, 16, 41, 33};
}

constexpr TPanel::TBevel None = TPanel::TBevel::None;

} // namespace

TColorChooser::TColorChooser(const wchar_t* className, int clientWidth, int clientHeight,
                             TColor frame, TColor last, const wchar_t* lastName)
    : TForm(ChooserDefinition(className, clientWidth, clientHeight)),
      // Sized to its text, so that no substitute font can cut the prompt short.
      Label1(*this, nullptr, {24, 16, 383, 13},
             L"Wählen Sie bitte jetzt die Farbe aus, die dem defekten Pixel am nächstem kommt:",
             TLabel::TAlignment::Left, false, true),
      Panel7(*this, nullptr, {32, 40, 361, 65}, frame, TPanel::TBevel::Raised),
      // Each swatch is named by its colour, which is what a screen reader says.
      Panel1(*this, &Panel7, Swatch(0), clBlue, None, None, L"Blau"),
      Panel2(*this, &Panel7, Swatch(1), 0x00FF00, None, None, L"Grün"),
      Panel3(*this, &Panel7, Swatch(2), 0x0000FF, None, None, L"Rot"),
      Panel4(*this, &Panel7, Swatch(3), 0xFFFF00, None, None, L"Türkis"),
      Panel5(*this, &Panel7, Swatch(4), 0xFF00FF, None, None, L"Violett"),
      Panel6(*this, &Panel7, Swatch(5), 0x00FFFF, None, None, L"Gelb"),
      Panel8(*this, &Panel7, Swatch(6), last, None, None, lastName) {
    Label1.SetFontColor(clBlack);
    for (TPanel* swatch : Swatches()) {
        swatch->SetOnClick([this, swatch] { Panel1Click(*swatch); });
        // One group: Left and Right move between the swatches, as Tab and Shift+Tab do.
        if (swatch != &Panel1)
            swatch->JoinPreviousGroup();
    }
}

void TColorChooser::Panel1Click(const TPanel& swatch) {
    ChosenColor = swatch.Color();
    Close();
}

bool TColorChooser::FormKeyPress(wchar_t key) {
    if (key < L'1' || key > L'7')
        return false;
    Panel1Click(*Swatches()[static_cast<std::size_t>(key - L'1')]);
    return true;
}

std::uint32_t TColorChooser::Choose(std::uint32_t preset, POINT marked,
                                    std::optional<std::uint32_t> suggested) {
    ChosenColor = preset;
    // Every choice starts afresh: at the suggested swatch, else at the first.
    TPanel* first = nullptr;
    for (TPanel* swatch : Swatches())
        if (suggested && swatch->Color() == *suggested)
            first = swatch;
    SetActiveControl(first);
    ForgetFocus();
    showFocus_ = first != nullptr;
    SetHomeMonitor(MonitorFromPoint(marked, MONITOR_DEFAULTTONEAREST));
    ShowModal();
    return ChosenColor;
}

LRESULT TColorChooser::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Showing starts the keyboard cues afresh, hidden after a click; a swatch chosen in advance
    // must be seen as chosen whatever brought the user here.
    if (message == WM_SHOWWINDOW && wParam && showFocus_)
        SendMessageW(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    return TForm::WndProc(message, wParam, lParam);
}

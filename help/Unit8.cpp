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

TFontSpec PageFont() {
    TFontSpec font;
    font.Height = 13;
    return font;
}

constexpr TBounds PageBounds{9, 8, 312, 257};
constexpr TBounds NextBounds{256, 272, 55, 13};
constexpr TBounds BackBounds{16, 272, 49, 13};

const wchar_t PageOneText[] =
    L"Klicken Sie auf \"Pixelfehler definieren\" um die Pixelauswahl zu starten. Wählen Sie "
    L"anschließend jeden einzelnen Pixel mit der linken Maustaste auf dem schwarzen Hintergrund. "
    L"Klicken Sie anschließend mit der rechten Maustaste auf den Hintergrund und wählen Sie auch "
    L"hier alle auf dem weißen Hintergrund sichtbaren Pixel aus. Drücken Sie nochmals die rechte "
    L"Maustaste oder ESC wenn Sie alle Pixel ausgewählt haben. Tip: Sie können auch die "
    L"Pfeiltasten auf der Tastatur benutzen um den Cursor zu bewegen. Mit der Leertaste können "
    L"Sie den Pixel auch bestätigen.";

const wchar_t PageTwoText[] =
    L"Wollen Sie eventuell falsch gesetzte Pixel wieder aus der Liste entfernen, so markieren Sie "
    L"den Eintrag in der Liste und klicken anschließend auf \"Einzelnen Eintrag löschen\". Um "
    L"alle Einträge zu löschen wählen sie \"Alle Einträge löschen\" und bestätigen Sie die "
    L"Sicherheitsabfrage. Durch den Grafik-Button kann die Fehlerbehebung temporär aktiviert bzw. "
    L"deaktiviert werden, ebenso durch Doppelklick auf das Taskleistensymbol. Um Glimmora "
    L"automatisch mit Windows zu starten, legen Sie einfach eine Verknüpfung in Ihrem "
    L"Autostartverzeichnis an. ";

} // namespace

TFAnleit::TFAnleit()
    : TForm(FAnleitDefinition()), GroupBox1(*this, nullptr, PageBounds, L"Anleitung:"),
      Label2(*this, &GroupBox1, {8, 16, 281, 233}, PageOneText, TLabel::TAlignment::Center, true),
      GroupBox2(*this, nullptr, PageBounds, L"Anleitung:"),
      Label1(*this, &GroupBox2, {8, 16, 281, 233}, PageTwoText, TLabel::TAlignment::Center, true),
      GroupBox3(*this, nullptr, PageBounds, L"Anleitung:"),
      Label3(*this, &GroupBox3, {16, 16, 281, 225}, L"", TLabel::TAlignment::Center, true),
      Label4(*this, nullptr, NextBounds, L"Nächste >>"),
      Label5(*this, nullptr, BackBounds, L"<< Zurück"),
      Label6(*this, nullptr, NextBounds, L"Nächste >>"),
      Label7(*this, nullptr, BackBounds, L"<< Zurück"),
      Button1(*this, nullptr, {104, 272, 113, 25}, L"Schließen", true) {
    Label2.SetFont(PageFont());
    Label1.SetFont(PageFont());
    Label3.SetFont(PageFont());
    Label3.SetFontColor(clBlack);

    GroupBox2.Hide();
    GroupBox3.Hide();
    Label5.Hide();
    Label6.Hide();
    Label7.Hide();

    Label4.SetOnClick([this] { Label4Click(); });
    Label5.SetOnClick([this] { Label5Click(); });
    Label6.SetOnClick([this] { Label6Click(); });
    Label7.SetOnClick([this] { Label7Click(); });
    Button1.SetOnClick([this] { Button1Click(); });
    // The window opens on "Schließen", so that Enter closes it rather than turning the page.
    SetActiveControl(&Button1);
}

void TFAnleit::Label4Click() {
    Label5.Show();
    Label4.Hide();
    GroupBox1.Hide();
    GroupBox2.Show();
}

void TFAnleit::Label5Click() {
    Label5.Hide();
    Label4.Show();
    Label6.Hide();
    GroupBox1.Show();
    GroupBox2.Hide();
}

void TFAnleit::Label6Click() {
    Label6.Hide();
    GroupBox2.Hide();
    GroupBox3.Show();
    Label7.Show();
    Label5.Hide();
}

void TFAnleit::Label7Click() {
    Label6.Show();
    GroupBox2.Show();
    GroupBox3.Hide();
    Label7.Hide();
    Label5.Show();
}

// Shown modally, so closing ends the loop with mrCancel and hides the window, as the close box
// does.
void TFAnleit::Button1Click() {
    Close();
}

#include "repair/Unit10.h"

#include "app/Unit1.h"
#include "repair/RepairLogic.h"

TFReparatur* FReparatur = nullptr;

namespace {

TFormDefinition FReparaturDefinition() {
    TFormDefinition d;
    d.ClassName = L"TFReparatur";
    d.Caption = L"Pixel reparieren";
    d.BorderStyle = TBorderStyle::bsDialog;
    d.Position = TPosition::poScreenCenter;
    d.ClientWidth = 360;
    d.ClientHeight = 300;
    return d;
}

TFontSpec BoldFont() {
    TFontSpec font;
    font.Bold = true;
    return font;
}

const wchar_t ExplanationText[] =
    L"Ein kleines Feld um jeden gewählten Pixel blinkt schnell in Schwarz, Weiß, Rot, Grün und "
    L"Blau. Das kann einen hängenden Subpixel wiederbeleben. Es dauert 10 bis 60 Minuten und hilft "
    L"nicht immer. Die übrigen Pixelfehler bleiben dabei verdeckt.";

const wchar_t WarningText[] =
    L"Warnung: Flackerndes Licht kann bei Menschen mit fotosensibler Epilepsie Anfälle auslösen. "
    L"Die blinkende Fläche ist winzig; wer betroffen ist, sollte trotzdem nicht hinsehen.";

const wchar_t ReadyText[] = L"Wählen Sie die Dauer und klicken Sie auf \"Starten\".";
const wchar_t StoppedText[] = L"Abgebrochen.";
const wchar_t FinishedText[] =
    L"Fertig. Ist ein Pixelfehler noch zu sehen, können Sie die Reparatur wiederholen.";

} // namespace

// The controls are created in the keyboard's tab order: the duration, "Starten", "Schließen".
TFReparatur::TFReparatur()
    : TForm(FReparaturDefinition()), Label1(*this, nullptr, {12, 10, 336, 13}, L""),
      Label2(*this, nullptr, {12, 32, 336, 66}, ExplanationText, TLabel::TAlignment::Left, true),
      Label3(*this, nullptr, {12, 104, 336, 40}, WarningText, TLabel::TAlignment::Left, true),
      GroupBox1(*this, nullptr, {12, 150, 336, 44}, L"Dauer"),
      RadioButton1(*this, &GroupBox1, {12, 18, 96, 17}, L"10 Minuten"),
      RadioButton2(*this, &GroupBox1, {120, 18, 96, 17}, L"30 Minuten"),
      RadioButton3(*this, &GroupBox1, {228, 18, 96, 17}, L"60 Minuten"),
      ProgressBar1(*this, nullptr, {12, 206, 336, 17}, L"Fortschritt"),
      Label4(*this, nullptr, {12, 230, 336, 28}, ReadyText, TLabel::TAlignment::Left, true),
      Button1(*this, nullptr, {180, 264, 80, 25}, L"Starten", true),
      Button2(*this, nullptr, {268, 264, 80, 25}, L"Schließen"), ThreadTimer1(this) {
    Label1.SetFont(BoldFont());
    Label3.SetFont(BoldFont());
    RadioButton2.JoinPreviousGroup();
    RadioButton3.JoinPreviousGroup();
    RadioButton2.SetChecked(true);
    SetActiveControl(&Button1);

    Button1.SetOnClick([this] { Button1Click(); });
    Button2.SetOnClick([this] { Close(); });
    ThreadTimer1.SetInterval(FlashStepMs);
    ThreadTimer1.SetOnTimer(MakeNotifyEvent<&TFReparatur::ThreadTimer1Timer>(this));
}

void TFReparatur::Repair(int index) {
    if (Visible())
        return;
    index_ = index;
    Label1.SetText(RepairTargetText(Form1->Defects, index));
    ShowModal();
}

void TFReparatur::FormShow() {
    // Each opening starts afresh, on "Starten"; the duration chosen last stays.
    ForgetFocus();
    ProgressBar1.SetPosition(0);
    Label4.SetText(ReadyText);
}

void TFReparatur::Button1Click() {
    if (Running())
        StopRepair(StoppedText);
    else
        StartRepair();
}

void TFReparatur::StartRepair() {
    const TDefectList& defects = Form1->Defects;
    const int first = index_ < 0 ? 0 : index_;
    const int count = index_ < 0 ? defects.Count() : 1;
    if (count <= 0 || first + count > defects.Count())
        return;
    int minutes = RepairMinutes[1];
    for (std::size_t i = 0; i < RepairMinutes.size(); ++i)
        if (Choices()[i]->Checked())
            minutes = RepairMinutes[i];
    durationMs_ = static_cast<std::uint64_t>(minutes) * 60000;
    started_ = GetTickCount64();
    shownSeconds_ = 0;
    ProgressBar1.SetRange(0, minutes * 60);
    ShowProgress(0);
    flashing_.Start(defects, first, count, [this] { StopRepair(StoppedText); });
    if (!Running())
        return;
    ThreadTimer1.SetEnabled(true);
    Button1.SetText(L"Stoppen");
    GroupBox1.SetEnabled(false);
    for (TRadioButton* choice : Choices())
        choice->SetEnabled(false);
}

void TFReparatur::StopRepair(const wchar_t* status) {
    if (!Running())
        return;
    ThreadTimer1.SetEnabled(false);
    flashing_.Stop();
    Label4.SetText(status);
    Button1.SetText(L"Starten");
    GroupBox1.SetEnabled(true);
    for (TRadioButton* choice : Choices())
        choice->SetEnabled(true);
}

void TFReparatur::ThreadTimer1Timer(TComponent* /*sender*/) {
    if (!Running())
        return;
    const std::uint64_t elapsed = GetTickCount64() - started_;
    if (elapsed >= durationMs_) {
        ProgressBar1.SetPosition(static_cast<int>(durationMs_ / 1000));
        StopRepair(FinishedText);
        return;
    }
    flashing_.Step();
    ShowProgress(elapsed);
}

void TFReparatur::ShowProgress(std::uint64_t elapsedMs) {
    const std::uint64_t remaining = durationMs_ - elapsedMs;
    const std::uint64_t seconds = (remaining + 999) / 1000;
    if (seconds == shownSeconds_)
        return;
    shownSeconds_ = seconds;
    ProgressBar1.SetPosition(static_cast<int>(elapsedMs / 1000));
    Label4.SetText(RemainingText(remaining));
}

void TFReparatur::FollowDisplayChange() {
    flashing_.FollowDisplayChange();
}

void TFReparatur::FormClose(TCloseAction& /*action*/) {
    StopRepair(StoppedText);
}

// Also when the program ends while the window is open: its modal loop ends without a close.
void TFReparatur::FormHide() {
    StopRepair(StoppedText);
}

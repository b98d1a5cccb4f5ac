#include "setup/Unit3.h"

#include "app/ActivationSwitch.h"
#include "app/Product.h"
#include "app/Unit1.h"
#include "capture/Unit12.h"
#include "capture/Unit4.h"
#include "help/Unit8.h"
#include "repair/Unit10.h"
#include "setup/DefectLine.h"
#include "ui/Application.h"

TFHaupt* FHaupt = nullptr;

namespace {

TFormDefinition FHauptDefinition() {
    TFormDefinition d;
    d.ClassName = L"TFHaupt";
    d.Caption = ActiveCaption;
    d.BorderStyle = TBorderStyle::bsDialog;
    d.Position = TPosition::poScreenCenter;
    d.ClientWidth = 399;
    d.ClientHeight = 355;
    return d;
}

HBITMAP LoadPicture(const std::wstring& name) {
    return static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), name.c_str(), IMAGE_BITMAP, 0,
                                           0, LR_CREATEDIBSECTION));
}

// A picture as drawn for the buttons' 111 pixels and for their 167 and 222 at 150 and 200 %.
std::array<TBitmapHandle, 3> LoadPictures(const std::wstring& name) {
    return {TBitmapHandle(LoadPicture(name)), TBitmapHandle(LoadPicture(name + L"_167")),
            TBitmapHandle(LoadPicture(name + L"_222"))};
}

std::vector<HBITMAP> Shared(const std::array<TBitmapHandle, 3>& pictures) {
    return {pictures[0].Get(), pictures[1].Get(), pictures[2].Get()};
}

TFontSpec BoldFont() {
    TFontSpec font;
    font.Bold = true;
    return font;
}

} // namespace

// The controls are created in the keyboard's tab order: ListBox1, Button1, Button2, Button4,
// Button5, Button6, Button7.
TFHaupt::TFHaupt()
    : TForm(FHauptDefinition()), Label1(*this, nullptr, {144, 16, 66, 13}, L"Defekte Pixel:"),
      ListBox1(*this, nullptr, {144, 32, 241, 249}, 13),
      Button1(*this, nullptr, {8, 32, 129, 33}, L"Pixelfehler definieren"),
      Button2(*this, nullptr, {8, 88, 129, 33}, L"Alle Einträge löschen"),
      Button4(*this, nullptr, {168, 296, 89, 25}, L"In den Tray"),
      Button5(*this, nullptr, {272, 296, 105, 25}, L"Beenden"),
      Button6(*this, nullptr, {8, 296, 129, 33}, L"Anleitung"),
      Button7(*this, nullptr, {8, 128, 129, 33}, L"Einzelnen Eintrag löschen"),
      SpeedButton1(*this, nullptr, {16, 176, 111, 111}, L"Fehlerbehebung einschalten", nullptr),
      SpeedButton2(*this, nullptr, {16, 176, 111, 111}, L"Fehlerbehebung ausschalten", nullptr),
      BDeaNULL(*this, nullptr, {16, 176, 111, 111}, L"Keine Pixelfehler", nullptr, true),
      Label3(*this, nullptr, {8, 336, 252, 11},
             std::wstring(ApplicationTitle) + L" von " + AuthorName),
      PopupMenu1(this), onPictures_(LoadPictures(L"BTN_ON")),
      offPictures_(LoadPictures(L"BTN_OFF")) {
    Button1.SetFont(BoldFont());
    Button6.SetFont(BoldFont());
    TFontSpec credits;
    credits.Face = L"Arial";
    credits.Height = 9;
    credits.Bold = true;
    credits.Italic = true;
    Label3.SetFont(credits);

    Button2.SetEnabled(false);
    Button7.SetEnabled(false);
    SpeedButton1.SetPictures(Shared(offPictures_));
    SpeedButton2.SetPictures(Shared(onPictures_));
    BDeaNULL.SetPictures(Shared(offPictures_));
    SpeedButton1.Hide();
    BDeaNULL.Hide();

    Button1.SetOnClick([this] { Button1Click(); });
    Button2.SetOnClick([this] { DeleteAll(); });
    Button7.SetOnClick([this] { Button7Click(); });
    Button4.SetOnClick([this] { Button4Click(); });
    Button5.SetOnClick([this] { Button5Click(); });
    Button6.SetOnClick([this] { Button6Click(); });
    SpeedButton1.SetOnClick([this] { SpeedButton1Click(); });
    SpeedButton2.SetOnClick([this] { SpeedButton2Click(); });

    Pixelreparieren1 = PopupMenu1.Add(L"Pixel reparieren...", [this] { Pixelreparieren1Click(); });
    AllePixelreparieren1 =
        PopupMenu1.Add(L"Alle Pixel reparieren...", [this] { AllePixelreparieren1Click(); });
    Positionpruefen1 = PopupMenu1.Add(L"Position prüfen...", [this] { Positionpruefen1Click(); });
    PopupMenu1.OnPopup = [this] {
        Pixelreparieren1->SetEnabled(ListBox1.ItemIndex() >= 0);
        AllePixelreparieren1->SetEnabled(ListBox1.Count() > 0);
        Positionpruefen1->SetEnabled(ListBox1.ItemIndex() >= 0);
    };
    ListBox1.SetOnContextPopup([this](POINT at) { PopupMenu(PopupMenu1, at); });
    ListBox1.SetOnDblClick([this] { Pixelreparieren1Click(); });
}

void TFHaupt::FormShow() {
    ListBox1.Clear();
    const TDefectList& defects = Form1->Defects;
    for (int i = 0; i < defects.Count(); ++i) {
        Button7.SetEnabled(true);
        Button2.SetEnabled(true);
        ListBox1.Add(DefectLine(i, defects[i]) + PlacementNote(Form1->PlacementOf(i).Status));
    }
    if (defects.Empty()) {
        // The empty look without its icon: the commands that empty the list set that themselves.
        BDeaNULL.Show();
        SpeedButton1.Hide();
        SpeedButton2.Hide();
        SetCaption(InactiveCaption);
    }
}

void TFHaupt::RefreshNotes() {
    const int selected = ListBox1.ItemIndex();
    for (int i = 0; i < ListBox1.Count() && i < Form1->Defects.Count(); ++i) {
        const std::wstring line =
            DefectLine(i, Form1->Defects[i]) + PlacementNote(Form1->PlacementOf(i).Status);
        if (ListBox1.Item(i) != line)
            ListBox1.SetItem(i, line);
    }
    ListBox1.SetItemIndex(selected);
}

namespace {

void HideAllOverlays() {
    for (TPixForm* overlay : Overlays)
        overlay->Hide();
}

} // namespace

bool TFHaupt::ChangeDefects(const std::function<void()>& change, TAfterChange after) {
    Form1->ThreadTimer1.SetEnabled(false);
    change();
    if (after == TAfterChange::RefreshAndPlace)
        FormShow();
    // The list in memory is what the user has just marked or deleted: whether or not the file
    // takes it, the overlays conceal it and the ticks follow the picture. A failed save is
    // reported once that is so; the next command that saves writes the whole list.
    std::exception_ptr saveError;
    try {
        Form1->SaveDefects();
    } catch (...) {
        saveError = std::current_exception();
    }
    if (after == TAfterChange::RefreshAndPlace)
        Form1->PlaceOverlays();
    Form1->ThreadTimer1.SetEnabled(true);
    if (!saveError)
        return true;
    if (Application)
        Application->HandleException(saveError, this);
    return false;
}

void TFHaupt::Button1Click() {
    ChangeDefects([] {
        HideAllOverlays();
        FBack->ShowModal();
        // Each new defect is bound to the panel it was marked on.
        Form1->BindNewEntries();
    }); // the file is written also when nothing was added
    // A capture always ends active, even when the concealment was paused before.
    ShowLook(Form1->Defects.Empty() ? TLook::Empty : TLook::Active);
}

void TFHaupt::Button7Click() {
    if (int index = ListBox1.ItemIndex(); index >= 0) {
        ChangeDefects([&] {
            ListBox1.Clear();
            Form1->DeleteEntry(index); // the line's index is the entry's index
            Button2.SetEnabled(false);
            Button7.SetEnabled(false);
        }); // placing shows the remaining overlays, even while paused
    }
    if (Form1->Defects.Empty())
        ShowLook(TLook::Empty);
}

void TFHaupt::DeleteAll() {
    // No owner: the setup window stays usable, and the ticks go on, while the question is open.
    const wchar_t question[] = L"Wollen Sie wirklich alle Einträge aus der Liste löschen?";
    if (MessageBoxW(nullptr, question, question, MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST) !=
        IDYES)
        return;
    ListBox1.Clear();
    const bool saved = ChangeDefects(
        [] {
            HideAllOverlays();
            Form1->ClearEntries();
        },
        TAfterChange::Nothing); // the file is left 0 bytes long, and nothing is left to place
    // After a failed save the file still holds the entries: the error box has said so, and
    // "deleted" would not be true of the file.
    if (saved)
        MessageBoxW(Handle(),
                    L"Alle Einträge gelöscht!\r\nBitte auf \"Pixelfehler definieren\" klicken um "
                    L"neue Subpixelfehler zu bestimmen.",
                    L"Liste gelöscht", MB_OK | MB_ICONINFORMATION);
    Button2.SetEnabled(false);
    Button7.SetEnabled(false);
    ShowLook(TLook::Empty);
}

void TFHaupt::Button4Click() {
    Close();
}

void TFHaupt::Button5Click() {
    Form1->Close();
}

void TFHaupt::Button6Click() {
    FAnleit->ShowModal();
}

void TFHaupt::SpeedButton1Click() {
    ResumeConcealment();
}

void TFHaupt::SpeedButton2Click() {
    PauseConcealment();
}

void TFHaupt::Pixelreparieren1Click() {
    // The line's index is the entry's index.
    if (const int index = ListBox1.ItemIndex(); index >= 0 && index < Form1->Defects.Count())
        FReparatur->Repair(index);
}

void TFHaupt::AllePixelreparieren1Click() {
    if (ListBox1.Count() > 0 && !Form1->Defects.Empty())
        FReparatur->Repair(-1);
}

void TFHaupt::Positionpruefen1Click() {
    // The line's index is the entry's index.
    const int index = ListBox1.ItemIndex();
    if (index < 0 || index >= Form1->Defects.Count())
        return;
    if (const std::optional<TPixelPoint> to = FPruefen->Check(index))
        MoveDefect(index, to->X, to->Y);
}

void TFHaupt::MoveDefect(int index, std::int32_t x, std::int32_t y) {
    // Bound again to the panel under its new place.
    ChangeDefects([&] { Form1->MoveEntry(index, x, y); });
    // The refresh has rebuilt the list.
    ListBox1.SetItemIndex(index);
}

#include "app/Unit1.h"

#include <shellapi.h>

#include "app/ActivationSwitch.h"
#include "app/Product.h"
#include "app/SingleInstance.h"
#include "help/Unit5.h"
#include "repair/Unit10.h"
#include "setup/Unit3.h"
#include "store/DataPath.h"
#include "store/DefectFile.h"
#include "ui/Application.h"
#include "ui/Dpi.h"

TForm1* Form1 = nullptr;
std::array<TPixForm*, MaxDefects> Overlays{};

const TDataFolder& StartDataFolder() {
    static const TDataFolder folder = PrepareDataFolder(DirectoryPart(ExecutablePath()));
    return folder;
}

namespace {

TFormDefinition Form1Definition() {
    TFormDefinition d;
    d.ClassName = L"TForm1";
    d.Caption = L"Form1";
    d.ClientWidth = 120;
    d.ClientHeight = 80;
    return d;
}

// The picture at the size the tray asks for, so that it stays crisp at any scaling.
HICON LoadLookIcon(const wchar_t* name, int size) {
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

} // namespace

TForm1::TForm1()
    : TForm(Form1Definition()), iconSize_(SmallIconSize()),
      iconAk_(LoadLookIcon(L"ICO_AK", iconSize_)), iconDk_(LoadLookIcon(L"ICO_DK", iconSize_)),
      PopupMenu1(this), TrayIcon1(this), ThreadTimer1(this) {
    ber1 = PopupMenu1.Add(L"Info", [this] { ber1Click(); });
    hom = PopupMenu1.Add(L"Homepage", [this] { homClick(); });
    N1 = PopupMenu1.Add(L"-");
    Setup1 = PopupMenu1.Add(L"Setup", [this] { Setup1Click(); });
    N2 = PopupMenu1.Add(L"-");
    Beenden1 = PopupMenu1.Add(L"Beenden", [this] { Beenden1Click(); });

    // Active takes effect when the definition has loaded: the icon appears, and with an empty
    // visibility the application window is hidden and Form1 is never shown.
    TrayIcon1.SetActive(true);
    TrayIcon1.SetIcon(iconAk_.Get());
    TrayIcon1.SetIconIndex(-1);
    TrayIcon1.SetHint(ApplicationTitle);
    TrayIcon1.SetDropDownMenu(&PopupMenu1);
    TrayIcon1.SetPopupMenu(&PopupMenu1);
    TrayIcon1.SetVisibility({});
    TrayIcon1.OnDblClick = [this](TComponent* sender, TMouseButton button, TShiftState shift, int x,
                                  int y) { TrayIcon1DblClick(sender, button, shift, x, y); };
    TrayIcon1.OnDisplayChange = [this](TComponent*) { FollowIconSize(); };
    if (Application)
        Application->OnDisplayChange = [this] { FollowDisplayChange(); };

    // Not enabled here: FormCreate starts it once the defect file has been read.
    ThreadTimer1.SetInterval(125);
    ThreadTimer1.SetOnTimer(MakeNotifyEvent<&TForm1::ThreadTimer1Timer>(this));
}

void TForm1::FollowIconSize() {
    const int size = SmallIconSize();
    if (size == iconSize_)
        return;
    TIconHandle ak(LoadLookIcon(L"ICO_AK", size));
    TIconHandle dk(LoadLookIcon(L"ICO_DK", size));
    if (!ak || !dk)
        return;
    // Each holder of an old picture gets the new one of the same look before the old ones are
    // destroyed: the shell and the window must never draw a destroyed icon.
    auto renewed = [&](HICON old) {
        return old == iconAk_.Get() ? ak.Get() : old == iconDk_.Get() ? dk.Get() : old;
    };
    TrayIcon1.SetIcon(renewed(TrayIcon1.Icon()));
    if (FHaupt) {
        auto shown =
            reinterpret_cast<HICON>(SendMessageW(FHaupt->Handle(), WM_GETICON, ICON_SMALL, 0));
        if (renewed(shown) != shown)
            FHaupt->SetIcon(renewed(shown));
    }
    iconAk_ = std::move(ak);
    iconDk_ = std::move(dk);
    iconSize_ = size;
}

void TForm1::FormCreate() {
    // First: a defect file that fails to load must not leave the ticks running for a locked
    // screen.
    screenWatch_.Watch(Handle());
    HWND desktop = GetDesktopWindow();
    desktopDC_ = TWindowDC(desktop, GetWindowDC(desktop));
    const TDataFolder& data = StartDataFolder();
    DataDir = data.Folder;
    readDir_ = data.ReadFolder;
    if (DefectFileExists(readDir_ + std::wstring(DefectFileName)))
        LoadDefects();
    // Ticks are delivered only by message loops, and none runs before the overlays are placed.
    ThreadTimer1.SetEnabled(true);
}

LRESULT TForm1::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // A second start on this program's file asks for the setup window instead of running.
    if (message == TInstanceLock::WakeMessage() && message != 0) {
        if (wParam == static_cast<WPARAM>(PathKey(DefectFilePath())) && FHaupt) {
            // The second start let this program take the foreground: the user started something
            // and expects to see it.
            Setup1Click();
            if (TForm* front = Application->ModalForm() ? Application->ModalForm() : FHaupt)
                SetForegroundWindow(front->Handle());
        }
        return 0;
    }
    if (screenWatch_.Message(message, wParam, lParam)) {
        FollowScreenWatch();
        return message == WM_POWERBROADCAST ? TRUE : 0;
    }
    return TForm::WndProc(message, wParam, lParam);
}

void TForm1::FollowScreenWatch() {
    // Away, the covers would be drawn into a remote picture: they hide, and come back as they
    // were (a paused program stays paused) once the session is on this screen again.
    const bool away = screenWatch_.Away();
    for (TPixForm* overlay : Overlays)
        if (overlay)
            overlay->SetAway(away);
    const bool idle = !screenWatch_.Seen();
    ThreadTimer1.SetIdle(idle);
    // A repair flashes for nobody too: its pixels show the lock screen meanwhile.
    if (FReparatur)
        FReparatur->ThreadTimer1.SetIdle(idle);
}

void TForm1::FormClose(TCloseAction& /*action*/) {
    ThreadTimer1.SetEnabled(false);
}

void TForm1::ThreadTimer1Timer(TComponent* /*sender*/) {
    // The overlays are the last windows of the start-up; a tick cannot come before them.
    if (!Overlays.back())
        return;
    tick_.Run(Defects, DesktopDC(), Overlays);
}

void TForm1::FormDestroy() {
    if (Application)
        Application->OnDisplayChange = nullptr;
    desktopDC_.Reset();
}

std::wstring TForm1::DefectFilePath() const {
    return DataDir + std::wstring(DefectFileName);
}

void TForm1::LoadDefects() {
    LoadDefectFile(readDir_ + std::wstring(DefectFileName), Defects);
}

void TForm1::SaveDefects() {
    SaveDefectFile(DefectFilePath(), Defects);
}

void TForm1::PlaceOverlays() {
    for (TPixForm* overlay : Overlays)
        overlay->Hide();
    for (int i = 0; i < Defects.Count(); ++i) {
        TPixForm* overlay = Overlays[static_cast<std::size_t>(i)];
        overlay->PlaceAt(Defects[i].X, Defects[i].Y);
        // Shown (FormShow first), activated and raised: the last one ends up on top.
        overlay->Show();
    }
}

void TForm1::FollowDisplayChange() {
    tick_.MonitorsChanged();
    // A change can be announced in the message box of a failed load, before the overlays exist.
    if (!Overlays.back())
        return;
    for (int i = 0; i < Defects.Count(); ++i)
        Overlays[static_cast<std::size_t>(i)]->ReturnTo(Defects[i].X, Defects[i].Y);
    FReparatur->FollowDisplayChange();
}

// The tray icon is live from Form1's creation on, also while the error box of a failed load holds
// up the start-up, before the other windows exist: until they do, their commands do nothing.
void TForm1::ber1Click() {
    if (AboutBox)
        AboutBox->ShowAboveModal();
}

void TForm1::homClick() {
    ShellExecuteW(Handle(), L"open", HomePageAddress, nullptr, nullptr, SW_SHOW);
}

void TForm1::Setup1Click() {
    if (FHaupt)
        FHaupt->ShowAboveModal();
}

void TForm1::Beenden1Click() {
    Close();
}

void TForm1::TrayIcon1DblClick(TComponent*, TMouseButton, TShiftState, int, int) {
    ToggleConcealment();
}

#include "app/Unit1.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <span>

#include "app/ActivationSwitch.h"
#include "app/Product.h"
#include "app/SingleInstance.h"
#include "engine/Monitors.h"
#include "help/Unit5.h"
#include "repair/Unit10.h"
#include "setup/Unit3.h"
#include "store/DataPath.h"
#include "store/DefectFile.h"
#include "store/PanelCodec.h"
#include "ui/Application.h"
#include "ui/Dpi.h"

namespace {

// Twenty-five records take a few kilobytes; a longer file is none of ours.
constexpr std::size_t MaxPanelFileBytes = 64 * 1024;

} // namespace

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
        Application->OnDisplayChange = [this] {
            FollowDisplayChange();
            // The system arranges the monitors in steps and tells of the first: one more look
            // once it has settled.
            SetTimer(Handle(), SettleTimer, SettleMs, nullptr);
        };

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
    monitors_ = ReadMonitors();
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
    if (message == WM_TIMER && wParam == SettleTimer) {
        KillTimer(Handle(), SettleTimer);
        Guarded(this, [this] { FollowDisplayChange(); });
        return 0;
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

std::wstring TForm1::PanelFilePath() const {
    return DataDir + std::wstring(PanelFileName);
}

void TForm1::LoadDefects() {
    try {
        LoadDefectFile(readDir_ + std::wstring(DefectFileName), Defects);
    } catch (...) {
        // What was read is concealed as far as it goes.
        LoadBindings();
        throw;
    }
    LoadBindings();
}

void TForm1::LoadBindings() {
    // The bindings never stand in the way of the defects: a file that cannot be read binds
    // nothing, and every entry it leaves unbound is bound where its coordinates lie today, as
    // the list of an earlier version (which keeps no bindings) or of another computer is.
    std::string text;
    try {
        const std::wstring path = readDir_ + std::wstring(PanelFileName);
        if (DefectFileExists(path))
            text = LoadTextFile(path, MaxPanelFileBytes);
    } catch (...) {
    }
    Bindings = DecodePanels(text, Defects);
    BindNewEntries();
}

void TForm1::SaveDefects() {
    SaveDefectFile(DefectFilePath(), Defects);
    const std::string text = EncodePanels(Defects, Bindings);
    SaveFileAtomically(PanelFilePath(),
                       std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void TForm1::BindNewEntries() {
    const auto count = static_cast<std::size_t>(Defects.Count());
    Bindings.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        if (!Bindings[i])
            Bindings[i] = BindPixel(
                monitors_, {Defects[static_cast<int>(i)].X, Defects[static_cast<int>(i)].Y});
}

void TForm1::MoveEntry(int index, int x, int y) {
    Defects[index].X = x;
    Defects[index].Y = y;
    Bindings.resize(static_cast<std::size_t>(Defects.Count()));
    Bindings[static_cast<std::size_t>(index)] = BindPixel(monitors_, {x, y});
}

void TForm1::DeleteEntry(int index) {
    DeleteDefect(Defects, index);
    if (static_cast<std::size_t>(index) < Bindings.size())
        Bindings.erase(Bindings.begin() + index);
}

void TForm1::ClearEntries() {
    ClearDefects(Defects);
    Bindings.clear();
}

TPlacement TForm1::PlacementOf(int index) const {
    const auto i = static_cast<std::size_t>(index);
    if (i < Bindings.size() && Bindings[i])
        return PlaceBinding(monitors_, *Bindings[i]);
    // Unbound: on no monitor when it was loaded. It stays at its coordinates while a monitor
    // shows them.
    const TPixelPoint at{Defects[index].X, Defects[index].Y};
    const bool shown = std::any_of(monitors_.begin(), monitors_.end(), [&](const TMonitorState& m) {
        return m.Desktop.Contains(at.X, at.Y);
    });
    return shown ? TPlacement{TPlaceStatus::Shown, at} : TPlacement{};
}

void TForm1::PlaceOverlay(int index) {
    TPixForm* overlay = Overlays[static_cast<std::size_t>(index)];
    const TPlacement placement = PlacementOf(index);
    if (placement.Status == TPlaceStatus::Shown)
        overlay->PlaceAt(placement.At.X, placement.At.Y);
    overlay->SetUnplaced(placement.Status != TPlaceStatus::Shown);
}

void TForm1::PlaceOverlays() {
    for (TPixForm* overlay : Overlays)
        overlay->Hide();
    placedCount_ = Defects.Count();
    for (int i = 0; i < Defects.Count(); ++i) {
        PlaceOverlay(i);
        // Shown (FormShow first) and raised: the last one ends up on top. One whose defect is on
        // no screen that shows it as marked waits hidden until one does.
        Overlays[static_cast<std::size_t>(i)]->Show();
    }
}

void TForm1::FollowDisplayChange() {
    tick_.MonitorsChanged();
    monitors_ = ReadMonitors();
    // A change can be announced in the message box of a failed load, before the overlays exist.
    if (!Overlays.back())
        return;
    for (int i = 0; i < std::min(Defects.Count(), placedCount_); ++i)
        PlaceOverlay(i);
    FReparatur->FollowDisplayChange();
    FHaupt->RefreshNotes();
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

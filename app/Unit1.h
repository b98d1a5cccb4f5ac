// TForm1: the tray form. It is the main window but never shown; it owns the state every other
// window reaches: the defect list, the desktop device context and the program's directory.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/ScreenWatch.h"
#include "app/TrayIcon.h"
#include "engine/ConcealmentTick.h"
#include "engine/PanelMap.h"
#include "engine/ThreadTimer.h"
#include "engine/Unit2.h"
#include "store/DataFolder.h"
#include "store/DefectList.h"
#include "ui/Form.h"
#include "ui/Handles.h"
#include "ui/Menus.h"

class TForm1 : public TForm {
    // The pictures of the active and the inactive look at the small-icon size, loaded again
    // when that size changes; the tray and the windows share them. Declared first, so that
    // they outlive the tray icon.
    int iconSize_;
    TIconHandle iconAk_;
    TIconHandle iconDk_;

public:
    TForm1();

    HICON LookIcon(bool active) const noexcept { return (active ? iconAk_ : iconDk_).Get(); }
    // Loads both looks again when the small-icon size has changed (the scaling did) and gives
    // the new pictures to the tray icon and FHaupt in place of the old ones, the look kept.
    void FollowIconSize();

    TPopupMenu PopupMenu1;
    TTrayIcon TrayIcon1;
    TMenuItem* ber1 = nullptr;     // "Info"
    TMenuItem* hom = nullptr;      // "Homepage"
    TMenuItem* N1 = nullptr;       // separator
    TMenuItem* Setup1 = nullptr;   // "Setup"
    TMenuItem* N2 = nullptr;       // separator
    TMenuItem* Beenden1 = nullptr; // "Beenden"
    // The concealment's heartbeat: eight ticks a second while enabled.
    TThreadTimer ThreadTimer1;

    TDefectList Defects;
    // A device context of the whole desktop, taken once: every tick reads screen pixels through
    // it without obtaining or releasing one.
    HDC DesktopDC() const noexcept { return desktopDC_.Get(); }
    // The folder of the program's files, with its trailing delimiter: beside the exe where the
    // user may write and it stays, else the user's local application data. Set once in
    // FormCreate.
    std::wstring DataDir;

    // Where each entry lies on its panel: Bindings[i] belongs to Defects[i] (none: the entry is
    // on no monitor since it was loaded, and stays at its coordinates).
    std::vector<std::optional<TPanelBinding>> Bindings;

    std::wstring DefectFilePath() const;
    std::wstring PanelFilePath() const;
    // Reads the list and the bindings; an entry that the panel file does not bind is bound to
    // the panel under its coordinates.
    void LoadDefects();
    // Writes the list, then the bindings.
    void SaveDefects();
    // The changes of the list that the bindings follow: entries appended by a capture are bound
    // to the panel under them; a moved entry is bound again where it now is.
    void BindNewEntries();
    void MoveEntry(int index, int x, int y);
    void DeleteEntry(int index);
    void ClearEntries();

    // Puts overlay i over entry i of Defects and shows it, for every entry; hides the rest. An
    // entry is where its panel shows it today; one whose panel is not connected or shows another
    // mode waits hidden.
    void PlaceOverlays();
    // What today's monitors make of entry i: where it is shown, or why not.
    TPlacement PlacementOf(int index) const;
    // The overlays placed by the last PlaceOverlays: a capture adds entries that have none yet.
    int PlacedCount() const noexcept { return placedCount_; }
    // After the monitors changed (and once more a moment later, when the system has settled),
    // every overlay in use goes where its panel now shows its defect, or waits hidden. The list
    // and the files stay as they are.
    void FollowDisplayChange();
    // Idles the timers while nobody sees the screen, and hides the overlays while the session is
    // away from it (also as the program starts in a remote session).
    void FollowScreenWatch();

    void ber1Click();
    void homClick();
    void Setup1Click();
    void Beenden1Click();
    void TrayIcon1DblClick(TComponent* sender, TMouseButton button, TShiftState shift, int x,
                           int y);
    // The concealment tick: every overlay in use takes its concealing colour.
    void ThreadTimer1Timer(TComponent* sender);

protected:
    void FormCreate() override;
    void FormClose(TCloseAction& action) override;
    void FormDestroy() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void LoadBindings();
    // Puts overlay i where PlacementOf(i) says, leaving its shown or hidden state to the program.
    void PlaceOverlay(int index);

    // A display change is looked at again this long after: the system arranges the monitors in
    // steps.
    static constexpr UINT_PTR SettleTimer = 1;
    static constexpr UINT SettleMs = 1500;

    // Where this start reads the list: DataDir, unless copying the files there failed.
    std::wstring readDir_;
    std::vector<TMonitorState> monitors_;
    int placedCount_ = 0;
    TWindowDC desktopDC_;
    TConcealmentTick tick_;
    // While the session is locked or the display is off, the timer idles: nothing is read and
    // nothing repainted for nobody.
    TScreenWatch screenWatch_;
};

extern TForm1* Form1;

// Where this start keeps its files: decided once, on the first call (the entry asks first, to see
// whether another program keeps them already).
const TDataFolder& StartDataFolder();
// The 25 overlay windows, created once at start-up in index order; overlay i covers entry i of
// Form1->Defects.
extern std::array<TPixForm*, MaxDefects> Overlays;

#include "app/ActivationSwitch.h"

#include <algorithm>

#include "app/Product.h"
#include "app/Unit1.h"
#include "setup/Unit3.h"

void ShowLook(TLook look) {
    FHaupt->SpeedButton2.SetVisible(look == TLook::Active);
    FHaupt->SpeedButton1.SetVisible(look == TLook::Paused);
    FHaupt->BDeaNULL.SetVisible(look == TLook::Empty);
    FHaupt->SetCaption(look == TLook::Active ? ActiveCaption : InactiveCaption);
    HICON icon = Form1->LookIcon(look == TLook::Active);
    Form1->TrayIcon1.SetIcon(icon);
    FHaupt->SetIcon(icon);
}

void ResumeConcealment() {
    // Only the overlays placed for the list: while the capture screen is open it has entries
    // that are not placed yet, and their overlays would tint a healthy pixel.
    const int placed = std::min(Form1->Defects.Count(), Form1->PlacedCount());
    for (int i = 0; i < placed; ++i)
        Overlays[static_cast<std::size_t>(i)]->SetVisible(true);
    ShowLook(TLook::Active);
}

void PauseConcealment() {
    for (int i = 0; i < Form1->Defects.Count(); ++i)
        Overlays[static_cast<std::size_t>(i)]->Hide();
    ShowLook(TLook::Paused);
}

void ToggleConcealment() {
    // Enabled only by a list refresh that found entries: right after start-up, before the setup
    // window was ever shown, and after deleting everything, a double click does nothing. Nor
    // while the setup window does not exist yet (a tray icon is live during the start-up's error
    // box), nor while it shows that there is nothing to conceal (a capture into an empty list
    // whose save failed has entries but concealed nothing).
    if (!FHaupt || !FHaupt->Button2.Enabled() || FHaupt->BDeaNULL.Visible())
        return;
    if (FHaupt->SpeedButton2.Visible())
        PauseConcealment();
    else
        ResumeConcealment();
}

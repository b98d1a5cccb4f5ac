#include "app/ActivationSwitch.h"

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
    for (int i = 0; i < Form1->Defects.Count(); ++i)
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
    // window was ever shown, and after deleting everything, a double click does nothing.
    if (!FHaupt->Button2.Enabled())
        return;
    if (FHaupt->SpeedButton2.Visible())
        PauseConcealment();
    else
        ResumeConcealment();
}

// TPixForm: the one-pixel, always-on-top window that covers one defect. The program creates 25
// of them at start-up (Overlays); overlay i always belongs to entry i of the defect list.
#pragma once

#include "engine/CoverForm.h"

class TPixForm : public TCoverForm {
public:
    TPixForm();

    // Puts the overlay over the pixel (x, y), where it stays: nobody else moves or sizes it.
    void PlaceAt(int x, int y);
    // Whether the overlay has been put over the pixel (x, y).
    bool PlacedAt(int x, int y) const noexcept {
        return !IsRectEmpty(&Area()) && Area().left == x && Area().top == y;
    }

    // After the monitors changed: the overlay goes back to its pixel (x, y). The system moves
    // windows off a removed monitor onto another one, where an overlay would tint a healthy
    // pixel. Over no monitor, a shown overlay waits hidden until a later change puts a monitor
    // under its pixel again; showing or hiding it meanwhile ends the wait.
    void ReturnTo(int x, int y);

    // Keeps the overlay hidden while something else works on its pixel (a repair flashes it).
    // Meanwhile a request to show or hide it is only recorded; Release applies the last one (and
    // a pixel on no monitor waits hidden, as after ReturnTo). Colours still change while held.
    void Hold();
    void Release();
    bool Held() const noexcept { return held_; }

protected:
    void FormCreate() override;
    bool VisibilityRequested(bool visible) override;

private:
    bool OnMonitor() const;

    bool waiting_ = false;
    bool held_ = false;
    bool wanted_ = false; // shown once released
};

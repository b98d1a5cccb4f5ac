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
    // pixel. Over no monitor it waits hidden until a later change puts a monitor under its pixel
    // again.
    void ReturnTo(int x, int y);

    // Keeps the overlay hidden while something else works on its pixel (a repair flashes it).
    // Colours still change while held.
    void Hold() { Block(HeldBlock, true); }
    void Release() { Block(HeldBlock, false); }
    bool Held() const noexcept { return (blocks_ & HeldBlock) != 0; }
    // Keeps it hidden while the session is shown elsewhere (a remote connection) or nobody's.
    void SetAway(bool away) { Block(AwayBlock, away); }
    // Whether something other than the program's wish keeps it hidden: its pixel is on no monitor,
    // it is held, or the session is away. The program's requests to show or hide it meanwhile are
    // recorded, and the last one counts when nothing keeps it hidden any more.
    bool Blocked() const noexcept { return blocks_ != 0; }

protected:
    void FormCreate() override;
    bool VisibilityRequested(bool visible) override;

private:
    enum : unsigned { HeldBlock = 1, OffMonitorBlock = 2, AwayBlock = 4 };
    void Block(unsigned reason, bool on);
    bool OnMonitor() const;

    unsigned blocks_ = 0;
    bool wanted_ = false; // what the program asked for last
};

// TPixForm: the one-pixel, always-on-top window that covers one defect. The program creates 25
// of them at start-up (Overlays); overlay i always belongs to entry i of the defect list.
#pragma once

#include "engine/CoverForm.h"

class TPixForm : public TCoverForm {
public:
    TPixForm();

    // Puts the overlay over the pixel (x, y), where it stays: nobody else moves or sizes it.
    void PlaceAt(int x, int y);

    // Waits hidden while its defect is on no screen that shows it as marked (its panel is not
    // connected, or shows another mode); placed again, it shows as the program last asked.
    void SetUnplaced(bool unplaced) { Block(UnplacedBlock, unplaced); }
    bool Unplaced() const noexcept { return (blocks_ & UnplacedBlock) != 0; }

    // Keeps the overlay hidden while something else works on its pixel (a repair flashes it).
    // Colours still change while held.
    void Hold() { Block(HeldBlock, true); }
    void Release() { Block(HeldBlock, false); }
    bool Held() const noexcept { return (blocks_ & HeldBlock) != 0; }
    // Keeps it hidden while the session is shown elsewhere (a remote connection) or nobody's.
    void SetAway(bool away) { Block(AwayBlock, away); }
    // Whether something other than the program's wish keeps it hidden: it is unplaced, it is
    // held, or the session is away. The program's requests to show or hide it meanwhile are
    // recorded, and the last one counts when nothing keeps it hidden any more.
    bool Blocked() const noexcept { return blocks_ != 0; }

protected:
    void FormCreate() override;
    bool VisibilityRequested(bool visible) override;

private:
    enum : unsigned { HeldBlock = 1, UnplacedBlock = 2, AwayBlock = 4 };
    void Block(unsigned reason, bool on);

    unsigned blocks_ = 0;
    bool wanted_ = false; // what the program asked for last
};

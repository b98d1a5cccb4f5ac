// TFPruefen: the full-screen check of where a defect's cover sits. The screen takes the colour on
// which the defect shows, and the cover blinks at its place: the user sees one blinking spot
// where it sits on the defect, and two spots where it does not. The arrow keys move it (with
// Shift ten pixels), Enter takes the new place, Esc or a right click leaves the entry as it was.
// The other defects stay concealed meanwhile.
#pragma once

#include <optional>
#include <vector>

#include "capture/PositionCheck.h"
#include "ui/Form.h"
#include "ui/Handles.h"

class TFPruefen : public TForm {
public:
    TFPruefen();

    // Checks the cover of entry `index` of Form1->Defects and returns once the check has closed:
    // where Enter put the cover, or nothing. The entry itself is left to the caller.
    std::optional<TPixelPoint> Check(int index);

protected:
    // Each opening covers the desktop as it is now: every monitor, whatever changed since.
    void FormShow() override;
    void FormHide() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct TMonitor {
        HMONITOR Handle;
        TPixelRect Area;
        TPixelRect WorkArea;
    };
    void ReadMonitors();
    void MoveCover(int dx, int dy);
    // Puts the hint where it keeps clear of the marked pixel and of the cover: on the cover's
    // monitor if it can, else on another; nowhere when no place does.
    void PlaceHint();
    void Paint(HDC dc);
    // A rectangle of screen pixels in client coordinates, and a repaint of it.
    RECT ClientRect(const TPixelRect& area) const;
    void Repaint(const TPixelRect& area);

    TPixelPoint marked_{}; // the entry's place when the check opened
    TPixelPoint cover_{};
    bool onBlack_ = true;
    bool accepted_ = false;
    std::uint64_t blinks_ = 0; // colour changes of the cover since the check opened
    std::vector<TMonitor> monitors_;
    TScreenLayout layout_;
    std::optional<TPixelRect> hint_;
    TFontHandle hintFont_;
};

extern TFPruefen* FPruefen;

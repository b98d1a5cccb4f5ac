// What the capture screen does with the user's clicks: the black and white phases, the flag bits
// of a chosen colour, and the limit of the list. Platform-neutral: the windows are reached
// through TCaptureScreen.
#pragma once

#include <cstdint>

#include "store/DefectList.h"

enum class TCapturePhase { Black, White };

// The flag bits a colour chosen on this background adds: on black, each channel at 255 is stuck
// lit; on white, each channel at 0 is stuck dark.
std::uint8_t FlagsForChoice(TCapturePhase phase, std::uint32_t chosenColor);

// The colour a chooser starts with, kept when it is closed without a choice; it adds no bit.
std::uint32_t ChooserPreset(TCapturePhase phase);

// The windows the capture needs.
class TCaptureScreen {
public:
    virtual ~TCaptureScreen() = default;
    // Shows the chooser of this phase modally for the pixel at (x, y), starting from `preset`;
    // returns the colour chosen (the preset when none was).
    virtual std::uint32_t ChooseColor(TCapturePhase phase, std::uint32_t preset, std::int32_t x,
                                      std::int32_t y) = 0;
    // Ends the capture.
    virtual void CloseCapture() = 0;
};

class TCaptureLogic {
public:
    TCaptureLogic(TDefectList& defects, TCaptureScreen& screen)
        : defects_(defects), screen_(screen) {}

    // The phase is the only state, and it outlives a capture: the next one starts where this
    // one ended.
    TCapturePhase Phase() const noexcept { return phase_; }

    void LeftButton(std::int32_t x, std::int32_t y);
    // Black turns white; white turns black and ends the capture.
    void RightButton();
    // Ends the capture; the phase stays.
    void Escape();

private:
    TDefectList& defects_;
    TCaptureScreen& screen_;
    TCapturePhase phase_ = TCapturePhase::Black;
};

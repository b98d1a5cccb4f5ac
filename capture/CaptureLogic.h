// What the capture screen does with the user's clicks: the black and white phases, the flag bits
// of a chosen colour, and the limit of the list. Platform-neutral: the windows are reached
// through TCaptureScreen.
#pragma once

#include <cstdint>
#include <optional>

#include "store/DefectList.h"

enum class TCapturePhase { Black, White };

// The background of the capture screen. Red, green and blue belong to the white phase: a
// sub-pixel that never lights shows as a faint tint on white, but as a black dot on the screen of
// its own colour.
enum class TCaptureBackground { Black, White, Red, Green, Blue };

TCapturePhase PhaseOf(TCaptureBackground background);
// The background's colour value (0x00BBGGRR).
std::uint32_t BackgroundColor(TCaptureBackground background);
// On red, green or blue, the swatch the chooser offers first: the colour of that channel missing
// (aqua, fuchsia, yellow). None on black and white.
std::optional<std::uint32_t> SuggestedColor(TCaptureBackground background);

// The flag bits a colour chosen on this background adds: on black, each channel at 255 is stuck
// lit; on white, each channel at 0 is stuck dark.
std::uint8_t FlagsForChoice(TCapturePhase phase, std::uint32_t chosenColor);

// The colour a chooser starts with, kept when it is closed without a choice; it adds no bit.
std::uint32_t ChooserPreset(TCapturePhase phase);

// The windows the capture needs.
class TCaptureScreen {
public:
    virtual ~TCaptureScreen() = default;
    // Shows the chooser of this phase modally for the pixel at (x, y), starting from `preset`
    // with the focus on the swatch of colour `suggested` (if any); returns the colour chosen (the
    // preset when none was).
    virtual std::uint32_t ChooseColor(TCapturePhase phase, std::uint32_t preset,
                                      std::optional<std::uint32_t> suggested, std::int32_t x,
                                      std::int32_t y) = 0;
    // Ends the capture.
    virtual void CloseCapture() = 0;
};

class TCaptureLogic {
public:
    TCaptureLogic(TDefectList& defects, TCaptureScreen& screen)
        : defects_(defects), screen_(screen) {}

    // The background is the only state, and it outlives a capture: the next one starts where
    // this one ended.
    TCaptureBackground Background() const noexcept { return background_; }
    TCapturePhase Phase() const noexcept { return PhaseOf(background_); }

    void LeftButton(std::int32_t x, std::int32_t y);
    // Black turns white; white (or red, green, blue) turns black and ends the capture.
    void RightButton();
    // Ends the capture; the background stays.
    void Escape();
    // In the white phase, another of its backgrounds (white, red, green, blue); nothing on black.
    void ShowBackground(TCaptureBackground background);

private:
    TDefectList& defects_;
    TCaptureScreen& screen_;
    TCaptureBackground background_ = TCaptureBackground::Black;
};

#include "capture/CaptureLogic.h"

std::uint8_t FlagsForChoice(TCapturePhase phase, std::uint32_t chosenColor) {
    const std::uint8_t red = chosenColor & 0xFF, green = (chosenColor >> 8) & 0xFF,
                       blue = (chosenColor >> 16) & 0xFF;
    std::uint8_t flags = 0;
    if (phase == TCapturePhase::Black) {
        if (red == 255)
            flags |= RedOn;
        if (green == 255)
            flags |= GreenOn;
        if (blue == 255)
            flags |= BlueOn;
    } else {
        if (red == 0)
            flags |= RedOff;
        if (green == 0)
            flags |= GreenOff;
        if (blue == 0)
            flags |= BlueOff;
    }
    return flags;
}

std::uint32_t ChooserPreset(TCapturePhase phase) {
    return phase == TCapturePhase::Black ? 0x000000 : 0xFFFFFF;
}

void TCaptureLogic::LeftButton(std::int32_t x, std::int32_t y) {
    if (phase_ == TCapturePhase::Black) {
        // Every click on black is a new entry, even on a pixel already in the list.
        if (defects_.Full()) {
            screen_.CloseCapture();
            return;
        }
        const int index = AppendDefect(defects_, x, y);
        const std::uint32_t chosen = screen_.ChooseColor(phase_, ChooserPreset(phase_), x, y);
        defects_[index].Flags |= FlagsForChoice(phase_, chosen);
        return;
    }
    // On white the colour is asked first; the pixel may already be in the list from black.
    const std::uint32_t chosen = screen_.ChooseColor(phase_, ChooserPreset(phase_), x, y);
    int index = FindDefect(defects_, x, y);
    if (index < 0) {
        if (defects_.Full()) {
            screen_.CloseCapture();
            return;
        }
        index = AppendDefect(defects_, x, y);
    }
    defects_[index].Flags |= FlagsForChoice(phase_, chosen);
}

void TCaptureLogic::RightButton() {
    if (phase_ == TCapturePhase::Black) {
        phase_ = TCapturePhase::White;
        return;
    }
    phase_ = TCapturePhase::Black;
    screen_.CloseCapture();
}

void TCaptureLogic::Escape() {
    screen_.CloseCapture();
}

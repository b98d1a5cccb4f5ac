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

TCapturePhase PhaseOf(TCaptureBackground background) {
    return background == TCaptureBackground::Black ? TCapturePhase::Black : TCapturePhase::White;
}

std::uint32_t BackgroundColor(TCaptureBackground background) {
    switch (background) {
    case TCaptureBackground::Black:
        return 0x000000;
    case TCaptureBackground::Red:
        return 0x0000FF;
    case TCaptureBackground::Green:
        return 0x00FF00;
    case TCaptureBackground::Blue:
        return 0xFF0000;
    case TCaptureBackground::White:
        break;
    }
    return 0xFFFFFF;
}

std::optional<std::uint32_t> SuggestedColor(TCaptureBackground background) {
    // A dark sub-pixel of the background's own channel is the one that shows there; the other
    // two are off already.
    switch (background) {
    case TCaptureBackground::Red:
        return 0xFFFF00;
    case TCaptureBackground::Green:
        return 0xFF00FF;
    case TCaptureBackground::Blue:
        return 0x00FFFF;
    default:
        return std::nullopt;
    }
}

void TCaptureLogic::LeftButton(std::int32_t x, std::int32_t y) {
    const TCapturePhase phase = Phase();
    if (phase == TCapturePhase::Black) {
        // Every click on black is a new entry, even on a pixel already in the list.
        if (defects_.Full()) {
            screen_.CloseCapture();
            return;
        }
        const int index = AppendDefect(defects_, x, y);
        const std::uint32_t chosen =
            screen_.ChooseColor(phase, ChooserPreset(phase), std::nullopt, x, y);
        defects_[index].Flags |= FlagsForChoice(phase, chosen);
        return;
    }
    // On white the colour is asked first; the pixel may already be in the list from black. The
    // preset stays white on a coloured background too: a chooser closed without a choice adds
    // nothing there either.
    const std::uint32_t chosen =
        screen_.ChooseColor(phase, ChooserPreset(phase), SuggestedColor(background_), x, y);
    int index = FindDefect(defects_, x, y);
    if (index < 0) {
        if (defects_.Full()) {
            screen_.CloseCapture();
            return;
        }
        index = AppendDefect(defects_, x, y);
    }
    defects_[index].Flags |= FlagsForChoice(phase, chosen);
}

void TCaptureLogic::RightButton() {
    if (background_ == TCaptureBackground::Black) {
        background_ = TCaptureBackground::White;
        return;
    }
    background_ = TCaptureBackground::Black;
    screen_.CloseCapture();
}

void TCaptureLogic::Escape() {
    screen_.CloseCapture();
}

void TCaptureLogic::ShowBackground(TCaptureBackground background) {
    if (Phase() == TCapturePhase::White && PhaseOf(background) == TCapturePhase::White)
        background_ = background;
}

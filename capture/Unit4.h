// TFBack: the full-screen capture screen. On black the user clicks every sub-pixel that stays
// lit, on white (or on pure red, green or blue, keys R, G, B and W) every one that stays dark,
// and picks the colour it shows.
#pragma once

#include <memory>

#include "capture/CaptureCursor.h"
#include "capture/CaptureLogic.h"
#include "ui/Form.h"
#include "ui/Mouse.h"

class TFBack : public TForm, private TCaptureScreen {
public:
    TFBack();

    TCapturePhase Phase() const noexcept { return logic_->Phase(); }

protected:
    void FormCreate() override;
    // Each opening covers the desktop as it is now: every monitor, whatever changed since.
    void FormShow() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // (x, y) in screen pixels.
    void FormMouseDown(TMouseButton button, int x, int y);
    void FormKeyDown(WORD key, TShiftState shift);
    void CoverDesktop();

    std::uint32_t ChooseColor(TCapturePhase phase, std::uint32_t preset,
                              std::optional<std::uint32_t> suggested, std::int32_t x,
                              std::int32_t y) override;
    void CloseCapture() override;
    void ShowBackground();

    std::unique_ptr<TCaptureLogic> logic_;
    TCaptureCursor cursor_;
};

extern TFBack* FBack;

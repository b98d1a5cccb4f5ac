// The colour chooser shown over the capture screen: a prompt and seven colour swatches on the
// background the defect was seen on. A click on a swatch is the answer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "ui/Controls.h"
#include "ui/Form.h"

class TColorChooser : public TForm {
public:
    // The caller's preset stays when the chooser is closed without a swatch being clicked.
    std::uint32_t ChosenColor = 0;

    TLabel Label1;
    TPanel Panel7; // the frame, in the colour of the capture background
    TPanel Panel1, Panel2, Panel3, Panel4, Panel5, Panel6, Panel8;

    // The one click handler of all seven swatches.
    void Panel1Click(const TPanel& swatch);

    // Shows the chooser modally, centred on the monitor of the pixel `marked` unless it stands
    // wholly on that monitor already, and returns the colour chosen (the caller's preset when
    // none was). The swatch of colour `suggested` has the focus, its mark shown, so that Enter
    // takes it; otherwise the first swatch has the focus.
    std::uint32_t Choose(std::uint32_t preset, POINT marked,
                         std::optional<std::uint32_t> suggested = std::nullopt);

protected:
    // `frame` is the capture background; `last` the seventh swatch (all lit or all dark), with
    // its name.
    TColorChooser(const wchar_t* className, int clientWidth, int clientHeight, TColor frame,
                  TColor last, const wchar_t* lastName);
    // The digit keys 1 to 7 choose the swatch at that place.
    bool FormKeyPress(wchar_t key) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::array<TPanel*, 7> Swatches() noexcept {
        return {&Panel1, &Panel2, &Panel3, &Panel4, &Panel5, &Panel6, &Panel8};
    }

    bool showFocus_ = false; // a suggested swatch shows its mark also to a mouse user
};

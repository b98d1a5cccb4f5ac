// Colours: a TColor is either a colour value 0x00BBGGRR or, with the top bit set, one of the
// system's colours (its COLOR_ index in the low byte), resolved when it is drawn.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

using TColor = std::uint32_t;

inline constexpr TColor SystemColorFlag = 0x80000000u;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clBtnFace = SystemColorFlag | COLOR_BTNFACE;
inline constexpr TColor clWindowText = SystemColorFlag | COLOR_WINDOWTEXT;

inline constexpr TColor clBtnText = SystemColorFlag | COLOR_BTNTEXT;
inline constexpr TColor clHotLight = SystemColorFlag | COLOR_HOTLIGHT;

inline bool SystemHighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}
// Asks whether a high-contrast theme is on; tests replace it (there is no such theme to turn on
// where they run).
inline bool (*HighContrastOn)() = &SystemHighContrastOn;

// The colour a text designed in `designed` is drawn in. A text in a fixed colour on a system
// face (black on the button face) would vanish on the dark face of a high-contrast theme:
// while one is on, it takes the system's text colour, blue (a link under the mouse) its
// hot-tracking colour.
inline TColor TextColorForScheme(TColor designed) {
    if ((designed & SystemColorFlag) || !HighContrastOn())
        return designed;
    return designed == 0xFF0000 ? clHotLight : clBtnText;
}

inline COLORREF ColorToRGB(TColor color) {
    return (color & SystemColorFlag) ? GetSysColor(static_cast<int>(color & 0xFF))
                                     : static_cast<COLORREF>(color & 0xFFFFFF);
}

struct TFontSpec {
    std::wstring Face = L"MS Sans Serif";
    int Height = 11; // character height in pixels at 96 DPI
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool operator==(const TFontSpec&) const = default;
};

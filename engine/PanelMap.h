// Which physical panel a defect lies on, and where that panel shows it today. Platform-neutral:
// the caller gathers the monitors (engine/Monitors) and places the overlays.
//
// A stuck sub-pixel is a place on one panel. Docking, a new primary monitor or portrait mode move
// the panel within the desktop, so desktop coordinates alone name another pixel afterwards. A
// binding keeps the panel's fingerprint and the pixel's place on it, in the panel's own unrotated
// orientation; placing it against today's monitors gives its desktop coordinates again, or says
// why it cannot be shown.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "engine/ScreenLayout.h"

struct TPanelSize {
    int Width = 0;
    int Height = 0;

    bool Known() const noexcept { return Width > 0 && Height > 0; }
    friend bool operator==(const TPanelSize&, const TPanelSize&) = default;
};

// Quarter turns clockwise of the picture on the panel, as Windows names them: at 90 degrees
// (portrait) the panel's own top edge is the desktop's right edge.
enum class TRotation : std::uint8_t { Deg0, Deg90, Deg180, Deg270 };

enum class TPanelLink : std::uint8_t { Unknown, External, Internal };

// The fingerprint of a panel. Every field may be unknown (zero, empty); fields both sides know
// must agree for two fingerprints to name one panel.
struct TPanelId {
    // The EDID's manufacturer id as the EDID stores it (three letters of five bits, big-endian)
    // and its product code. Zero: the system gave no EDID ids.
    std::uint16_t Manufacturer = 0;
    std::uint16_t Product = 0;
    // The EDID's serial: its serial-number text (hashed) where it has one, else its number.
    std::uint32_t Serial = 0;
    // The panel's native size, unrotated: the EDID's preferred timing or the preferred mode,
    // never the current mode.
    TPanelSize Native;
    TPanelLink Link = TPanelLink::Unknown;
    // The monitor's device interface path (compared without regard to ASCII case). It names the
    // port as much as the panel: a tie-breaker where the EDID ids are the same, and the only
    // identity where the system gives no EDID ids (then the same path at another desktop size
    // is the same panel at another resolution).
    std::u16string DevicePath;

    friend bool operator==(const TPanelId&, const TPanelId&) = default;
};

// One monitor of today's desktop.
struct TMonitorState {
    TPanelId Panel;
    // Physical pixels in virtual-screen coordinates (negative left of or above the primary).
    // Its size is the mode shown, rotated.
    TPixelRect Desktop;
    TRotation Rotation = TRotation::Deg0;
    // DISPLAYCONFIG_SCALING of the display path; 0 where the system does not say.
    std::uint32_t Scaling = 0;
};

// A defect's place on its panel.
struct TPanelBinding {
    TPanelId Panel;
    // In the grid of the mode below, unrotated, from the panel's own top left corner.
    TPixelPoint Pixel;
    // The mode at marking, unrotated, and its scaling: one desktop pixel is the same panel pixel
    // only while the panel shows this mode.
    TPanelSize Mode;
    std::uint32_t Scaling = 0;
    // At marking. Placing needs none (the pixel is kept unrotated); kept to be told.
    TRotation Rotation = TRotation::Deg0;

    friend bool operator==(const TPanelBinding&, const TPanelBinding&) = default;
};

// Fills the manufacturer, product, serial and native size from an EDID's base block. False, and
// `id` untouched, when the bytes are no EDID.
bool ReadEdid(std::span<const std::uint8_t> edid, TPanelId& id);

// The index of the monitor showing `panel`, or -1: none fits, or several fit equally well (two
// identical monitors that nothing tells apart; a cover on the wrong one would paint a healthy
// pixel). A monitor fits when no field both know differs and either the EDID ids or the device
// path agree; the better fit agrees in more fields: EDID ids, serial, native size, device path.
int FindPanel(std::span<const TMonitorState> monitors, const TPanelId& panel);

// Binds the desktop pixel to the monitor under it; nothing when it lies on no monitor.
std::optional<TPanelBinding> BindPixel(std::span<const TMonitorState> monitors, TPixelPoint pixel);

enum class TPlaceStatus : std::uint8_t {
    Shown,
    NotConnected, // no monitor shows the panel
    OtherMode,    // the panel shows another size or scaling than at marking
};

struct TPlacement {
    TPlaceStatus Status = TPlaceStatus::NotConnected;
    TPixelPoint At; // desktop coordinates; only when shown
    friend bool operator==(const TPlacement&, const TPlacement&) = default;
};

// Where the bound pixel is on today's desktop. The exact inverse of BindPixel on an unchanged
// monitor, whatever its rotation.
TPlacement PlaceBinding(std::span<const TMonitorState> monitors, const TPanelBinding& binding);

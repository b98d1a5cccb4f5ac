#include "engine/PanelMap.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace {

// Device paths come from two calls (the display configuration's target name and the display
// device's interface name) that need not agree in case.
bool SamePath(const std::u16string& a, const std::u16string& b) {
    if (a.empty() || a.size() != b.size())
        return false;
    const auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i]))
            return false;
    return true;
}

// How well a monitor's fingerprint fits the wanted one: -1 when a field both know differs, or
// when neither the EDID ids nor the device path say it is the same panel.
int Fit(const TPanelId& wanted, const TPanelId& seen) {
    int fit = 0;
    const bool ids = wanted.Manufacturer != 0 && seen.Manufacturer != 0;
    if (ids) {
        if (wanted.Manufacturer != seen.Manufacturer || wanted.Product != seen.Product)
            return -1;
        fit += 8;
        if (wanted.Serial != 0 && seen.Serial != 0) {
            if (wanted.Serial != seen.Serial)
                return -1;
            fit += 4;
        }
    }
    if (wanted.Native.Known() && seen.Native.Known()) {
        if (wanted.Native != seen.Native)
            return -1;
        fit += 2;
    }
    if (wanted.Link != TPanelLink::Unknown && seen.Link != TPanelLink::Unknown &&
        wanted.Link != seen.Link)
        return -1;
    const bool samePath = SamePath(wanted.DevicePath, seen.DevicePath);
    if (!ids && !samePath)
        return -1;
    return fit + (samePath ? 1 : 0);
}

bool Turned(TRotation r) {
    return r == TRotation::Deg90 || r == TRotation::Deg270;
}

// The mode a monitor shows, unrotated.
TPanelSize ModeOf(const TMonitorState& monitor) {
    const int w = static_cast<int>(monitor.Desktop.Width());
    const int h = static_cast<int>(monitor.Desktop.Height());
    return Turned(monitor.Rotation) ? TPanelSize{h, w} : TPanelSize{w, h};
}

// Panel pixel (unrotated, in a mode of w x h) to its offset from the monitor's top left corner.
// At 90 degrees the panel's top edge is the desktop's right edge: its row py is the desktop's
// column h - 1 - py, and its column px the desktop's row px.
TPixelPoint Rotate(TPixelPoint p, TPanelSize mode, TRotation r) {
    const int w = mode.Width, h = mode.Height;
    switch (r) {
    case TRotation::Deg90:
        return {h - 1 - p.Y, p.X};
    case TRotation::Deg180:
        return {w - 1 - p.X, h - 1 - p.Y};
    case TRotation::Deg270:
        return {p.Y, w - 1 - p.X};
    case TRotation::Deg0:
        break;
    }
    return p;
}

// The inverse of Rotate.
TPixelPoint Unrotate(TPixelPoint d, TPanelSize mode, TRotation r) {
    const int w = mode.Width, h = mode.Height;
    switch (r) {
    case TRotation::Deg90:
        return {d.Y, h - 1 - d.X};
    case TRotation::Deg180:
        return {w - 1 - d.X, h - 1 - d.Y};
    case TRotation::Deg270:
        return {w - 1 - d.Y, d.X};
    case TRotation::Deg0:
        break;
    }
    return d;
}

// A 32-bit FNV-1a hash: the serial text is up to 13 characters, the file keeps 32 bits.
std::uint32_t Hash(std::string_view text) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : text)
        h = (h ^ c) * 16777619u;
    return h;
}

} // namespace

bool ReadEdid(std::span<const std::uint8_t> edid, TPanelId& id) {
    constexpr std::uint8_t header[8] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    if (edid.size() < 128 || !std::equal(header, header + 8, edid.begin()))
        return false;
    const auto at = [&](std::size_t i) { return static_cast<unsigned>(edid[i]); };
    id.Manufacturer = static_cast<std::uint16_t>(at(8) << 8 | at(9));
    id.Product = static_cast<std::uint16_t>(at(10) | at(11) << 8);
    id.Serial = at(12) | at(13) << 8 | at(14) << 16 | std::uint32_t{at(15)} << 24;
    id.Native = {};
    // Four 18-byte descriptors. The first timing one is the preferred mode; a display descriptor
    // of tag 0xFF holds the serial-number text, which tells monitors apart where many models
    // leave the number 0 or the same for all.
    for (std::size_t d = 54; d < 126; d += 18) {
        if (at(d) != 0 || at(d + 1) != 0) {
            if (id.Native.Known())
                continue;
            const int width = static_cast<int>(at(d + 2) | (at(d + 4) & 0xF0) << 4);
            int height = static_cast<int>(at(d + 5) | (at(d + 7) & 0xF0) << 4);
            if (at(d + 17) & 0x80)
                height *= 2; // interlaced: the timing counts the lines of one field
            id.Native = {width, height};
        } else if (at(d + 3) == 0xFF) {
            std::string_view text(reinterpret_cast<const char*>(&edid[d + 5]), 13);
            text = text.substr(0, text.find('\n'));
            text = text.substr(0, text.find_last_not_of(' ') + 1);
            if (!text.empty())
                id.Serial = Hash(text);
        }
    }
    return true;
}

int FindPanel(std::span<const TMonitorState> monitors, const TPanelId& panel) {
    int best = -1, bestFit = -1;
    bool tie = false;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const int fit = Fit(panel, monitors[i].Panel);
        if (fit > bestFit) {
            best = static_cast<int>(i);
            bestFit = fit;
            tie = false;
        } else if (fit == bestFit && fit >= 0) {
            tie = true;
        }
    }
    return tie ? -1 : best;
}

std::optional<TPanelBinding> BindPixel(std::span<const TMonitorState> monitors, TPixelPoint pixel) {
    for (const TMonitorState& monitor : monitors) {
        if (!monitor.Desktop.Contains(pixel.X, pixel.Y))
            continue;
        const TPanelSize mode = ModeOf(monitor);
        const TPixelPoint offset{pixel.X - monitor.Desktop.Left, pixel.Y - monitor.Desktop.Top};
        return TPanelBinding{monitor.Panel, Unrotate(offset, mode, monitor.Rotation), mode,
                             monitor.Scaling, monitor.Rotation};
    }
    return std::nullopt;
}

TPlacement PlaceBinding(std::span<const TMonitorState> monitors, const TPanelBinding& binding) {
    const int index = FindPanel(monitors, binding.Panel);
    if (index < 0)
        return {TPlaceStatus::NotConnected, {}};
    const TMonitorState& monitor = monitors[static_cast<std::size_t>(index)];
    const TPanelSize mode = ModeOf(monitor);
    // At the panel's native size every scaling shows one desktop pixel on one panel pixel; below
    // it, stretched and centred pictures put a desktop pixel on different panel pixels.
    const bool native = monitor.Panel.Native.Known() && mode == monitor.Panel.Native;
    const bool sameScaling = binding.Scaling == 0 || monitor.Scaling == 0 ||
                             binding.Scaling == monitor.Scaling || native;
    const TPixelPoint p = binding.Pixel;
    if (mode != binding.Mode || !sameScaling || p.X < 0 || p.Y < 0 || p.X >= mode.Width ||
        p.Y >= mode.Height)
        return {TPlaceStatus::OtherMode, {}};
    const TPixelPoint offset = Rotate(p, mode, monitor.Rotation);
    return {TPlaceStatus::Shown, {monitor.Desktop.Left + offset.X, monitor.Desktop.Top + offset.Y}};
}

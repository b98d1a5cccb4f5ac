// Today's monitors as the panel map (engine/PanelMap) takes them: which panel each one is, where
// the desktop has it, and how it shows its picture.
#pragma once

#include <vector>

#include "engine/PanelMap.h"

// Every monitor of the desktop, in the system's order. Rectangles are in the calling thread's
// DPI awareness: physical pixels in the program, which is per-monitor aware. Takes a few
// milliseconds (it reads the registry): for start-up and display changes, not for ticks.
//
// The fingerprint comes from the display configuration (the display path whose source is the
// monitor's GDI device, its target's name and preferred mode) and from the EDID in the
// monitor's device key. Where the system gives less (Wine, a remote session), what it gives:
// the device path of the monitor interface and the rotation of the current display settings.
// Never the GDI device name (\\.\DISPLAYn), an adapter LUID or the desktop position, which
// change between boots and docks.
std::vector<TMonitorState> ReadMonitors();

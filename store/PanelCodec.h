// Glimmora.panels: where each defect lies on its panel. Platform-neutral.
//
// Glimmora.pix stays as it always was (earlier versions read ours, we read theirs); the bindings
// live beside it in this file, written in the same command. Text, one record a line after the
// first; a line ends in CR LF (LF alone is read too):
//
//   Glimmora.panels 1
//   0 300 200 17 1D8D 0A51 4A31574C 1920x1080 external 300,200 1920x1080 1 0 \\?\DISPLAY#...
//
// A record: the entry it binds as the list has it (index, X, Y, flags), then the panel (EDID
// manufacturer and product in hex, the serial in hex, the native size, "internal", "external"
// or "-"), then the pixel on the panel, the mode and scaling at marking, the rotation in
// degrees, and last the device path: every UTF-16 unit outside '!' to '~', and '%' itself, as
// '%' and four hex digits; "-" for none. Unknown numbers are 0; an unknown size is 0x0.
// A file of another version is not read: a later program that changes a record raises it.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/PanelMap.h"
#include "store/DefectList.h"

// The file for the list's entries; bindings[i] belongs to list[i]. Entries without a binding (or
// beyond `bindings`) get no record.
std::string EncodePanels(const TDefectList& list,
                         std::span<const std::optional<TPanelBinding>> bindings);

// One binding or none for each entry of the list, never an error: what cannot be read binds
// nothing. A record binds the entry at its index while that entry still has the record's X, Y
// and flags; else the first unbound entry that has them (an earlier version of the program,
// which keeps no bindings, may have deleted one before it). Records of entries that are not in
// the list are dropped.
std::vector<std::optional<TPanelBinding>> DecodePanels(std::string_view text,
                                                       const TDefectList& list);

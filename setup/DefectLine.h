// The setup window's text for one defect. Platform-neutral.
#pragma once

#include <string>

#include "engine/PanelMap.h"
#include "store/DefectList.h"

// "<index + 1>.Pixel:  <X> x <Y> " followed by the stuck channels, red, green, blue, each named
// on when its on bit is set, else off when its off bit is set, e.g.
// "1.Pixel:  640 x 480 rot=an  grün=aus ".
std::wstring DefectLine(int index, const TDefectPixel& defect);

// What follows the line of a defect that is not concealed because of its screen: its panel is
// not connected, or shows another resolution. Nothing for a defect that is shown.
std::wstring PlacementNote(TPlaceStatus status);

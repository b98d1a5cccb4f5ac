#include "setup/DefectLine.h"

namespace {

struct TChannelWords {
    std::uint8_t onBit;
    std::uint8_t offBit;
    const wchar_t* on;
    const wchar_t* off;
};

// The blanks differ on purpose: red is followed by two, green and blue by one.
constexpr TChannelWords Channels[] = {
    {RedOn, RedOff, L"rot=an  ", L"rot=aus  "},
    {GreenOn, GreenOff, L"grün=an ", L"grün=aus "},
    {BlueOn, BlueOff, L"blau=an ", L"blau=aus "},
};

} // namespace

std::wstring DefectLine(int index, const TDefectPixel& defect) {
    std::wstring line = std::to_wstring(index + 1) + L".Pixel:  " + std::to_wstring(defect.X) +
                        L" x " + std::to_wstring(defect.Y) + L" ";
    for (const TChannelWords& channel : Channels) {
        // A channel marked both ways is named by its on bit.
        if (defect.Flags & channel.onBit)
            line += channel.on;
        else if (defect.Flags & channel.offBit)
            line += channel.off;
    }
    return line;
}

std::wstring PlacementNote(TPlaceStatus status) {
    switch (status) {
    case TPlaceStatus::NotConnected:
        return L" (Bildschirm nicht angeschlossen)";
    case TPlaceStatus::OtherMode:
        return L" (andere Auflösung)";
    default:
        return {};
    }
}

// Decodes arbitrary text as a panel file and checks what must hold for any input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store/PanelCodec.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// The entries the seed files bind, so that mutations of them reach the matching of records.
TDefectList SeedList() {
    const TDefectPixel entries[] = {{300, 200, 0x11}, {-5, 7, 0x04}, {1023, 767, 0}, {0, 0, 0xC0}};
    TDefectList list;
    for (const TDefectPixel& e : entries)
        list[AppendDefect(list, e.X, e.Y)].Flags = e.Flags;
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TDefectList list = SeedList();
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto bound = DecodePanels(text, list);
    Check(bound.size() == static_cast<std::size_t>(list.Count()));
    for (const auto& b : bound) {
        if (!b)
            continue;
        // What placing relies on: the pixel lies in its mode.
        Check(b->Mode.Known() && b->Pixel.X >= 0 && b->Pixel.Y >= 0 && b->Pixel.X < b->Mode.Width &&
              b->Pixel.Y < b->Mode.Height);
        Check(b->Panel.Native.Known() || b->Panel.Native == TPanelSize{});
    }

    // What was read is written so that it reads back the same, and writing it again changes
    // nothing.
    const std::string written = EncodePanels(list, bound);
    Check(DecodePanels(written, list) == bound);
    Check(EncodePanels(list, DecodePanels(written, list)) == written);
    return 0;
}

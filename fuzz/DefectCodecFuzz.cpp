// Decodes arbitrary bytes as a defect file and checks what must hold for any input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "store/DefectCodec.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// A second way to read a little-endian two's complement number: by arithmetic, not by shifts.
std::int64_t ReferenceInt32(const std::uint8_t* bytes) {
    const std::int64_t unsignedValue =
        bytes[0] + 256 * (bytes[1] + 256 * (bytes[2] + 256 * std::int64_t{bytes[3]}));
    return unsignedValue >= 0x80000000LL ? unsignedValue - 0x100000000LL : unsignedValue;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t wholeRecords = size / DefectRecordSize;
    const int expected = static_cast<int>(wholeRecords < MaxDefects ? wholeRecords : MaxDefects);

    TDefectList list;
    Check(DecodeDefects(data, size, list) == expected);
    Check(list.Count() == expected && list.Count() <= MaxDefects);

    for (int i = 0; i < list.Count(); ++i) {
        const std::uint8_t* record = data + static_cast<std::size_t>(i) * DefectRecordSize;
        const TDefectPixel entry = list[i];
        Check(entry.X == ReferenceInt32(record));
        Check(entry.Y == ReferenceInt32(record + 4));
        Check(entry.Flags == record[8]);
        const int found = FindDefect(list, entry.X, entry.Y);
        Check(found >= 0 && found <= i);
    }

    // Saving what was loaded reproduces the bytes it came from.
    const DefectFileImage image = EncodeDefects(list);
    Check(image.Size == static_cast<std::size_t>(expected) * DefectRecordSize);
    Check(image.Size == 0 || std::memcmp(image.Bytes.data(), data, image.Size) == 0);

    // Loading into a list that already holds entries only fills the room that is left.
    if (list.Count() > 0) {
        DeleteDefect(list, list.Count() / 2);
        const std::size_t room = static_cast<std::size_t>(MaxDefects - list.Count());
        const int appended = DecodeDefects(data, size, list);
        Check(appended == static_cast<int>(wholeRecords < room ? wholeRecords : room));
        Check(list.Count() <= MaxDefects);
    }
    return 0;
}

#include "store/DefectCodec.h"

namespace {

// Byte by byte, so the file is the same whatever the host's byte order, and the packed
// (unaligned) fields are only ever read and written whole.
void PutInt32(std::int32_t value, std::uint8_t* out) {
    const auto bits = static_cast<std::uint32_t>(value);
    out[0] = static_cast<std::uint8_t>(bits);
    out[1] = static_cast<std::uint8_t>(bits >> 8);
    out[2] = static_cast<std::uint8_t>(bits >> 16);
    out[3] = static_cast<std::uint8_t>(bits >> 24);
}

std::int32_t GetInt32(const std::uint8_t* in) {
    const std::uint32_t bits =
        static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
        static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
    // Two's complement: the conversion is modular since C++20.
    return static_cast<std::int32_t>(bits);
}

} // namespace

void EncodeDefect(const TDefectPixel& defect, std::uint8_t* record) {
    PutInt32(defect.X, record);
    PutInt32(defect.Y, record + 4);
    record[8] = defect.Flags;
}

TDefectPixel DecodeDefect(const std::uint8_t* record) {
    return TDefectPixel{GetInt32(record), GetInt32(record + 4), record[8]};
}

DefectFileImage EncodeDefects(const TDefectList& list) {
    DefectFileImage image;
    for (const TDefectPixel& defect : list) {
        EncodeDefect(defect, image.Bytes.data() + image.Size);
        image.Size += DefectRecordSize;
    }
    return image;
}

int DecodeDefects(const std::uint8_t* bytes, std::size_t size, TDefectList& list) {
    int appended = 0;
    for (std::size_t offset = 0; offset + DefectRecordSize <= size && !list.Full();
         offset += DefectRecordSize) {
        const TDefectPixel defect = DecodeDefect(bytes + offset);
        const int index = AppendDefect(list, defect.X, defect.Y);
        list[index].Flags = defect.Flags;
        ++appended;
    }
    return appended;
}

// The defect file's bytes: a headerless run of 9-byte records in list order. Platform-neutral.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "store/DefectList.h"

inline constexpr std::size_t DefectRecordSize = 9;
inline constexpr std::size_t MaxDefectFileBytes = DefectRecordSize * MaxDefects;

// Record k as it stands at byte offset 9 * k: X and Y little-endian two's complement, then Flags.
void EncodeDefect(const TDefectPixel& defect, std::uint8_t* record);
TDefectPixel DecodeDefect(const std::uint8_t* record);

// The whole file image of a list: 9 * Count() bytes.
struct DefectFileImage {
    std::array<std::uint8_t, MaxDefectFileBytes> Bytes{};
    std::size_t Size = 0;
};
DefectFileImage EncodeDefects(const TDefectList& list);

// Appends every whole record of `bytes` to `list` until the list is full. A trailing partial
// record and the records beyond the list's capacity are ignored. Returns how many were appended.
int DecodeDefects(const std::uint8_t* bytes, std::size_t size, TDefectList& list);

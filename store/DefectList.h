// One stuck pixel and the list of all of them. Platform-neutral.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int MaxDefects = 25;

// Flag bits of TDefectPixel::Flags. Bits 6 and 7 are never set by the program and ignored by
// every reader, but carried through the file unchanged.
enum DefectFlag : std::uint8_t {
    RedOn = 0x01,
    GreenOn = 0x02,
    BlueOn = 0x04,
    RedOff = 0x08,
    GreenOff = 0x10,
    BlueOff = 0x20,
};

// The in-memory entry and the file record are the same 9 bytes, without padding.
// Never take the address of X or Y: they are not aligned.
#pragma pack(push, 1)
struct TDefectPixel {
    std::int32_t X;
    std::int32_t Y;
    std::uint8_t Flags;
};
#pragma pack(pop)
static_assert(sizeof(TDefectPixel) == 9, "a defect record is 9 bytes without padding");

// The ordered list of defects. Its capacity is fixed at MaxDefects, the number of overlay
// windows, so it can never grow past what the rest of the program can pair up, and changing
// it never allocates.
class TDefectList {
public:
    int Count() const noexcept { return count_; }
    bool Empty() const noexcept { return count_ == 0; }
    bool Full() const noexcept { return count_ >= MaxDefects; }

    // Index 0 to Count() - 1; anything else is a programming error.
    TDefectPixel& operator[](int index);
    const TDefectPixel& operator[](int index) const;

    const TDefectPixel* begin() const noexcept { return items_.data(); }
    const TDefectPixel* end() const noexcept { return items_.data() + count_; }

private:
    friend int AppendDefect(TDefectList& list, std::int32_t x, std::int32_t y);
    friend void DeleteDefect(TDefectList& list, int index);
    friend void ClearDefects(TDefectList& list);

    std::array<TDefectPixel, MaxDefects> items_{};
    int count_ = 0;
};

// Adds an entry at the end with the given coordinates and Flags 0; returns its index (the old
// count). The caller checks Full() first; appending to a full list raises an error.
int AppendDefect(TDefectList& list, std::int32_t x, std::int32_t y);

// The index of the first entry with exactly these coordinates, or -1.
int FindDefect(const TDefectList& list, std::int32_t x, std::int32_t y);

// Removes entry `index`; the entries behind it move down by one, keeping their order.
void DeleteDefect(TDefectList& list, int index);

void ClearDefects(TDefectList& list);

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "store/DefectCodec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Entry {
    std::int32_t x, y;
    std::uint8_t flags;
    bool operator==(const Entry&) const = default;
};

std::vector<Entry> Entries(const TDefectList& list) {
    std::vector<Entry> out;
    for (const TDefectPixel& d : list)
        out.push_back({d.X, d.Y, d.Flags});
    return out;
}

TDefectList MakeList(const std::vector<Entry>& entries) {
    TDefectList list;
    for (const Entry& e : entries)
        list[AppendDefect(list, e.x, e.y)].Flags = e.flags;
    return list;
}

Bytes Encoded(const TDefectList& list) {
    const DefectFileImage image = EncodeDefects(list);
    return Bytes(image.Bytes.begin(),
                 image.Bytes.begin() + static_cast<std::ptrdiff_t>(image.Size));
}

// Record k of a made-up file: different bytes at every offset, so a record read from the
// wrong place shows.
Bytes NumberedRecords(int count, int extraBytes = 0) {
    Bytes bytes;
    for (int k = 0; k < count; ++k)
        bytes.insert(bytes.end(),
                     {static_cast<std::uint8_t>(k), 0, 0, 0, static_cast<std::uint8_t>(k + 1), 0, 0,
                      0x80, static_cast<std::uint8_t>(k | 0xC0)});
    bytes.insert(bytes.end(), static_cast<std::size_t>(extraBytes), std::uint8_t{0xEE});
    return bytes;
}

Entry NumberedEntry(int k) {
    return {k, std::numeric_limits<std::int32_t>::min() + k + 1,
            static_cast<std::uint8_t>(k | 0xC0)};
}

constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();

} // namespace

TEST(DefectCodec, WorkedExampleBothWays) {
    const Bytes file{0x64, 0x00, 0x00, 0x00, 0xC8, 0x00, 0x00, 0x00, 0x11,
                     0xFF, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20};
    const std::vector<Entry> entries{{100, 200, 0x11}, {1023, 0, 0x20}};

    EXPECT_EQ(Encoded(MakeList(entries)), file);

    TDefectList list;
    EXPECT_EQ(DecodeDefects(file.data(), file.size(), list), 2);
    EXPECT_EQ(Entries(list), entries);
}

TEST(DefectCodec, OneRecordBothWays) {
    struct Case {
        Entry entry;
        Bytes record;
    } cases[] = {
        {{0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{-1, -2, 0x01}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x01}},
        {{Min, Max, 0x3F}, {0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x7F, 0x3F}},
        {{0x12345678, -0x12345678, 0x09}, {0x78, 0x56, 0x34, 0x12, 0x88, 0xA9, 0xCB, 0xED, 0x09}},
        {{-1920, 255, 0x40}, {0x80, 0xF8, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x40}},
        {{256, 65536, 0x80}, {0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x80}},
        {{16777216, Min + 1, 0xFF}, {0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x80, 0xFF}},
        {{7, 7, 0xC7}, {0x07, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0xC7}},
    };
    for (const Case& c : cases) {
        std::uint8_t record[DefectRecordSize];
        EncodeDefect(TDefectPixel{c.entry.x, c.entry.y, c.entry.flags}, record);
        EXPECT_EQ(Bytes(record, record + DefectRecordSize), c.record) << c.entry.x;

        const TDefectPixel decoded = DecodeDefect(c.record.data());
        EXPECT_EQ((Entry{decoded.X, decoded.Y, decoded.Flags}), c.entry) << c.entry.x;
    }
}

TEST(DecodeDefects, WholeRecordsOnlyAndAtMostTwentyFive) {
    struct Case {
        int records, extraBytes, expected;
    } cases[] = {
        {0, 0, 0},   {0, 1, 0},   {0, 8, 0},   {1, 0, 1},   {1, 8, 1},   {2, 2, 2},
        {24, 8, 24}, {25, 0, 25}, {25, 8, 25}, {26, 0, 25}, {30, 4, 25}, {100, 0, 25},
    };
    for (const Case& c : cases) {
        const Bytes file = NumberedRecords(c.records, c.extraBytes);
        TDefectList list;
        EXPECT_EQ(DecodeDefects(file.data(), file.size(), list), c.expected) << file.size();
        ASSERT_EQ(list.Count(), c.expected) << file.size();
        for (int k = 0; k < c.expected; ++k)
            EXPECT_EQ(Entries(list)[static_cast<std::size_t>(k)], NumberedEntry(k)) << k;
    }
}

TEST(DecodeDefects, AppendsBehindExistingEntriesUntilFull) {
    const Bytes file = NumberedRecords(10);
    TDefectList list = MakeList({{-1, -1, 0x3F}});
    for (int i = 1; i < 20; ++i)
        AppendDefect(list, -1, -i);

    EXPECT_EQ(DecodeDefects(file.data(), file.size(), list), 5);
    ASSERT_TRUE(list.Full());
    EXPECT_EQ(Entries(list)[0], (Entry{-1, -1, 0x3F}));
    EXPECT_EQ(Entries(list)[19], (Entry{-1, -19, 0}));
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(Entries(list)[static_cast<std::size_t>(20 + k)], NumberedEntry(k));

    EXPECT_EQ(DecodeDefects(file.data(), file.size(), list), 0);
    EXPECT_EQ(DecodeDefects(nullptr, 0, list), 0);
}

TEST(EncodeDefects, ListSizesRoundTrip) {
    for (int count : {0, 1, 24, 25}) {
        const Bytes file = NumberedRecords(count);
        TDefectList list;
        DecodeDefects(file.data(), file.size(), list);
        EXPECT_EQ(Encoded(list), file) << count;
    }
}

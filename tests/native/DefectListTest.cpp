#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "store/DefectList.h"
#include "ui/Exceptions.h"

namespace {

struct Entry {
    std::int32_t x, y;
    std::uint8_t flags;
    bool operator==(const Entry&) const = default;
};

TDefectList MakeList(const std::vector<Entry>& entries) {
    TDefectList list;
    for (const Entry& e : entries)
        list[AppendDefect(list, e.x, e.y)].Flags = e.flags;
    return list;
}

std::vector<Entry> Entries(const TDefectList& list) {
    std::vector<Entry> out;
    for (const TDefectPixel& d : list)
        out.push_back({d.X, d.Y, d.Flags});
    return out;
}

constexpr std::int32_t Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max = std::numeric_limits<std::int32_t>::max();

const Entry A{100, 200, 0x11}, B{1023, 0, 0x20}, C{-5, 7, 0x3F};

} // namespace

TEST(AppendDefect, AddsAtTheEndWithFlagsZero) {
    TDefectList list;
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(AppendDefect(list, 100, 200), 0);
    list[0].Flags = 0x11;
    EXPECT_EQ(AppendDefect(list, Min, Max), 1);
    EXPECT_EQ(AppendDefect(list, -1, 0), 2);
    EXPECT_EQ(Entries(list), (std::vector<Entry>{{100, 200, 0x11}, {Min, Max, 0}, {-1, 0, 0}}));
}

TEST(AppendDefect, ReusedSlotStartsClean) {
    // Slots freed by delete or clear still hold the old bytes; a new entry must not see them.
    TDefectList list = MakeList({A, B, C});
    DeleteDefect(list, 2);
    EXPECT_EQ(AppendDefect(list, 1, 2), 2);
    EXPECT_EQ(Entries(list)[2], (Entry{1, 2, 0}));
    ClearDefects(list);
    EXPECT_EQ(AppendDefect(list, 3, 4), 0);
    EXPECT_EQ(Entries(list), (std::vector<Entry>{{3, 4, 0}}));
}

TEST(AppendDefect, FullListThrowsAndStaysIntact) {
    TDefectList list;
    for (int i = 0; i < MaxDefects; ++i) {
        EXPECT_FALSE(list.Full());
        EXPECT_EQ(AppendDefect(list, i, -i), i);
    }
    EXPECT_TRUE(list.Full());
    EXPECT_THROW(AppendDefect(list, 99, 99), Exception);
    ASSERT_EQ(list.Count(), MaxDefects);
    for (int i = 0; i < MaxDefects; ++i)
        EXPECT_EQ(Entries(list)[i], (Entry{i, -i, 0}));
}

TEST(FindDefect, FirstExactMatchOrMinusOne) {
    const TDefectList list = MakeList({A, {5, 5, 1}, {-7, Min, 0}, {5, 5, 2}, {Max, -1, 0}});
    struct Case {
        std::int32_t x, y;
        int expected;
    } cases[] = {
        {100, 200, 0},  {5, 5, 1},    // duplicates: the lower index wins
        {-7, Min, 2},   {Max, -1, 4}, //
        {200, 100, -1}, {100, 201, -1}, {5, 6, -1}, {-1, Max, -1}, {Min, -7, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindDefect(list, c.x, c.y), c.expected) << c.x << ", " << c.y;
    EXPECT_EQ(FindDefect(TDefectList{}, 0, 0), -1);
}

TEST(DeleteDefect, LaterEntriesMoveDownInOrder) {
    struct Case {
        std::vector<Entry> before;
        int index;
        std::vector<Entry> after;
    } cases[] = {
        {{A, B, C}, 0, {B, C}}, {{A, B, C}, 1, {A, C}}, {{A, B, C}, 2, {A, B}},
        {{A}, 0, {}},           {{A, A, B}, 0, {A, B}}, {{A, B, A}, 2, {A, B}},
    };
    for (const Case& c : cases) {
        TDefectList list = MakeList(c.before);
        DeleteDefect(list, c.index);
        EXPECT_EQ(Entries(list), c.after) << "index " << c.index;
    }
}

TEST(DeleteDefect, FromAFullListLeavesRoomForOne) {
    TDefectList list;
    for (int i = 0; i < MaxDefects; ++i)
        AppendDefect(list, i, i);
    DeleteDefect(list, 0);
    EXPECT_EQ(Entries(list).front(), (Entry{1, 1, 0}));
    EXPECT_EQ(Entries(list).back(), (Entry{MaxDefects - 1, MaxDefects - 1, 0}));
    EXPECT_EQ(AppendDefect(list, 77, 77), MaxDefects - 1);
    EXPECT_TRUE(list.Full());
}

TEST(DefectList, BadIndexThrowsAndChangesNothing) {
    TDefectList list = MakeList({A, B});
    const TDefectList& constList = list;
    for (int index : {-1, 2, 3, MaxDefects, Min, Max}) {
        EXPECT_THROW(list[index], Exception) << index;
        EXPECT_THROW(constList[index], Exception) << index;
        EXPECT_THROW(DeleteDefect(list, index), Exception) << index;
    }
    EXPECT_EQ(Entries(list), (std::vector<Entry>{A, B}));
    ClearDefects(list);
    EXPECT_TRUE(list.Empty());
    EXPECT_THROW(list[0], Exception);
    EXPECT_THROW(DeleteDefect(list, 0), Exception);
}

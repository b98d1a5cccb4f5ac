#include <gtest/gtest.h>

#include "setup/DefectLine.h"
#include "ui/Exceptions.h"

TEST(DefectLine, NamesEachStuckChannelOnFirstThenOff) {
    struct Case {
        int index;
        TDefectPixel defect;
        const wchar_t* line;
    } cases[] = {
        {0, {640, 480, RedOn | GreenOff}, L"1.Pixel:  640 x 480 rot=an  grün=aus "},
        {0, {100, 200, 0x11}, L"1.Pixel:  100 x 200 rot=an  grün=aus "},
        {1, {1023, 0, BlueOff}, L"2.Pixel:  1023 x 0 blau=aus "},
        {0, {200, 150, RedOn | RedOff}, L"1.Pixel:  200 x 150 rot=an  "}, // on wins
        {4, {5, 6, 0}, L"5.Pixel:  5 x 6 "},                              // no channel words
        {0, {1, 2, 0x07}, L"1.Pixel:  1 x 2 rot=an  grün=an blau=an "},
        {0, {1, 2, 0x38}, L"1.Pixel:  1 x 2 rot=aus  grün=aus blau=aus "},
        {0, {1, 2, 0x3F}, L"1.Pixel:  1 x 2 rot=an  grün=an blau=an "},
        {0, {1, 2, GreenOn | GreenOff | BlueOff}, L"1.Pixel:  1 x 2 grün=an blau=aus "},
        {0, {1, 2, 0xC0}, L"1.Pixel:  1 x 2 "}, // bits 6, 7 ignored
        {24, {-3, -2147483647 - 1, RedOff}, L"25.Pixel:  -3 x -2147483648 rot=aus  "},
        {9, {2147483647, 0, BlueOn}, L"10.Pixel:  2147483647 x 0 blau=an "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DefectLine(c.index, c.defect), c.line) << ToUtf8(c.line);
}

// The flash colours, the flash area and the repair window's texts.
#include <gtest/gtest.h>

#include <climits>

#include "repair/RepairLogic.h"

TEST(RepairLogic, FlashesBlackWhiteRedGreenBlueOverAndOver) {
    // 0x00BBGGRR, written out as the channels they drive.
    const std::uint32_t expected[] = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00,
                                      0xFF0000, 0x000000, 0xFFFFFF};
    for (std::uint64_t step = 0; step < std::size(expected); ++step)
        EXPECT_EQ(FlashColor(step), expected[step]) << "step " << step;
    EXPECT_EQ(FlashColor(5ULL * 1000000007ULL + 3), 0x00FF00u);
}

TEST(RepairLogic, TheFlashAreaIsFiveByFiveAroundThePixelCutToItsMonitor) {
    const TPixelRect primary{0, 0, 1024, 768};
    const TPixelRect leftOfPrimary{-800, 84, 0, 684};
    const TPixelRect farCorner{INT_MAX - 10, INT_MIN, INT_MAX, INT_MIN + 10};
    struct Case {
        TPixelPoint pixel;
        TPixelRect monitor, area;
    } cases[] = {
        {{500, 400}, primary, {498, 398, 503, 403}},
        {{0, 0}, primary, {0, 0, 3, 3}},
        {{1, 766}, primary, {0, 764, 4, 768}},
        {{1023, 767}, primary, {1021, 765, 1024, 768}},
        {{-1, 100}, leftOfPrimary, {-3, 98, 0, 103}},
        {{-800, 84}, leftOfPrimary, {-800, 84, -797, 87}},
        {{-400, 683}, leftOfPrimary, {-402, 681, -397, 684}},
        {{INT_MAX - 1, INT_MIN}, farCorner, {INT_MAX - 3, INT_MIN, INT_MAX, INT_MIN + 3}},
        {{1024, 400}, primary, {}}, // the pixel is not on this monitor
        {{-1, 83}, leftOfPrimary, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FlashArea(c.pixel, c.monitor), c.area) << c.pixel.X << "," << c.pixel.Y;
}

TEST(RepairLogic, TheTimeLeftIsShownInMinutesAndSecondsRoundedUp) {
    struct Case {
        std::uint64_t ms;
        const wchar_t* text;
    } cases[] = {
        {3600000, L"Noch 60:00"}, {1800000, L"Noch 30:00"}, {1752000, L"Noch 29:12"},
        {1751001, L"Noch 29:12"}, {1751000, L"Noch 29:11"}, {605000, L"Noch 10:05"},
        {60000, L"Noch 1:00"},    {59999, L"Noch 1:00"},    {1, L"Noch 0:01"},
        {0, L"Noch 0:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RemainingText(c.ms), c.text) << c.ms;
}

TEST(RepairLogic, TheTargetIsOnePixelByNumberAndPlaceOrAllOfThem) {
    TDefectList three, one;
    AppendDefect(three, 640, 480);
    AppendDefect(three, -5, 7);
    AppendDefect(three, 0, 0);
    AppendDefect(one, 12, 34);
    EXPECT_EQ(RepairTargetText(three, 0), L"Pixel 1 bei 640 x 480");
    EXPECT_EQ(RepairTargetText(three, 1), L"Pixel 2 bei -5 x 7");
    EXPECT_EQ(RepairTargetText(three, -1), L"Alle 3 Pixel");
    EXPECT_EQ(RepairTargetText(one, -1), L"Pixel 1 bei 12 x 34") << "not \"Alle 1 Pixel\"";
}

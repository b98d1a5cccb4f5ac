#include <gtest/gtest.h>

#include "engine/ColorSolver.h"
#include "store/DefectList.h"

#include <array>
#include <cstdio>
#include <ostream>
#include <string>

void PrintTo(const TRgb& c, std::ostream* os) {
    *os << '(' << int{c.R} << ", " << int{c.G} << ", " << int{c.B} << ')';
}

namespace {

std::string Describe(TRgb c, unsigned flags) {
    char text[48];
    std::snprintf(text, sizeof text, "(%d, %d, %d) flags 0x%02X", c.R, c.G, c.B, flags);
    return text;
}

} // namespace

TEST(SplitColor, LowByteIsRedAndTopByteIsIgnored) {
    struct Case {
        std::uint32_t color;
        TRgb rgb;
    } cases[] = {
        {0x000000, {0, 0, 0}},         {0xFFFFFF, {255, 255, 255}},
        {0x0000FF, {255, 0, 0}},       {0x00FF00, {0, 255, 0}},
        {0xFF0000, {0, 0, 255}},       {0x12345678, {0x78, 0x56, 0x34}},
        {0xFFFFFFFF, {255, 255, 255}}, // the screen's "outside" value reads as white
        {0xFF000000, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitColor(c.color), c.rgb) << std::hex << c.color;
        EXPECT_EQ(ColorValue(c.rgb), c.color & 0xFFFFFF) << std::hex << c.color;
    }
}

TEST(AverageNeighbours, SumsEachChannelAndDropsTheRemainder) {
    constexpr std::uint32_t white = 0xFFFFFF;
    constexpr std::uint32_t outside = 0xFFFFFFFF;
    struct Case {
        const char* name;
        std::array<std::uint32_t, 8> colors;
        TRgb average;
    } cases[] = {
        {"all black", {}, {0, 0, 0}},
        {"all white", {white, white, white, white, white, white, white, white}, {255, 255, 255}},
        // Top-left corner of a screen: five neighbours off the screen, three black ones.
        {"corner", {outside, outside, outside, outside, 0, outside, 0, 0}, {159, 159, 159}},
        {"one dim neighbour", {0, 0, 0, 0x070707, 0, 0, 0, 0}, {0, 0, 0}},
        {"remainder 7 of 8",
         {0, 0x010101, 0x010101, 0x010101, 0x010101, 0x010101, 0x010101, 0x010101},
         {0, 0, 0}},
        {"exactly 8", {1, 1, 1, 1, 1, 1, 1, 1}, {1, 0, 0}},
        // Channels must not carry into each other: red sums to 2040, green to 8, blue to 15.
        {"channels apart",
         {0x0101FF, 0x0101FF, 0x0101FF, 0x0101FF, 0x0101FF, 0x0101FF, 0x0101FF, 0x0801FF},
         {255, 1, 1}},
        {"mixed",
         {0x0000FF, 0x00FF00, 0xFF0000, 0x102030, 0x405060, 0x708090, 0xA0B0C0, 0},
         {91, 83, 75}}, // 735 / 8, 671 / 8, 607 / 8
        {"top bytes ignored",
         {0xAB000000, 0xAB000000, 0xAB000000, 0xAB000000, 0xAB000000, 0xAB000000, 0xAB000000,
          0xAB000000},
         {0, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AverageNeighbours(c.colors), c.average) << c.name;
}

// Known values of the 80-bit computation, including inputs whose decimal result is exactly a
// half and which double precision rounds differently. The exhaustive comparison with the
// floating-point unit itself is in LumaExhaustiveTest.
TEST(Luma, ReferenceValues) {
    struct Case {
        TRgb rgb;
        int luma;
    } cases[] = {
        {{0, 0, 0}, 0},       {{255, 255, 255}, 255}, {{255, 0, 0}, 76},  {{0, 255, 0}, 150},
        {{0, 0, 255}, 29},    {{128, 128, 128}, 128}, {{10, 20, 30}, 18}, {{200, 100, 50}, 124},
        {{0, 0, 250}, 28},    // exactly 28.5: ties to even
        {{0, 36, 12}, 23},    // just above 22.5
        {{1, 123, 0}, 73},    // just above 72.5
        {{52, 16, 40}, 29},   // just below 29.5
        {{255, 74, 74}, 128}, // from the search examples below
        {{255, 75, 75}, 129},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Luma(c.rgb.R, c.rgb.G, c.rgb.B), c.luma) << testing::PrintToString(c.rgb);
        EXPECT_EQ(Luma(c.rgb), c.luma) << testing::PrintToString(c.rgb);
    }
}

TEST(ForceStuck, OffBeatsOnAndHighBitsAreIgnored) {
    constexpr TRgb mid{100, 150, 200};
    struct Case {
        unsigned flags;
        TRgb forced;
    } cases[] = {
        {0x00, {100, 150, 200}},
        {RedOn, {255, 150, 200}},
        {GreenOn, {100, 255, 200}},
        {BlueOn, {100, 150, 255}},
        {RedOff, {0, 150, 200}},
        {GreenOff, {100, 0, 200}},
        {BlueOff, {100, 150, 0}},
        {RedOn | RedOff, {0, 150, 200}},
        {GreenOn | GreenOff, {100, 0, 200}},
        {BlueOn | BlueOff, {100, 150, 0}},
        {RedOn | GreenOn | BlueOn, {255, 255, 255}},
        {RedOff | GreenOff | BlueOff, {0, 0, 0}},
        {RedOn | GreenOff, {255, 0, 200}},
        {RedOff | BlueOn, {0, 150, 255}},
        {0x3F, {0, 0, 0}},
        {0x40, {100, 150, 200}},
        {0x80, {100, 150, 200}},
        {0xC0 | GreenOn, {100, 255, 200}},
        {0xFF, {0, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ForceStuck(mid, static_cast<std::uint8_t>(c.flags)), c.forced)
            << "flags 0x" << std::hex << c.flags;
}

TEST(SolveColor, WorkedExamples) {
    struct Case {
        TRgb average;
        unsigned flags;
        TRgb result;
        std::uint32_t color;
    } cases[] = {
        {{60, 60, 60}, 0x00, {60, 60, 60}, 0x3C3C3C},
        {{128, 128, 128}, RedOn, {255, 74, 74}, 0x4A4AFF},
        {{128, 128, 128}, BlueOn, {112, 112, 255}, 0xFF7070},
        {{200, 180, 40}, BlueOff, {205, 185, 0}, 0x00B9CD},
        {{100, 150, 200}, RedOn | RedOff, {0, 193, 243}, 0xF3C100},
        {{255, 255, 255}, RedOff, {0, 255, 255}, 0xFFFF00}, // target out of reach upwards
        {{10, 10, 10}, GreenOn, {0, 255, 0}, 0x00FF00},     // and downwards
    };
    for (const auto& c : cases) {
        const TRgb result = SolveColor(c.average, static_cast<std::uint8_t>(c.flags));
        EXPECT_EQ(result, c.result) << Describe(c.average, c.flags);
        EXPECT_EQ(ColorValue(result), c.color) << Describe(c.average, c.flags);
    }
}

TEST(SolveColor, ChannelsThatCannotMove) {
    struct Case {
        const char* name;
        TRgb average;
        unsigned flags;
        TRgb result;
    } cases[] = {
        {"all stuck lit, dark surroundings", {30, 90, 10}, 0x07, {255, 255, 255}},
        {"all stuck lit, white surroundings", {255, 255, 255}, 0x07, {255, 255, 255}},
        {"all stuck dark, bright surroundings", {200, 220, 240}, 0x38, {0, 0, 0}},
        {"all stuck dark, black surroundings", {0, 0, 0}, 0x38, {0, 0, 0}},
        {"red lit on black", {0, 0, 0}, RedOn, {255, 0, 0}},
        {"blue dark on white", {255, 255, 255}, BlueOff, {255, 255, 0}},
        {"only bits 6 and 7", {17, 34, 51}, 0xC0, {17, 34, 51}},
        // A free channel already at its limit stays there while the other one moves.
        {"blue lit on red, green held at 0", {255, 0, 0}, BlueOn, {158, 0, 255}},
        {"green lit on red, out of reach", {255, 0, 0}, GreenOn, {0, 255, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SolveColor(c.average, static_cast<std::uint8_t>(c.flags)), c.result) << c.name;
}

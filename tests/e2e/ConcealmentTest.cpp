// Concealment as the user sees it: the driver paints the screen behind the program's overlays
// and reads what the screen shows at the defects.
#include <gtest/gtest.h>

#include "engine/ColorSolver.h"
#include "store/DefectCodec.h"
#include "tests/e2e/Driver.h"
#include "tests/windows/ScreenPattern.h"

namespace {

std::vector<std::uint8_t> FileOf(const std::vector<TDefectPixel>& defects) {
    TDefectList list;
    for (const TDefectPixel& d : defects)
        list[AppendDefect(list, d.X, d.Y)].Flags = d.Flags;
    DefectFileImage image = EncodeDefects(list);
    return {image.Bytes.begin(), image.Bytes.begin() + static_cast<std::ptrdiff_t>(image.Size)};
}

TRgb ScreenAt(int x, int y) {
    HDC dc = GetDC(nullptr);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return SplitColor(color);
}

std::string Show(TRgb c) {
    return std::to_string(c.R) + "," + std::to_string(c.G) + "," + std::to_string(c.B);
}

// Waits until the screen shows `expected` at (x, y); returns how long that took.
std::chrono::milliseconds TimeUntil(int x, int y, TRgb expected, std::chrono::milliseconds limit) {
    auto start = std::chrono::steady_clock::now();
    WaitFor([&] { return ScreenAt(x, y) == expected; }, limit);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

class Concealment : public ::testing::Test {
protected:
    RECT screen = TScreenPattern::Screen();
};

} // namespace

TEST_F(Concealment, ADefectTakesItsConcealingColourAndFollowsThePicture) {
    TScreenPattern background(screen, TScreenPattern::Uniform(screen, 0x808080));
    TTempFolder folder;
    WriteBytes(folder.File(L"Glimmora.pix"), FileOf({{300, 300, RedOn}, {500, 200, BlueOff}}));
    TGlimmora program(folder);
    ASSERT_TRUE(program.WaitUntilUp());

    // The first tick comes one interval after the timer starts; allow a few under Wine.
    auto took = TimeUntil(300, 300, {255, 74, 74}, 3s);
    EXPECT_EQ(ScreenAt(300, 300), (TRgb{255, 74, 74})) << Show(ScreenAt(300, 300));
    EXPECT_LE(took.count(), 400) << "the concealing colour arrives with the first ticks";
    EXPECT_EQ(ScreenAt(301, 300), (TRgb{128, 128, 128})) << "one pixel, not more";

    background.Repaint(TScreenPattern::Uniform(screen, 0x28B4C8)); // (200, 180, 40)
    took = TimeUntil(500, 200, {205, 185, 0}, 3s);
    EXPECT_EQ(ScreenAt(500, 200), (TRgb{205, 185, 0})) << Show(ScreenAt(500, 200));
    EXPECT_LE(took.count(), 250 + 200) << "within two ticks of the new picture";

    program.Close();
    EXPECT_TRUE(program.WaitForExit(2s));
}

TEST_F(Concealment, ATopmostWindowOpenedOverADefectIsPassedAtTheNextTick) {
    TScreenPattern background(screen, TScreenPattern::Uniform(screen, 0x808080));
    TTempFolder folder;
    WriteBytes(folder.File(L"Glimmora.pix"), FileOf({{400, 400, RedOn}}));
    TGlimmora program(folder);
    ASSERT_TRUE(program.WaitUntilUp());
    TimeUntil(400, 400, {255, 74, 74}, 3s);

    RECT area{350, 350, 450, 450};
    TScreenPattern cover(area, TScreenPattern::Uniform(area, 0x00FF00));
    // Above the new window again, and concealing in its colours: green around, red stuck on.
    TRgb expected = SolveColor({0, 255, 0}, RedOn);
    TimeUntil(400, 400, expected, 3s);
    EXPECT_EQ(ScreenAt(400, 400), expected) << Show(ScreenAt(400, 400));
    program.Close();
    EXPECT_TRUE(program.WaitForExit(2s));
}

TEST_F(Concealment, TwentyFiveDefectsUseAllTwentyFiveOverlays) {
    TScreenPattern background(screen, TScreenPattern::Uniform(screen, 0x404040));
    std::vector<TDefectPixel> defects;
    for (int i = 0; i < 25; ++i)
        defects.push_back({50 + 30 * i, 100 + 10 * i, GreenOn});
    TTempFolder folder;
    WriteBytes(folder.File(L"Glimmora.pix"), FileOf(defects));
    TGlimmora program(folder);
    ASSERT_TRUE(program.WaitUntilUp());
    int shown = 0;
    for (HWND overlay : program.WindowsOfClass(L"TPixForm"))
        shown += IsWindowVisible(overlay) ? 1 : 0;
    EXPECT_EQ(shown, 25);
    TRgb expected = SolveColor({64, 64, 64}, GreenOn);
    TimeUntil(50 + 30 * 24, 100 + 10 * 24, expected, 3s);
    for (const TDefectPixel& d : defects)
        EXPECT_EQ(ScreenAt(d.X, d.Y), expected) << d.X << "," << d.Y;
    program.Close();
    EXPECT_TRUE(program.WaitForExit(2s));
}

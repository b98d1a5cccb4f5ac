// Checking where a cover sits, as a user does it with the keyboard: "Position prüfen..." from the
// setup list's menu, the cover blinking on the screen beside the defects that stay concealed, the
// arrow keys, and the file afterwards.
#include "engine/ColorSolver.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/support/DisplayMode.h"

namespace {

constexpr COLORREF Black = 0x000000, White = 0xFFFFFF;

// Red lit and green dark: checked on black. Blue dark alone: checked on white.
const TDefectPixel OnBlack = WorkedExample[0], OnWhite = WorkedExample[1];

// For a second, the cover at `at` takes both colours by turns, and the pixel beside it stays the
// background.
void ExpectBlinking(POINT at, COLORREF background) {
    const POINT beside{at.x == 0 ? 1 : at.x - 1, at.y};
    // Once the check has painted what it covers.
    EXPECT_TRUE(WaitFor([&] { return ScreenColor(beside.x, beside.y) == background; }, 5s));
    int changes = 0;
    COLORREF last = ScreenColor(at.x, at.y);
    const auto end = std::chrono::steady_clock::now() + 1200ms;
    while (std::chrono::steady_clock::now() < end) {
        const COLORREF now = ScreenColor(at.x, at.y);
        ASSERT_TRUE(now == Black || now == White) << std::hex << now;
        changes += now != last;
        last = now;
        ASSERT_EQ(ScreenColor(beside.x, beside.y), background);
        Sleep(20);
    }
    EXPECT_GE(changes, 3) << "at " << at.x << "," << at.y;
}

class PositionCheck : public TProgramTest {
protected:
    void SetUp() override {
        // Keyboard alone from the start: "Setup" is the tray menu's third item.
        Start({OnBlack, OnWhite});
        ChooseFromTrayMenuByKeys(program, 3);
        ASSERT_TRUE(setup = WaitForVisibleWindow(program, L"TFHaupt"));
        list = ControlOfClass(setup, L"ListBox");
        ASSERT_TRUE(WaitFor([&] { return ClassNameOf(FocusedWindow(program)) == L"ListBox"; }, 5s));
    }
    // Line `line` selected with the arrow keys, then the third item of the list's menu. (Not Home
    // or End: xdotool may send those as keypad keys, which type digits with Num Lock on.)
    HWND OpenCheck(int line) {
        for (int press = 0; press < 3 && Selected() != line; ++press) {
            const int was = Selected();
            XKeys(was < line ? "Down" : "Up");
            WaitFor([&] { return Selected() != was; }, 2s);
        }
        if (Selected() != line)
            return nullptr;
        XKeys("shift+F10");
        if (!WaitFor([&] { return VisibleMenu(program) != nullptr; }, 5s))
            return nullptr;
        XKeys("Down Down Down Return");
        HWND check = WaitForVisibleWindow(program, L"TFPruefen");
        // The keys go to it once it is the foreground window.
        if (!WaitFor([&] { return check && GetForegroundWindow() == check; }, 5s))
            return nullptr;
        return check;
    }
    int Selected() const { return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)); }

    HWND list = nullptr;
};

} // namespace

TEST_F(PositionCheck, TheCoverBlinksAtItsPixelEnterStoresAMoveAndEscLeavesTheEntry) {
    HWND check = OpenCheck(0);
    ASSERT_TRUE(check);
    ExpectBlinking({OnBlack.X, OnBlack.Y}, Black);
    XKeys("Right Return");
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(check); }, 5s));
    const std::vector<TDefectPixel> moved = {{OnBlack.X + 1, OnBlack.Y, OnBlack.Flags}, OnWhite};
    EXPECT_TRUE(WaitFor([&] { return ReadBytes(file) == Records(moved); }, 5s));
    EXPECT_TRUE(WaitFor([&] { return OverlayAt(program, OnBlack.X + 1, OnBlack.Y); }, 5s));
    EXPECT_EQ(Selected(), 0);

    // On white; the other defect stays concealed above the check. Shift moves ten pixels.
    ASSERT_TRUE(check = OpenCheck(1));
    const COLORREF concealing = ColorValue(SolveColor(SplitColor(White), OnBlack.Flags));
    EXPECT_TRUE(WaitFor([&] { return ScreenColor(OnBlack.X + 1, OnBlack.Y) == concealing; }, 5s));
    ExpectBlinking({OnWhite.X, OnWhite.Y}, White);
    XKeys("shift+Left");
    ExpectBlinking({OnWhite.X - 10, OnWhite.Y}, White);
    XKeys("Escape");
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(check); }, 5s));
    EXPECT_TRUE(WaitFor([&] { return OverlayAt(program, OnWhite.X, OnWhite.Y); }, 5s));
    EXPECT_EQ(ReadBytes(file), Records(moved));
    EXPECT_EQ(Selected(), 1);
}

// Another display mode while the check is open: the cover's place may name another pixel now, so
// the check ends and the entry keeps its coordinates, the move made before it included.
TEST_F(PositionCheck, AChangeOfTheDisplayModeEndsTheCheckAndLeavesTheEntry) {
    HWND check = OpenCheck(0);
    ASSERT_TRUE(check);
    XKeys("Right");
    ExpectBlinking({OnBlack.X + 1, OnBlack.Y}, Black);
    {
        TDisplayMode smaller(800, 600);
        ASSERT_TRUE(smaller.Changed()) << "the desktop cannot change its mode here";
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(check); }, 5s));
    }
    EXPECT_EQ(ReadBytes(file), Records({OnBlack, OnWhite}));
}

// Repairing a stuck sub-pixel as a user does it: the repair window opened from the setup list's
// context menu by keys and by the mouse, the area around the defect flashing on the screen while
// the other defects stay concealed, and the concealment back when the repair ends.
#include <algorithm>
#include <set>

#include "engine/ColorSolver.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/support/DibSection.h"
#include "tests/windows/ScreenPattern.h"

namespace {

// Black, white, red, green, blue, then again (0x00BBGGRR).
const COLORREF FlashOrder[] = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000};
constexpr COLORREF Grey = 0x808080;

// A defect that is repaired, and one that stays concealed meanwhile, on a grey strip left of
// the windows, which open in the middle of the screen, and clear of the task bar.
const TDefectPixel Repaired{150, 400, RedOn};
const TDefectPixel Other{100, 250, GreenOn};
constexpr RECT Strip{40, 150, 260, 550};

COLORREF Concealing(const TDefectPixel& d) {
    const TRgb c = SolveColor(SplitColor(Grey), d.Flags);
    return RGB(c.R, c.G, c.B);
}

int FlashIndex(COLORREF color) {
    const auto* found = std::find(std::begin(FlashOrder), std::end(FlashOrder), color);
    return found == std::end(FlashOrder) ? -1 : static_cast<int>(found - std::begin(FlashOrder));
}

// The colours in the text of item `item` of the list's three-item menu, inside its frame. The
// edges of each item's slot, where one item's descenders meet the next one's capitals, are left
// out.
std::set<COLORREF> ItemColours(HWND menu, int item) {
    RECT r;
    GetWindowRect(menu, &r);
    InflateRect(&r, -4, -4);
    const int width = r.right - r.left, slot = (r.bottom - r.top) / 3, band = slot * 4 / 5;
    TDibSection capture(width, band);
    capture.Copy(r.left, r.top + item * slot + (slot - band) / 2);
    std::set<COLORREF> colours;
    for (int y = 0; y < band; ++y)
        for (int x = 0; x < width; ++x)
            colours.insert(capture.At(x, y));
    colours.erase(GetSysColor(COLOR_MENU));
    return colours;
}

// Watches the defect's area for a second: the 5 x 5 square around it flashes through the colours
// in their order, the ring around the square stays grey, and the other defect stays concealed.
void ExpectFlashing(const TDefectPixel& d, const TDefectPixel* concealed) {
    TDibSection block(7, 7);
    int changes = 0, distinct = 0, last = -1, closeChanges = 0, nextInOrder = 0;
    bool seen[std::size(FlashOrder)] = {};
    auto previous = std::chrono::steady_clock::now();
    const auto end = previous + 1s;
    while (std::chrono::steady_clock::now() < end) {
        block.Copy(d.X - 3, d.Y - 3);
        const auto now = std::chrono::steady_clock::now();
        const COLORREF centre = block.At(3, 3);
        const int index = FlashIndex(centre);
        ASSERT_GE(index, 0) << std::hex << centre << " is no flash colour";
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const bool inside = std::max(std::abs(dx), std::abs(dy)) <= 2;
                ASSERT_EQ(block.At(3 + dx, 3 + dy), inside ? centre : Grey) << dx << "," << dy;
            }
        if (concealed) {
            ASSERT_EQ(ScreenColor(concealed->X, concealed->Y), Concealing(*concealed));
        }
        if (last >= 0 && index != last) {
            ++changes;
            // Between two samples close together one step has passed. (Under Wine a colour
            // now and then never reaches the screen; in another order few steps would be one.)
            if (now - previous < 12ms) {
                ++closeChanges;
                nextInOrder += index == (last + 1) % 5;
            }
        }
        distinct += !seen[index];
        seen[index] = true;
        last = index;
        previous = now;
    }
    EXPECT_GE(changes, 10);
    EXPECT_GE(distinct, 4);
    EXPECT_GE(closeChanges, 5);
    EXPECT_GE(nextInOrder * 10, closeChanges * 8) << nextInOrder << " of " << closeChanges;
}

int Selected(HWND list) {
    return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
}

// A right click on a line, then item 1 or 2 of the menu it opens. The item is chosen with keys,
// as the driver does in the tray menu: while a menu follows the mouse, the cursor never reads as
// settled.
HWND RepairByMouse(const TGlimmora& program, HWND list, int line, int item) {
    const POINT at = ListLinePoint(list, line);
    WaitFor([&] { return IsWindowEnabled(GetAncestor(list, GA_ROOT)) != FALSE; }, 5s);
    ClickAt(at.x, at.y, true);
    if (!WaitFor([&] { return VisibleMenu(program) != nullptr; }, 5s))
        return nullptr;
    EXPECT_EQ(Selected(list), line) << "the right click selects the line first";
    Sleep(150); // the menu takes the keyboard once its loop runs
    for (int i = 0; i < item; ++i)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    return WaitForVisibleWindow(program, L"TFReparatur");
}

// The grey strip paints what a flash uncovered only when its messages are handled.
bool ConcealedAgain(const TDefectPixel& d) {
    return WaitFor(
        [&] {
            PumpMessages();
            return ScreenColor(d.X, d.Y) == Concealing(d);
        },
        5s);
}

class Repair : public TProgramTest {
protected:
    void SetUp() override {
        Start({Repaired, Other});
        ASSERT_TRUE(ConcealedAgain(Repaired) && ConcealedAgain(Other));
    }
    // "Setup" from the tray menu, by keys or with the mouse.
    void OpenSetupWindow(bool byKeys) {
        if (byKeys)
            ChooseFromTrayMenuByKeys(program, 3);
        else
            OpenSetup(program);
        setup = WaitForVisibleWindow(program, L"TFHaupt");
        ASSERT_TRUE(setup);
        list = ControlOfClass(setup, L"ListBox");
        ASSERT_TRUE(list);
    }

    TScreenPattern background{Strip, TScreenPattern::Uniform(Strip, Grey)};
    HWND list = nullptr;
};

} // namespace

TEST_F(Repair, ByTheKeyboardOneDefectFlashesTheOtherStaysConcealedAndEscConcealsItAgain) {
    ASSERT_NO_FATAL_FAILURE(OpenSetupWindow(true));
    // The menu key opens the menu too. Without a selection only "Alle Pixel reparieren..." can be
    // chosen, not "Pixel reparieren..." nor "Position prüfen...".
    XKeys("Menu");
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = VisibleMenu(program)) != nullptr; }, 5s));
    Sleep(300); // drawn
    const std::set<COLORREF> enabled{GetSysColor(COLOR_MENUTEXT)};
    EXPECT_NE(ItemColours(menu, 0), enabled) << "greyed";
    EXPECT_FALSE(ItemColours(menu, 0).empty()) << "but there";
    EXPECT_EQ(ItemColours(menu, 1), enabled);
    EXPECT_NE(ItemColours(menu, 2), enabled) << "greyed";

    XKeys("Escape");
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }, 5s));
    // Shift+F10 on the selected line; the menu takes the keys.
    XKeys("Home");
    ASSERT_TRUE(WaitFor([&] { return Selected(list) == 0; }, 5s));
    XKeys("shift+F10");
    ASSERT_TRUE(WaitFor([&] { return VisibleMenu(program) != nullptr; }, 5s));
    XKeys("Down Return");
    HWND repair = WaitForVisibleWindow(program, L"TFReparatur");
    ASSERT_TRUE(repair);
    EXPECT_TRUE(Shown(repair, L"Pixel 1 bei 150 x 400"));
    EXPECT_FALSE(IsWindowEnabled(setup)) << "the repair window is modal";
    EXPECT_TRUE(FocusOn(program, L"Starten")) << Utf8(FocusName(program));
    ExpectTabStopsNamed(repair);

    // Back to the duration, one choice to the left, and Enter starts.
    XKeys("shift+Tab");
    EXPECT_TRUE(FocusOn(program, L"30 Minuten")) << Utf8(FocusName(program));
    XKeys("Left");
    EXPECT_TRUE(FocusOn(program, L"10 Minuten")) << Utf8(FocusName(program));
    EXPECT_EQ(SendMessageW(Control(repair, L"10 Minuten"), BM_GETCHECK, 0, 0), BST_CHECKED);
    XKeys("Return");
    ASSERT_TRUE(WaitFor([&] { return Shown(repair, L"Stoppen"); }, 5s));
    EXPECT_TRUE(Shown(repair, L"Noch 10:00") || Shown(repair, L"Noch 9:59"));
    ExpectFlashing(Repaired, &Other);

    // Pausing and resuming from the tray leave the flashing defect's overlay hidden.
    HWND overlay = OverlayAt(program, Repaired.X, Repaired.Y, false);
    ASSERT_TRUE(overlay);
    DoubleClickTrayIcon();
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == 0; }, 5s));
    DoubleClickTrayIcon();
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == 1; }, 5s));
    EXPECT_FALSE(IsWindowVisible(overlay));
    EXPECT_TRUE(ConcealedAgain(Other));
    ExpectFlashing(Repaired, nullptr);

    // Esc stops the repair and closes the window; the defect is concealed again.
    RECT caption;
    GetWindowRect(repair, &caption);
    ClickAt((caption.left + caption.right) / 2, caption.top + 8);
    EXPECT_TRUE(FocusOn(program, L"Stoppen")) << Utf8(FocusName(program));
    XKeys("Escape");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(repair); }, 5s));
    EXPECT_EQ(CountVisible(program, L"TFlashForm"), 0);
    EXPECT_TRUE(IsWindowVisible(overlay));
    EXPECT_TRUE(ConcealedAgain(Repaired)) << std::hex << ScreenColor(Repaired.X, Repaired.Y);
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(setup) != FALSE; }, 5s));
}

TEST_F(Repair, ByTheMouseEveryDefectFlashesAndAClickOnOneStopsAll) {
    ASSERT_NO_FATAL_FAILURE(OpenSetupWindow(false));
    HWND repair = RepairByMouse(program, list, 1, 1);
    ASSERT_TRUE(repair);
    EXPECT_TRUE(Shown(repair, L"Pixel 2 bei 100 x 250"));
    ClickControl(repair, L"Schließen");
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(repair); }, 5s));

    ASSERT_TRUE(RepairByMouse(program, list, 0, 2));
    EXPECT_TRUE(Shown(repair, L"Alle 2 Pixel"));
    ClickControl(repair, L"Starten");
    ASSERT_TRUE(WaitFor([&] { return CountVisible(program, L"TFlashForm") == 2; }, 5s));
    ExpectFlashing(Other, nullptr);
    ExpectFlashing(Repaired, nullptr);
    EXPECT_EQ(CountVisible(program, L"TPixForm"), 0);

    ClickAt(Other.X + 1, Other.Y - 1);
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"TFlashForm") == 0; }, 5s));
    EXPECT_TRUE(IsWindowVisible(repair)) << "the window stays open";
    EXPECT_TRUE(WaitFor([&] { return Shown(repair, L"Starten"); }, 5s));
    EXPECT_TRUE(ConcealedAgain(Repaired));
    EXPECT_TRUE(ConcealedAgain(Other));

    // The close box stops a running repair too.
    ClickControl(repair, L"Starten");
    ASSERT_TRUE(WaitFor([&] { return CountVisible(program, L"TFlashForm") == 2; }, 5s));
    PostMessageW(repair, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(repair); }, 5s));
    EXPECT_EQ(CountVisible(program, L"TFlashForm"), 0);

    // A double click on a line opens the window for its entry; "Beenden" in the tray menu ends
    // the program in the middle of a repair, and nothing of it is stored.
    const POINT line = ListLinePoint(list, 0);
    ClickAt(line.x, line.y);
    ClickAt(line.x, line.y);
    ASSERT_TRUE(WaitForVisibleWindow(program, L"TFReparatur"));
    EXPECT_TRUE(Shown(repair, L"Pixel 1 bei 150 x 400"));
    ClickControl(repair, L"Starten");
    ASSERT_TRUE(WaitFor([&] { return CountVisible(program, L"TFlashForm") == 1; }, 5s));
    ChooseFromTrayMenu(program, L"Beenden");
    EXPECT_TRUE(program.WaitForExit(10s));
    EXPECT_EQ(ReadBytes(file), Records({Repaired, Other}));
}

// Concealment as the user sees it: the driver paints the screen behind the program's overlays
// and reads what the screen shows at the defects.
#include <windows.h>

#include <wtsapi32.h>

#include <array>

#include "engine/ColorSolver.h"
#include "engine/ScreenLayout.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/windows/ScreenPattern.h"

namespace {

TRgb ScreenAt(int x, int y) {
    return SplitColor(ScreenColor(x, y));
}

std::string Show(TRgb c) {
    return std::to_string(c.R) + "," + std::to_string(c.G) + "," + std::to_string(c.B);
}

// Whether the screen comes to show `expected` at (x, y). How fast it comes is the benchmarks'
// business: on a shared machine a timed check would only measure the neighbours.
bool Shows(int x, int y, TRgb expected) {
    return WaitFor([&] { return ScreenAt(x, y) == expected; }, 5s);
}

class Concealment : public TProgramTest {
protected:
    Concealment() { exitLimit = 2s; }
    RECT screen = TScreenPattern::Screen();
};

} // namespace

TEST_F(Concealment, ADefectTakesItsConcealingColourAndFollowsThePicture) {
    TScreenPattern background(screen, TScreenPattern::Uniform(screen, 0x808080));
    Start({{300, 300, RedOn}, {500, 200, BlueOff}});

    EXPECT_TRUE(Shows(300, 300, {255, 74, 74})) << Show(ScreenAt(300, 300));
    EXPECT_EQ(ScreenAt(301, 300), (TRgb{128, 128, 128})) << "one pixel, not more";

    background.Repaint(TScreenPattern::Uniform(screen, 0x28B4C8)); // (200, 180, 40)
    EXPECT_TRUE(Shows(500, 200, {205, 185, 0})) << Show(ScreenAt(500, 200));
}

TEST_F(Concealment, ATopmostWindowOpenedOverADefectIsPassedAtTheNextTick) {
    TScreenPattern background(screen, TScreenPattern::Uniform(screen, 0x808080));
    Start({{400, 400, RedOn}});
    ASSERT_TRUE(Shows(400, 400, {255, 74, 74})) << Show(ScreenAt(400, 400));

    RECT area{350, 350, 450, 450};
    TScreenPattern cover(area, TScreenPattern::Uniform(area, 0x00FF00));
    // Above the new window again, and concealing in its colours: green around, red stuck on.
    TRgb expected = SolveColor({0, 255, 0}, RedOn);
    EXPECT_TRUE(Shows(400, 400, expected)) << Show(ScreenAt(400, 400));
}

// The setup window opens over a concealed defect: the overlay stays above it and conceals in its
// colours (in Wine's virtual desktop a window shown later is drawn over topmost ones).
TEST_F(Concealment, ADefectUnderTheSetupWindowStaysConcealedWhenItOpens) {
    // Clear of the task bar, whose icon opens the setup window.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    TScreenPattern background(work, TScreenPattern::Uniform(work, 0x808080), false);
    const POINT defect{screen.right / 2, screen.bottom / 2}; // the list, in the centred window
    Start({{defect.x, defect.y, BlueOff}});
    ASSERT_TRUE(Shows(defect.x, defect.y, SolveColor({128, 128, 128}, BlueOff)));
    ASSERT_TRUE(setup = OpenSetup(program));
    RECT r;
    GetWindowRect(setup, &r);
    ASSERT_TRUE(PtInRect(&r, defect));
    const auto expected = [&] {
        std::array<std::uint32_t, 8> around{};
        for (int i = 0; i < 8; ++i)
            around[i] =
                ScreenColor(defect.x + NeighbourOffsets[i][0], defect.y + NeighbourOffsets[i][1]);
        return SolveColor(AverageNeighbours(around), BlueOff);
    };
    EXPECT_TRUE(WaitFor([&] { return ScreenAt(defect.x, defect.y) == expected(); }, 5s))
        << Show(ScreenAt(defect.x, defect.y)) << " instead of " << Show(expected());
}

TEST_F(Concealment, TwentyFiveDefectsUseAllTwentyFiveOverlays) {
    TScreenPattern background(screen, TScreenPattern::Uniform(screen, 0x404040));
    std::vector<TDefectPixel> defects;
    for (int i = 0; i < 25; ++i)
        defects.push_back({50 + 30 * i, 100 + 10 * i, GreenOn});
    Start(defects);
    EXPECT_EQ(CountVisible(program, L"TPixForm"), 25);
    TRgb expected = SolveColor({64, 64, 64}, GreenOn);
    EXPECT_TRUE(Shows(50 + 30 * 24, 100 + 10 * 24, expected));
    for (const TDefectPixel& d : defects)
        EXPECT_EQ(ScreenAt(d.X, d.Y), expected) << d.X << "," << d.Y;
}

// Nobody sees a locked session's screen: the overlays do not follow the picture then, and follow
// it when the session is unlocked (the system's messages, sent as the system would). A paused
// program stays paused through it.
// While the session is locked, shown through a remote connection or on no screen, nobody here sees
// it: nothing follows the picture, and while it is away the overlays hide. Back, they conceal at
// once; a paused program stays paused.
TEST_F(Concealment, ASessionNobodySeesIsNotFollowedUntilItIsBack) {
    const RECT above{0, 0, screen.right, 600}; // the task bar stays free for the tray icon
    TScreenPattern background(above, TScreenPattern::Uniform(above, 0x808080));
    Start({{300, 300, RedOn}});
    ASSERT_TRUE(Shows(300, 300, {255, 74, 74})) << Show(ScreenAt(300, 300));
    DWORD session = 0;
    ProcessIdToSessionId(program.ProcessId(), &session);
    const auto tell = [&](WPARAM change) {
        SendMessageW(program.Window(L"TForm1"), WM_WTSSESSION_CHANGE, change, session);
    };
    const struct {
        const char* what;
        WPARAM leave, back;
        bool hides;
    } ways[] = {
        {"locked", WTS_SESSION_LOCK, WTS_SESSION_UNLOCK, false},
        {"shown remotely", WTS_REMOTE_CONNECT, WTS_CONSOLE_CONNECT, true},
        {"on no screen", WTS_CONSOLE_DISCONNECT, WTS_CONSOLE_CONNECT, true},
    };
    const TRgb pictures[] = {{200, 180, 40}, {128, 128, 128}};
    TRgb shown{255, 74, 74};
    for (std::size_t k = 0; k < std::size(ways); ++k) {
        SCOPED_TRACE(ways[k].what);
        const TRgb picture = pictures[k % 2];
        tell(ways[k].leave);
        background.Repaint(TScreenPattern::Uniform(
            above, static_cast<std::uint32_t>(picture.R | picture.G << 8 | picture.B << 16)));
        Sleep(1000); // eight ticks, had they run
        EXPECT_EQ(CountVisible(program, L"TPixForm"), ways[k].hides ? 0 : 1);
        if (!ways[k].hides) {
            EXPECT_EQ(ScreenAt(300, 300), shown) << "followed while nobody saw it";
        }
        tell(ways[k].back);
        shown = SolveColor(picture, RedOn);
        EXPECT_TRUE(Shows(300, 300, shown)) << Show(ScreenAt(300, 300));
    }

    // Paused with the tray icon, once the setup window has listed the defect.
    setup = OpenSetup(program);
    PressKey(VK_ESCAPE);
    DoubleClickTrayIcon();
    ASSERT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == 0; }, 5s));
    for (const auto& way : ways) {
        tell(way.leave);
        tell(way.back);
    }
    Sleep(300);
    EXPECT_EQ(CountVisible(program, L"TPixForm"), 0) << "coming back resumed a paused program";
    EXPECT_EQ(TextOf(setup), L"Glimmora 2.0 - NICHT AKTIV");
}

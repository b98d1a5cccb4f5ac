// End-to-end tests on a desktop of several monitors. ctest runs them in the session that
// scripts/wine-session.sh makes for GLIMMORA_MONITORS (the layout is set in
// tests/e2e/CMakeLists.txt); the one-monitor tests stay in the virtual desktop.
//
// What Wine shows differently from Windows in this session is noted where the session is
// defined, in scripts/wine-session.sh. The task bar and its tray are the window manager's:
// the driver's TrayIconPoint(), which looks for Wine's own task bar, does not apply here.
#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "engine/ColorSolver.h"
#include "store/DefectList.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/windows/ScreenPattern.h"

namespace {

// A monitor as GLIMMORA_MONITORS writes it: "800x600-800+84".
std::string Describe(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof text, "%ldx%ld%+ld%+ld", r.right - r.left, r.bottom - r.top, r.left,
                  r.top);
    return text;
}

// The layout the session was asked for, the primary first.
std::vector<std::string> RequestedMonitors() {
    wchar_t text[1024] = {};
    GetEnvironmentVariableW(L"GLIMMORA_MONITORS", text, 1024);
    std::vector<std::string> monitors;
    const wchar_t* p = text;
    int width, height, x, y, used;
    while (std::swscanf(p, L"%dx%d%d%d%n", &width, &height, &x, &y, &used) == 4) {
        monitors.push_back(Describe({x, y, x + width, y + height}));
        p += used;
        if (*p++ != L',')
            break;
    }
    return monitors;
}

struct TMonitors {
    std::vector<std::string> all; // in the system's order
    std::string primary;
};

TMonitors SystemMonitors() {
    TMonitors monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM param) -> BOOL {
            auto& found = *reinterpret_cast<TMonitors*>(param);
            MONITORINFO info{};
            info.cbSize = sizeof info;
            GetMonitorInfoW(monitor, &info);
            found.all.push_back(Describe(info.rcMonitor));
            if (info.dwFlags & MONITORINFOF_PRIMARY)
                found.primary = found.all.back();
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

BOOL CALLBACK FindTrayIcon(HWND window, LPARAM param) {
    if (ClassNameOf(window) != L"__winex11_tray_icon")
        return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}

// The program's icon where Wine docks it in the window manager's tray: a window of Wine's own
// class some levels deep in the tray's (foreign) window. Null while there is none.
HWND DockedTrayIcon() {
    HWND icon = nullptr;
    EnumWindows(
        [](HWND top, LPARAM param) -> BOOL {
            EnumChildWindows(top, FindTrayIcon, param);
            return *reinterpret_cast<HWND*>(param) == nullptr;
        },
        reinterpret_cast<LPARAM>(&icon));
    return icon;
}

// The session's secondary monitor, left of the primary and lower: (-800, 84) to (0, 684).
constexpr RECT Secondary{-800, 84, 0, 684};

// Every test here needs the layout asked for: when Wine shows another, the test stops at once
// and says so, rather than failing somewhere in the program's behaviour.
class MultiMonitor : public TProgramTest {
protected:
    void SetUp() override {
        std::vector<std::string> requested = RequestedMonitors();
        ASSERT_GE(requested.size(), 2u) << "run in the multi-monitor session (GLIMMORA_MONITORS)";
        ASSERT_NE(std::find(requested.begin(), requested.end(), Describe(Secondary)),
                  requested.end())
            << "the tests expect the secondary at " << Describe(Secondary);
        TMonitors seen = SystemMonitors();
        ASSERT_EQ(seen.primary, requested.front()) << "Wine made another monitor the primary";
        std::sort(requested.begin(), requested.end());
        std::sort(seen.all.begin(), seen.all.end());
        ASSERT_EQ(seen.all, requested) << "Wine shows another layout than the one asked for";
    }
};

} // namespace

TEST_F(MultiMonitor, TrayIconDocksInTheTaskBarOfThePrimary) {
    Start();
    HWND icon = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (icon = DockedTrayIcon()) != nullptr; }, 10s));
    RECT r;
    GetWindowRect(icon, &r);
    POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    EXPECT_EQ(MonitorFromPoint(middle, MONITOR_DEFAULTTONULL),
              MonitorFromPoint({0, 0}, MONITOR_DEFAULTTONULL));

    // A right click there reaches the program: its menu opens.
    ClickAt(middle.x, middle.y, true);
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"#32768") == 1; }, 10s));
    PressKey(VK_ESCAPE);
}

namespace {

std::string Describe(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (std::size_t at = 0; at + 9 <= bytes.size(); at += 9) {
        auto word = [&](std::size_t k) {
            return static_cast<std::int32_t>(bytes[k] | bytes[k + 1] << 8 | bytes[k + 2] << 16 |
                                             static_cast<std::uint32_t>(bytes[k + 3]) << 24);
        };
        text += std::to_string(word(at)) + "," + std::to_string(word(at + 4)) + " flags " +
                std::to_string(bytes[at + 8]) + "; ";
    }
    return text;
}

COLORREF Concealing(COLORREF around, std::uint8_t flags) {
    return ColorValue(SolveColor(SplitColor(around), flags));
}

// "Setup" from the tray menu, opened by the keyboard selection of the icon.
HWND OpenSetupByKeyboard(const TGlimmora& program) {
    SelectTrayIconByKeyboard(program);
    for (WORD key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})
        PressKey(key);
    return WaitForVisibleWindow(program, L"TFHaupt");
}

bool Inside(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

} // namespace

// Defects on both monitors, each in a known picture: both are concealed. (The screen reads of
// the checks stay inside the band that Wine's screen device context is known to read right in
// such sessions, from the virtual screen's left edge on as wide as the primary.)
TEST_F(MultiMonitor, DefectsOnBothMonitorsAreConcealedAndOneCanBeMarkedOnEither) {
    // The left picture reaches into the gap above the secondary, which no monitor shows.
    const RECT left{-460, 40, -340, 360}, right{140, 240, 260, 360};
    const COLORREF grey = 0x707070;
    TScreenPattern leftPicture(left, TScreenPattern::Uniform(left, grey));
    TScreenPattern rightPicture(right, TScreenPattern::Uniform(right, grey));
    const std::vector<TDefectPixel> stored = {{-400, 300, RedOn}, {200, 300, BlueOn}};
    Start({stored[0], stored[1], {-400, 84, RedOn}});
    for (const TDefectPixel& d : stored) {
        SCOPED_TRACE(testing::Message() << d.X << "," << d.Y);
        EXPECT_TRUE(OverlayAt(program, d.X, d.Y));
        EXPECT_TRUE(
            WaitFor([&] { return ScreenColor(d.X, d.Y) == Concealing(grey, d.Flags); }, 5s));
        EXPECT_EQ(ScreenColor(d.X + 1, d.Y), grey);
    }
    // A defect on the secondary's top row: its three neighbours above lie in the gap, where
    // the screen still shows the picture to a read, and count as white.
    std::vector<TDefectPixel> all(stored);
    all.reserve(stored.size() + 3); // three more below
    all.push_back({-400, 84, RedOn});
    ASSERT_EQ(ScreenColor(-400, 83), grey) << "Wine reads the gap";
    const COLORREF white = 0xFFFFFF;
    const COLORREF besideTheGap = ColorValue(SolveColor(
        AverageNeighbours({{white, white, white, grey, grey, grey, grey, grey}}), RedOn));
    EXPECT_TRUE(WaitFor([&] { return ScreenColor(-400, 84) == besideTheGap; }, 5s))
        << std::hex << ScreenColor(-400, 84) << " instead of " << besideTheGap;

    // The capture screen covers both monitors.
    setup = OpenSetupByKeyboard(program);
    ASSERT_TRUE(setup);
    EXPECT_TRUE(OverlayAt(program, -400, 300)) << "showing the setup window moved nothing";
    ClickControl(setup, L"Pixelfehler definieren");
    HWND capture = WaitForVisibleWindow(program, L"TFBack");
    ASSERT_TRUE(capture);
    RECT covered{};
    GetWindowRect(capture, &covered);
    EXPECT_EQ(covered.left, -800);
    EXPECT_EQ(covered.top, 0);
    EXPECT_EQ(covered.right, 1024);
    EXPECT_EQ(covered.bottom, 768);
    EXPECT_TRUE(
        WaitFor([&] { return ScreenColor(-700, 150) == 0 && ScreenColor(900, 40) == 0; }, 5s));

    // Marked on the secondary with the mouse: the chooser opens centred on that monitor.
    ClickAt(-300, 200);
    HWND chooser = WaitForVisibleWindow(program, L"TFAusBla");
    ASSERT_TRUE(chooser);
    RECT shown{};
    GetWindowRect(chooser, &shown);
    EXPECT_TRUE(Inside(Secondary, shown));
    EXPECT_EQ(shown.left - Secondary.left, Secondary.right - shown.right);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == chooser; }, 5s));
    PressKey(VK_RIGHT);
    PressKey(VK_RIGHT);
    PressKey(VK_RETURN); // red
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(chooser); }, 5s));
    // And with the keyboard: the arrows move the cursor from the primary onto the secondary.
    MoveMouse(1, 450);
    PressKey(VK_LEFT);
    PressKey(VK_LEFT);
    EXPECT_TRUE(WaitForCursor(-1, 450, 3s));
    PressKey(VK_SPACE);
    ASSERT_TRUE(WaitForVisibleWindow(program, L"TFAusBla"));
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == chooser; }, 5s));
    PressKey(VK_RETURN); // blue, the first swatch
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(chooser); }, 5s));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(capture); }, 5s));

    all.push_back({-300, 200, RedOn});
    all.push_back({-1, 450, BlueOn});
    EXPECT_TRUE(WaitFor([&] { return ReadBytes(file) == Records(all); }, 5s))
        << Describe(ReadBytes(file));
    EXPECT_EQ(ListBoxLines(ControlOfClass(setup, L"ListBox"))[3], L"4.Pixel:  -300 x 200 rot=an  ");
    for (const TDefectPixel& d : all)
        EXPECT_TRUE(WaitFor([&] { return OverlayAt(program, d.X, d.Y); }, 5s)) << d.X << "," << d.Y;
    EXPECT_TRUE(WaitFor([&] { return ScreenColor(-400, 300) == Concealing(grey, RedOn); }, 5s));
}

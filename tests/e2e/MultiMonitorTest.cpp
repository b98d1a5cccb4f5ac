// End-to-end tests on a desktop of several monitors. ctest runs them in the session that
// scripts/wine-session.sh makes for GLIMMORA_MONITORS (the layout is set in
// tests/e2e/CMakeLists.txt); the one-monitor tests stay in the virtual desktop.
//
// What Wine shows differently from Windows in this session is noted where the session is
// defined, in scripts/wine-session.sh. The task bar and its tray are the window manager's:
// the driver's TrayIconPoint(), which looks for Wine's own task bar, does not apply here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/e2e/Driver.h"

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

} // namespace

TEST(MultiMonitor, WineShowsTheRequestedLayout) {
    const std::vector<std::string> requested = RequestedMonitors();
    ASSERT_GE(requested.size(), 2u) << "run in the multi-monitor session (GLIMMORA_MONITORS)";
    TMonitors seen = SystemMonitors();
    EXPECT_EQ(seen.primary, requested.front());
    std::vector<std::string> sortedRequest = requested;
    std::sort(sortedRequest.begin(), sortedRequest.end());
    std::sort(seen.all.begin(), seen.all.end());
    EXPECT_EQ(seen.all, sortedRequest);
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), static_cast<int>(requested.size()));

    // The session's layout puts a secondary left of the primary: the virtual screen starts at
    // a negative x, and the point just left of the primary belongs to another monitor.
    EXPECT_LT(GetSystemMetrics(SM_XVIRTUALSCREEN), 0);
    HMONITOR primary = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTONULL);
    HMONITOR left =
        MonitorFromPoint({-1, GetSystemMetrics(SM_CYSCREEN) / 2}, MONITOR_DEFAULTTONULL);
    EXPECT_NE(left, nullptr);
    EXPECT_NE(left, primary);
}

TEST(MultiMonitor, TrayIconDocksInTheTaskBarOfThePrimary) {
    TTempFolder folder;
    TGlimmora program(folder);
    ASSERT_TRUE(program.WaitUntilUp());
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

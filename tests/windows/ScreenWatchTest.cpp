// Whether anybody can see the screen, as the system's messages tell it.
#include <gtest/gtest.h>

#include <windows.h>

#include <wtsapi32.h>

#include <cstring>

#include "app/ScreenWatch.h"

namespace {

// The display's state as the system reports it: 0 off, 1 on, 2 dimmed.
struct TDisplayState {
    POWERBROADCAST_SETTING header;
    BYTE rest[3];
};

} // namespace

TEST(ScreenWatch, SeenUnlessTheOwnSessionIsLockedOrAwayOrTheDisplayIsOff) {
    HWND window =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    DWORD own = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &own);
    TScreenWatch watch;
    watch.Watch(window);
    ASSERT_TRUE(watch.Seen());

    constexpr GUID displayState = {
        0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
    // A lock or unlock of a session (own or another), or the display's new state.
    const struct {
        const char* what;
        UINT message;
        WPARAM change; // of the session; for the display, its state
        bool own;
        bool seen;
        bool away = false;
    } steps[] = {
        {"another session locked", WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, false, true},
        {"own session locked", WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, true, false},
        {"display off while locked", WM_POWERBROADCAST, 0, true, false},
        {"unlocked, display still off", WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, true, false},
        {"display dimmed", WM_POWERBROADCAST, 2, true, true},
        {"display off", WM_POWERBROADCAST, 0, true, false},
        {"display on", WM_POWERBROADCAST, 1, true, true},
        {"another session shown remotely", WM_WTSSESSION_CHANGE, WTS_REMOTE_CONNECT, false, true},
        {"own session shown remotely", WM_WTSSESSION_CHANGE, WTS_REMOTE_CONNECT, true, false, true},
        {"... and disconnected", WM_WTSSESSION_CHANGE, WTS_REMOTE_DISCONNECT, true, false, true},
        {"back on the console", WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT, true, true},
        {"taken from the console", WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT, true, false, true},
        {"locked while away", WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, true, false, true},
        {"on the console, still locked", WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT, true, false},
        {"unlocked", WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, true, true},
    };
    for (const auto& step : steps) {
        bool taken = false;
        if (step.message == WM_WTSSESSION_CHANGE) {
            taken = watch.Message(step.message, step.change, step.own ? own : own + 1);
        } else {
            TDisplayState state{{displayState, sizeof(DWORD), {}}, {}};
            const DWORD value = static_cast<DWORD>(step.change);
            std::memcpy(state.header.Data, &value, sizeof value);
            taken = watch.Message(step.message, PBT_POWERSETTINGCHANGE,
                                  reinterpret_cast<LPARAM>(&state));
        }
        EXPECT_TRUE(taken) << step.what;
        EXPECT_EQ(watch.Seen(), step.seen) << step.what;
        EXPECT_EQ(watch.Away(), step.away) << step.what;
    }
    EXPECT_FALSE(watch.Message(WM_TIMER, 0, 0));
    DestroyWindow(window);
}

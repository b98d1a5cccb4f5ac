#include "app/ScreenWatch.h"

#include <wtsapi32.h>

namespace {

// GUID_CONSOLE_DISPLAY_STATE: the display of the console session, 0 off, 1 on, 2 dimmed.
constexpr GUID ConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

} // namespace

TScreenWatch::~TScreenWatch() {
    Unwatch();
}

void TScreenWatch::Watch(HWND window) {
    Unwatch();
    window_ = window;
    ProcessIdToSessionId(GetCurrentProcessId(), &session_);
    // Started inside a remote session: the notifications tell only of changes.
    remote_ = GetSystemMetrics(SM_REMOTESESSION) != 0;
    // From the system folder only: the session service's DLL is not one the loader protects, and
    // an import would be looked for beside the exe first.
    wtsapi_.Reset(LoadLibraryExW(L"wtsapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (wtsapi_) {
        auto proc = [&](const char* name) {
            return reinterpret_cast<void (*)()>(GetProcAddress(wtsapi_.Get(), name));
        };
        auto registerSession =
            reinterpret_cast<BOOL(WINAPI*)(HWND, DWORD)>(proc("WTSRegisterSessionNotification"));
        unregisterSession_ =
            reinterpret_cast<BOOL(WINAPI*)(HWND)>(proc("WTSUnRegisterSessionNotification"));
        if (!registerSession || !unregisterSession_ ||
            !registerSession(window, NOTIFY_FOR_THIS_SESSION))
            unregisterSession_ = nullptr;
    }
    // The system answers at once with the display's state, and then with each change.
    display_ =
        RegisterPowerSettingNotification(window, &ConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void TScreenWatch::Unwatch() noexcept {
    if (unregisterSession_)
        unregisterSession_(window_);
    unregisterSession_ = nullptr;
    if (display_)
        UnregisterPowerSettingNotification(display_);
    display_ = nullptr;
}

bool TScreenWatch::Message(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WTSSESSION_CHANGE) {
        // Only the program's own session: another user's lock says nothing about this screen.
        if (static_cast<DWORD>(lParam) != session_)
            return true;
        switch (wParam) {
        case WTS_SESSION_LOCK:
        case WTS_SESSION_UNLOCK:
            locked_ = wParam == WTS_SESSION_LOCK;
            break;
        case WTS_REMOTE_CONNECT:
        case WTS_CONSOLE_CONNECT:
            remote_ = wParam == WTS_REMOTE_CONNECT;
            disconnected_ = false;
            break;
        case WTS_REMOTE_DISCONNECT:
        case WTS_CONSOLE_DISCONNECT:
            disconnected_ = true;
            break;
        default:
            break;
        }
        return true;
    }
    if (message == WM_POWERBROADCAST && wParam == PBT_POWERSETTINGCHANGE) {
        const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
        if (setting && IsEqualGUID(setting->PowerSetting, ConsoleDisplayState) &&
            setting->DataLength >= sizeof(DWORD))
            displayOff_ = *reinterpret_cast<const DWORD*>(setting->Data) == 0;
        return true;
    }
    return false;
}

// Whether anybody can see the screen: not while the program's session is locked, nor while the
// display is off, nor while the session is shown through a remote connection (its picture is on
// another screen, which has no defects) or is connected to no screen at all. The system tells a
// window of all of them once it has asked; that window hands the messages here.
#pragma once

#include <windows.h>

#include "ui/Handles.h"

class TScreenWatch {
public:
    TScreenWatch() = default;
    ~TScreenWatch();
    TScreenWatch(const TScreenWatch&) = delete;
    TScreenWatch& operator=(const TScreenWatch&) = delete;

    // Asks the system to tell `window`. Where it cannot (an older system, no session service),
    // the screen counts as seen throughout.
    void Watch(HWND window);
    // True when the message was one of the watch's.
    bool Message(UINT message, WPARAM wParam, LPARAM lParam);
    bool Seen() const noexcept { return !locked_ && !displayOff_ && !Away(); }
    // The session is not on this computer's screen: the covers would be drawn into a remote
    // picture, or into none.
    bool Away() const noexcept { return remote_ || disconnected_; }

private:
    void Unwatch() noexcept;

    HWND window_ = nullptr;
    DWORD session_ = 0;
    TModuleHandle wtsapi_;
    BOOL(WINAPI* unregisterSession_)(HWND) = nullptr;
    HPOWERNOTIFY display_ = nullptr;
    bool locked_ = false;
    bool displayOff_ = false;
    bool remote_ = false;
    bool disconnected_ = false;
};

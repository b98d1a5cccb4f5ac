// Whether the overlays in use need a raise: a walk over the top-level windows from the top that
// looks for a window really shown over the pixel of an overlay, or overlays out of their order.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <span>

#include "engine/RaiseGate.h"
#include "ui/Handles.h"

class TPixForm;

class TStackingCheck {
public:
    TStackingCheck();

    // Overlays count-1 down to 0 must stand in this order, and no window above one of them that
    // is visible and not cloaked may cover its pixel. Windows in `unpassed` that cover one are
    // told apart from the others. Allocates nothing.
    TRaiseGate::TFinding Check(std::span<TPixForm* const> inUse,
                               std::span<const std::uintptr_t> unpassed) const;
    // Every window (up to TRaiseGate::MaxUnpassed) that covers the pixel of an overlay below it.
    std::span<const std::uintptr_t> Covering(std::span<TPixForm* const> inUse);

    // Windows the compositor does not show although they keep their visible style (those of
    // other virtual desktops, suspended apps, hidden frames). Where dwmapi is missing, none.
    bool Cloaked(HWND window) const;
    // Where the window in `area` really draws: on Windows 10 and 11 a window's rectangle takes
    // in resize borders some pixels wide that nobody sees. Without the compositor's word, all.
    RECT DrawnArea(HWND window, const RECT& area) const;

private:
    struct TWalk;
    void Walk(TWalk& walk) const;

    TModuleHandle dwmapi_;
    HRESULT(WINAPI* getWindowAttribute_)(HWND, DWORD, PVOID, DWORD) = nullptr;
    std::array<std::uintptr_t, TRaiseGate::MaxUnpassed> covering_{};
};

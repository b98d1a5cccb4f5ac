// Whether covers need a raise: a walk over the top-level windows from the top that looks for a
// window really shown over the area of a cover, or covers out of their order.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <span>

#include "engine/RaiseGate.h"
#include "ui/Handles.h"

class TCoverForm;

class TStackingCheck {
public:
    TStackingCheck();

    // `covers` (all of one layer) must stand in their order, the last one on top, and no window
    // above one of them that is visible and not cloaked may lie over its area; covers of a
    // higher layer may. Windows in `unpassed` that lie over one are told apart from the others.
    // Allocates nothing.
    TRaiseGate::TFinding Check(std::span<TCoverForm* const> covers,
                               std::span<const std::uintptr_t> unpassed) const;
    // Every window (up to TRaiseGate::MaxUnpassed) that lies over a cover below it.
    std::span<const std::uintptr_t> Covering(std::span<TCoverForm* const> covers);
    // Whether one of `windows`, wherever it stands in the z-order, is shown over a cover's area.
    bool AnyOver(std::span<TCoverForm* const> covers, std::span<const HWND> windows) const;

    // Windows the compositor does not show although they keep their visible style (those of
    // other virtual desktops, suspended apps, hidden frames). Where dwmapi is missing, none.
    bool Cloaked(HWND window) const;
    // Where the window in `area` really draws: on Windows 10 and 11 a window's rectangle takes
    // in resize borders some pixels wide that nobody sees. Without the compositor's word, all.
    RECT DrawnArea(HWND window, const RECT& area) const;

private:
    struct TWalk;
    void Walk(TWalk& walk) const;
    // Whether `window`, shown and not one of `covers`, lies over the area of one of them (of
    // the first `count`).
    bool Over(HWND window, std::span<TCoverForm* const> covers, std::size_t count) const;

    TModuleHandle dwmapi_;
    HRESULT(WINAPI* getWindowAttribute_)(HWND, DWORD, PVOID, DWORD) = nullptr;
    std::array<std::uintptr_t, TRaiseGate::MaxUnpassed> covering_{};
};

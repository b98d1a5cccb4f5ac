// The primary monitor at another resolution while the object lives, as a game or a projector
// sets it; the one in the registry afterwards. Shared by the Windows test programs.
#pragma once

#include <windows.h>

class TDisplayMode {
public:
    TDisplayMode(int width, int height) : previous_(GetSystemMetrics(SM_CXSCREEN)) {
        DEVMODEW mode{};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = static_cast<DWORD>(width);
        mode.dmPelsHeight = static_cast<DWORD>(height);
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        changed_ = ChangeDisplaySettingsW(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
        Settle(width);
    }
    ~TDisplayMode() {
        if (changed_)
            ChangeDisplaySettingsW(nullptr, 0);
        Settle(previous_);
    }
    TDisplayMode(const TDisplayMode&) = delete;
    TDisplayMode& operator=(const TDisplayMode&) = delete;

    bool Changed() const { return changed_; }

private:
    // Until the desktop has the width, then a moment more: every program has had its
    // WM_DISPLAYCHANGE.
    static void Settle(int width) {
        for (int i = 0; i < 250 && GetSystemMetrics(SM_CXSCREEN) != width; ++i)
            Sleep(20);
        Sleep(500);
    }

    int previous_;
    bool changed_ = false;
};

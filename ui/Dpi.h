// DPI helpers. Forms are laid out in pixels for 96 DPI and scaled to the DPI of the monitor
// they stand on; overlays, the capture screen and screen reads work in physical pixels.
// The functions that arrived with Windows 10 are looked up at run time, so the program still
// starts on older systems (at the system DPI).
#pragma once

#include <windows.h>

#include <string>

inline constexpr UINT DesignDpi = 96;

// A length of the 96-DPI design scaled to `dpi`, rounded to nearest.
inline int ScaleToDpi(int designPixels, UINT dpi) {
    return MulDiv(designPixels, static_cast<int>(dpi), static_cast<int>(DesignDpi));
}

// Makes the process per-monitor-v2 DPI aware (per-monitor, then system aware as fallbacks)
// unless the manifest already did. Call before the first window is created.
void EnsureDpiAwareness();

UINT DpiForWindow(HWND window);
UINT DpiForMonitor(HMONITOR monitor);
UINT DpiForPoint(POINT point); // of the monitor that holds the point
UINT DpiForPrimaryMonitor();

// The size of a small icon (tray, caption) on the primary monitor, in physical pixels.
int SmallIconSize();

// The face to create a font of `face` with at `dpi`. "MS Sans Serif" is a bitmap font, drawn
// for 96 DPI and coarsely enlarged above it; "Microsoft Sans Serif" is its outline twin with
// the same metrics at 96 DPI. Every other face, and every face at 96 DPI, stays as it is.
std::wstring FontFaceForDpi(const std::wstring& face, UINT dpi);

// Outer size for a client rectangle, for the window's style at `dpi`.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);

#include "ui/Dpi.h"

namespace {

template <class F>
F UserProc(const char* name) {
    // user32 is always loaded; GetProcAddress on it needs no LoadLibrary.
    static HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)))
                  : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using SetProcessDpiAwarenessContextFn = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

UINT ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : DesignDpi;
}

} // namespace

UINT DpiForMonitor(HMONITOR monitor) {
    // shcore.dll exists from Windows 8.1 on; loaded from the system folder only.
    static GetDpiForMonitorFn getDpiForMonitor = [] {
        HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return shcore ? reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void (*)()>(
                            GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    UINT x = 0, y = 0;
    if (monitor && getDpiForMonitor && SUCCEEDED(getDpiForMonitor(monitor, 0, &x, &y)) && y)
        return y;
    return ScreenDpi();
}

void EnsureDpiAwareness() {
    if (auto setContext =
            UserProc<SetProcessDpiAwarenessContextFn>("SetProcessDpiAwarenessContext")) {
        // Fails with ERROR_ACCESS_DENIED when the manifest has set it already: that is fine.
        if (!setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2))
            setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
        return;
    }
    SetProcessDPIAware();
}

UINT DpiForWindow(HWND window) {
    static auto getDpiForWindow = UserProc<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && window) {
        if (UINT dpi = getDpiForWindow(window))
            return dpi;
    }
    return window ? DpiForMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY))
                  : ScreenDpi();
}

UINT DpiForPoint(POINT point) {
    return DpiForMonitor(MonitorFromPoint(point, MONITOR_DEFAULTTOPRIMARY));
}

UINT DpiForPrimaryMonitor() {
    return DpiForPoint(POINT{0, 0});
}

int SmallIconSize() {
    static auto metricsForDpi = UserProc<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    int size = metricsForDpi ? metricsForDpi(SM_CXSMICON, DpiForPrimaryMonitor()) : 0;
    return size > 0 ? size : GetSystemMetrics(SM_CXSMICON);
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) {
    static auto adjustForDpi = UserProc<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (adjustForDpi && adjustForDpi(&rect, style, FALSE, exStyle, dpi))
        return;
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

std::wstring FontFaceForDpi(const std::wstring& face, UINT dpi) {
    if (dpi > DesignDpi && CompareStringOrdinal(face.c_str(), static_cast<int>(face.size()),
                                                L"MS Sans Serif", -1, TRUE) == CSTR_EQUAL)
        return L"Microsoft Sans Serif";
    return face;
}

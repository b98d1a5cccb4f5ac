#include "tests/windows/ScreenPattern.h"

#include <stdexcept>

namespace {

std::vector<std::uint32_t> ToDib(std::vector<std::uint32_t> pixels) {
    for (std::uint32_t& p : pixels)
        p = ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
    return pixels;
}

} // namespace

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

TScreenPattern::TScreenPattern(RECT area, std::vector<std::uint32_t> pixels, bool topmost)
    : area_(area), pixels_(ToDib(std::move(pixels))) {
    static bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = WndProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"TestScreenPattern";
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
    window_ = CreateWindowExW((topmost ? WS_EX_TOPMOST : 0) | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                              L"TestScreenPattern", L"pattern", WS_POPUP, area.left, area.top,
                              area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
    if (!window_)
        throw std::runtime_error("cannot create the pattern window");
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    WaitPainted();
}

TScreenPattern::~TScreenPattern() {
    DestroyWindow(window_);
    PumpMessages();
}

void TScreenPattern::Repaint(std::vector<std::uint32_t> pixels, bool wait) {
    pixels_ = ToDib(std::move(pixels));
    InvalidateRect(window_, nullptr, FALSE);
    if (wait)
        WaitPainted();
    else
        UpdateWindow(window_);
}

void TScreenPattern::WaitPainted() const {
    UpdateWindow(window_);
    GdiFlush();
    // The X server shows the result a moment later.
    for (int i = 0; i < 10; ++i) {
        PumpMessages();
        Sleep(20);
    }
}

void TScreenPattern::Paint(HDC dc) const {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = area_.right - area_.left;
    info.bmiHeader.biHeight = -(area_.bottom - area_.top);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(info.bmiHeader.biWidth),
                      static_cast<DWORD>(-info.bmiHeader.biHeight), 0, 0, 0,
                      static_cast<UINT>(-info.bmiHeader.biHeight), pixels_.data(), &info,
                      DIB_RGB_COLORS);
}

LRESULT CALLBACK TScreenPattern::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<TScreenPattern*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_PAINT && self) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        self->Paint(dc);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND)
        return 1;
    return DefWindowProcW(window, message, wParam, lParam);
}

// A test window that covers part of the screen with a picture of the test's choosing, so that
// screen reads have a known answer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

class TScreenPattern {
public:
    // Covers `area` (screen pixels), topmost unless told otherwise, showing `pixels`
    // (0x00BBGGRR, row by row).
    TScreenPattern(RECT area, std::vector<std::uint32_t> pixels, bool topmost = true);
    ~TScreenPattern();
    TScreenPattern(const TScreenPattern&) = delete;
    TScreenPattern& operator=(const TScreenPattern&) = delete;

    HWND Handle() const { return window_; }
    // Shows a new picture; by default waits until it is on the screen.
    void Repaint(std::vector<std::uint32_t> pixels, bool wait = true);
    // Pumps messages until the picture has reached the screen.
    void WaitPainted() const;

    static RECT Screen() {
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    static std::vector<std::uint32_t> Uniform(RECT area, std::uint32_t color) {
        return std::vector<std::uint32_t>(
            static_cast<std::size_t>((area.right - area.left) * (area.bottom - area.top)), color);
    }

private:
    static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc) const;

    RECT area_;
    std::vector<std::uint32_t> pixels_; // 0x00RRGGBB for the DIB
    HWND window_ = nullptr;
};

// Runs every waiting message of this thread.
void PumpMessages();

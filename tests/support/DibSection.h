// A 32-bit top-down bitmap in a memory device context, for the Windows test programs: what is
// drawn on it, or copied onto it from the screen or a window, is read back pixel by pixel.
#pragma once

#include <windows.h>

#include <cstdint>

class TDibSection {
public:
    TDibSection(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_ = CreateDIBSection(screen_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                   nullptr, 0);
        old_ = SelectObject(memory_, bitmap_);
    }
    ~TDibSection() {
        SelectObject(memory_, old_);
        DeleteObject(bitmap_);
        DeleteDC(memory_);
        ReleaseDC(nullptr, screen_);
    }
    TDibSection(const TDibSection&) = delete;
    TDibSection& operator=(const TDibSection&) = delete;

    HDC Dc() const { return memory_; }
    // Copies the area at (left, top) of `source` (by default the screen), as large as the bitmap.
    void Copy(int left, int top, HDC source = nullptr) {
        BitBlt(memory_, 0, 0, width_, height_, source ? source : screen_, left, top, SRCCOPY);
        GdiFlush();
    }
    // The pixels as the bitmap stores them: 0x00RRGGBB, row by row.
    std::uint32_t* Bits() const { return bits_; }
    // 0x00BBGGRR of the pixel (x, y).
    COLORREF At(int x, int y) const {
        const std::uint32_t p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int width_, height_;
    HDC screen_ = GetDC(nullptr), memory_ = CreateCompatibleDC(screen_);
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

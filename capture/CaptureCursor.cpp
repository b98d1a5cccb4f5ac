#include "capture/CaptureCursor.h"

#include "ui/Dpi.h"

TCaptureCursor::TCaptureCursor(HMODULE module) {
    for (std::size_t i = 0; i < FrameSizes.size(); ++i)
        // With an explicit size LoadImage picks the frame of that size rather than stretching
        // the one nearest the system's cursor size; without LR_SHARED the handle is ours. It
        // fails only where the resource is missing altogether.
        frames_[i].Reset(static_cast<HCURSOR>(LoadImageW(
            module, L"NewCursor", IMAGE_CURSOR, FrameSizes[i], FrameSizes[i], LR_DEFAULTCOLOR)));
}

int TCaptureCursor::FrameSizeFor(UINT dpi) {
    const int wanted = ScaleToDpi(FrameSizes.front(), dpi);
    int size = FrameSizes.front();
    for (int frame : FrameSizes)
        if (frame <= wanted)
            size = frame;
    return size;
}

HCURSOR TCaptureCursor::ForDpi(UINT dpi) const {
    const int size = FrameSizeFor(dpi);
    for (std::size_t i = 0; i < FrameSizes.size(); ++i)
        if (FrameSizes[i] == size)
            return frames_[i].Get();
    return nullptr;
}

HCURSOR TCaptureCursor::AtCursorPosition() const {
    POINT at{};
    if (!GetCursorPos(&at))
        return ForDpi(DpiForPrimaryMonitor());
    return ForDpi(DpiForPoint(at));
}

#include "capture/CaptureCursor.h"

#include "ui/Dpi.h"

TCaptureCursor::TCaptureCursor(HMODULE module) {
    for (std::size_t i = 0; i < FrameSizes.size(); ++i)
        // With an explicit size LoadImage picks the frame of that size rather than stretching
        // the one nearest the system's cursor size; without LR_SHARED the handle is ours.
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
    std::size_t wanted = 0;
    while (FrameSizes[wanted] != size)
        ++wanted;
    if (frames_[wanted])
        return frames_[wanted].Get();
    // The nearest frame that did load; an outsized cross-hair still frames one pixel.
    for (std::size_t distance = 1; distance < FrameSizes.size(); ++distance) {
        if (wanted >= distance && frames_[wanted - distance])
            return frames_[wanted - distance].Get();
        if (wanted + distance < FrameSizes.size() && frames_[wanted + distance])
            return frames_[wanted + distance].Get();
    }
    return nullptr;
}

HCURSOR TCaptureCursor::AtCursorPosition() const {
    POINT at{};
    if (!GetCursorPos(&at))
        return ForDpi(DpiForPrimaryMonitor());
    return ForDpi(DpiForPoint(at));
}

// The capture screen's cross-hair, NewCursor, in the frame drawn for the DPI of the monitor it
// is on. The system would stretch a 32-pixel frame to the size it wants at 150 %, turning the
// one-pixel ring around the hot spot uneven; each frame of the resource is drawn for its size,
// so shown 1:1 it frames exactly one physical pixel.
#pragma once

#include <windows.h>

#include <array>

#include "ui/Handles.h"

struct TCursorTraits {
    using Type = HCURSOR;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { DestroyCursor(h); }
};
using TCursorHandle = TUniqueHandle<TCursorTraits>;

class TCaptureCursor {
public:
    // The frame sizes of the resource, for 100, 150 and 200 %.
    static constexpr std::array<int, 3> FrameSizes{32, 48, 64};

    // Loads every frame once from `module`'s resources.
    explicit TCaptureCursor(HMODULE module = GetModuleHandleW(nullptr));

    // The size of the frame for `dpi`: the largest that the DPI's scaling of 32 pixels reaches,
    // so 32 up to 149 %, 48 up to 199 %, 64 from 200 %.
    static int FrameSizeFor(UINT dpi);
    // The frame for `dpi`; null without the resource.
    HCURSOR ForDpi(UINT dpi) const;
    // The frame for the monitor the cursor is on now.
    HCURSOR AtCursorPosition() const;

private:
    std::array<TCursorHandle, FrameSizes.size()> frames_;
};

// The arithmetic of the position check: the background that shows a defect, the blink of its
// cover, where an arrow key takes the cover, and where the hint may stand. Platform-neutral.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "engine/ScreenLayout.h"

// A sub-pixel stuck lit shows on black, one stuck dark only on white; a pixel with both is
// checked on black, where the lit one stands out.
bool CheckOnBlack(std::uint8_t flags) noexcept;

// The cover changes colour every this many milliseconds, blinking at 2 Hz: slow enough for the
// eye to follow, fast enough to tell the blinking spot from a steady one at once.
inline constexpr std::uint32_t CoverBlinkMs = 250;

// The cover's colour after `changes` changes: first the opposite of the background, so that it
// shows at once, then the background, and so on (0x00BBGGRR).
std::uint32_t CoverColor(bool onBlack, std::uint64_t changes) noexcept;

// Where a step of (dx, dy) takes the cover from `at`. A step that would leave every monitor
// stops at the edge of the cover's monitor (of the layout's bounds if the cover is on none).
TPixelPoint StepCover(TPixelPoint at, int dx, int dy, const TScreenLayout& monitors) noexcept;

// Whether `area` keeps at least `clearance` pixels from every point of `points`.
bool KeepsClear(const TPixelRect& area, std::span<const TPixelPoint> points,
                int clearance) noexcept;

// A place for a hint of `width` x `height` pixels in `workArea`: centred, `margin` below its top
// edge, else as far above its bottom edge; the first that keeps `clearance` from `points`.
// Nothing when neither does, or the hint does not fit.
std::optional<TPixelRect> HintPlace(const TPixelRect& workArea, int width, int height, int margin,
                                    std::span<const TPixelPoint> points, int clearance) noexcept;

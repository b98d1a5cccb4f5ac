// The concealment tick: every overlay in use takes the colour that hides its defect in what the
// screen shows around it, and stays above every other always-on-top window.
#pragma once

#include <windows.h>

#include <span>

#include "engine/ScreenSampler.h"
#include "store/DefectList.h"

class TPixForm;

class TConcealmentTick {
public:
    // Entry i of `defects` belongs to overlays[i]. Allocates nothing.
    void Run(const TDefectList& defects, HDC desktopDC, std::span<TPixForm* const> overlays);

    // True when overlays count-1 down to 0 stand, in this order, above every visible window
    // (hidden windows of others do not count: they cover nothing).
    static bool OverlaysOnTop(std::span<TPixForm* const> inUse);

    const TScreenSampler& Sampler() const noexcept { return sampler_; }

    // The costs of a screen copy are measured at the first tick and, once settled, again after
    // this many.
    static constexpr int MeasureEvery = 8 * 60;

private:
    TScreenSampler sampler_;
    int measureInterval_ = 0; // 0 until the first measurement
    int untilMeasure_ = 0;
};

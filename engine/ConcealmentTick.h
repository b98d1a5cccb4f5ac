// The concealment tick: every overlay in use takes the colour that hides its defect in what the
// screen shows around it, and stays above every window that would cover it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

#include "engine/CoverStack.h"
#include "engine/ScreenSampler.h"
#include "store/DefectList.h"

class TCoverForm;
class TPixForm;

class TConcealmentTick {
public:
    // Entry i of `defects` belongs to overlays[i]; held overlays are passed over, hidden ones are
    // coloured but not raised. Allocates nothing.
    void Run(const TDefectList& defects, HDC desktopDC, std::span<TPixForm* const> overlays);

    // True when the shown overlays stand in their order (the highest index on top) and no shown
    // window above one of them covers its pixel: then raising them changes nothing on the screen.
    bool OverlaysOnTop(std::span<TPixForm* const> inUse) const;

    // After a display change: the next tick asks where the monitors are.
    void MonitorsChanged() noexcept { sampler_.MonitorsChanged(); }

    // How often Run has raised the overlays.
    int RaiseCount() const noexcept { return stack_.RaiseCount(); }
    const TScreenSampler& Sampler() const noexcept { return sampler_; }

    // The costs of a screen copy are measured at the first tick and, once settled, again after
    // this many.
    static constexpr int MeasureEvery = 8 * 60;

private:
    TScreenSampler sampler_;
    TCoverStack stack_;
    int measureInterval_ = 0; // 0 until the first measurement
    int untilMeasure_ = 0;
};

// The flashing of a repair: the flash windows of the entries being repaired step through their
// colours and stay above whatever is raised over them, while the overlays of those entries are
// held hidden.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "engine/CoverStack.h"
#include "store/DefectList.h"

class TFlashForm;

class TFlashing {
public:
    bool Running() const noexcept { return count_ > 0; }
    // Entries first to first + count - 1 of `defects` flash, starting with the first colour; a
    // press on any of their flash windows calls onPress.
    void Start(const TDefectList& defects, int first, int count, std::function<void()> onPress);
    // The next colour on every flash window, after a raise if a window has come over one;
    // nothing within half a step of the last change. Allocates nothing.
    void Step();
    // The flash windows go, and the overlays come back as the concealment's look says.
    void Stop();
    // After the monitors changed: each flash window goes back to its pixel, or waits hidden
    // while no monitor shows it.
    void FollowDisplayChange();

private:
    std::span<TFlashForm* const> InUse() const;

    int first_ = 0;
    int count_ = 0;
    std::uint64_t step_ = 0;
    std::uint64_t stepAt_ = 0; // tick count of the last colour change
    TCoverStack stack_;
};

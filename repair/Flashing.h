// The flashing of a repair: the flash windows of the entries being repaired step through their
// colours and stay above whatever is raised over them, while the overlays of those entries are
// held hidden.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "engine/StackingCheck.h"
#include "store/DefectList.h"

class TFlashForm;

class TFlashing {
public:
    bool Running() const noexcept { return count_ > 0; }
    // Entries first to first + count - 1 of `defects` flash, starting with the first colour; a
    // press on any of their flash windows calls onPress.
    void Start(const TDefectList& defects, int first, int count, std::function<void()> onPress);
    // The next colour on every flash window, now and then after a raise if a window covers one;
    // nothing within half a step of the last change. Allocates nothing.
    void Step();
    // The flash windows go, and the overlays come back as the concealment's look says.
    void Stop();
    // After the monitors changed: each flash window goes back to its pixel, or waits hidden
    // while no monitor shows it.
    void FollowDisplayChange(const TDefectList& defects);

private:
    // Every this many steps the flash windows are checked for a window over them.
    static constexpr std::uint64_t StackingEvery = 4;

    std::span<TFlashForm* const> InUse() const;
    // Whether a shown window other than an overlay lies above a shown flash window and over its
    // area.
    bool Covered() const;

    int first_ = 0;
    int count_ = 0;
    std::uint64_t step_ = 0;
    std::uint64_t stepAt_ = 0; // tick count of the last colour change
    // A window that a raise does not pass (one in a band above the topmost windows) is tried
    // again from this tick count on, not at every step.
    std::uint64_t retryAt_ = 0;
    TStackingCheck stacking_; // for its questions to the compositor
};

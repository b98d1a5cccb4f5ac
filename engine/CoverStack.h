// Keeps covers (the overlays, the flash windows) above every window that would lie over one of
// them. Each tick or step hands over the covers that are shown; now and then a walk of the
// z-order finds a window over one or the covers out of their order, and they are raised. A window
// that has just appeared over one is answered at once with a restack: Wine's virtual desktop
// draws it above the covers although its z-order says otherwise.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "engine/RaiseGate.h"
#include "engine/StackingCheck.h"

class TCoverForm;
class TShownWindows;

class TCoverStack {
public:
    // The z-order is walked at most this often; a tick of 125 ms walks every time, a flash step
    // of 33 ms every fourth.
    static constexpr std::uint64_t WalkEveryMs = 100;

    TCoverStack();
    ~TCoverStack();

    // `covers` are shown and of one layer, the one that belongs on top last. Raises them at most
    // once, and only when a window lies over one or they stand out of order. Allocates nothing.
    void Keep(std::span<TCoverForm* const> covers, std::uint64_t nowMs);
    // True when they stand in their order and no shown window above one lies over its area.
    bool OnTop(std::span<TCoverForm* const> covers) const;

    // How often Keep has raised the covers.
    int RaiseCount() const noexcept { return raises_; }

private:
    // Whether a window that has appeared lies over one of `covers`. A window told of before it
    // shows (when it is made) is looked at again until it does, for a while.
    bool AppearedOver(std::span<TCoverForm* const> covers, std::uint64_t nowMs);

    static constexpr std::uint64_t PendingMs = 1000;
    static constexpr std::uint64_t FollowUpMs = 400;
    static constexpr std::size_t MaxPending = 8;

    TStackingCheck stacking_;
    TRaiseGate gate_;
    std::shared_ptr<TShownWindows> shown_;
    std::uint64_t seenSerial_ = 0;
    struct TPending {
        HWND window;
        std::uint64_t until;
    };
    std::array<TPending, MaxPending> pending_{};
    std::size_t pendingCount_ = 0;
    int followUps_ = 0;
    std::uint64_t followUpAt_ = 0;
    std::uint64_t walkedAt_ = 0;
    bool walked_ = false;
    int raises_ = 0;
};

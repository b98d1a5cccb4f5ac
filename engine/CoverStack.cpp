#include "engine/CoverStack.h"

#include <algorithm>
#include <array>

#include "engine/CoverForm.h"
#include "engine/ShownWindows.h"

TCoverStack::TCoverStack() : shown_(TShownWindows::Use()) {
    seenSerial_ = shown_->Serial();
}

TCoverStack::~TCoverStack() = default;

bool TCoverStack::AppearedOver(std::span<TCoverForm* const> covers, std::uint64_t nowMs) {
    bool over = false;
    const auto look = [&](HWND window) {
        // Not shown yet: looked at again at the next ticks. Shown: over a cover or not, done.
        if (!IsWindow(window) || std::any_of(covers.begin(), covers.end(),
                                             [&](TCoverForm* c) { return c->Handle() == window; }))
            return true;
        if (!IsWindowVisible(window))
            return false;
        // An always-on-top window stands where the z-order says; the walk sees one above a cover.
        // An ordinary one stands below the covers, yet Wine's virtual desktop may draw it above.
        if (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST)
            return true;
        // One that a raise has not passed before stays above whatever is done now.
        const auto unpassed = gate_.Unpassed();
        over = over || (std::find(unpassed.begin(), unpassed.end(),
                                  reinterpret_cast<std::uintptr_t>(window)) == unpassed.end() &&
                        stacking_.AnyOver(covers, std::span(&window, 1)));
        return true;
    };
    std::size_t kept = 0;
    for (std::size_t i = 0; i < pendingCount_; ++i)
        if (!look(pending_[i].window) && nowMs < pending_[i].until)
            pending_[kept++] = pending_[i];
    pendingCount_ = kept;
    if (shown_->Serial() == seenSerial_)
        return over;
    std::array<HWND, TShownWindows::Kept> appeared;
    std::size_t count = 0;
    const bool known = shown_->Since(seenSerial_, appeared, count);
    seenSerial_ = shown_->Serial();
    // More than are kept: any of them may lie over one.
    if (!known)
        return true;
    for (HWND window : std::span(appeared).first(count))
        if (!look(window) && pendingCount_ < MaxPending)
            pending_[pendingCount_++] = {window, nowMs + PendingMs};
    return over;
}

void TCoverStack::Keep(std::span<TCoverForm* const> covers, std::uint64_t nowMs) {
    // A window that has appeared since the last look and lies over a cover, wherever the
    // z-order puts it.
    bool restack = AppearedOver(covers, nowMs) && !covers.empty();
    // The window system may draw the window that appeared once more after the first restack (it
    // is activated in steps, and a busy machine takes its time): twice more, a while later.
    if (restack) {
        followUps_ = 2;
        followUpAt_ = nowMs + FollowUpMs;
    } else if (followUps_ > 0 && nowMs >= followUpAt_ && !covers.empty()) {
        restack = true;
        --followUps_;
        followUpAt_ = nowMs + 2 * FollowUpMs;
    }
    if (covers.empty() || (!restack && walked_ && nowMs - walkedAt_ < WalkEveryMs))
        return;
    walked_ = true;
    walkedAt_ = nowMs;

    // Raising a cover that is already where it belongs is free of visible effect but not of
    // cost: every raise restacks the band. The screen shows the same as after a raise of all when
    // no shown window lies over a cover from above and they stand in their order; windows
    // elsewhere, above them or between them, change nothing.
    const bool raise = gate_.ShouldRaise(stacking_.Check(covers, gate_.Unpassed()), nowMs);
    if (!raise && !restack)
        return;
    for (TCoverForm* cover : covers)
        restack ? cover->Restack() : cover->ReassertTopmost();
    ++raises_;
    // A window that is still above one it lies over sits in a band above the topmost windows:
    // raising again at once would change nothing.
    gate_.Raised(stacking_.Covering(covers), nowMs);
}

bool TCoverStack::OnTop(std::span<TCoverForm* const> covers) const {
    const TRaiseGate::TFinding found = stacking_.Check(covers, {});
    return !found.OrderWrong && !found.Covered;
}

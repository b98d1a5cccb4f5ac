#include "ui/FormFocus.h"

#include <utility>

#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Form.h"

namespace {
unsigned CurrentStep() {
    return Application ? Application->DispatchSerial() : 0;
}
} // namespace

void TFormFocus::Focused(const TControl& control) noexcept {
    focused_ = control.Handle();
}

void TFormFocus::Gone(const TControl& control) noexcept {
    if (activeControl_ == &control)
        activeControl_ = nullptr;
    if (appeared_ == &control)
        appeared_ = nullptr;
    if (leaving_ == &control)
        leaving_ = nullptr;
}

bool TFormFocus::CanTakeFocus(HWND window) const {
    // Checked by handle: a remembered control may have gone since.
    return window && IsWindow(window) && IsChild(form_.Handle(), window) &&
           IsWindowVisible(window) && IsWindowEnabled(window) &&
           (GetWindowLongPtrW(window, GWL_STYLE) & WS_TABSTOP);
}

void TFormFocus::Appeared(TControl& control) noexcept {
    if (!control.TabStop())
        return;
    appeared_ = &control;
    appearedIn_ = CurrentStep();
}

void TFormFocus::Leaving(const TControl& leaving) {
    TControl* focused = form_.FocusedControl();
    if (!focused || !focused->IsWithin(leaving))
        return;
    // Where the focus goes is decided once the step that hides or disables the control is
    // over, when what it shows in its place is visible too.
    leaving_ = &leaving;
    leftIn_ = CurrentStep();
    resolveWhenSettled_ = form_.InMessage();
    ::SetFocus(form_.Handle());
    if (!resolveWhenSettled_)
        PostMessageW(form_.Handle(), ResolveMessage, 0, 0);
}

void TFormFocus::Settle(bool settled) {
    if (leaving_ && (!settled || resolveWhenSettled_))
        Resolve();
}

void TFormFocus::Resolve() {
    const TControl* lost = std::exchange(leaving_, nullptr);
    const HWND form = form_.Handle();
    // Only while the form still holds the keyboard: a window opened meanwhile (a message box),
    // or another program the user went to, keeps it, and the next activation restores it here.
    if (!lost || GetFocus() != form)
        return;
    // The control itself when it is back (a button disabled and enabled again in one command),
    // else the one the same step showed or enabled (the next page's link, the picture button
    // of the other look), else the next tab stop.
    HWND target = nullptr;
    if (CanTakeFocus(lost->Handle()))
        target = lost->Handle();
    else if (appeared_ && appearedIn_ == leftIn_ && CanTakeFocus(appeared_->Handle()))
        target = appeared_->Handle();
    else
        for (HWND next = lost->Handle(), first = nullptr;;) {
            // Round once: the lost control itself may never come round again (its children may,
            // when it is a container).
            next = GetNextDlgTabItem(form, next, FALSE);
            if (!next || next == lost->Handle() || next == first)
                break;
            if (!first)
                first = next;
            if (const TControl* control = form_.ControlOf(next);
                control && !control->IsWithin(*lost) && CanTakeFocus(next)) {
                target = next;
                break;
            }
        }
    // With no tab stop left the form keeps the keyboard, so Tab finds one again later.
    if (target && GetFocus() != target)
        ::SetFocus(target);
}

void TFormFocus::Restore() {
    if (leaving_)
        return; // the focus is being passed on
    HWND target = CanTakeFocus(focused_) ? focused_ : nullptr;
    if (!target && activeControl_ && CanTakeFocus(activeControl_->Handle()))
        target = activeControl_->Handle();
    if (!target) {
        HWND first = GetNextDlgTabItem(form_.Handle(), nullptr, FALSE);
        target = CanTakeFocus(first) ? first : nullptr;
    }
    if (target && GetFocus() != target)
        ::SetFocus(target);
}

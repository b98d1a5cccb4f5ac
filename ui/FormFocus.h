// Where a form's keyboard focus goes, as the system's dialog manager decides it for dialogs: back
// to the control that had it when the form is activated again (the first time to the form's
// active control or its first tab stop), and on to a fitting control when the focused one is
// hidden or disabled. One per form; it holds every piece of the form's focus state.
#pragma once

#include <windows.h>

class TControl;
class TForm;

class TFormFocus {
public:
    // Private to the toolkit: far above the WM_APP messages a form of the program may use.
    static constexpr UINT ResolveMessage = WM_APP + 0x3F00;

    explicit TFormFocus(TForm& form) noexcept : form_(form) {}

    // The control the first activation focuses.
    void SetActiveControl(TControl* control) noexcept { activeControl_ = control; }
    // The next activation focuses as the first one did, not the control focused last.
    void Forget() noexcept { focused_ = nullptr; }
    void Focused(const TControl& control) noexcept;
    // A control of the form is being destroyed: nothing may point at it any more.
    void Gone(const TControl& control) noexcept;

    // After `control` was shown or enabled.
    void Appeared(TControl& control) noexcept;
    // Before `control` is hidden or disabled: a focus inside it passes on, once the step is
    // over, to the control itself if it is back, else to the control the same step showed or
    // enabled, else to the next tab stop. Meanwhile the form holds the keyboard.
    void Leaving(const TControl& control);
    // The step is over: the form's window procedure has returned (`settled`), or the posted
    // ResolveMessage has come.
    void Settle(bool settled);

    // On activation, and when the form itself gets the focus.
    void Restore();

    // Whether `window` is a control of the form that the keyboard can reach now.
    bool CanTakeFocus(HWND window) const;

private:
    void Resolve();

    TForm& form_;
    HWND focused_ = nullptr; // the control that had the focus last, checked by handle
    TControl* activeControl_ = nullptr;
    // A focus being passed on from a control that was hidden or disabled.
    const TControl* leaving_ = nullptr;
    unsigned leftIn_ = 0;
    bool resolveWhenSettled_ = false;
    TControl* appeared_ = nullptr; // the tab stop shown or enabled last
    unsigned appearedIn_ = 0;
};

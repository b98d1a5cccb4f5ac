// Forms: one top-level window per object, owned by the hidden application window so that no
// form gets a task-bar button of its own. The window class is named after the form class
// ("TFHaupt", "TPixForm", ...), which automation and the end-to-end tests rely on.
//
// A form's constructor is its definition: it runs inside the loading bracket, declares the
// controls and sets the components' stored properties; no window exists yet, and no constructor
// calls a virtual function. TApplication::CreateForm then runs Create(): the windows are made,
// the bracket closes (each component's Loaded() runs), and FormCreate follows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/FormFocus.h"
#include "ui/Graphics.h"
#include "ui/Window.h"

class TButton;
class TControl;
class TPopupMenu;

enum class TBorderStyle {
    bsNone,     // pop-up without border or caption bar
    bsDialog,   // fixed dialog frame: caption bar with a close box, not resizable
    bsSizeable, // ordinary resizable window
};
enum class TFormStyle { fsNormal, fsStayOnTop };
enum class TPosition {
    poDesigned,     // where the definition puts it
    poScreenCenter, // centred on the primary screen the first time it is shown
};
enum class TCloseAction { caNone, caHide, caFree };

enum TModalResult : int {
    mrNone = 0,
    mrOk = IDOK,
    mrCancel = IDCANCEL,
    mrYes = IDYES,
    mrNo = IDNO,
};

// The stored properties that decide how the form's window is created.
struct TFormDefinition {
    const wchar_t* ClassName = L"TForm";
    std::wstring Caption;
    TBorderStyle BorderStyle = TBorderStyle::bsSizeable;
    TFormStyle FormStyle = TFormStyle::fsNormal;
    TPosition Position = TPosition::poDesigned;
    // Outer position in screen pixels, and client size in pixels of the 96-DPI design.
    int Left = 0;
    int Top = 0;
    int ClientWidth = 0;
    int ClientHeight = 0;
    TColor Color = clBtnFace;
    // The font of the form's controls unless a control sets its own.
    TFontSpec Font;
    // False for forms that size themselves in physical pixels (overlays, full-screen windows):
    // they are not rescaled when the DPI changes.
    bool Scaled = true;
    // For windows that must never take the focus from the user's program (overlays): shown and
    // raised without activation, never activated by a click, never in the task switcher.
    bool NeverActivate = false;
    // The mouse passes through the window to the one beneath: its clicks, its wheel, the
    // pointer's shape.
    bool ClickThrough = false;
    // For windows that only cover a defect: the window asks to be left out of screen captures,
    // which then show the screen as it is without it.
    bool HiddenFromCaptures = false;
    // A device context of the window's own, kept for its whole life (CS_OWNDC), for forms that
    // paint many times a second: fetching a shared one resets it each time, which is not free.
    bool OwnDC = false;
};

class TForm : public TComponent, public TWindow {
public:
    // Records the definition; the window is made in Create().
    explicit TForm(const TFormDefinition& definition);
    ~TForm() override;

    const std::wstring& ClassName() const noexcept { return className_; }
    // The form of a window of the program, or null.
    static TForm* FromHandle(HWND window) noexcept;

    // The second phase of creation, once the form's object is whole: makes the form's window and
    // its controls' windows in creation order, closes the definition's loading bracket, lays the
    // form out and runs FormCreate (its errors go to the top-level handler, and creation goes
    // on). Called once by TApplication::CreateForm.
    void Create();
    // Runs FormDestroy; called by TApplication before it destroys the form.
    void BeforeDestruction() noexcept;

    // --- Appearance ---------------------------------------------------------------------------
    std::wstring Caption() const;
    void SetCaption(const std::wstring& caption);
    TColor Color() const noexcept { return color_; }
    // A different colour repaints the window; the same colour does nothing.
    void SetColor(TColor color);
    void SetIcon(HICON icon); // shared image: the caller keeps it alive
    const TFontSpec& DefaultFont() const noexcept { return font_; }

    // --- Geometry (screen pixels) -------------------------------------------------------------
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int left);
    void SetTop(int top);
    // Makes the form cover the whole virtual screen, every monitor as it is now. Its client
    // position plus its origin (negative left of or above the primary monitor) is a screen
    // position.
    void CoverVirtualScreen();
    // The DPI the form is laid out for, and a 96-DPI design length scaled to it (as it is for a
    // form that is not Scaled: physical pixels).
    UINT Dpi() const noexcept { return dpi_; }
    int Scale(int designPixels) const;

    // --- Visibility ---------------------------------------------------------------------------
    bool Visible() const noexcept;
    // Hidden to shown: FormShow runs first, then the window is shown normally (and activated).
    // Shown to hidden: the window is hidden. The same value does nothing.
    void SetVisible(bool visible);
    // Visible, then raised to the top of its band and activated.
    void Show();
    void Hide() { SetVisible(false); }
    void BringToFront();
    // Show, unless a modal window of the program is open: then that one comes to the front
    // instead. It disables the program's other windows, and one of them in front of it would
    // only look dead.
    void ShowAboveModal();
    // Shows the form and runs a message loop until a modal result is set or the program is
    // terminating (then the result is mrCancel). The program's other windows are disabled
    // meanwhile; afterwards they are enabled again and the window that was active before is
    // activated again.
    int ShowModal();
    bool Modal() const noexcept { return modal_; }
    // Whether the system agreed to leave the window out of screen captures (a HiddenFromCaptures
    // window asks where the system knows how; elsewhere, and under Wine, it is false).
    bool LeftOutOfCaptures() const noexcept { return leftOutOfCaptures_; }
    int ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }

    // Closing hides the form; closing the main form terminates the application; closing a
    // modal form ends its loop with mrCancel.
    void Close();

    // Centres the form on `monitor` (laid out for its DPI first) the next time it is shown, and
    // from then on whenever it would not stand wholly on that monitor.
    void SetHomeMonitor(HMONITOR monitor) noexcept { homeMonitor_ = monitor; }

    // --- Keyboard -----------------------------------------------------------------------------
    // What the system's dialog manager gives a dialog, for every form that holds controls: the
    // focus on the control that last had it (the first time on ActiveControl, else on the first
    // tab stop) whenever the form is activated; Tab and Shift+Tab through the tab stops; arrows
    // within a group; Enter for the focused push button or else the default button; Esc as the
    // close box; focus rectangles once the user works with the keyboard.
    TFormFocus& Focus() noexcept { return focus_; }
    void SetActiveControl(TControl* control) noexcept { focus_.SetActiveControl(control); }
    // The next activation focuses as the first one did, not the control focused last.
    void ForgetFocus() noexcept { focus_.Forget(); }
    TButton* DefaultButton() const noexcept { return defaultButton_; }
    void SetDefaultButton(TButton* button);
    // The control of this form that `window` is, or null.
    TControl* ControlOf(HWND window) const;
    // The control that has the keyboard focus, if it is one of this form's.
    TControl* FocusedControl() const;
    // True while a message of the form's window or of one of its controls is being handled.
    bool InMessage() const noexcept { return MessageDepth() > 0 || controlMessages_ > 0; }
    // Every message loop of the program hands the key messages of a form and its controls here
    // first. Returns true when the message has been handled (and dispatched).
    bool HandleDialogKey(MSG& message);

    // Opens `menu` (one of the form's components) at (x, y) in screen pixels; the chosen item's
    // action runs once the menu has closed, from the form's own messages.
    void PopupMenu(TPopupMenu& menu, POINT at);

    // The form's controls, in creation order.
    const std::vector<TControl*>& Controls() const noexcept { return controls_; }

    // Called by the form's controls.
    int NextControlId() noexcept { return nextControlId_++; }
    void ControlAdded(TControl& control) { controls_.push_back(&control); }
    void ControlFocused(TControl& control);
    void ControlGone(const TControl& control) noexcept;
    // Around a message of a control's window: the step it belongs to ends with the outermost
    // message of the form or its controls.
    void ControlMessageStarted() noexcept { ++controlMessages_; }
    void ControlMessageEnded();
    // The default frame follows the focused push button while keyboard cues show.
    void UpdateDefaultFrames();

protected:
    // Handlers a form overrides. Each runs on the main thread; exceptions leave them.
    virtual void FormCreate() {}
    virtual void FormShow() {}
    // Runs whenever the form is asked to be shown or hidden, even when it already is. False
    // leaves the window as it is: the form has taken the request itself.
    virtual bool VisibilityRequested(bool /*visible*/) { return true; }
    virtual void FormHide() {}
    virtual void FormClose(TCloseAction& /*action*/) {}
    virtual void FormDestroy() {}
    // Re-creates fonts and places the controls for Dpi(); runs after creation and whenever the
    // form moves to a monitor with another DPI. Overrides call the base first.
    virtual void Relayout();
    // The colour has changed: the default repaints the window through an invalidation.
    virtual void ColorChanged();
    // Fills the client area with the form's colour.
    void PaintBackground(HDC dc) const;

    // A character typed while the form is active, before its controls see it (digit keys
    // that choose). True when the form used it.
    virtual bool FormKeyPress(wchar_t /*key*/) { return false; }

    // The form's messages. Unhandled ones go to TForm::WndProc, then DefWindowProc.
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void MessagesSettled() override;

private:
    void ApplyDesignSize();
    // Lets the mouse through a ClickThrough window, and asks for a HiddenFromCaptures one.
    void SeeThrough();
    void PlaceForShowing();
    void CenterOn(HMONITOR monitor);
    bool StandsWhollyOn(HMONITOR monitor) const;
    bool StandsOnAnyMonitor() const;
    void KeepOnScreen();
    // A notification a control sends its form, handed back to the control; true when it took it.
    bool ReflectToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    DWORD Style() const;
    DWORD ExStyle() const;

    std::wstring className_;
    std::wstring caption_;
    TBorderStyle borderStyle_;
    TFormStyle formStyle_;
    TPosition position_;
    int designLeft_;
    int designTop_;
    int clientWidth_;
    int clientHeight_;
    bool scaled_;
    TColor color_;
    TFontSpec font_;
    UINT dpi_ = 96;
    bool neverActivate_;
    bool clickThrough_;
    bool hiddenFromCaptures_;
    bool leftOutOfCaptures_ = false;
    bool ownDC_;
    bool shownBefore_ = false;
    bool modal_ = false;
    int modalResult_ = mrNone;
    HMONITOR homeMonitor_ = nullptr;
    HICON icon_ = nullptr;
    TFormFocus focus_{*this};
    std::vector<TControl*> controls_;
    int controlMessages_ = 0;
    TButton* defaultButton_ = nullptr;
    TPopupMenu* popupMenu_ = nullptr; // the menu opened last, whose commands come back here
    // Control identifiers start above the dialog manager's own IDOK and IDCANCEL.
    int nextControlId_ = 100;
};

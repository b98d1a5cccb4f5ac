#include "ui/Form.h"

#include <algorithm>
#include <set>
#include <utility>

#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "ui/Exceptions.h"
#include "ui/OSError.h"

namespace {
// Private to the toolkit: far above the WM_APP messages a form of the program may use.
constexpr UINT ResolveFocusMessage = WM_APP + 0x3F00;
} // namespace

TForm::TForm(const TFormDefinition& definition)
    : TComponent(nullptr), className_(definition.ClassName), borderStyle_(definition.BorderStyle),
      formStyle_(definition.FormStyle), position_(definition.Position),
      clientWidth_(definition.ClientWidth), clientHeight_(definition.ClientHeight),
      scaled_(definition.Scaled), color_(definition.Color), font_(definition.Font),
      neverActivate_(definition.NeverActivate) {
    BeginLoading();
    RegisterFormClass(definition.ClassName);
    HWND owner = Application ? Application->Handle() : nullptr;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    handle_ =
        CreateWindowExW(ExStyle(), definition.ClassName, definition.Caption.c_str(), Style(),
                        definition.Left, definition.Top, 0, 0, owner, nullptr, instance, this);
    if (!handle_)
        RaiseLastOSError();
    dpi_ = DpiForWindow(handle_);
    ApplyDesignSize();
    if (formStyle_ == TFormStyle::fsStayOnTop)
        SetWindowPos(handle_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    if (Application && Application->Icon())
        SetIcon(Application->Icon());
}

TForm::~TForm() {
    MarkDestroying();
    if (handle_) {
        // Detach first: the messages of the destruction must not reach a half-destroyed form.
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
        handle_ = nullptr;
    }
}

TForm* TForm::FromHandle(HWND window) noexcept {
    if (!window || GetWindowLongPtrW(window, GWLP_WNDPROC) !=
                       reinterpret_cast<LONG_PTR>(&TForm::StaticWndProc))
        return nullptr;
    return reinterpret_cast<TForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void TForm::FinishCreation() {
    EndLoading();
    Relayout();
    Guarded(this, [&] { FormCreate(); });
}

void TForm::Relayout() {
    for (TComponent* component : Components())
        if (auto* control = dynamic_cast<TControl*>(component); control && !control->Parent())
            control->Relayout();
}

void TForm::BeforeDestruction() noexcept {
    Guarded(this, [&] { FormDestroy(); });
}

void TForm::RegisterFormClass(const wchar_t* className) {
    static std::set<std::wstring> registered;
    if (registered.count(className))
        return;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = StaticWndProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        RaiseLastOSError();
    registered.insert(className);
}

DWORD TForm::Style() const {
    switch (borderStyle_) {
    case TBorderStyle::bsNone:
        return WS_POPUP | WS_CLIPCHILDREN;
    case TBorderStyle::bsDialog:
        return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN;
    case TBorderStyle::bsSizeable:
        break;
    }
    return WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
}

DWORD TForm::ExStyle() const {
    DWORD exStyle = borderStyle_ == TBorderStyle::bsDialog ? WS_EX_DLGMODALFRAME : 0;
    // Arrow keys, Tab and Enter move between the controls of a form, as in a dialog.
    exStyle |= WS_EX_CONTROLPARENT;
    // A window that cannot be activated is never the foreground window, so it cannot be closed
    // with Alt+F4 either; as a tool window the task switcher never lists it.
    if (neverActivate_)
        exStyle |= WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    return exStyle;
}

// --- Geometry --------------------------------------------------------------------------------

int TForm::Scale(int designPixels) const {
    return scaled_ ? ScaleToDpi(designPixels, dpi_) : designPixels;
}

void TForm::ApplyDesignSize() {
    RECT rect{0, 0, Scale(clientWidth_), Scale(clientHeight_)};
    if (borderStyle_ != TBorderStyle::bsNone)
        AdjustWindowRectForDpi(rect, Style(), ExStyle(), dpi_);
    SetWindowPos(handle_, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::CenterOn(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info))
        return;
    // The form is laid out for the monitor's DPI before it is measured there.
    UINT dpi = scaled_ ? DpiForMonitor(monitor) : dpi_;
    if (dpi != dpi_) {
        dpi_ = dpi;
        ApplyDesignSize();
        Relayout();
    }
    const RECT& area = info.rcMonitor;
    int left = (area.right - area.left - Width()) / 2;
    int top = (area.bottom - area.top - Height()) / 2;
    SetWindowPos(handle_, nullptr, area.left + (left < 0 ? 0 : left),
                 area.top + (top < 0 ? 0 : top), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TForm::StandsWhollyOn(HMONITOR monitor) const {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT window{}, inside{};
    return GetMonitorInfoW(monitor, &info) && GetWindowRect(handle_, &window) &&
           IntersectRect(&inside, &window, &info.rcMonitor) && EqualRect(&inside, &window);
}

bool TForm::StandsOnAnyMonitor() const {
    RECT window{};
    GetWindowRect(handle_, &window);
    return MonitorFromRect(&window, MONITOR_DEFAULTTONULL) != nullptr;
}

void TForm::PlaceForShowing() {
    const bool firstShowing = !shownBefore_;
    shownBefore_ = true;
    if (position_ == TPosition::poScreenCenter) {
        HMONITOR home =
            homeMonitor_ ? homeMonitor_ : MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
        // Later showings keep the last position, unless the screens have changed under it: a
        // window the user cannot move is centred again when any of it would be off its screen,
        // one with a caption bar only when none of it would be on a screen.
        const bool lost =
            borderStyle_ == TBorderStyle::bsNone ? !StandsWhollyOn(home) : !StandsOnAnyMonitor();
        if (firstShowing || lost)
            CenterOn(home);
    } else if (firstShowing && borderStyle_ != TBorderStyle::bsNone) {
        KeepOnScreen();
    }
}

void TForm::KeepOnScreen() {
    // A designed position may lie beyond a smaller screen: move the window just far enough to
    // be seen whole, and leave it alone where it fits.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(handle_, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    RECT window{};
    GetWindowRect(handle_, &window);
    int left = window.left, top = window.top;
    left = std::max(std::min(left, static_cast<int>(work.right - (window.right - window.left))),
                    static_cast<int>(work.left));
    top = std::max(std::min(top, static_cast<int>(work.bottom - (window.bottom - window.top))),
                   static_cast<int>(work.top));
    if (left != window.left || top != window.top)
        SetWindowPos(handle_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static RECT WindowRectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

int TForm::Left() const {
    return WindowRectOf(handle_).left;
}
int TForm::Top() const {
    return WindowRectOf(handle_).top;
}
int TForm::Width() const {
    RECT r = WindowRectOf(handle_);
    return r.right - r.left;
}
int TForm::Height() const {
    RECT r = WindowRectOf(handle_);
    return r.bottom - r.top;
}

void TForm::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}
void TForm::SetLeft(int left) {
    SetWindowPos(handle_, nullptr, left, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void TForm::SetTop(int top) {
    SetWindowPos(handle_, nullptr, Left(), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Appearance ------------------------------------------------------------------------------

std::wstring TForm::Caption() const {
    int length = GetWindowTextLengthW(handle_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    length = GetWindowTextW(handle_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void TForm::SetCaption(const std::wstring& caption) {
    SetWindowTextW(handle_, caption.c_str());
}

void TForm::SetColor(TColor color) {
    if (color == color_)
        return;
    color_ = color;
    InvalidateRect(handle_, nullptr, TRUE);
}

void TForm::SetIcon(HICON icon) {
    SendMessageW(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void TForm::EraseBackground(HDC dc) {
    // The DC brush: recolouring never creates or deletes a GDI object.
    RECT client;
    GetClientRect(handle_, &client);
    SetDCBrushColor(dc, ColorToRGB(color_));
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// --- Visibility ------------------------------------------------------------------------------

bool TForm::Visible() const noexcept {
    return handle_ && IsWindowVisible(handle_);
}

void TForm::SetVisible(bool visible) {
    VisibilityRequested(visible);
    if (visible == Visible())
        return;
    if (!visible) {
        ShowWindow(handle_, SW_HIDE);
        FormHide();
        return;
    }
    PlaceForShowing();
    FormShow();
    if (neverActivate_) {
        ShowWindow(handle_, SW_SHOWNA);
        return;
    }
    // Focus rectangles show from the start if the user came here by keyboard, and otherwise
    // once the user navigates with it.
    SendMessageW(handle_, WM_CHANGEUISTATE,
                 MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    ShowWindow(handle_, SW_SHOWNORMAL);
}

void TForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TForm::ShowAboveModal() {
    TForm* modal = Application ? Application->ModalForm() : nullptr;
    if (modal && modal != this) {
        modal->BringToFront();
        SetForegroundWindow(modal->Handle());
        return;
    }
    Show();
}

void TForm::BringToFront() {
    if (!neverActivate_) {
        // Activating lifts the window to the top of its band.
        SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        return;
    }
    // Without activation HWND_TOP may leave an owned window just above its owner, below other
    // always-on-top windows; HWND_TOPMOST lifts it to the top of the always-on-top band.
    SetWindowPos(handle_, formStyle_ == TFormStyle::fsStayOnTop ? HWND_TOPMOST : HWND_TOP, 0, 0, 0,
                 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int TForm::ShowModal() {
    if (modal_ || Visible())
        throw Exception(L"Cannot make a visible window modal");
    if (GetCapture())
        ReleaseCapture();
    HWND activeBefore = GetActiveWindow();
    std::vector<HWND> disabled = Application->DisableTaskWindows(handle_);
    modal_ = true;
    modalResult_ = mrNone;
    Application->ModalStarted(this);
    try {
        Show();
        for (;;) {
            if (Application->Terminated()) {
                modalResult_ = mrCancel;
                break;
            }
            if (modalResult_ != mrNone) {
                TCloseAction action = TCloseAction::caHide;
                FormClose(action);
                if (action != TCloseAction::caNone)
                    break;
                modalResult_ = mrNone;
            }
            Application->HandleMessage();
        }
    } catch (...) {
        modal_ = false;
        Application->ModalEnded(this);
        TApplication::EnableTaskWindows(disabled);
        Hide();
        throw;
    }
    modal_ = false;
    Application->ModalEnded(this);
    // The window that was active before takes the activation back while this one still has
    // it: hiding the active window first would pass the activation to whatever stands next,
    // perhaps another program's window, and the program could not take it back.
    TApplication::EnableTaskWindows(disabled);
    if (activeBefore && IsWindow(activeBefore) && IsWindowVisible(activeBefore))
        SetActiveWindow(activeBefore);
    Hide();
    return modalResult_;
}

void TForm::Close() {
    if (modal_) {
        if (modalResult_ == mrNone)
            modalResult_ = mrCancel;
        return;
    }
    bool mainForm = Application && Application->MainForm() == this;
    TCloseAction action = mainForm ? TCloseAction::caFree : TCloseAction::caHide;
    FormClose(action);
    if (action == TCloseAction::caNone)
        return;
    if (mainForm)
        Application->Terminate();
    else
        Hide();
}

// --- Keyboard --------------------------------------------------------------------------------

bool TForm::HoldsControls() const {
    for (TComponent* component : Components())
        if (dynamic_cast<TControl*>(component))
            return true;
    return false;
}

TControl* TForm::ControlOf(HWND window) const {
    if (!window || !IsChild(handle_, window))
        return nullptr;
    for (TComponent* component : Components())
        if (auto* control = dynamic_cast<TControl*>(component);
            control && control->Handle() == window)
            return control;
    return nullptr;
}

bool TForm::CanTakeFocus(HWND window) const {
    // Checked by handle: a remembered control may have gone since.
    return window && IsWindow(window) && IsChild(handle_, window) && IsWindowVisible(window) &&
           IsWindowEnabled(window) && (GetWindowLongPtrW(window, GWL_STYLE) & WS_TABSTOP);
}

TControl* TForm::FocusedControl() const {
    return ControlOf(GetFocus());
}

void TForm::SetDefaultButton(TButton* button) {
    defaultButton_ = button;
    UpdateDefaultFrames();
}

void TForm::ControlFocused(TControl& control) {
    focused_ = control.Handle();
    UpdateDefaultFrames();
}

void TForm::UpdateDefaultFrames() {
    // As in the system's dialogs, the focused push button is the one Enter presses and shows
    // the default frame; without one the default buttons show it. Only while keyboard cues
    // show: a mouse user sees the buttons as designed.
    const bool cues = !(SendMessageW(handle_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    auto* focused = cues ? dynamic_cast<TButton*>(FocusedControl()) : nullptr;
    for (TComponent* component : Components())
        if (auto* button = dynamic_cast<TButton*>(component))
            button->ShowDefaultFrame(focused ? button == focused : button->IsDefault());
}

void TForm::ControlGone(const TControl& control) noexcept {
    if (activeControl_ == &control)
        activeControl_ = nullptr;
    if (appeared_ == &control)
        appeared_ = nullptr;
    if (leaving_ == &control)
        leaving_ = nullptr;
    if (defaultButton_ == &control)
        defaultButton_ = nullptr;
}

void TForm::ControlAppeared(TControl& control) {
    if (!control.TabStop())
        return;
    appeared_ = &control;
    appearedIn_ = Application ? Application->DispatchSerial() : 0;
}

void TForm::ControlLeaving(const TControl& leaving) {
    TControl* focused = FocusedControl();
    if (!focused || !focused->IsWithin(leaving))
        return;
    // Where the focus goes is decided once the step that hides or disables the control is
    // over, when what it shows in its place is visible too. Meanwhile the form holds the
    // keyboard.
    leaving_ = &leaving;
    leftIn_ = Application ? Application->DispatchSerial() : 0;
    resolveOnReturn_ = depth_ > 0;
    ::SetFocus(handle_);
    if (!resolveOnReturn_)
        PostMessageW(handle_, ResolveFocusMessage, 0, 0);
}

void TForm::ResolveFocus() {
    const TControl* lost = std::exchange(leaving_, nullptr);
    // Only while the form still holds the keyboard: a window opened meanwhile (a message box),
    // or another program the user went to, keeps it, and the next activation restores it here.
    if (!lost || GetFocus() != handle_)
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
            next = GetNextDlgTabItem(handle_, next, FALSE);
            if (!next || next == lost->Handle() || next == first)
                break;
            if (!first)
                first = next;
            if (TControl* control = ControlOf(next);
                control && !control->IsWithin(*lost) && CanTakeFocus(next)) {
                target = next;
                break;
            }
        }
    // With no tab stop left the form keeps the keyboard, so Tab finds one again later.
    if (target && GetFocus() != target)
        ::SetFocus(target);
}

void TForm::RestoreFocus() {
    if (leaving_)
        return; // the focus is being passed on
    HWND target = CanTakeFocus(focused_) ? focused_ : nullptr;
    if (!target && activeControl_ && CanTakeFocus(activeControl_->Handle()))
        target = activeControl_->Handle();
    if (!target) {
        HWND first = GetNextDlgTabItem(handle_, nullptr, FALSE);
        target = CanTakeFocus(first) ? first : nullptr;
    }
    if (target && GetFocus() != target)
        ::SetFocus(target);
}

bool TForm::HandleDialogKey(MSG& message) {
    // Forms without controls (the capture screen, the overlays) take every key themselves.
    if (!HoldsControls())
        return false;
    if (message.message == WM_CHAR && FormKeyPress(static_cast<wchar_t>(message.wParam)))
        return true;
    if (message.message == WM_KEYDOWN) {
        switch (message.wParam) {
        case VK_TAB:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            // The user navigates with the keyboard: from now on the focus shows.
            SendMessageW(handle_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
            break;
        default:
            break;
        }
    }
    return IsDialogMessageW(handle_, &message) != FALSE;
}

// --- Messages --------------------------------------------------------------------------------

LRESULT CALLBACK TForm::StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    if (!self->handle_)
        self->handle_ = window; // messages sent during CreateWindowEx
    LRESULT result = 0;
    ++self->depth_;
    const bool handled = Guarded(self, [&] { result = self->WndProc(message, wParam, lParam); });
    if (--self->depth_ == 0 && self->leaving_ && self->resolveOnReturn_)
        Guarded(self, [&] { self->ResolveFocus(); });
    return handled ? result : 0;
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(handle_, &paint);
        EndPaint(handle_, &paint);
        return 0;
    }
    case WM_CLOSE:
        Close();
        return 0;
    // Notifications of the form's controls go back to the control that sent them.
    case WM_COMMAND:
        if (TControl* control = ControlOf(reinterpret_cast<HWND>(lParam))) {
            control->Command(HIWORD(wParam));
            return 0;
        }
        // Esc, as the dialog manager reports it, does what the close box does.
        if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
            Close();
            return 0;
        }
        break;
    // Where the focus goes on activation: after DefWindowProc, which puts it on the form.
    case WM_ACTIVATE: {
        LRESULT result = DefWindowProcW(handle_, message, wParam, lParam);
        if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam))
            RestoreFocus();
        return result;
    }
    case WM_SETFOCUS:
        RestoreFocus();
        return 0;
    case ResolveFocusMessage:
        ResolveFocus();
        return 0;
    case WM_MOUSEACTIVATE:
        // The click itself still reaches the window.
        if (neverActivate_)
            return MA_NOACTIVATE;
        break;
    case WM_UPDATEUISTATE: {
        LRESULT result = DefWindowProcW(handle_, message, wParam, lParam);
        UpdateDefaultFrames();
        return result;
    }
    case DM_GETDEFID:
        if (defaultButton_ && defaultButton_->Visible())
            return MAKELRESULT(defaultButton_->Id(), DC_HASDEFID);
        return 0;
    case DM_SETDEFID:
        for (TComponent* component : Components())
            if (auto* button = dynamic_cast<TButton*>(component);
                button && button->Id() == static_cast<int>(wParam))
                SetDefaultButton(button);
        return TRUE;
    // The dialog manager moves the focus with this (the arrow keys within a group).
    case WM_NEXTDLGCTL: {
        HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                     : GetNextDlgTabItem(handle_, GetFocus(), wParam != 0);
        if (target && IsChild(handle_, target))
            ::SetFocus(target);
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (TControl* control = ControlOf(reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<LRESULT>(control->ControlColor(reinterpret_cast<HDC>(wParam)));
        break;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (TControl* control = ControlOf(item.hwndItem)) {
            control->DrawItem(item);
            return TRUE;
        }
        break;
    }
    case WM_DPICHANGED: {
        // A form that CenterOn laid out for its new monitor before moving it there is already
        // at this DPI: the suggested rectangle, scaled from that size, would scale it twice.
        const UINT dpi = HIWORD(wParam);
        if (dpi == dpi_)
            return 0;
        dpi_ = dpi;
        if (scaled_) {
            // Where the system suggests, but at the design size for the DPI: a frame does not
            // scale in proportion, so the suggested size misses the client area a little.
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(handle_, nullptr, suggested.left, suggested.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            ApplyDesignSize();
            Relayout();
        }
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

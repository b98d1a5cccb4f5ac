#include "ui/Form.h"

#include <algorithm>
#include <utility>

#include "ui/Application.h"
#include "ui/CaptureExclusion.h"
#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "ui/Exceptions.h"
#include "ui/Menus.h"
#include "ui/OSError.h"

namespace {

// WDA_EXCLUDEFROMCAPTURE, which older headers lack.
constexpr DWORD ExcludeFromCapture = 0x11;

// Asked of the version the system really is: GetVersionEx answers what the manifest admits to.
bool SystemCanLeaveOutOfCaptures() {
    static const bool can = [] {
        OSVERSIONINFOW v{};
        v.dwOSVersionInfoSize = sizeof v;
        using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        auto getVersion = ntdll ? reinterpret_cast<TRtlGetVersion>(reinterpret_cast<void (*)()>(
                                      GetProcAddress(ntdll, "RtlGetVersion")))
                                : nullptr;
        return getVersion && getVersion(&v) == 0 &&
               CanLeaveOutOfCaptures(v.dwMajorVersion, v.dwMinorVersion, v.dwBuildNumber);
    }();
    return can;
}

} // namespace

TForm::TForm(const TFormDefinition& definition)
    : TComponent(nullptr), className_(definition.ClassName), caption_(definition.Caption),
      borderStyle_(definition.BorderStyle), formStyle_(definition.FormStyle),
      position_(definition.Position), designLeft_(definition.Left), designTop_(definition.Top),
      clientWidth_(definition.ClientWidth), clientHeight_(definition.ClientHeight),
      scaled_(definition.Scaled), color_(definition.Color), font_(definition.Font),
      neverActivate_(definition.NeverActivate), clickThrough_(definition.ClickThrough),
      hiddenFromCaptures_(definition.HiddenFromCaptures), ownDC_(definition.OwnDC) {
    BeginLoading();
}

TForm::~TForm() {
    MarkDestroying();
    // The controls go before the window (they are members of the derived form), and the window
    // goes before the rest of the form: no message of its destruction reaches a member.
    DestroyHandle();
}

TForm* TForm::FromHandle(HWND window) noexcept {
    return dynamic_cast<TForm*>(TWindow::FromHandle(window));
}

void TForm::Create() {
    if (Handle())
        return;
    const TWindowClass& windowClass =
        TWindowClass::Use(className_.c_str(), {.Style = CS_DBLCLKS | (ownDC_ ? CS_OWNDC : 0u),
                                               .Cursor = LoadCursorW(nullptr, IDC_ARROW)});
    HWND owner = Application ? Application->Handle() : nullptr;
    CreateHandle(windowClass, ExStyle(), caption_.c_str(), Style(),
                 RECT{designLeft_, designTop_, designLeft_, designTop_}, owner, this);
    SeeThrough();
    dpi_ = DpiForWindow(Handle());
    ApplyDesignSize();
    if (formStyle_ == TFormStyle::fsStayOnTop)
        SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    if (!icon_ && Application)
        icon_ = Application->Icon();
    if (icon_)
        SetIcon(icon_);
    // In creation order, which is the tab order; then laid out, now that every one exists.
    for (TControl* control : controls_)
        control->CreateHandle();
    EndLoading();
    Relayout();
    for (TControl* control : controls_)
        if (!control->Parent())
            control->UpdateWindowVisibility();
    UpdateDefaultFrames();
    Guarded(this, [&] { FormCreate(); });
}

void TForm::Relayout() {
    for (TControl* control : controls_)
        if (!control->Parent())
            control->Relayout();
}

void TForm::BeforeDestruction() noexcept {
    Guarded(this, [&] { FormDestroy(); });
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
    // The system passes the mouse through a window only when it is both layered and transparent.
    if (clickThrough_)
        exStyle |= WS_EX_LAYERED | WS_EX_TRANSPARENT;
    return exStyle;
}

void TForm::SeeThrough() {
    // A layered window shows nothing until its attributes are set; fully opaque, it shows its
    // colours exactly. Without them it stays unlayered: seen, if not clicked through.
    if (clickThrough_ && !SetLayeredWindowAttributes(Handle(), 0, 255, LWA_ALPHA))
        SetWindowLongPtrW(Handle(), GWL_EXSTYLE,
                          GetWindowLongPtrW(Handle(), GWL_EXSTYLE) & ~LONG_PTR(WS_EX_LAYERED));
    if (hiddenFromCaptures_ && SystemCanLeaveOutOfCaptures())
        leftOutOfCaptures_ = SetWindowDisplayAffinity(Handle(), ExcludeFromCapture) != FALSE;
}

// --- Geometry --------------------------------------------------------------------------------

int TForm::Scale(int designPixels) const {
    return scaled_ ? ScaleToDpi(designPixels, dpi_) : designPixels;
}

void TForm::ApplyDesignSize() {
    RECT rect{0, 0, Scale(clientWidth_), Scale(clientHeight_)};
    if (borderStyle_ != TBorderStyle::bsNone)
        AdjustWindowRectForDpi(rect, Style(), ExStyle(), dpi_);
    SetWindowPos(Handle(), nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
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
    SetWindowPos(Handle(), nullptr, area.left + (left < 0 ? 0 : left),
                 area.top + (top < 0 ? 0 : top), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TForm::StandsWhollyOn(HMONITOR monitor) const {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT window{}, inside{};
    return GetMonitorInfoW(monitor, &info) && GetWindowRect(Handle(), &window) &&
           IntersectRect(&inside, &window, &info.rcMonitor) && EqualRect(&inside, &window);
}

bool TForm::StandsOnAnyMonitor() const {
    RECT window{};
    GetWindowRect(Handle(), &window);
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
    if (!GetMonitorInfoW(MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    RECT window{};
    GetWindowRect(Handle(), &window);
    int left = window.left, top = window.top;
    left = std::max(std::min(left, static_cast<int>(work.right - (window.right - window.left))),
                    static_cast<int>(work.left));
    top = std::max(std::min(top, static_cast<int>(work.bottom - (window.bottom - window.top))),
                   static_cast<int>(work.top));
    if (left != window.left || top != window.top)
        SetWindowPos(Handle(), nullptr, left, top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static RECT WindowRectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

int TForm::Left() const {
    return WindowRectOf(Handle()).left;
}
int TForm::Top() const {
    return WindowRectOf(Handle()).top;
}
int TForm::Width() const {
    RECT r = WindowRectOf(Handle());
    return r.right - r.left;
}
int TForm::Height() const {
    RECT r = WindowRectOf(Handle());
    return r.bottom - r.top;
}

void TForm::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}
void TForm::SetLeft(int left) {
    SetWindowPos(Handle(), nullptr, left, Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void TForm::SetTop(int top) {
    SetWindowPos(Handle(), nullptr, Left(), top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void TForm::CoverVirtualScreen() {
    SetBounds(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
              GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

// --- Appearance ------------------------------------------------------------------------------

std::wstring TForm::Caption() const {
    if (!Handle())
        return caption_;
    int length = GetWindowTextLengthW(Handle());
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    length = GetWindowTextW(Handle(), text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void TForm::SetCaption(const std::wstring& caption) {
    caption_ = caption;
    if (Handle())
        SetWindowTextW(Handle(), caption.c_str());
}

void TForm::SetColor(TColor color) {
    if (color == color_)
        return;
    color_ = color;
    if (Handle())
        ColorChanged();
}

void TForm::ColorChanged() {
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TForm::SetIcon(HICON icon) {
    icon_ = icon;
    if (!Handle())
        return;
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void TForm::PaintBackground(HDC dc) const {
    // The DC brush: recolouring never creates or deletes a GDI object.
    RECT client;
    GetClientRect(Handle(), &client);
    SetDCBrushColor(dc, ColorToRGB(color_));
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// --- Visibility ------------------------------------------------------------------------------

bool TForm::Visible() const noexcept {
    return Handle() && IsWindowVisible(Handle());
}

void TForm::SetVisible(bool visible) {
    if (!VisibilityRequested(visible) || visible == Visible())
        return;
    if (!visible) {
        ShowWindow(Handle(), SW_HIDE);
        FormHide();
        return;
    }
    PlaceForShowing();
    FormShow();
    if (neverActivate_) {
        ShowWindow(Handle(), SW_SHOWNA);
        return;
    }
    // Focus rectangles show from the start if the user came here by keyboard, and otherwise
    // once the user navigates with it.
    SendMessageW(Handle(), WM_CHANGEUISTATE,
                 MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    ShowWindow(Handle(), SW_SHOWNORMAL);
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
        SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        return;
    }
    // Without activation HWND_TOP may leave an owned window just above its owner, below other
    // always-on-top windows; HWND_TOPMOST lifts it to the top of the always-on-top band.
    SetWindowPos(Handle(), formStyle_ == TFormStyle::fsStayOnTop ? HWND_TOPMOST : HWND_TOP, 0, 0, 0,
                 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int TForm::ShowModal() {
    if (modal_ || Visible())
        throw Exception(L"Cannot make a visible window modal");
    if (GetCapture())
        ReleaseCapture();
    HWND activeBefore = GetActiveWindow();
    std::vector<HWND> disabled = Application->DisableTaskWindows(Handle());
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

void TForm::PopupMenu(TPopupMenu& menu, POINT at) {
    popupMenu_ = &menu;
    menu.Popup(at.x, at.y, Handle());
}

// --- Keyboard --------------------------------------------------------------------------------

TControl* TForm::ControlOf(HWND window) const {
    if (!window)
        return nullptr;
    for (TControl* control : controls_)
        if (control->Handle() == window)
            return control;
    return nullptr;
}

TControl* TForm::FocusedControl() const {
    return ControlOf(GetFocus());
}

void TForm::SetDefaultButton(TButton* button) {
    defaultButton_ = button;
    UpdateDefaultFrames();
}

void TForm::ControlFocused(TControl& control) {
    focus_.Focused(control);
    UpdateDefaultFrames();
}

void TForm::UpdateDefaultFrames() {
    if (!Handle())
        return;
    // As in the system's dialogs, the focused push button is the one Enter presses and shows
    // the default frame; without one the default buttons show it. Only while keyboard cues
    // show: a mouse user sees the buttons as designed.
    const bool cues = !(SendMessageW(Handle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    auto* focused = cues ? dynamic_cast<TButton*>(FocusedControl()) : nullptr;
    for (TControl* control : controls_)
        if (auto* button = dynamic_cast<TButton*>(control))
            button->ShowDefaultFrame(focused ? button == focused : button->IsDefault());
}

void TForm::ControlGone(const TControl& control) noexcept {
    std::erase(controls_, &control);
    focus_.Gone(control);
    if (defaultButton_ == &control)
        defaultButton_ = nullptr;
}

bool TForm::HandleDialogKey(MSG& message) {
    // Forms without controls (the capture screen, the overlays) take every key themselves.
    if (controls_.empty())
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
            SendMessageW(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
            break;
        default:
            break;
        }
    }
    return IsDialogMessageW(Handle(), &message) != FALSE;
}

// --- Messages --------------------------------------------------------------------------------

void TForm::MessagesSettled() {
    if (controlMessages_ == 0)
        focus_.Settle(true);
}

void TForm::ControlMessageEnded() {
    if (--controlMessages_ == 0 && MessageDepth() == 0)
        focus_.Settle(true);
}

bool TForm::ReflectToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // The notifications a control sends its parent, and where each names its sender.
    HWND sender = nullptr;
    switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        sender = reinterpret_cast<HWND>(lParam);
        break;
    case WM_DRAWITEM:
        sender = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    default:
        return false;
    }
    TControl* control = ControlOf(sender);
    return control && control->Reflected(message, wParam, lParam, result);
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (LRESULT result = 0; ReflectToControl(message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(Handle(), &paint);
        EndPaint(Handle(), &paint);
        return 0;
    }
    case WM_CLOSE:
        Close();
        return 0;
    case WM_COMMAND:
        // Esc, as the dialog manager reports it, does what the close box does.
        if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
            Close();
            return 0;
        }
        // A menu's command names no control.
        if (lParam == 0 && popupMenu_ && popupMenu_->DispatchCommand(wParam))
            return 0;
        break;
    // Where the focus goes on activation: after DefWindowProc, which puts it on the form.
    case WM_ACTIVATE: {
        LRESULT result = DefWindowProcW(Handle(), message, wParam, lParam);
        if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam))
            focus_.Restore();
        if (LOWORD(wParam) != WA_INACTIVE && Application)
            Application->ForgetReleasedKey();
        return result;
    }
    case WM_SETFOCUS:
        focus_.Restore();
        return 0;
    case TFormFocus::ResolveMessage:
        focus_.Settle(false);
        return 0;
    case WM_MOUSEACTIVATE:
        // The click itself still reaches the window.
        if (neverActivate_)
            return MA_NOACTIVATE;
        break;
    case WM_UPDATEUISTATE: {
        LRESULT result = DefWindowProcW(Handle(), message, wParam, lParam);
        UpdateDefaultFrames();
        return result;
    }
    case DM_GETDEFID:
        if (defaultButton_ && defaultButton_->Visible())
            return MAKELRESULT(defaultButton_->Id(), DC_HASDEFID);
        return 0;
    case DM_SETDEFID:
        for (TControl* control : controls_)
            if (auto* button = dynamic_cast<TButton*>(control);
                button && button->Id() == static_cast<int>(wParam))
                SetDefaultButton(button);
        return TRUE;
    // The dialog manager moves the focus with this (the arrow keys within a group).
    case WM_NEXTDLGCTL: {
        HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                     : GetNextDlgTabItem(Handle(), GetFocus(), wParam != 0);
        if (target && IsChild(Handle(), target))
            ::SetFocus(target);
        return 0;
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
            SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            ApplyDesignSize();
            Relayout();
        }
        return 0;
    }
    default:
        break;
    }
    return TWindow::WndProc(message, wParam, lParam);
}

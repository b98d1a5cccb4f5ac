#include "ui/Form.h"

#include <algorithm>
#include <set>

#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "ui/Exceptions.h"
#include "ui/OSError.h"

TForm::TForm(const TFormDefinition& definition)
    : TComponent(nullptr), className_(definition.ClassName), borderStyle_(definition.BorderStyle),
      formStyle_(definition.FormStyle), position_(definition.Position),
      clientWidth_(definition.ClientWidth), clientHeight_(definition.ClientHeight),
      scaled_(definition.Scaled), color_(definition.Color), font_(definition.Font) {
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

void TForm::CenterOnPrimaryScreen() {
    // The form is laid out for the primary monitor before it is measured there.
    UINT dpi = scaled_ ? DpiForPrimaryMonitor() : dpi_;
    if (dpi != dpi_) {
        dpi_ = dpi;
        ApplyDesignSize();
        Relayout();
    }
    int left = (GetSystemMetrics(SM_CXSCREEN) - Width()) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2;
    SetWindowPos(handle_, nullptr, left < 0 ? 0 : left, top < 0 ? 0 : top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
    if (visible == Visible())
        return;
    if (!visible) {
        ShowWindow(handle_, SW_HIDE);
        FormHide();
        return;
    }
    if (!shownBefore_) {
        shownBefore_ = true;
        if (position_ == TPosition::poScreenCenter)
            CenterOnPrimaryScreen();
        else if (borderStyle_ != TBorderStyle::bsNone)
            KeepOnScreen();
    }
    FormShow();
    ShowWindow(handle_, SW_SHOWNORMAL);
}

void TForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TForm::BringToFront() {
    SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
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
        Hide();
        TApplication::EnableTaskWindows(disabled);
        throw;
    }
    modal_ = false;
    // Enable the others before hiding, so that activation can pass to one of them.
    TApplication::EnableTaskWindows(disabled);
    Hide();
    if (activeBefore && IsWindow(activeBefore))
        SetActiveWindow(activeBefore);
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
    if (!Guarded(self, [&] { result = self->WndProc(message, wParam, lParam); }))
        return 0;
    return result;
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
        if (TControl* control = TControl::FromHandle(reinterpret_cast<HWND>(lParam))) {
            control->Command(HIWORD(wParam));
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (TControl* control = TControl::FromHandle(reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<LRESULT>(control->ControlColor(reinterpret_cast<HDC>(wParam)));
        break;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (TControl* control = TControl::FromHandle(item.hwndItem)) {
            control->DrawItem(item);
            return TRUE;
        }
        break;
    }
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wParam);
        if (scaled_) {
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(handle_, nullptr, suggested.left, suggested.top,
                         suggested.right - suggested.left, suggested.bottom - suggested.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            Relayout();
        }
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

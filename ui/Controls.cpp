#include "ui/Controls.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Form.h"
#include "ui/OSError.h"
#include "ui/Window.h"

// --- TControl --------------------------------------------------------------------------------

namespace {
// The one subclass every control window carries.
constexpr UINT_PTR SubclassId = 1;
} // namespace

TControl::TControl(TForm& form, TControl* parent, const wchar_t* windowClass, DWORD style,
                   DWORD exStyle, TBounds bounds, std::wstring text)
    : TComponent(&form), form_(form), parent_(parent), windowClass_(windowClass),
      // Every control starts a group of its own: the arrow keys move only within groups that a
      // form makes on purpose. Shown by the form once it is laid out.
      style_((style | WS_CHILD | WS_CLIPSIBLINGS | WS_GROUP) & ~WS_VISIBLE), exStyle_(exStyle),
      text_(std::move(text)), bounds_(bounds), visible_((style & WS_VISIBLE) != 0),
      font_(form.DefaultFont()), id_(form.NextControlId()) {
    if (parent_)
        parent_->children_.push_back(this);
    form_.ControlAdded(*this);
}

TControl::~TControl() {
    // The form outlives its controls by a moment, and destroying a focused one gives the form
    // the focus: it must not remember this one then.
    form_.ControlGone(*this);
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    for (TControl* child : children_)
        child->parent_ = nullptr;
    if (HWND window = std::exchange(handle_, nullptr)) {
        RemoveWindowSubclass(window, &SubclassProc, SubclassId);
        DestroyWindow(window);
    }
}

void TControl::CreateHandle() {
    if (handle_)
        return;
    HWND window = CreateWindowExW(exStyle_, windowClass_, text_.c_str(),
                                  style_ | (enabled_ ? 0 : WS_DISABLED), 0, 0, 0, 0, form_.Handle(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)),
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window)
        RaiseLastOSError();
    // Every control reports its focus to the form, which remembers it for the next activation.
    handle_ = window;
    if (!SetWindowSubclass(window, &SubclassProc, SubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        const DWORD error = GetLastError();
        handle_ = nullptr;
        DestroyWindow(window);
        RaiseOSError(error);
    }
    if (parent_ && parent_->handle_) {
        // Directly above its container in the z-order, so the container never covers it.
        HWND above = GetWindow(parent_->handle_, GW_HWNDPREV);
        SetWindowPos(handle_, above ? above : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    HandleCreated();
}

void TControl::SetOnClick(TControlEvent handler) {
    onClick_ = std::move(handler);
    // Text and panels are pressed by the toolkit, and reached by the keyboard like a button.
    if (!pressedByToolkit_ && std::wstring_view(windowClass_) != L"BUTTON") {
        SetTabStop(true);
        SetPressedByToolkit();
        SetPaintsFocus();
    }
}

void TControl::Click() {
    if (onClick_)
        onClick_();
}

int TControl::Scale(int designPixels) const {
    return form_.Scale(designPixels);
}

POINT TControl::DesignOrigin() const {
    POINT origin{bounds_.Left, bounds_.Top};
    for (const TControl* p = parent_; p; p = p->parent_) {
        origin.x += p->bounds_.Left;
        origin.y += p->bounds_.Top;
    }
    return origin;
}

void TControl::Relayout() {
    if (!handle_)
        return;
    UINT dpi = form_.Dpi();
    if (fontDpi_ != dpi || !fontHandle_) {
        LOGFONTW logFont{};
        logFont.lfHeight = -Scale(font_.Height);
        logFont.lfWeight = font_.Bold ? FW_BOLD : FW_NORMAL;
        logFont.lfItalic = font_.Italic;
        logFont.lfUnderline = font_.Underline;
        logFont.lfCharSet = DEFAULT_CHARSET;
        logFont.lfQuality = DEFAULT_QUALITY;
        FontFaceForDpi(font_.Face, dpi).copy(logFont.lfFaceName, LF_FACESIZE - 1);
        // The control draws with the old font until it has the new one: that goes last.
        TFontHandle font(CreateFontIndirectW(&logFont));
        SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
        fontHandle_ = std::move(font);
        fontDpi_ = dpi;
    }
    POINT origin = DesignOrigin();
    SIZE size = AutoSize();
    SetWindowPos(handle_, nullptr, Scale(origin.x), Scale(origin.y), size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(handle_, nullptr, TRUE);
    for (TControl* child : children_)
        child->Relayout();
}

SIZE TControl::AutoSize() const {
    return {Scale(bounds_.Width), Scale(bounds_.Height)};
}

bool TControl::ParentsVisible() const {
    for (const TControl* p = parent_; p; p = p->parent_)
        if (!p->visible_)
            return false;
    return true;
}

void TControl::UpdateWindowVisibility() {
    if (!handle_)
        return;
    ShowWindow(handle_, visible_ && ParentsVisible() ? SW_SHOWNA : SW_HIDE);
    for (TControl* child : children_)
        child->UpdateWindowVisibility();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_)
        return;
    if (!handle_) {
        visible_ = visible;
        return;
    }
    if (!visible)
        form_.Focus().Leaving(*this);
    visible_ = visible;
    UpdateWindowVisibility();
    if (visible)
        form_.Focus().Appeared(*this);
    // What the control covered (or now covers) is painted again, its siblings included.
    RECT area{};
    GetWindowRect(handle_, &area);
    MapWindowPoints(nullptr, form_.Handle(), reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(form_.Handle(), &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    if (!handle_) {
        enabled_ = enabled;
        return;
    }
    // A window disabled with the focus would keep the keyboard with nowhere to go.
    if (!enabled)
        form_.Focus().Leaving(*this);
    enabled_ = enabled;
    EnableWindow(handle_, enabled ? TRUE : FALSE);
    if (enabled)
        form_.Focus().Appeared(*this);
}

void TControl::SetStyleBit(DWORD bit, bool on) {
    style_ = on ? style_ | bit : style_ & ~bit;
    if (handle_) {
        const LONG_PTR style = GetWindowLongPtrW(handle_, GWL_STYLE);
        SetWindowLongPtrW(handle_, GWL_STYLE, on ? style | bit : style & ~LONG_PTR(bit));
    }
}

void TControl::SetTabStop(bool tabStop) {
    SetStyleBit(WS_TABSTOP, tabStop);
}

void TControl::JoinPreviousGroup() {
    SetStyleBit(WS_GROUP, false);
}

bool TControl::Focused() const {
    return handle_ && GetFocus() == handle_;
}

bool TControl::IsWithin(const TControl& container) const {
    for (const TControl* c = this; c; c = c->parent_)
        if (c == &container)
            return true;
    return false;
}

bool TControl::ShowsFocus() const {
    return Focused() && !(SendMessageW(handle_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

void TControl::SetText(const std::wstring& text) {
    text_ = text;
    if (!handle_)
        return;
    SetWindowTextW(handle_, text.c_str());
    Relayout();
}

void TControl::SetFont(const TFontSpec& font) {
    if (font == font_)
        return;
    font_ = font;
    fontDpi_ = 0;
    if (handle_)
        Relayout();
}

void TControl::SetFontColor(TColor color) {
    if (color == fontColor_)
        return;
    fontColor_ = color;
    if (handle_)
        InvalidateRect(handle_, nullptr, TRUE);
}

HBRUSH TControl::ControlColor(HDC dc) {
    // The background of whatever the control sits on: its panel, or the form.
    TColor background = form_.Color();
    for (TControl* p = parent_; p; p = p->parent_)
        if (auto* panel = dynamic_cast<TPanel*>(p)) {
            background = panel->Color();
            break;
        }
    SetTextColor(dc, ColorToRGB(TextColorForScheme(fontColor_)));
    SetBkColor(dc, ColorToRGB(background));
    SetDCBrushColor(dc, ColorToRGB(background));
    return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

bool TControl::Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND:
        Command(HIWORD(wParam));
        result = 0;
        return true;
    case WM_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        result = reinterpret_cast<LRESULT>(ControlColor(reinterpret_cast<HDC>(wParam)));
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK TControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR selfData) {
    auto* self = reinterpret_cast<TControl*>(selfData);
    if (message == WM_NCDESTROY || self->handle_ != window) {
        RemoveWindowSubclass(window, &SubclassProc, SubclassId);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    TForm& form = self->form_;
    form.ControlMessageStarted();
    const bool handled = Guarded(self, [&] {
        switch (message) {
        case WM_SETFOCUS:
            self->form_.ControlFocused(*self);
            [[fallthrough]];
        case WM_KILLFOCUS:
            self->spacePressed_ = false;
            [[fallthrough]];
        case WM_UPDATEUISTATE:
            if (self->paintsFocus_)
                InvalidateRect(window, nullptr, TRUE);
            break;
        default:
            break;
        }
        if (!self->pressedByToolkit_ || !self->PressMessage(message, wParam, lParam, result))
            result = self->ControlWndProc(message, wParam, lParam);
    });
    // The form outlives its controls' messages: a control is destroyed only with its form.
    Guarded(self, [&] { form.ControlMessageEnded(); });
    return handled ? result : 0;
}

bool TControl::PressMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // A key that was already down when the message came is a repeat, or was pressed before the
    // control had the focus (the Space that opened the window under it): it clicks nothing.
    const bool repeat = (lParam & (1 << 30)) != 0;
    result = 0;
    switch (message) {
    case WM_GETDLGCODE: {
        // The dialog manager would turn Enter into the default button; this control takes it.
        result = ControlWndProc(message, wParam, lParam);
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
            result |= DLGC_WANTMESSAGE;
        return true;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            if (!repeat)
                Click();
            return true;
        }
        if (wParam == VK_SPACE && pressAll_) {
            if (!repeat)
                spacePressed_ = true;
            return true;
        }
        return false;
    case WM_KEYUP:
        if (wParam == VK_SPACE && pressAll_) {
            if (std::exchange(spacePressed_, false))
                Click();
            return true;
        }
        return false;
    case WM_CHAR:
        return wParam == L'\r' || (wParam == L' ' && pressAll_);
    case BM_CLICK:
        if (pressAll_)
            Click();
        return pressAll_;
    // A click is a press and a release on the control, as with a button: the mouse is held from
    // the press, so a release that ends a press somewhere else (or the click that opened the
    // control's window under the cursor) clicks nothing.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!pressAll_)
            return false;
        SetCapture(handle_);
        return true;
    case WM_LBUTTONUP:
        if (!pressAll_)
            return false;
        if (GetCapture() == handle_) {
            ReleaseCapture();
            RECT client;
            GetClientRect(handle_, &client);
            if (PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}))
                Click();
        }
        return true;
    default:
        return false;
    }
}

LRESULT TControl::ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallOriginal(message, wParam, lParam);
}

LRESULT TControl::CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(handle_, message, wParam, lParam);
}

// --- TLabel ----------------------------------------------------------------------------------

TLabel::TLabel(TForm& form, TControl* parent, TBounds bounds, const std::wstring& text,
               TAlignment alignment, bool wordWrap, bool autoSize)
    : TControl(form, parent, L"STATIC",
               WS_VISIBLE | SS_NOTIFY |
                   (alignment == TAlignment::Center ? SS_CENTER
                    : wordWrap                      ? SS_LEFT
                                                    : SS_LEFTNOWORDWRAP) |
                   SS_NOPREFIX,
               0, bounds, text),
      autoSize_(autoSize) {
}

SIZE TLabel::AutoSize() const {
    if (!autoSize_)
        return TControl::AutoSize();
    HDC dc = GetDC(Handle());
    HGDIOBJ old = SelectObject(dc, FontHandle());
    RECT rect{0, 0, 0, 0};
    DrawTextW(dc, Text().c_str(), static_cast<int>(Text().size()), &rect,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

LRESULT TLabel::ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
        if (!tracking_ && (onMouseEnter_ || onMouseLeave_)) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
            tracking_ = TrackMouseEvent(&track) != FALSE;
            if (onMouseEnter_)
                onMouseEnter_();
        }
        break;
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (onMouseLeave_)
            onMouseLeave_();
        return 0;
    case WM_SETCURSOR:
        if (cursor_) {
            ::SetCursor(cursor_);
            return TRUE;
        }
        break;
    case WM_PAINT:
        if (wParam == 0 && ShowsFocus()) {
            // The whole text is painted again under the focus rectangle, which is drawn by
            // inverting: a partly repainted label would keep half an old one.
            InvalidateRect(Handle(), nullptr, FALSE);
            CallOriginal(message, wParam, lParam);
            HDC dc = GetDC(Handle());
            RECT client;
            GetClientRect(Handle(), &client);
            DrawFocusRect(dc, &client);
            ReleaseDC(Handle(), dc);
            return 0;
        }
        break;
    default:
        break;
    }
    return CallOriginal(message, wParam, lParam);
}

// --- TButton ---------------------------------------------------------------------------------

TButton::TButton(TForm& form, TControl* parent, TBounds bounds, const std::wstring& text,
                 bool isDefault)
    : TControl(form, parent, L"BUTTON",
               WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, bounds,
               text),
      isDefault_(isDefault) {
    if (isDefault_ && !form.DefaultButton())
        form.SetDefaultButton(this);
}

void TButton::ShowDefaultFrame(bool show) {
    if (!Handle())
        return;
    const LONG_PTR type = GetWindowLongPtrW(Handle(), GWL_STYLE) & BS_TYPEMASK;
    const LONG_PTR wanted = show ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if (type != wanted)
        SendMessageW(Handle(), BM_SETSTYLE, static_cast<WPARAM>(wanted), TRUE);
}

LRESULT TButton::ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = CallOriginal(message, wParam, lParam);
    // Enter presses the focused push button, whatever frame it shows.
    if (message == WM_GETDLGCODE && Focused())
        result = (result & ~DLGC_UNDEFPUSHBUTTON) | DLGC_DEFPUSHBUTTON;
    return result;
}

// The button control makes this of a click, Space, BM_CLICK, and the dialog manager of Enter.
void TButton::Command(WORD code) {
    if (code == BN_CLICKED)
        Click();
}

void TButton::Click() {
    TControl::Click();
    if (ModalResult != 0)
        Form().SetModalResult(ModalResult);
}

// --- TListBox --------------------------------------------------------------------------------

TListBox::TListBox(TForm& form, TControl* parent, TBounds bounds, int itemHeight)
    : TControl(form, parent, L"LISTBOX",
               WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
               WS_EX_CLIENTEDGE, bounds, L""),
      itemHeight_(itemHeight) {
}

void TListBox::Relayout() {
    TControl::Relayout();
    if (Handle())
        SendMessageW(Handle(), LB_SETITEMHEIGHT, 0, Scale(itemHeight_));
}

void TListBox::Clear() {
    SendMessageW(Handle(), LB_RESETCONTENT, 0, 0);
}

void TListBox::Add(const std::wstring& line) {
    SendMessageW(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

int TListBox::Count() const {
    return static_cast<int>(SendMessageW(Handle(), LB_GETCOUNT, 0, 0));
}

std::wstring TListBox::Item(int index) const {
    LRESULT length = SendMessageW(Handle(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(Handle(), LB_GETTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void TListBox::SetItem(int index, const std::wstring& line) {
    // A list box has no message to change a line: the new one goes in its place.
    SendMessageW(Handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    SendMessageW(Handle(), LB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(line.c_str()));
}

int TListBox::ItemIndex() const {
    LRESULT index = SendMessageW(Handle(), LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void TListBox::SetItemIndex(int index) {
    SendMessageW(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int TListBox::ItemAt(POINT screen) const {
    ScreenToClient(Handle(), &screen);
    const LRESULT found =
        SendMessageW(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(screen.x, screen.y));
    // The high word says the point lies beyond every line: the nearest one is not under it.
    return HIWORD(found) || screen.x < 0 || screen.y < 0 ? -1 : static_cast<int>(LOWORD(found));
}

void TListBox::Command(WORD code) {
    // Sent while the second press is handled, so the message's position is where it was.
    if (code == LBN_DBLCLK && onDblClick_) {
        const DWORD at = GetMessagePos();
        if (ItemAt({GET_X_LPARAM(at), GET_Y_LPARAM(at)}) >= 0)
            onDblClick_();
    }
}

POINT TListBox::KeyboardPopupPoint() const {
    RECT client{}, line{};
    GetClientRect(Handle(), &client);
    POINT at{0, 0};
    const int index = ItemIndex();
    if (index >= 0 &&
        SendMessageW(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&line)) != LB_ERR &&
        line.bottom > 0 && line.bottom <= client.bottom)
        at = {line.left, line.bottom};
    ClientToScreen(Handle(), &at);
    return at;
}

LRESULT TListBox::ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!onContextPopup_)
        return CallOriginal(message, wParam, lParam);
    switch (message) {
    case WM_CONTEXTMENU: {
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        // -1, -1: asked for without the mouse.
        if (at.x == -1 && at.y == -1) {
            at = KeyboardPopupPoint();
        } else if (const int index = ItemAt(at); index >= 0) {
            SetItemIndex(index);
        }
        onContextPopup_(at);
        return 0;
    }
    // The keys are taken here, both halves: the system does not turn Shift+F10 into a menu
    // request everywhere, and where it does (at either half) the menu would open twice. F10's
    // release would otherwise start the menu mode of the caption bar.
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_KEYDOWN:
    case WM_KEYUP: {
        const bool menuKey = wParam == VK_APPS && (message == WM_KEYDOWN || message == WM_KEYUP);
        const bool shiftF10 = wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0;
        if (!menuKey && !shiftF10)
            break;
        const bool repeat = (lParam & (1 << 30)) != 0;
        if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && !repeat)
            onContextPopup_(KeyboardPopupPoint());
        return 0;
    }
    default:
        break;
    }
    return CallOriginal(message, wParam, lParam);
}

// --- TRadioButton ----------------------------------------------------------------------------

TRadioButton::TRadioButton(TForm& form, TControl* parent, TBounds bounds, const std::wstring& text)
    : TControl(form, parent, L"BUTTON", WS_VISIBLE | BS_AUTORADIOBUTTON, 0, bounds, text) {
}

bool TRadioButton::Checked() const {
    return Handle() ? SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED : checked_;
}

void TRadioButton::ApplyCheck() const {
    // The button control also makes a checked radio button a tab stop and an unchecked one not.
    SendMessageW(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool checked) {
    checked_ = checked;
    if (Handle())
        ApplyCheck();
    if (!checked)
        return;
    const auto& controls = Form().Controls();
    auto first = std::find(controls.begin(), controls.end(), this);
    while (first != controls.begin() && !(*first)->StartsGroup())
        --first;
    for (auto it = first; it != controls.end() && (it == first || !(*it)->StartsGroup()); ++it)
        if (auto* other = dynamic_cast<TRadioButton*>(*it); other && other != this)
            other->SetChecked(false);
}

void TRadioButton::HandleCreated() {
    ApplyCheck();
}

// The button has checked itself (and unchecked the others) by now.
void TRadioButton::Command(WORD code) {
    if (code == BN_CLICKED)
        Click();
}

// --- TProgressBar ----------------------------------------------------------------------------

namespace {

const wchar_t* ProgressClass() {
    // The class comes with the common controls, which register it on request.
    [[maybe_unused]] static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    return PROGRESS_CLASSW;
}

} // namespace

TProgressBar::TProgressBar(TForm& form, TControl* parent, TBounds bounds, const std::wstring& name)
    : TControl(form, parent, ProgressClass(), WS_VISIBLE, 0, bounds, name) {
}

void TProgressBar::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    if (Handle())
        SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
}

void TProgressBar::SetPosition(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
    if (Handle())
        SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::HandleCreated() {
    SetRange(minimum_, maximum_);
    SetPosition(position_);
}

// --- TEdit ----------------------------------------------------------------------------------

TEdit::TEdit(TForm& form, TControl* parent, TBounds bounds, const std::wstring& text)
    : TControl(form, parent, L"EDIT", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY,
               WS_EX_CLIENTEDGE, bounds, text) {
}

// --- TGroupBox -------------------------------------------------------------------------------

TGroupBox::TGroupBox(TForm& form, TControl* parent, TBounds bounds, const std::wstring& caption)
    : TControl(form, parent, L"BUTTON", WS_VISIBLE | BS_GROUPBOX, 0, bounds, caption) {
}

// A group box paints only its frame and caption and counts on its parent window to paint behind
// it, which the form's WS_CLIPCHILDREN prevents: its inside would stay black. So it fills its
// own background; the controls it frames lie above it and are clipped out.
LRESULT TGroupBox::ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        RECT rect;
        GetClientRect(Handle(), &rect);
        FillRect(dc, &rect, ControlColor(dc));
        return 1;
    }
    return CallOriginal(message, wParam, lParam);
}

// --- TPanel ----------------------------------------------------------------------------------

namespace {

// A window of its own class, painted by the panel: the class keeps the system's default
// procedure, and the panel subclasses it as every control is.
const wchar_t* PanelClass() {
    return TWindowClass::Use(
               L"TPanel", {.Cursor = LoadCursorW(nullptr, IDC_ARROW), .Procedure = DefWindowProcW})
        .Name();
}

} // namespace

TPanel::TPanel(TForm& form, TControl* parent, TBounds bounds, TColor color, TBevel outer,
               TBevel inner, const std::wstring& name)
    : TControl(form, parent, PanelClass(), WS_VISIBLE, 0, bounds, name), color_(color),
      outer_(outer), inner_(inner) {
}

void TPanel::SetColor(TColor color) {
    if (color == color_)
        return;
    color_ = color;
    if (Handle())
        InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT TPanel::ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(Handle(), &paint);
        RECT rect;
        GetClientRect(Handle(), &rect);
        SetDCBrushColor(dc, ColorToRGB(color_));
        FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        if (outer_ != TBevel::None)
            DrawEdge(dc, &rect, outer_ == TBevel::Raised ? BDR_RAISEDOUTER : BDR_SUNKENOUTER,
                     BF_RECT | BF_ADJUST);
        if (inner_ != TBevel::None)
            DrawEdge(dc, &rect, inner_ == TBevel::Raised ? BDR_RAISEDOUTER : BDR_SUNKENOUTER,
                     BF_RECT | BF_ADJUST);
        if (ShowsFocus()) {
            // Black, white, black: one of them stands out whatever the panel's colour and
            // whatever it stands on.
            const int inset = Scale(3), line = std::max(1, Scale(1));
            InflateRect(&rect, -inset, -inset);
            for (int ring = 0; ring < 3; ++ring) {
                for (int k = 0; k < line; ++k) {
                    FrameRect(
                        dc, &rect,
                        static_cast<HBRUSH>(GetStockObject(ring == 1 ? WHITE_BRUSH : BLACK_BRUSH)));
                    InflateRect(&rect, -1, -1);
                }
            }
        }
        EndPaint(Handle(), &paint);
        return 0;
    }
    default:
        return CallOriginal(message, wParam, lParam);
    }
}

// --- TSpeedButton ----------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TForm& form, TControl* parent, TBounds bounds,
                           const std::wstring& accessibleName, HBITMAP picture, bool flat)
    : TControl(form, parent, L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, bounds,
               accessibleName),
      flat_(flat) {
    SetPicture(picture);
    // The dialog manager leaves Enter to owner-drawn buttons no more than to any other; the
    // button control works the mouse, Space and BM_CLICK itself.
    SetPressedByToolkit(true);
    SetPaintsFocus();
}

void TSpeedButton::SetPicture(HBITMAP picture) {
    SetPictures({picture});
}

void TSpeedButton::SetPictures(std::vector<HBITMAP> pictures) {
    pictures.erase(std::remove(pictures.begin(), pictures.end(), nullptr), pictures.end());
    pictures_ = std::move(pictures);
    if (Handle())
        InvalidateRect(Handle(), nullptr, FALSE);
}

HBITMAP TSpeedButton::PictureFor(int width, int height) const {
    HBITMAP nearest = nullptr;
    long nearestDistance = 0;
    for (HBITMAP picture : pictures_) {
        BITMAP info{};
        if (!GetObjectW(picture, sizeof info, &info))
            continue;
        const long distance =
            std::labs(long(info.bmWidth) - width) + std::labs(long(info.bmHeight) - height);
        if (!nearest || distance < nearestDistance) {
            nearest = picture;
            nearestDistance = distance;
        }
    }
    return nearest;
}

// A quick second press of an owner-drawn button comes as a double click; it is a press all the
// same.
void TSpeedButton::Command(WORD code) {
    if (code == BN_CLICKED || code == BN_DOUBLECLICKED)
        Click();
}

void TSpeedButton::DrawItem(const DRAWITEMSTRUCT& item) {
    // The picture fills the button, pixel for pixel where one was drawn at the button's size: it
    // brings its own bevelled edge, and single-pixel detail must not be resampled. The flat button
    // and the raised ones thus look the same until pressed; a pressed one shows its picture one
    // pixel down and right in a sunken edge.
    RECT rect = item.rcItem;
    HDC dc = item.hDC;
    FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
    const bool pressed = !flat_ && (item.itemState & ODS_SELECTED) != 0;
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (HBITMAP picture = PictureFor(width, height)) {
        BITMAP info{};
        GetObjectW(picture, sizeof info, &info);
        TMemoryDC source(CreateCompatibleDC(dc));
        HGDIOBJ old = SelectObject(source.Get(), picture);
        const int shift = pressed ? 1 : 0;
        if (width == info.bmWidth && height == info.bmHeight) {
            BitBlt(dc, rect.left + shift, rect.top + shift, width, height, source.Get(), 0, 0,
                   SRCCOPY);
        } else {
            SetStretchBltMode(dc, HALFTONE);
            SetBrushOrgEx(dc, 0, 0, nullptr);
            StretchBlt(dc, rect.left + shift, rect.top + shift, width, height, source.Get(), 0, 0,
                       info.bmWidth, info.bmHeight, SRCCOPY);
        }
        SelectObject(source.Get(), old);
    }
    if (pressed)
        DrawEdge(dc, &rect, EDGE_SUNKEN, BF_RECT);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT) && ShowsFocus()) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -Scale(4), -Scale(4));
        DrawFocusRect(dc, &focus);
    }
}

// --- TImage ----------------------------------------------------------------------------------

TImage::TImage(TForm& form, TControl* parent, TBounds bounds, HICON icon)
    : TControl(form, parent, L"STATIC", WS_VISIBLE | SS_OWNERDRAW, 0, bounds, L""), icon_(icon) {
}

void TImage::DrawItem(const DRAWITEMSTRUCT& item) {
    FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(ControlColor(item.hDC)));
    if (icon_)
        DrawIconEx(item.hDC, item.rcItem.left, item.rcItem.top, icon_,
                   item.rcItem.right - item.rcItem.left, item.rcItem.bottom - item.rcItem.top, 0,
                   nullptr, DI_NORMAL);
}

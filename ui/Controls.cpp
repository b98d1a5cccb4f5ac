#include "ui/Controls.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Form.h"
#include "ui/OSError.h"

// --- TControl --------------------------------------------------------------------------------

TControl::TControl(TForm& form, TControl* parent, const wchar_t* windowClass, DWORD style,
                   DWORD exStyle, TBounds bounds, const std::wstring& text)
    : TComponent(&form), form_(form), parent_(parent), bounds_(bounds), font_(form.DefaultFont()) {
    if (parent_)
        parent_->children_.push_back(this);
    id_ = form.NextControlId();
    // Every control starts a group of its own: the arrow keys move only within groups that a
    // form makes on purpose.
    handle_ = CreateWindowExW(exStyle, windowClass, text.c_str(),
                              WS_CHILD | WS_CLIPSIBLINGS | WS_GROUP | style, 0, 0, 0, 0,
                              form.Handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)),
                              GetModuleHandleW(nullptr), nullptr);
    if (!handle_)
        RaiseLastOSError();
    SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // Every control reports its focus to the form, which remembers it for the next activation.
    Subclass();
    if (parent_) {
        // Directly above its container in the z-order, so the container never covers it.
        HWND above = GetWindow(parent_->handle_, GW_HWNDPREV);
        SetWindowPos(handle_, above ? above : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    Relayout();
    UpdateWindowVisibility();
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
    if (handle_) {
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        if (originalProc_)
            SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc_));
        DestroyWindow(handle_);
    }
}

TControl* TControl::FromHandle(HWND window) noexcept {
    return window ? reinterpret_cast<TControl*>(GetWindowLongPtrW(window, GWLP_USERDATA)) : nullptr;
}

void TControl::SetClickHandler(TControlEvent handler) {
    onClick_ = std::move(handler);
    SetTabStop(true);
    SetKeyboardClick();
    SetPaintsFocus();
}

int TControl::Scale(int designPixels) const {
    return ScaleToDpi(designPixels, form_.Dpi());
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
    UINT dpi = form_.Dpi();
    if (fontDpi_ != dpi || !fontHandle_) {
        LOGFONTW logFont{};
        logFont.lfHeight = -ScaleToDpi(font_.Height, dpi);
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
    ShowWindow(handle_, visible_ && ParentsVisible() ? SW_SHOWNA : SW_HIDE);
    for (TControl* child : children_)
        child->UpdateWindowVisibility();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_)
        return;
    if (!visible)
        form_.ControlLeaving(*this);
    visible_ = visible;
    UpdateWindowVisibility();
    if (visible)
        form_.ControlAppeared(*this);
    // What the control covered (or now covers) is painted again, its siblings included.
    RECT area{};
    GetWindowRect(handle_, &area);
    MapWindowPoints(nullptr, form_.Handle(), reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(form_.Handle(), &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool TControl::Enabled() const {
    return IsWindowEnabled(handle_) != FALSE;
}

void TControl::SetEnabled(bool enabled) {
    // A window disabled with the focus would keep the keyboard with nowhere to go.
    if (!enabled)
        form_.ControlLeaving(*this);
    // EnableWindow answers whether the window was disabled before.
    if (EnableWindow(handle_, enabled ? TRUE : FALSE) && enabled)
        form_.ControlAppeared(*this);
}

bool TControl::TabStop() const {
    return (GetWindowLongPtrW(handle_, GWL_STYLE) & WS_TABSTOP) != 0;
}

void TControl::SetTabStop(bool tabStop) {
    LONG_PTR style = GetWindowLongPtrW(handle_, GWL_STYLE);
    SetWindowLongPtrW(handle_, GWL_STYLE, tabStop ? style | WS_TABSTOP : style & ~WS_TABSTOP);
}

void TControl::JoinPreviousGroup() {
    SetWindowLongPtrW(handle_, GWL_STYLE, GetWindowLongPtrW(handle_, GWL_STYLE) & ~WS_GROUP);
}

bool TControl::Focused() const {
    return GetFocus() == handle_;
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

std::wstring TControl::Text() const {
    int length = GetWindowTextLengthW(handle_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    length = GetWindowTextW(handle_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void TControl::SetText(const std::wstring& text) {
    SetWindowTextW(handle_, text.c_str());
    Relayout();
}

void TControl::SetFont(const TFontSpec& font) {
    if (font == font_)
        return;
    font_ = font;
    fontDpi_ = 0;
    Relayout();
}

void TControl::SetFontColor(TColor color) {
    if (color == fontColor_)
        return;
    fontColor_ = color;
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

void TControl::Subclass() {
    if (originalProc_)
        return;
    originalProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProc)));
}

LRESULT CALLBACK TControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TControl* self = FromHandle(window);
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    if (!Guarded(self, [&] {
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
            if (!self->keyboardClick_ ||
                !self->KeyboardClickMessage(message, wParam, lParam, result))
                result = self->ControlWndProc(message, wParam, lParam);
        }))
        return 0;
    return result;
}

bool TControl::KeyboardClickMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    // A key that was already down when the message came is a repeat, or was pressed before the
    // control had the focus (the Space that opened the window under it): it clicks nothing.
    const bool repeat = (lParam & (1 << 30)) != 0;
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
            result = 0;
            return true;
        }
        if (wParam == VK_SPACE && keyboardSpace_) {
            if (!repeat)
                spacePressed_ = true;
            result = 0;
            return true;
        }
        return false;
    case WM_KEYUP:
        if (wParam == VK_SPACE && keyboardSpace_) {
            if (std::exchange(spacePressed_, false))
                Click();
            result = 0;
            return true;
        }
        return false;
    case WM_CHAR:
        if (wParam == L'\r' || (wParam == L' ' && keyboardSpace_)) {
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}

LRESULT TControl::ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallOriginal(message, wParam, lParam);
}

LRESULT TControl::CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) {
    return originalProc_ ? CallWindowProcW(originalProc_, handle_, message, wParam, lParam)
                         : DefWindowProcW(handle_, message, wParam, lParam);
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
    if (autoSize_)
        Relayout();
}

SIZE TLabel::AutoSize() const {
    if (!autoSize_)
        return TControl::AutoSize();
    HDC dc = GetDC(Handle());
    HGDIOBJ old = SelectObject(dc, FontHandle());
    std::wstring text = Text();
    RECT rect{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void TLabel::SetOnMouseEnter(TControlEvent handler) {
    onMouseEnter_ = std::move(handler);
}

void TLabel::SetOnMouseLeave(TControlEvent handler) {
    onMouseLeave_ = std::move(handler);
}

void TLabel::Command(WORD code) {
    if (code == STN_CLICKED)
        Click();
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

void TButton::Command(WORD code) {
    if (code != BN_CLICKED)
        return;
    if (OnClick)
        OnClick();
    if (ModalResult != 0)
        Form().SetModalResult(ModalResult);
}

// --- TListBox --------------------------------------------------------------------------------

TListBox::TListBox(TForm& form, TControl* parent, TBounds bounds, int itemHeight)
    : TControl(form, parent, L"LISTBOX",
               WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
               WS_EX_CLIENTEDGE, bounds, L""),
      itemHeight_(itemHeight) {
    Relayout();
}

void TListBox::Relayout() {
    TControl::Relayout();
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

int TListBox::ItemIndex() const {
    LRESULT index = SendMessageW(Handle(), LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void TListBox::SetItemIndex(int index) {
    SendMessageW(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// --- TGroupBox -------------------------------------------------------------------------------

TGroupBox::TGroupBox(TForm& form, TControl* parent, TBounds bounds, const std::wstring& caption)
    : TControl(form, parent, L"BUTTON", WS_VISIBLE | BS_GROUPBOX, 0, bounds, caption) {
    Subclass();
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
constexpr wchar_t PanelClassName[] = L"TPanel";
}

const wchar_t* TPanel::RegisterPanelClass() {
    static bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = PanelClassName;
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    if (!registered)
        RaiseLastOSError();
    return PanelClassName;
}

TPanel::TPanel(TForm& form, TControl* parent, TBounds bounds, TColor color, TBevel outer,
               TBevel inner, const std::wstring& name)
    : TControl(form, parent, RegisterPanelClass(), WS_VISIBLE, 0, bounds, name), color_(color),
      outer_(outer), inner_(inner) {
}

void TPanel::SetColor(TColor color) {
    if (color == color_)
        return;
    color_ = color;
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
    // A click is a press and a release on the panel, as with a button: the mouse is held from
    // the press, so a release that ends a press somewhere else (or the click that opened the
    // panel's window under the cursor) clicks nothing.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetCapture(Handle());
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == Handle()) {
            ReleaseCapture();
            RECT client;
            GetClientRect(Handle(), &client);
            const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (PtInRect(&client, at))
                Click();
        }
        return 0;
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
    // button control works Space itself.
    SetKeyboardClick(false);
    SetPaintsFocus();
}

void TSpeedButton::Click() {
    if (OnClick)
        OnClick();
}

void TSpeedButton::SetPicture(HBITMAP picture) {
    SetPictures({picture});
}

void TSpeedButton::SetPictures(std::vector<HBITMAP> pictures) {
    pictures.erase(std::remove(pictures.begin(), pictures.end(), nullptr), pictures.end());
    pictures_ = std::move(pictures);
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

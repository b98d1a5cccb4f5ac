// Controls: the standard Windows controls (STATIC, BUTTON, LISTBOX, the progress bar) with their
// text set, so screen readers and automation can read them, plus a panel and a picture button
// where custom painting is needed. Each control is laid out from its 96-DPI design rectangle and
// font, scaled to the form's DPI.
//
// Every control window is a child of its form; a control's "parent" (a group box or a panel) only
// gives it coordinates and visibility, and keeps it above itself in the z-order. So every
// notification reaches the form, which hands it to the control that sent it. Controls are created
// in tab order.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/Component.h"
#include "ui/Graphics.h"
#include "ui/Handles.h"

class TForm;

struct TBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// What a control calls when the user acts on it.
using TControlEvent = std::function<void()>;

class TControl : public TComponent {
public:
    ~TControl() override;

    HWND Handle() const noexcept { return handle_; }
    TForm& Form() const noexcept { return form_; }
    TControl* Parent() const noexcept { return parent_; }
    // The second phase of creation, run by the form in creation order once the form's window
    // exists: makes the control's window with every property set so far. Laid out and shown by
    // the form afterwards.
    void CreateHandle();

    // Own visibility; the window shows only while every parent is visible too.
    bool Visible() const noexcept { return visible_; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool enabled);

    const std::wstring& Text() const noexcept { return text_; }
    // The window text is also the name screen readers and automation give the control.
    void SetText(const std::wstring& text);

    // --- Clicking -----------------------------------------------------------------------------
    // What the control does when it is pressed. Every road leads through Click(): the mouse, Space
    // and Enter, and BM_CLICK from automation. A control that is no button becomes a tab stop
    // that shows the focus when it gets a handler.
    void SetOnClick(TControlEvent handler);
    virtual void Click();

    // --- Keyboard -----------------------------------------------------------------------------
    // The identifier the dialog manager knows the control by; unique within its form.
    int Id() const noexcept { return id_; }
    bool TabStop() const noexcept { return (style_ & WS_TABSTOP) != 0; }
    void SetTabStop(bool tabStop);
    // Makes the control part of the group of the control created before it: the arrow keys
    // move within a group. Every control starts a group of its own.
    void JoinPreviousGroup();
    bool StartsGroup() const noexcept { return (style_ & WS_GROUP) != 0; }
    bool Focused() const;
    // True when `container` is this control or one of its parents.
    bool IsWithin(const TControl& container) const;

    const TFontSpec& Font() const noexcept { return font_; }
    void SetFont(const TFontSpec& font);
    // Text colour; clWindowText unless set.
    TColor FontColor() const noexcept { return fontColor_; }
    void SetFontColor(TColor color);

    // The design rectangle in 96-DPI pixels, relative to the parent (or the form).
    const TBounds& DesignBounds() const noexcept { return bounds_; }
    POINT DesignOrigin() const; // the design position relative to the form's client area
    // Places the window and sets its font for the form's current DPI.
    virtual void Relayout();
    // Shows or hides the window (and its children's) as its own visibility and its parents' say.
    void UpdateWindowVisibility();

    // A notification the control sent its form (WM_COMMAND, WM_DRAWITEM, WM_CTLCOLOR...), handed
    // back to it. True when the control took it; `result` is the form's answer then.
    bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    TControl(TForm& form, TControl* parent, const wchar_t* windowClass, DWORD style, DWORD exStyle,
             TBounds bounds, std::wstring text);

    // Runs once the window has been made: applies what was recorded before it existed.
    virtual void HandleCreated() {}
    // The control's own notifications, reflected from the form.
    virtual void Command(WORD /*code*/) {}
    virtual HBRUSH ControlColor(HDC dc);
    virtual void DrawItem(const DRAWITEMSTRUCT& /*item*/) {}

    // Size the control needs for its content, in physical pixels; the design size by default.
    virtual SIZE AutoSize() const;
    // A control whose own painting shows the focus: it is repainted when the focus or the
    // keyboard cues change. ShowsFocus tells whether to draw the mark now.
    void SetPaintsFocus() noexcept { paintsFocus_ = true; }
    bool ShowsFocus() const;
    // A control that the system does not press itself (no BUTTON): the toolkit presses it with
    // the mouse (a press and a release on it), Enter, Space (on its release, like a button) and
    // BM_CLICK. `enterOnly` leaves all but Enter to a BUTTON control's own handling (an
    // owner-drawn button, which the dialog manager's Enter ignores).
    void SetPressedByToolkit(bool enterOnly = false) noexcept {
        pressedByToolkit_ = true;
        pressAll_ = !enterOnly;
    }
    // Messages of the control's window; unhandled ones go to the window's own procedure.
    virtual LRESULT ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT CallOriginal(UINT message, WPARAM wParam, LPARAM lParam);
    HFONT FontHandle() const noexcept { return fontHandle_.Get(); }
    int Scale(int designPixels) const;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    bool ParentsVisible() const;
    bool PressMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void SetStyleBit(DWORD bit, bool on);

    TForm& form_;
    TControl* parent_;
    HWND handle_ = nullptr;
    const wchar_t* windowClass_;
    DWORD style_;
    DWORD exStyle_;
    std::wstring text_;
    TBounds bounds_;
    bool visible_;
    bool enabled_ = true;
    TFontSpec font_;
    TFontHandle fontHandle_;
    UINT fontDpi_ = 0;
    TColor fontColor_ = clWindowText;
    std::vector<TControl*> children_;
    int id_ = 0;
    bool paintsFocus_ = false;
    bool pressedByToolkit_ = false;
    bool pressAll_ = false;
    bool spacePressed_ = false;
    TControlEvent onClick_;
};

// Text. Single-line labels size themselves to their text; multi-line ones wrap in their box.
class TLabel : public TControl {
public:
    enum class TAlignment { Left, Center };
    TLabel(TForm& form, TControl* parent, TBounds bounds, const std::wstring& text,
           TAlignment alignment = TAlignment::Left, bool wordWrap = false, bool autoSize = false);

    // The mouse entering and leaving the text (each makes the label react to the mouse).
    void SetOnMouseEnter(TControlEvent handler) { onMouseEnter_ = std::move(handler); }
    void SetOnMouseLeave(TControlEvent handler) { onMouseLeave_ = std::move(handler); }
    void SetCursor(HCURSOR cursor) noexcept { cursor_ = cursor; }

protected:
    SIZE AutoSize() const override;
    LRESULT ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool autoSize_;
    bool tracking_ = false;
    HCURSOR cursor_ = nullptr;
    TControlEvent onMouseEnter_, onMouseLeave_;
};

// A push button. The first default button of a form is the one Enter presses when the focus
// is on no other push button.
class TButton : public TControl {
public:
    TButton(TForm& form, TControl* parent, TBounds bounds, const std::wstring& text,
            bool isDefault = false);
    // A non-zero result ends the form's modal loop with it when the button is clicked.
    int ModalResult = 0;
    bool IsDefault() const noexcept { return isDefault_; }
    void ShowDefaultFrame(bool show);
    void Click() override;

protected:
    void Command(WORD code) override;
    LRESULT ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool isDefault_;
};

// One of a group of choices: the first radio button of a group starts it, the others join it
// (JoinPreviousGroup). A click, Space, or an arrow key moving onto one checks it and unchecks the
// others; the button control keeps the checked one the group's only tab stop.
class TRadioButton : public TControl {
public:
    TRadioButton(TForm& form, TControl* parent, TBounds bounds, const std::wstring& text);
    bool Checked() const;
    // Checking one unchecks the others of its group, as a click does (without running Click).
    void SetChecked(bool checked);

protected:
    void HandleCreated() override;
    void Command(WORD code) override;

private:
    void ApplyCheck() const;

    bool checked_ = false;
};

// The system's progress bar: a position within a range, drawn as the filled part of the bar. Its
// text is not drawn; it names the bar for screen readers.
class TProgressBar : public TControl {
public:
    TProgressBar(TForm& form, TControl* parent, TBounds bounds, const std::wstring& name);
    int Position() const noexcept { return position_; }
    void SetRange(int minimum, int maximum);
    void SetPosition(int position);

protected:
    void HandleCreated() override;

private:
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
};

class TListBox : public TControl {
public:
    TListBox(TForm& form, TControl* parent, TBounds bounds, int itemHeight);
    void Clear();
    void Add(const std::wstring& line);
    int Count() const;
    std::wstring Item(int index) const;
    // Replaces the line's text in place.
    void SetItem(int index, const std::wstring& line);
    int ItemIndex() const; // -1 without a selection
    void SetItemIndex(int index);
    // The line under a point in screen pixels, or -1 where there is none.
    int ItemAt(POINT screen) const;
    void Relayout() override;

    // A double click on a line (not on the empty space below the lines).
    void SetOnDblClick(TControlEvent handler) { onDblClick_ = std::move(handler); }
    // The user asks for the list's context menu: a right click, which first selects the line
    // under the mouse, or Shift+F10 or the menu key. `at` (screen pixels) is where the menu
    // opens: at the mouse, below the selected line, or at the list's top left corner.
    void SetOnContextPopup(std::function<void(POINT at)> handler) {
        onContextPopup_ = std::move(handler);
    }

protected:
    void Command(WORD code) override;
    LRESULT ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    POINT KeyboardPopupPoint() const;

    int itemHeight_;
    TControlEvent onDblClick_;
    std::function<void(POINT)> onContextPopup_;
};

// A frame with a caption around other controls.
class TGroupBox : public TControl {
public:
    TGroupBox(TForm& form, TControl* parent, TBounds bounds, const std::wstring& caption);

protected:
    LRESULT ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A plain rectangle in a colour, optionally with a bevelled edge, that can hold other controls
// and react to clicks (the colour swatches are panels). The text is not drawn; it names the
// panel for screen readers. A panel that can be clicked shows a focus mark that stands out on any
// colour.
class TPanel : public TControl {
public:
    enum class TBevel { None, Raised, Lowered };
    TPanel(TForm& form, TControl* parent, TBounds bounds, TColor color, TBevel outer = TBevel::None,
           TBevel inner = TBevel::None, const std::wstring& name = L"");
    TColor Color() const noexcept { return color_; }
    void SetColor(TColor color);

protected:
    LRESULT ControlWndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    TColor color_;
    TBevel outer_, inner_;
};

// A button that shows a picture at its size, raised (or flat), with a text for screen readers
// that says what pressing it does. A tab stop, pressed with Space or Enter.
class TSpeedButton : public TControl {
public:
    TSpeedButton(TForm& form, TControl* parent, TBounds bounds, const std::wstring& accessibleName,
                 HBITMAP picture, bool flat = false);
    void SetPicture(HBITMAP picture); // shared: the caller keeps it alive
    // One picture drawn at several sizes, for the button's size at several DPIs (shared, as
    // above; null entries are skipped). The button draws the one of its own size pixel for
    // pixel, and else stretches the one nearest in size.
    void SetPictures(std::vector<HBITMAP> pictures);

protected:
    void Command(WORD code) override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    HBITMAP PictureFor(int width, int height) const;

    std::vector<HBITMAP> pictures_;
    bool flat_;
};

// A line of text to select and copy, not to change: a read-only edit. Tab selects it all. Screen
// readers name it by the label created just before it.
class TEdit : public TControl {
public:
    TEdit(TForm& form, TControl* parent, TBounds bounds, const std::wstring& text);
};

// An icon drawn at the control's size.
class TImage : public TControl {
public:
    TImage(TForm& form, TControl* parent, TBounds bounds, HICON icon);

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    HICON icon_;
};

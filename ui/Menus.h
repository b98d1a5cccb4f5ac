// Pop-up menus: a component holding its items in order, built into one HMENU that is kept until
// the items change. An item's action runs from the menu's command message, which the system
// posts to the window that opened the menu once the menu has closed; that window hands the
// command back through DispatchCommand.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/Handles.h"

struct TMenuTraits {
    using Type = HMENU;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { DestroyMenu(h); }
};
using TMenuHandle = TUniqueHandle<TMenuTraits>;

class TPopupMenu;

class TMenuItem {
public:
    TMenuItem(const TMenuItem&) = delete;
    TMenuItem& operator=(const TMenuItem&) = delete;

    // "-" makes the item a separator.
    const std::wstring& Caption() const noexcept { return caption_; }
    void SetCaption(std::wstring caption);
    bool IsSeparator() const noexcept { return caption_ == L"-"; }
    // A disabled item shows greyed and cannot be chosen.
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool enabled);
    // The command identifier the item carries in its menu's HMENU.
    UINT Command() const noexcept { return command_; }

    std::function<void()> OnClick;

private:
    friend class TPopupMenu;
    TMenuItem(TPopupMenu& menu, UINT command, std::wstring caption);

    TPopupMenu& menu_;
    UINT command_;
    std::wstring caption_;
    bool enabled_ = true;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // Appends an item; the menu keeps it for its whole life.
    TMenuItem* Add(std::wstring caption, std::function<void()> onClick = {});
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }

    // Runs just before the menu opens.
    std::function<void()> OnPopup;

    // Opens the menu with its top left corner at (x, y) in screen pixels and returns when it has
    // closed. The chosen item's command is posted to ownerWindow, whose window procedure passes
    // it to DispatchCommand. Does nothing while this menu is already open.
    void Popup(int x, int y, HWND ownerWindow);
    // Opens the menu beside `anchor` (screen pixels) without covering it, on the anchor's monitor:
    // above or below it, on the side with more room, as a task bar's menus sit. Otherwise as
    // Popup.
    void PopupBeside(const RECT& anchor, HWND ownerWindow);
    bool Tracking() const noexcept { return tracking_; }

    // Runs the OnClick of the item a WM_COMMAND's wParam names, guarded like every entry from
    // Win32. Returns false when the command is not one of this menu's items.
    bool DispatchCommand(WPARAM wParam);

    // The built menu (built on first use and again after the items changed).
    HMENU Handle();

private:
    friend class TMenuItem;
    void Rebuild();
    void Track(UINT flags, int x, int y, HWND ownerWindow, TPMPARAMS* params);

    std::vector<std::unique_ptr<TMenuItem>> items_;
    TMenuHandle menu_;
    bool changed_ = true;
    bool tracking_ = false;
    // Above the dialog manager's IDOK and IDCANCEL, which reach a form as commands without a
    // control too: a form can hand every such command to its menu.
    UINT nextCommand_ = 0x1000;
};

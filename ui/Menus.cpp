#include "ui/Menus.h"

#include <stdexcept>

#include "ui/Application.h"
#include "ui/OSError.h"

TMenuItem::TMenuItem(TPopupMenu& menu, UINT command, std::wstring caption)
    : menu_(menu), command_(command), caption_(std::move(caption)) {
}

void TMenuItem::SetCaption(std::wstring caption) {
    if (caption == caption_)
        return;
    caption_ = std::move(caption);
    menu_.changed_ = true;
}

void TMenuItem::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    menu_.changed_ = true;
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner) {
}

TPopupMenu::~TPopupMenu() {
    MarkDestroying();
}

TMenuItem* TPopupMenu::Add(std::wstring caption, std::function<void()> onClick) {
    // Command identifiers travel in the low word of WM_COMMAND's wParam.
    if (nextCommand_ > 0xFFFF)
        throw std::length_error("too many menu items");
    std::unique_ptr<TMenuItem> item(new TMenuItem(*this, nextCommand_++, std::move(caption)));
    item->OnClick = std::move(onClick);
    items_.push_back(std::move(item));
    changed_ = true;
    return items_.back().get();
}

HMENU TPopupMenu::Handle() {
    // Never rebuilt while open: the system still walks the old handle.
    if ((changed_ || !menu_) && !tracking_)
        Rebuild();
    return menu_.Get();
}

void TPopupMenu::Rebuild() {
    TMenuHandle menu(CreatePopupMenu());
    if (!menu)
        RaiseLastOSError();
    for (const auto& item : items_) {
        BOOL appended = item->IsSeparator()
                            ? AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr)
                            : AppendMenuW(menu.Get(), MF_STRING | (item->Enabled() ? 0 : MF_GRAYED),
                                          item->Command(), item->Caption().c_str());
        if (!appended)
            RaiseLastOSError();
    }
    menu_ = std::move(menu);
    changed_ = false;
}

void TPopupMenu::Popup(int x, int y, HWND ownerWindow) {
    Track(TPM_LEFTALIGN | TPM_TOPALIGN, x, y, ownerWindow, nullptr);
}

void TPopupMenu::PopupBeside(const RECT& anchor, HWND ownerWindow) {
    // The side with more room on the anchor's monitor: above an anchor in a task bar at the
    // bottom, below one at the top. The corner given lies on the anchor's edge, so the menu goes
    // to its monitor. Should the menu still not fit, TPM_VERTICAL makes the system move it to the
    // other side of the excluded anchor rather than over it; Wine would push it over the anchor,
    // hence the choice made here.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromRect(&anchor, MONITOR_DEFAULTTONEAREST), &monitor);
    const bool above =
        anchor.top - monitor.rcMonitor.top >= monitor.rcMonitor.bottom - anchor.bottom;
    TPMPARAMS params{};
    params.cbSize = sizeof params;
    params.rcExclude = anchor;
    Track(TPM_LEFTALIGN | TPM_VERTICAL | (above ? TPM_BOTTOMALIGN : TPM_TOPALIGN), anchor.left,
          above ? anchor.top : anchor.bottom, ownerWindow, &params);
}

void TPopupMenu::Track(UINT flags, int x, int y, HWND ownerWindow, TPMPARAMS* params) {
    // A thread has at most one menu open; a second request while this one is open (a tray
    // notification arriving inside the menu's loop) is dropped.
    if (tracking_)
        return;
    if (OnPopup)
        OnPopup();
    HMENU menu = Handle();
    tracking_ = true;
    // Without TPM_RETURNCMD the system posts the chosen item's WM_COMMAND to the owner, so the
    // action runs after the menu has gone, from the owner's message loop.
    TrackPopupMenuEx(menu, flags | TPM_RIGHTBUTTON, x, y, ownerWindow, params);
    tracking_ = false;
}

bool TPopupMenu::DispatchCommand(WPARAM wParam) {
    // Menu commands have 0 in the high word; 1 marks an accelerator.
    if (HIWORD(wParam) != 0)
        return false;
    UINT command = LOWORD(wParam);
    for (const auto& item : items_) {
        if (item->Command() != command)
            continue;
        // A copy: the action may change or remove the handler it runs from.
        std::function<void()> action = item->OnClick;
        if (action && !Destroying())
            Guarded(this, action);
        return true;
    }
    return false;
}

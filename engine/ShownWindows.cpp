#include "engine/ShownWindows.h"

namespace {

// The watch the hooks report to; only its own thread reads or writes it.
TShownWindows* current = nullptr;

} // namespace

std::shared_ptr<TShownWindows> TShownWindows::Use() {
    static std::weak_ptr<TShownWindows> shared;
    if (auto existing = shared.lock())
        return existing;
    std::shared_ptr<TShownWindows> made(new TShownWindows());
    shared = made;
    return made;
}

TShownWindows::TShownWindows() {
    current = this;
    // Without the events (a system without them) the covers rely on the z-order alone, which is
    // all that Windows itself needs.
    objectHook_ = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_FOCUS, nullptr, &Event, 0, 0,
                                  WINEVENT_OUTOFCONTEXT);
    foregroundHook_ = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                      &Event, 0, 0, WINEVENT_OUTOFCONTEXT);
}

TShownWindows::~TShownWindows() {
    if (objectHook_)
        UnhookWinEvent(objectHook_);
    if (foregroundHook_)
        UnhookWinEvent(foregroundHook_);
    if (current == this)
        current = nullptr;
}

void CALLBACK TShownWindows::Event(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG,
                                   DWORD, DWORD) {
    if (!current || !window)
        return;
    switch (event) {
    case EVENT_OBJECT_CREATE:
    case EVENT_OBJECT_SHOW:
        // Only whole top-level windows: a control, a caret or a cursor inside one is no news.
        if (object == OBJID_WINDOW && !(GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD))
            current->Appeared(window);
        break;
    case EVENT_OBJECT_FOCUS:
    case EVENT_SYSTEM_FOREGROUND:
        // The focus lies on a control: its window has come to the front.
        if (HWND root = GetAncestor(window, GA_ROOT))
            current->Appeared(root);
        break;
    default:
        break;
    }
}

void TShownWindows::Appeared(HWND window) noexcept {
    recent_[serial_ % Kept] = window;
    ++serial_;
}

bool TShownWindows::Since(std::uint64_t since, std::array<HWND, Kept>& windows,
                          std::size_t& count) const {
    count = 0;
    if (serial_ - since > Kept)
        return false;
    for (std::uint64_t s = since; s < serial_; ++s)
        windows[count++] = recent_[s % Kept];
    return true;
}

// The top-level windows that have appeared lately anywhere on the desktop: created, shown, made the
// foreground window or given the focus. Wine's virtual desktop draws such a window above the
// always-on-top covers while its z-order still puts the covers first, so the covers look at these
// windows rather than trust the z-order alone. Told by the system's window events, out of
// context: the callbacks run on the thread that made the watch, inside its message loops. (Wine 8
// sends only the creation and focus events; Windows sends all four.)
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <span>

class TShownWindows {
public:
    // The one watch of the process, made with its hooks when the first user asks and gone
    // with the last.
    static std::shared_ptr<TShownWindows> Use();
    ~TShownWindows();
    TShownWindows(const TShownWindows&) = delete;
    TShownWindows& operator=(const TShownWindows&) = delete;

    static constexpr std::size_t Kept = 16;

    // How many windows have appeared since the watch began.
    std::uint64_t Serial() const noexcept { return serial_; }
    // The windows that appeared after `since` (a Serial() read before), oldest first; false
    // when more appeared than are kept (then any of them may be anywhere).
    bool Since(std::uint64_t since, std::array<HWND, Kept>& windows, std::size_t& count) const;

    // For tests: what a window event would record.
    void Appeared(HWND window) noexcept;

private:
    TShownWindows();
    static void CALLBACK Event(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                               LONG child, DWORD thread, DWORD time);

    HWINEVENTHOOK objectHook_ = nullptr;
    HWINEVENTHOOK foregroundHook_ = nullptr;
    std::array<HWND, Kept> recent_{};
    std::uint64_t serial_ = 0;
};

// One program per data file: a second start on the same Glimmora.pix (a shortcut in the autostart
// folder, then a double click) would keep a list of its own and overwrite the other's marks with
// its next save. It hands over to the running program instead, which shows its setup window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/Handles.h"

// A key for a file's path as Windows compares paths: the full, long form, case ignored.
std::uint64_t PathKey(const std::wstring& path);

class TInstanceLock {
public:
    // Takes the lock of the data file `path`, unless a running program holds it.
    explicit TInstanceLock(const std::wstring& path);
    bool Owned() const noexcept { return owned_; }
    std::uint64_t Key() const noexcept { return key_; }

    // From a second start: asks the program that holds the lock to show its setup window in
    // front, and lets it take the foreground.
    void WakeOwner() const;

    // The message a holder's main window receives; wParam is the key of the file it asks for.
    static UINT WakeMessage();

private:
    std::uint64_t key_;
    TKernelHandle mutex_;
    bool owned_ = false;
};

// For bench/repair.sh: in the running program (with the 25 defects of tick_bench), opens the
// setup window from the tray, starts "Alle Pixel reparieren..." from the list's context menu as
// a user would, and prints how often the first defect's pixel changes colour on the screen:
//
//   repair flash: N colour changes a second on the screen, M distinct colours
//
// It returns once every flash window shows; the program keeps flashing for the CPU measurement.
#include <windows.h>

#include <cstdio>
#include <set>

#include "tests/e2e/Driver.h"

namespace {

HWND Shown(const wchar_t* className) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            found = FindWindowW(className, nullptr);
            return found && IsWindowVisible(found);
        },
        10s);
    return found;
}

int FlashesShown() {
    int count = 0;
    for (HWND w = FindWindowExW(nullptr, nullptr, L"TFlashForm", nullptr); w;
         w = FindWindowExW(nullptr, w, L"TFlashForm", nullptr))
        count += IsWindowVisible(w) ? 1 : 0;
    return count;
}

// A right click on the icon or the list, then the item `downs` Down keys below the top.
bool ChooseFromMenuAt(POINT at, int downs) {
    ClickAt(at.x, at.y, true);
    if (!Shown(L"#32768"))
        return false;
    Sleep(150); // the menu takes the keyboard once its loop runs
    for (int i = 0; i < downs; ++i)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    return true;
}

} // namespace

int wmain() {
    HWND setup = ChooseFromMenuAt(TrayIconPoint(), 3) ? Shown(L"TFHaupt") : nullptr;
    HWND list = setup ? ControlOfClass(setup, L"ListBox") : nullptr;
    RECT r{};
    if (!list || !GetWindowRect(list, &r) || !ChooseFromMenuAt({r.left + 40, r.top + 6}, 2))
        return std::fprintf(stderr, "the list's context menu did not open\n"), 1;
    HWND repair = Shown(L"TFReparatur");
    if (!repair)
        return std::fprintf(stderr, "the repair window did not open\n"), 1;
    ClickControl(repair, L"Starten");
    // Away from every window: under Wine a cursor resting on a button keeps a system timer
    // polling it a hundred times a second, which would be measured as the repair's.
    MoveMouse(1000, 20);
    if (!WaitFor([] { return FlashesShown() == MaxDefects; }, 10s))
        return std::fprintf(stderr, "not every flash window shows\n"), 1;

    HDC screen = GetDC(nullptr);
    std::set<COLORREF> colours;
    int changes = 0;
    COLORREF last = GetPixel(screen, 40, 40);
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < 2s) {
        const COLORREF now = GetPixel(screen, 40, 40);
        changes += now != last;
        colours.insert(now);
        last = now;
    }
    ReleaseDC(nullptr, screen);
    std::printf("repair flash: %.1f colour changes a second on the screen, %zu distinct colours\n",
                changes / 2.0, colours.size());
    return 0;
}

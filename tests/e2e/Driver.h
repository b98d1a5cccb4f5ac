// The end-to-end driver: starts Glimmora.exe in a folder of its own inside the Wine virtual
// desktop, finds its windows by class, and acts on them as a user would.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "store/DefectList.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WinePath.h"

using namespace std::chrono_literals;

// The Glimmora.exe under test; set by main from the first command-line argument.
extern std::wstring GlimmoraExe;

// Two defects: (100, 200) red-on + green-off, (1023, 0) blue-off.
inline const std::vector<TDefectPixel> WorkedExample = {{100, 200, 0x11}, {1023, 0, 0x20}};

// Where the tests put the program: a folder of the user's that is not the temporary folder, as
// users do; made on first use. Ends with a backslash.
std::wstring ProgramFolders();
// The folder where the program keeps its files when its own folder will not do
// (%LOCALAPPDATA%\Glimmora\).
std::wstring UserDataFolder();

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
// The defect file's records, written out byte by byte: X and Y little-endian, then the flags.
std::vector<std::uint8_t> Records(const std::vector<TDefectPixel>& defects);
std::vector<std::uint8_t> ReadBytes(const std::wstring& path);

// One running copy of the program, started from a copy of the exe in `folder` (made by the
// first start there).
class TGlimmora {
public:
    TGlimmora() = default; // started later, by Launch
    explicit TGlimmora(const TTempFolder& folder) { Launch(folder); }
    ~TGlimmora() { Stop(); }
    TGlimmora(const TGlimmora&) = delete;
    TGlimmora& operator=(const TGlimmora&) = delete;

    void Launch(const TTempFolder& folder);
    bool Launched() const { return process_ != nullptr; }
    DWORD ProcessId() const { return processId_; }
    bool Running() const;
    bool WaitForExit(std::chrono::milliseconds limit);
    // The exit code once it has ended.
    DWORD ExitCode() const;

    // Waits until the program's windows exist (its last start-up form has been created).
    bool WaitUntilUp(std::chrono::milliseconds limit = 20s);

    // Top-level windows of the process, hidden ones included.
    std::vector<HWND> Windows() const;
    HWND Window(const wchar_t* className) const;
    std::vector<HWND> WindowsOfClass(const wchar_t* className) const;

    // Asks the program to end through its own close path (the main window's WM_CLOSE).
    void Close() const;

private:
    void Stop(); // ends the process if it still runs

    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

std::wstring ClassNameOf(HWND window);
std::string Utf8(const std::wstring& text); // for test messages
std::wstring TextOf(HWND window);
// True when the window would get a task-bar button: visible, unowned and not a tool window
// (or marked as an app window).
bool HasTaskBarButton(HWND window);

// A message box of the process, if one is open.
struct TMessageBox {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
};
// The message box with this caption (or any), once it is open.
TMessageBox WaitForMessageBox(const TGlimmora& program, const wchar_t* caption,
                              std::chrono::milliseconds limit = 10s);

// A visible top-level window of the program with this class (once there is one), or null.
HWND VisibleWindow(const TGlimmora& program, const wchar_t* className);
HWND WaitForVisibleWindow(const TGlimmora& program, const wchar_t* className,
                          std::chrono::milliseconds limit = 10s);
// How many top-level windows of the class are visible now.
int CountVisible(const TGlimmora& program, const wchar_t* className);
// True when `upper` lies above `lower` in the z-order.
bool IsAbove(HWND upper, HWND lower);
// The program's overlay over the pixel (x, y), one pixel in size (and visible), or null.
HWND OverlayAt(const TGlimmora& program, int x, int y, bool visible = true);

// The child window of `form` with this text (a visible one where there are several), or null.
HWND Control(HWND form, const wchar_t* text);
// True when the child window of `form` with this text is there and visible.
bool Shown(HWND form, const wchar_t* text);
// The first child window of `form` of this class (compared without regard to case), or null.
HWND ControlOfClass(HWND form, const wchar_t* className);
// A real click in the middle of the visible child with this text; throws when there is none.
void ClickControl(HWND form, const wchar_t* text);
// Presses the dialog button with this identifier (IDYES, IDNO, IDOK) with a real click, so that
// the test does not depend on the language of the system's button captions.
void ClickDialogButton(HWND dialog, int id);

// The lines of a list box of another process.
std::vector<std::wstring> ListBoxLines(HWND listBox);
// Where a click on line `index` of a list box goes, on the screen; and a real click there.
POINT ListLinePoint(HWND listBox, int index);
void ClickListLine(HWND listBox, int index);

// The program's icon in the notification area, clicked for real.
POINT TrayIconPoint();
// The program's pop-up menu that is open, or null.
inline HWND VisibleMenu(const TGlimmora& program) {
    return VisibleWindow(program, L"#32768");
}
// A right click on the icon; returns the menu window that opened, or null.
HWND OpenTrayMenu(const TGlimmora& program);
// Opens the menu and picks the item ("Info", "Homepage", "Setup", "Beenden") with the keyboard.
void ChooseFromTrayMenu(const TGlimmora& program, const wchar_t* item);
// A double click on the icon with the left (or the middle) button.
void DoubleClickTrayIcon(bool middle = false);
// "Setup" from the tray menu; returns the setup window once it is visible.
HWND OpenSetup(const TGlimmora& program);

// What the screen shows at (x, y), 0x00BBGGRR.
COLORREF ScreenColor(int x, int y);

// Makes programs started from now on see this DPI (Wine reads it at process start); the old
// value comes back at the end.
class TLogPixels {
public:
    explicit TLogPixels(DWORD dpi);
    ~TLogPixels();
    TLogPixels(const TLogPixels&) = delete;
    TLogPixels& operator=(const TLogPixels&) = delete;

private:
    DWORD previous_ = 0;
    bool hadValue_ = false;
};

// Keys as a person's come: through the X server (xdotool), into the Wine desktop that has the
// X keyboard focus. `keys` is xdotool's list, e.g. "Tab Tab Return", "shift+F10".
void XKeys(const std::string& keys);
// What xdotool should do besides keys, e.g. "mousemove 300 300".
void XDo(const std::string& command);
// The key (xdotool's name) held down long enough for `repeats` repeats, then released.
void HoldKey(const std::string& key, int repeats);
// The shell's notification for a keyboard selection of the program's tray icon.
void SelectTrayIconByKeyboard(const TGlimmora& program);
// Opens the tray menu by that selection and picks item `item` (from 1, separators left out)
// with Down keys and Return sent through the X server, each key once the one before has shown.
void ChooseFromTrayMenuByKeys(const TGlimmora& program, int item);
// The window of the program that has the keyboard focus, or null.
HWND FocusedWindow(const TGlimmora& program);
// The text of the program's control that has the keyboard focus (what a screen reader says), and
// whether it becomes this one.
std::wstring FocusName(const TGlimmora& program);
bool FocusOn(const TGlimmora& program, const std::wstring& name);

// Real input.
void MoveMouse(int x, int y);
// Whether the cursor comes to (x, y).
bool WaitForCursor(int x, int y, std::chrono::milliseconds limit = 5s);
void ClickAt(int x, int y, bool right = false);
// The left button's two halves, for what happens between them.
void PressAt(int x, int y);
void ReleaseAt(int x, int y);
void PressKey(WORD virtualKey);

// Polls `condition` until it holds or the time is up.
template <class Pred>
bool WaitFor(Pred condition, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        Sleep(20);
    }
}

#include "tests/e2e/Driver.h"

#include <knownfolders.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <stdexcept>

std::wstring GlimmoraExe;

namespace {
// Whether the Wine desktop has been given the X keyboard focus since the program started: what a
// test before did may have moved it.
bool desktopFocused = false;
} // namespace

// --- Files -----------------------------------------------------------------------------------

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write a test file");
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::vector<std::uint8_t> Records(const std::vector<TDefectPixel>& defects) {
    std::vector<std::uint8_t> bytes;
    for (const TDefectPixel& d : defects) {
        for (std::int32_t value : {d.X, d.Y})
            for (int shift = 0; shift < 32; shift += 8)
                bytes.push_back(
                    static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> shift));
        bytes.push_back(d.Flags);
    }
    return bytes;
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    std::vector<std::uint8_t> bytes;
    // Sharing everything, so that a program saving at this moment can still replace the file.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

// --- The program -----------------------------------------------------------------------------

std::wstring ProgramFolders() {
    wchar_t profile[MAX_PATH + 1] = {};
    GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH + 1);
    const std::wstring folder = std::wstring(profile) + L"\\Glimmora-Tests\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring UserDataFolder() {
    PWSTR known = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known)))
        folder = std::wstring(known) + L"\\Glimmora\\";
    CoTaskMemFree(known);
    return folder;
}

void TGlimmora::Launch(const TTempFolder& folder) {
    Stop();
    std::wstring exe = folder.File(L"Glimmora.exe");
    // A second start in the same folder runs the copy already there, as a user's restart does;
    // copying over an executable that has only just stopped running can fail under Wine.
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !CopyFileW(WindowsPath(GlimmoraExe).c_str(), exe.c_str(), FALSE))
        throw std::runtime_error("cannot copy Glimmora.exe into the test folder");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.Path().c_str(), &startup, &info))
        throw std::runtime_error("cannot start Glimmora.exe: error " +
                                 std::to_string(GetLastError()));
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    desktopFocused = false;
}

DWORD TGlimmora::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_)
        GetExitCodeProcess(process_, &code);
    return code;
}

void TGlimmora::Stop() {
    if (Running()) {
        // A killed program cannot take its icon out of the tray; left there, it would stand
        // where the next program's icon is looked for.
        if (HWND tray = Window(L"TTrayWindow")) {
            NOTIFYICONDATAW icon{};
            icon.cbSize = sizeof icon;
            icon.hWnd = tray;
            icon.uID = 1;
            Shell_NotifyIconW(NIM_DELETE, &icon);
        }
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    if (process_)
        CloseHandle(process_);
    process_ = nullptr;
}

bool TGlimmora::Running() const {
    return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool TGlimmora::WaitForExit(std::chrono::milliseconds limit) {
    return WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
}

std::vector<HWND> TGlimmora::Windows() const {
    struct TContext {
        DWORD pid;
        std::vector<HWND> found;
    } context{processId_, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& c = *reinterpret_cast<TContext*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == c.pid)
                c.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&context));
    return context.found;
}

std::vector<HWND> TGlimmora::WindowsOfClass(const wchar_t* className) const {
    std::vector<HWND> found;
    for (HWND window : Windows())
        if (ClassNameOf(window) == className)
            found.push_back(window);
    return found;
}

HWND TGlimmora::Window(const wchar_t* className) const {
    std::vector<HWND> found = WindowsOfClass(className);
    return found.empty() ? nullptr : found.front();
}

bool TGlimmora::WaitUntilUp(std::chrono::milliseconds limit) {
    // The 25 overlays are the last windows of the start-up; then the program waits for input.
    if (!WaitFor([&] { return WindowsOfClass(L"TPixForm").size() == 25; }, limit))
        return false;
    return WaitForInputIdle(process_, static_cast<DWORD>(limit.count())) == 0;
}

void TGlimmora::Close() const {
    if (HWND main = Window(L"TForm1"))
        PostMessageW(main, WM_CLOSE, 0, 0);
}

// --- Windows ---------------------------------------------------------------------------------

std::wstring ClassNameOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::string Utf8(const std::wstring& text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                     nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), length,
                        nullptr, nullptr);
    return out;
}

std::wstring TextOf(HWND window) {
    // WM_GETTEXT works across processes for every kind of window.
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, nullptr);
    return text;
}

bool HasTaskBarButton(HWND window) {
    if (!IsWindowVisible(window))
        return false;
    LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    if (exStyle & WS_EX_APPWINDOW)
        return true;
    return !(exStyle & WS_EX_TOOLWINDOW) && !GetWindow(window, GW_OWNER);
}

TMessageBox WaitForMessageBox(const TGlimmora& program, const wchar_t* caption,
                              std::chrono::milliseconds limit) {
    TMessageBox box;
    WaitFor(
        [&] {
            for (HWND window : program.WindowsOfClass(L"#32770"))
                if (IsWindowVisible(window) && (!caption || TextOf(window) == caption)) {
                    box.window = window;
                    return true;
                }
            return false;
        },
        limit);
    if (box.window) {
        box.caption = TextOf(box.window);
        // The message text is the static control with the id 0xFFFF.
        if (HWND text = GetDlgItem(box.window, 0xFFFF))
            box.text = TextOf(text);
    }
    return box;
}

HWND VisibleWindow(const TGlimmora& program, const wchar_t* className) {
    for (HWND window : program.WindowsOfClass(className))
        if (IsWindowVisible(window))
            return window;
    return nullptr;
}

HWND WaitForVisibleWindow(const TGlimmora& program, const wchar_t* className,
                          std::chrono::milliseconds limit) {
    HWND found = nullptr;
    WaitFor([&] { return (found = VisibleWindow(program, className)) != nullptr; }, limit);
    return found;
}

int CountVisible(const TGlimmora& program, const wchar_t* className) {
    int count = 0;
    for (HWND window : program.WindowsOfClass(className))
        count += IsWindowVisible(window) ? 1 : 0;
    return count;
}

HWND OverlayAt(const TGlimmora& program, int x, int y, bool visible) {
    for (HWND overlay : program.WindowsOfClass(L"TPixForm")) {
        RECT r;
        GetWindowRect(overlay, &r);
        if ((IsWindowVisible(overlay) || !visible) && r.left == x && r.top == y &&
            r.right == x + 1 && r.bottom == y + 1)
            return overlay;
    }
    return nullptr;
}

bool IsAbove(HWND upper, HWND lower) {
    for (HWND window = GetWindow(upper, GW_HWNDNEXT); window;
         window = GetWindow(window, GW_HWNDNEXT))
        if (window == lower)
            return true;
    return false;
}

namespace {

std::vector<HWND> Children(HWND form) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

void ClickMiddleOf(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    // A window just shown is visible before the system routes the mouse to it, and a modal
    // window's owner is enabled a moment after the modal one hides: a click before then lands
    // elsewhere. Waiting for both is what a user's eye does.
    WaitFor(
        [&] {
            return WindowFromPoint(middle) == window && IsWindowEnabled(window) &&
                   IsWindowEnabled(GetAncestor(window, GA_ROOT));
        },
        5s);
    ClickAt(middle.x, middle.y);
}

} // namespace

HWND Control(HWND form, const wchar_t* text) {
    HWND hidden = nullptr;
    for (HWND child : Children(form))
        if (TextOf(child) == text) {
            if (IsWindowVisible(child))
                return child;
            hidden = child;
        }
    return hidden;
}

bool Shown(HWND form, const wchar_t* text) {
    HWND control = Control(form, text);
    return control && IsWindowVisible(control);
}

HWND ControlOfClass(HWND form, const wchar_t* className) {
    for (HWND child : Children(form))
        if (_wcsicmp(ClassNameOf(child).c_str(), className) == 0)
            return child;
    return nullptr;
}

void ClickControl(HWND form, const wchar_t* text) {
    HWND control = nullptr;
    WaitFor([&] { return (control = Control(form, text)) && IsWindowVisible(control); }, 5s);
    if (!control || !IsWindowVisible(control))
        throw std::runtime_error("no visible control \"" + Utf8(text) + "\"");
    ClickMiddleOf(control);
}

void ClickDialogButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button)
        throw std::runtime_error("no such dialog button");
    ClickMiddleOf(button);
}

std::vector<std::wstring> ListBoxLines(HWND listBox) {
    std::vector<std::wstring> lines;
    auto send = [&](UINT message, WPARAM wParam, LPARAM lParam) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(listBox, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
        return static_cast<LRESULT>(result);
    };
    LRESULT count = send(LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = send(LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length == LB_ERR)
            break;
        std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
        send(LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
        line.resize(wcslen(line.c_str()));
        lines.push_back(line);
    }
    return lines;
}

POINT ListLinePoint(HWND listBox, int index) {
    RECT line{};
    SendMessageTimeoutW(listBox, LB_GETITEMRECT, static_cast<WPARAM>(index),
                        reinterpret_cast<LPARAM>(&line), SMTO_ABORTIFHUNG, 2000, nullptr);
    POINT at{line.left + (line.right - line.left) / 3, (line.top + line.bottom) / 2};
    ClientToScreen(listBox, &at);
    return at;
}

void ClickListLine(HWND listBox, int index) {
    const POINT at = ListLinePoint(listBox, index);
    ClickAt(at.x, at.y);
}

// --- The tray --------------------------------------------------------------------------------

namespace {

void SendButton(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
    Sleep(30);
}

} // namespace

POINT TrayIconPoint() {
    // The notification area fills the right end of the task bar with one square slot of
    // 20 pixels per icon, the first icon rightmost; the program's is the only one.
    RECT bar{};
    HWND taskBar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!taskBar || !GetWindowRect(taskBar, &bar))
        throw std::runtime_error("there is no task bar");
    return {bar.right - 10, (bar.top + bar.bottom) / 2};
}

HWND OpenTrayMenu(const TGlimmora& program) {
    POINT icon = TrayIconPoint();
    ClickAt(icon.x, icon.y, true);
    HWND menu = nullptr;
    WaitFor([&] { return (menu = VisibleMenu(program)) != nullptr; }, 10s);
    Sleep(150); // the menu takes the keyboard once its loop runs
    return menu;
}

void ChooseFromTrayMenu(const TGlimmora& program, const wchar_t* item) {
    // The items from the top, separators left out: the keyboard skips those.
    const wchar_t* const items[] = {L"Info", L"Homepage", L"Setup", L"Beenden"};
    int downs = 0;
    for (const wchar_t* candidate : items) {
        ++downs;
        if (wcscmp(candidate, item) == 0)
            break;
    }
    if (!OpenTrayMenu(program))
        throw std::runtime_error("the tray menu did not open");
    for (int i = 0; i < downs; ++i)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    WaitFor([&] { return VisibleMenu(program) == nullptr; }, 5s);
}

void DoubleClickTrayIcon(bool middle) {
    POINT icon = TrayIconPoint();
    MoveMouse(icon.x, icon.y);
    // Both clicks well within the double-click time, without moving in between.
    for (int click = 0; click < 2; ++click) {
        SendButton(middle ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_LEFTDOWN);
        SendButton(middle ? MOUSEEVENTF_MIDDLEUP : MOUSEEVENTF_LEFTUP);
    }
}

HWND OpenSetup(const TGlimmora& program) {
    ChooseFromTrayMenu(program, L"Setup");
    return WaitForVisibleWindow(program, L"TFHaupt");
}

COLORREF ScreenColor(int x, int y) {
    HDC dc = GetDC(nullptr);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return color;
}

// --- Display settings ----------------------------------------------------------------------

namespace {
constexpr wchar_t DesktopKey[] = L"Control Panel\\Desktop";
}

TLogPixels::TLogPixels(DWORD dpi) {
    DWORD size = sizeof previous_;
    hadValue_ = RegGetValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                             &previous_, &size) == ERROR_SUCCESS;
    RegSetKeyValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

TLogPixels::~TLogPixels() {
    if (hadValue_)
        RegSetKeyValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels", REG_DWORD, &previous_,
                        sizeof previous_);
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels");
}

// --- Input -----------------------------------------------------------------------------------

namespace {

// Absolute coordinates are normalised to 0..65536 over the primary screen; rounding up maps
// back to exactly the pixel wanted.
LONG Normalised(int pixel, int extent) {
    // Left of or above the primary the value is negative, and rounding away from zero maps it
    // back to the pixel (on a monitor there, under Wine).
    const long long scaled = static_cast<long long>(pixel < 0 ? -pixel : pixel) * 65536;
    const long long value = (scaled + extent - 1) / extent;
    return static_cast<LONG>(pixel < 0 ? -value : value);
}

// A mouse event at (x, y). Each event carries its position, so that a press goes where it is
// meant to even when the system has moved the cursor in between (see MoveMouse).
void SendMouseAt(DWORD flags, int x, int y) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input.mi.dx = Normalised(x, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = Normalised(y, GetSystemMetrics(SM_CYSCREEN));
    SendInput(1, &input, sizeof input);
}

} // namespace

void MoveMouse(int x, int y) {
    // Under Wine the display may report an earlier cursor position for a moment after a move
    // and so put the cursor back there. Wait until the cursor has stood at the target for a
    // while, and move it again if it was taken away.
    auto there = [&] {
        POINT cursor{};
        GetCursorPos(&cursor);
        return cursor.x == x && cursor.y == y;
    };
    for (int attempt = 0; attempt < 10; ++attempt) {
        SendMouseAt(0, x, y);
        auto end = std::chrono::steady_clock::now() + 1s;
        int still = 0;
        while (std::chrono::steady_clock::now() < end) {
            Sleep(20);
            still = there() ? still + 1 : 0;
            if (still >= 10)
                return;
        }
    }
}

bool WaitForCursor(int x, int y, std::chrono::milliseconds limit) {
    return WaitFor(
        [&] {
            POINT cursor{};
            GetCursorPos(&cursor);
            return cursor.x == x && cursor.y == y;
        },
        limit);
}

void PressAt(int x, int y) {
    MoveMouse(x, y);
    SendMouseAt(MOUSEEVENTF_LEFTDOWN, x, y);
    Sleep(30);
}

void ReleaseAt(int x, int y) {
    MoveMouse(x, y);
    SendMouseAt(MOUSEEVENTF_LEFTUP, x, y);
    Sleep(30);
}

void ClickAt(int x, int y, bool right) {
    MoveMouse(x, y);
    SendMouseAt(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, x, y);
    Sleep(30);
    SendMouseAt(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, x, y);
    Sleep(30);
}

void PressKey(WORD virtualKey) {
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = virtualKey;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof input[0]);
    Sleep(30);
}

// --- Input through the X server --------------------------------------------------------------

namespace {

// Wine starts a Unix program given by its Unix path; it inherits the session's DISPLAY.
void RunXdotool(const std::string& arguments) {
    std::wstring command = L"/usr/bin/xdotool " + std::wstring(arguments.begin(), arguments.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        throw std::runtime_error("cannot run xdotool: error " + std::to_string(GetLastError()));
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

} // namespace

void XDo(const std::string& command) {
    // Keys go to the X window that has the keyboard focus: the Wine desktop's, which Wine hands
    // on to its foreground window. It is focused once for each program started: what an earlier
    // test did (a change of the display mode) can have taken the X focus from it.
    if (!desktopFocused) {
        RunXdotool("search --name \"Wine desktop\" windowfocus --sync");
        desktopFocused = true;
    }
    RunXdotool(command);
    Sleep(150);
}

void XKeys(const std::string& keys) {
    XDo("key --delay 60 " + keys);
}

void HoldKey(const std::string& key, int repeats) {
    // A key pressed again while down comes as its repeat, as a held key's do. Held in the X
    // server, it stays down for Wine too when the focus moves: a key held by SendInput alone is
    // taken as released then, because the X server says no key is down.
    std::string command = "keydown " + key;
    for (int press = 0; press < repeats; ++press)
        command += " sleep 0.1 keydown " + key;
    XDo(command + " sleep 0.1 keyup " + key);
}

void SelectTrayIconByKeyboard(const TGlimmora& program) {
    HWND tray = program.Window(L"TTrayWindow");
    if (!tray)
        throw std::runtime_error("the program has no tray window");
    // The menu opens at the cursor, flipped up and left in the corner of the tray: a cursor
    // resting there (after a right click on the icon) would lie on the menu and take the
    // highlight back from the keys.
    MoveMouse(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 3);
    // What the shell sends when the user selects the icon with the keyboard and presses Enter.
    constexpr UINT CallbackMessage = WM_USER + 1, KeySelect = WM_USER + 1;
    PostMessageW(tray, CallbackMessage, 1, MAKELPARAM(KeySelect, 1));
    WaitFor([&] { return VisibleMenu(program) != nullptr; }, 10s);
    Sleep(150); // the menu takes the keyboard once its loop runs
}

namespace {

// Moves the highlight of the open menu `item` items down with Down keys through the X server, each
// counted once the highlight has moved (a key that comes before the menu's loop takes the keyboard
// is lost, and is sent again). False when the menu takes no keys at all.
bool MoveMenuHighlight(HWND menu, int item) {
    RECT r{};
    GetWindowRect(menu, &r);
    const COLORREF highlight[] = {GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_MENUHILIGHT)};
    auto highlightTop = [&] {
        for (int y = r.top + 1; y < r.bottom - 1; ++y) {
            const COLORREF c = ScreenColor(r.left + 6, y);
            if (c == highlight[0] || c == highlight[1])
                return y;
        }
        return -1;
    };
    int top = highlightTop();
    for (int moved = 0, attempts = 0; moved < item; ++attempts) {
        if (attempts > 3 * item)
            return false;
        XKeys("Down");
        int now = top;
        if (WaitFor([&] { return (now = highlightTop()) != top && now >= 0; }, 1s)) {
            top = now;
            ++moved;
        }
    }
    return true;
}

} // namespace

void ChooseFromTrayMenuByKeys(const TGlimmora& program, int item) {
    // Under Wine a menu opened from a posted notification sometimes takes no keys at all (a
    // minimal program does the same): such a menu is closed with a click beside it, and the icon
    // selected again.
    for (int round = 0;; ++round) {
        SelectTrayIconByKeyboard(program);
        HWND menu = VisibleMenu(program);
        if (!menu)
            throw std::runtime_error("the tray menu did not open");
        if (MoveMenuHighlight(menu, item))
            break;
        if (round == 2)
            throw std::runtime_error("the menu does not follow the Down key");
        ClickAt(2, 2);
        WaitFor([&] { return VisibleMenu(program) == nullptr; }, 5s);
    }
    XKeys("Return");
    WaitFor([&] { return VisibleMenu(program) == nullptr; }, 5s);
}

HWND FocusedWindow(const TGlimmora& program) {
    HWND any = program.Window(L"TApplication");
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!any || !GetGUIThreadInfo(GetWindowThreadProcessId(any, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

std::wstring FocusName(const TGlimmora& program) {
    HWND focus = nullptr;
    WaitFor([&] { return (focus = FocusedWindow(program)) != nullptr; }, 5s);
    return focus ? TextOf(focus) : L"(nothing)";
}

bool FocusOn(const TGlimmora& program, const std::wstring& name) {
    return WaitFor([&] { return FocusName(program) == name; }, 5s);
}

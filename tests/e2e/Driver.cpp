#include "tests/e2e/Driver.h"

#include <fstream>
#include <stdexcept>

std::wstring GlimmoraExe;

std::wstring WindowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/')
        return path;
    std::wstring windows = L"Z:" + path;
    for (wchar_t& c : windows)
        if (c == L'/')
            c = L'\\';
    return windows;
}

// --- Files -----------------------------------------------------------------------------------

namespace {

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = folder + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full + L"\\");
            } else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

TTempFolder::TTempFolder(const std::wstring& hint) {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::wstring(temp) + hint + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter) + L"\\";
        if (CreateDirectoryW(path_.c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a temporary folder");
    }
}

TTempFolder::~TTempFolder() {
    RemoveTree(path_);
}

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write a test file");
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    std::vector<std::uint8_t> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
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

TGlimmora::TGlimmora(const TTempFolder& folder) {
    std::wstring exe = folder.File(L"Glimmora.exe");
    if (!CopyFileW(WindowsPath(GlimmoraExe).c_str(), exe.c_str(), FALSE))
        throw std::runtime_error("cannot copy Glimmora.exe into the test folder");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.Path().c_str(), &startup, &info))
        throw std::runtime_error("cannot start Glimmora.exe");
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
}

TGlimmora::~TGlimmora() {
    if (Running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
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

HWND TGlimmora::WaitForWindow(const wchar_t* className, std::chrono::milliseconds limit) const {
    HWND window = nullptr;
    WaitFor([&] { return (window = Window(className)) != nullptr; }, limit);
    return window;
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
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                        length, nullptr, nullptr);
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

TMessageBox WaitForMessageBox(const TGlimmora& program, std::chrono::milliseconds limit) {
    TMessageBox box;
    WaitFor(
        [&] {
            for (HWND window : program.WindowsOfClass(L"#32770"))
                if (IsWindowVisible(window)) {
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

void ClickButton(HWND dialog, const wchar_t* caption) {
    HWND button = nullptr;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassNameOf(child) == L"Button" && (!caption || TextOf(child) == caption))
            button = child;
    if (!button)
        throw std::runtime_error("no such button");
    RECT rect;
    GetWindowRect(button, &rect);
    ClickAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

// --- Display settings ----------------------------------------------------------------------

namespace {
constexpr wchar_t DesktopKey[] = L"Control Panel\\Desktop";
}

TLogPixels::TLogPixels(DWORD dpi) {
    DWORD size = sizeof previous_;
    hadValue_ = RegGetValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels", RRF_RT_REG_DWORD,
                             nullptr, &previous_, &size) == ERROR_SUCCESS;
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

void SendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        // Absolute coordinates are normalised to 0..65535 over the primary screen.
        int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
        input.mi.dx = MulDiv(x, 65535, width - 1);
        input.mi.dy = MulDiv(y, 65535, height - 1);
    }
    SendInput(1, &input, sizeof input);
}

} // namespace

void MoveMouse(int x, int y) {
    SetCursorPos(x, y);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
    Sleep(30);
}

void ClickAt(int x, int y, bool right) {
    MoveMouse(x, y);
    SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    Sleep(30);
    SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
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

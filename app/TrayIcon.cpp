#include "app/TrayIcon.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "ui/Application.h"
#include "ui/Menus.h"
#include "ui/OSError.h"

namespace {

constexpr wchar_t TrayWindowClass[] = L"TTrayWindow";
// The first shell with the version-5 behaviour (NIM_SETVERSION, WM_CONTEXTMENU notifications,
// the 128-character tip).
constexpr DWORD NewShellVersion = 0x00050000;
constexpr std::size_t NewTipLimit = 127;
constexpr std::size_t OldTipLimit = 63;

DWORD ReadShellVersion() {
    wchar_t directory[MAX_PATH];
    UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    std::wstring path(directory, length);
    path += L"\\shell32.dll";
    // version.dll is loaded here, from the system folder, rather than imported: it is not one of
    // the system's known DLLs, so an import would be looked for beside the exe first, where a
    // planted copy could wait.
    TModuleHandle versionDll(LoadLibraryExW(L"version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!versionDll)
        return 0;
    auto proc = [&](const char* name) {
        return reinterpret_cast<void (*)()>(GetProcAddress(versionDll.Get(), name));
    };
    auto getSize =
        reinterpret_cast<DWORD(WINAPI*)(LPCWSTR, LPDWORD)>(proc("GetFileVersionInfoSizeW"));
    auto getInfo =
        reinterpret_cast<BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID)>(proc("GetFileVersionInfoW"));
    auto query =
        reinterpret_cast<BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT)>(proc("VerQueryValueW"));
    if (!getSize || !getInfo || !query)
        return 0;
    DWORD ignored = 0;
    DWORD size = getSize(path.c_str(), &ignored);
    if (size == 0)
        return 0;
    std::vector<unsigned char> data(size);
    if (!getInfo(path.c_str(), 0, size, data.data()))
        return 0;
    void* block = nullptr;
    UINT blockSize = 0;
    if (!query(data.data(), L"\\", &block, &blockSize) || !block ||
        blockSize < sizeof(VS_FIXEDFILEINFO))
        return 0;
    return static_cast<const VS_FIXEDFILEINFO*>(block)->dwFileVersionMS;
}

TShiftState CurrentShiftState() {
    TShiftState shift;
    const struct {
        int key;
        TShift flag;
    } keys[] = {{VK_SHIFT, TShift::ssShift},   {VK_MENU, TShift::ssAlt},
                {VK_CONTROL, TShift::ssCtrl},  {VK_LBUTTON, TShift::ssLeft},
                {VK_RBUTTON, TShift::ssRight}, {VK_MBUTTON, TShift::ssMiddle}};
    for (const auto& k : keys)
        if (GetKeyState(k.key) < 0)
            shift.Include(k.flag);
    return shift;
}

HICON ApplicationIcon() {
    return Application ? Application->Icon() : nullptr;
}

} // namespace

DWORD ShellVersion() {
    static const DWORD version = ReadShellVersion();
    return version;
}

std::optional<RECT> MenuAnchor(UINT event, POINT pointer, const std::optional<RECT>& icon) {
    if (!icon || (event == WM_CONTEXTMENU && PtInRect(&*icon, pointer)))
        return std::nullopt;
    return icon;
}

TTrayIcon::TTrayIcon(TComponent* owner) : TComponent(owner) {
    // No owner: the shell's broadcasts (TaskbarCreated, the end of the session, display and
    // setting changes) reach only top-level windows without one.
    CreateHandle(TWindowClass::Use(TrayWindowClass, {}), WS_EX_TOOLWINDOW, L"", WS_POPUP, RECT{},
                 nullptr, this);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    // A process running elevated would otherwise never hear that the task bar came back.
    if (taskbarCreated_)
        ChangeWindowMessageFilterEx(Handle(), taskbarCreated_, MSGFLT_ALLOW, nullptr);
}

TTrayIcon::~TTrayIcon() {
    MarkDestroying();
    CancelPendingClick();
    StopAddRetries();
    active_ = false;
    HideIcon();
    // At program end the process leaves the task list anyway.
    if (Application && !Application->Terminated())
        SetInTaskList(true);
    DestroyHandle();
}

// --- Properties ------------------------------------------------------------------------------

void TTrayIcon::SetActive(bool active) {
    if (Loading()) {
        loadedActive_ = active;
        return;
    }
    if (active == active_)
        return;
    active_ = active;
    if (active) {
        FillNotifyData();
        ShowIcon();
    } else {
        HideIcon();
    }
}

void TTrayIcon::SetIcon(HICON icon) {
    if (icon == icon_)
        return;
    icon_ = icon;
    UpdateIcon();
}

void TTrayIcon::SetIconIndex(int index) {
    if (index == iconIndex_)
        return;
    iconIndex_ = index;
    UpdateIcon();
}

void TTrayIcon::SetHint(const std::wstring& hint) {
    std::wstring text = hint;
    if (!NewShell()) {
        // Old shells show a single-line tip.
        for (std::size_t at = text.find(L"\r\n"); at != std::wstring::npos;
             at = text.find(L"\r\n", at + 3))
            text.replace(at, 2, L" - ");
    }
    if (text == hint_)
        return;
    hint_ = std::move(text);
    tipChanged_ = true;
}

void TTrayIcon::SetVisibility(TTrayVisibilities visibility) {
    visibility_ = visibility;
    if (!active_ || Loading())
        return;
    if (!visibility_.Contains(TTrayVisibility::tvVisibleTaskBar) && !appHidden_)
        HideApplication();
    SetInTaskList(visibility_.Contains(TTrayVisibility::tvVisibleTaskList));
}

void TTrayIcon::Loaded() {
    UpdateIcon();
    if (!loadedActive_)
        return;
    SetActive(true);
    if (!visibility_.Contains(TTrayVisibility::tvVisibleTaskBar)) {
        // The main form of a tray program is never shown, not even when the loop starts.
        if (Application)
            Application->ShowMainForm = false;
        HideApplication();
    }
    if (!visibility_.Contains(TTrayVisibility::tvVisibleTaskList))
        SetInTaskList(false);
}

// --- The icon in the notification area -------------------------------------------------------

bool TTrayIcon::NewShell() const noexcept {
    return Shell.Version >= NewShellVersion;
}

bool TTrayIcon::Notify(DWORD message, UINT flags) {
    notifyData_.uFlags = flags;
    return Shell.NotifyIcon(message, &notifyData_) != FALSE;
}

void TTrayIcon::FillNotifyData() {
    notifyData_ = NOTIFYICONDATAW{};
    notifyData_.cbSize = NewShell() ? sizeof(NOTIFYICONDATAW) : NOTIFYICONDATAW_V1_SIZE;
    notifyData_.hWnd = Handle();
    notifyData_.uID = IconId;
    notifyData_.uCallbackMessage = CallbackMessage;
    if (NewShell())
        notifyData_.uVersion = NOTIFYICON_VERSION;
    if (!displayIcon_)
        SetDisplayIcon(ApplicationIcon());
    else
        notifyData_.hIcon = displayIcon_;
    CopyTip();
}

void TTrayIcon::CopyTip() {
    std::size_t limit = NewShell() ? NewTipLimit : OldTipLimit;
    std::size_t length = std::min({hint_.find(L'|'), hint_.size(), limit});
    std::copy_n(hint_.data(), length, notifyData_.szTip);
    notifyData_.szTip[length] = L'\0';
}

void TTrayIcon::ShowIcon() {
    if (iconShown_ || !active_)
        return;
    if (visibility_.Contains(TTrayVisibility::tvAutoHideIcon) && ApplicationVisible())
        return;
    // Refused while the shell is not ready yet, as at log-on: without the icon the program
    // could not be reached at all, so it tries again.
    if (!AddIcon(false))
        StartAddRetries();
}

// `mayBeThere`: the shell may hold the icon already, after a DPI change or an add that timed
// out but went through. A modify then finds it, where an add would fail or show it twice.
bool TTrayIcon::AddIcon(bool mayBeThere) {
    constexpr UINT everything = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    if (mayBeThere && Notify(NIM_MODIFY, everything)) {
        iconShown_ = true;
    } else {
        if (!Notify(NIM_ADD, everything))
            return false;
        iconShown_ = true;
        if (NewShell())
            Notify(NIM_SETVERSION, 0);
    }
    StopAddRetries();
    return true;
}

void TTrayIcon::StartAddRetries() {
    addRetriesLeft_ = AddRetries;
    SetTimer(Handle(), AddRetryTimer, AddRetryInterval, nullptr);
}

void TTrayIcon::StopAddRetries() {
    if (addRetriesLeft_ == 0)
        return;
    addRetriesLeft_ = 0;
    KillTimer(Handle(), AddRetryTimer);
}

void TTrayIcon::AddRetryTimerFired() {
    if (addRetriesLeft_ == 0)
        return;
    if (!active_ || iconShown_ || AddIcon(true) || --addRetriesLeft_ == 0)
        StopAddRetries();
}

void TTrayIcon::TaskbarCreated() {
    // Sent by a re-created task bar, whose notification area knows no icons, and after a DPI
    // change, where the icon is still there and only wants its new picture.
    if (OnDisplayChange && !Destroying())
        OnDisplayChange(this);
    if (!active_)
        return;
    iconShown_ = false;
    if (!AddIcon(true))
        StartAddRetries();
}

void TTrayIcon::HideIcon() {
    StopAddRetries();
    if (!iconShown_)
        return;
    iconShown_ = false;
    Notify(NIM_DELETE, 0);
}

void TTrayIcon::UpdateIcon() {
    if (Loading())
        return;
    SetDisplayIcon(icon_ ? icon_ : ApplicationIcon());
}

void TTrayIcon::SetDisplayIcon(HICON icon) {
    displayIcon_ = icon;
    notifyData_.hIcon = icon;
    if (iconShown_)
        Notify(NIM_MODIFY, NIF_ICON);
}

// --- The application's presence --------------------------------------------------------------

bool TTrayIcon::ApplicationVisible() const {
    HWND application = Application ? Application->Handle() : nullptr;
    return !appHidden_ && !(application && IsIconic(application));
}

void TTrayIcon::HideApplication() {
    HWND application = Application ? Application->Handle() : nullptr;
    if (!application)
        return;
    SetActiveWindow(application);
    // Hiding must not play the minimize animation towards the task bar.
    ANIMATIONINFO animation{};
    animation.cbSize = sizeof animation;
    bool animated = SystemParametersInfoW(SPI_GETANIMATION, sizeof animation, &animation, 0) &&
                    animation.iMinAnimate != 0;
    int previous = animation.iMinAnimate;
    if (animated) {
        animation.iMinAnimate = 0;
        SystemParametersInfoW(SPI_SETANIMATION, sizeof animation, &animation, 0);
    }
    ShowWindow(application, SW_HIDE);
    if (animated) {
        animation.iMinAnimate = previous;
        SystemParametersInfoW(SPI_SETANIMATION, sizeof animation, &animation, 0);
    }
    appHidden_ = true;
}

void TTrayIcon::SetInTaskList(bool inTaskList) {
    if (inTaskList == inTaskList_)
        return;
    inTaskList_ = inTaskList;
    // Only the old consumer systems had a process task list to leave; elsewhere the function
    // is missing and the process simply stays listed.
    if (!kernel32_)
        kernel32_.Reset(LoadLibraryW(L"kernel32.dll"));
    if (!kernel32_)
        return;
    using TRegisterServiceProcess = DWORD(WINAPI*)(DWORD processId, DWORD type);
    auto registerServiceProcess = reinterpret_cast<TRegisterServiceProcess>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel32_.Get(), "RegisterServiceProcess")));
    if (registerServiceProcess)
        registerServiceProcess(GetCurrentProcessId(), inTaskList ? 0 : 1);
}

// --- The tray window -------------------------------------------------------------------------

LRESULT TTrayIcon::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            HideIcon();
        else if (active_) // the log-off was cancelled
            ShowIcon();
        return 0;
    case WM_TIMER:
        if (wParam == ClickTimer)
            ClickTimerFired();
        else if (wParam == AddRetryTimer)
            AddRetryTimerFired();
        return 0;
    case WM_DPICHANGED:
    case WM_DISPLAYCHANGE:
    case WM_SETTINGCHANGE:
        // WM_DPICHANGED is not promised to a hidden window; the other two are broadcast to every
        // top-level window without an owner, this one included, when the scaling changes.
        if (OnDisplayChange && !Destroying())
            OnDisplayChange(this);
        return DefWindowProcW(Handle(), message, wParam, lParam);
    case CallbackMessage:
        // With the version-3 behaviour the whole lParam is the event; the low word is the event
        // under every version.
        Notification(LOWORD(lParam));
        return 0;
    case WM_COMMAND:
        if (lParam == 0 && openedMenu_ &&
            (openedMenu_ == popupMenu_ || openedMenu_ == dropDownMenu_))
            openedMenu_->DispatchCommand(wParam);
        return 0;
    default:
        break;
    }
    if (taskbarCreated_ && message == taskbarCreated_) {
        TaskbarCreated();
        return 0;
    }
    return DefWindowProcW(Handle(), message, wParam, lParam);
}

void TTrayIcon::Notification(UINT event) {
    POINT cursor{};
    GetCursorPos(&cursor);
    TShiftState shift = CurrentShiftState();
    switch (event) {
    case WM_CONTEXTMENU:
    case KeySelect:
        DoContextPopup(cursor.x, cursor.y, MenuAnchor(event, cursor, IconRect()));
        break;
    case WM_MOUSEMOVE:
        if (tipChanged_) {
            tipChanged_ = false;
            CopyTip();
            if (iconShown_)
                Notify(NIM_MODIFY, NIF_TIP);
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        buttonDown_ = true;
        break;
    case WM_LBUTTONUP:
        MouseUp(TMouseButton::mbLeft, shift, cursor.x, cursor.y);
        break;
    case WM_RBUTTONUP:
        MouseUp(TMouseButton::mbRight, shift, cursor.x, cursor.y);
        break;
    case WM_MBUTTONUP:
        MouseUp(TMouseButton::mbMiddle, shift, cursor.x, cursor.y);
        break;
    case WM_LBUTTONDBLCLK:
        DblClick(TMouseButton::mbLeft, shift, cursor.x, cursor.y);
        break;
    case WM_RBUTTONDBLCLK:
        DblClick(TMouseButton::mbRight, shift, cursor.x, cursor.y);
        break;
    case WM_MBUTTONDBLCLK:
        DblClick(TMouseButton::mbMiddle, shift, cursor.x, cursor.y);
        break;
    default:
        break;
    }
}

// --- Clicks ----------------------------------------------------------------------------------

void TTrayIcon::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    // A release without a press of its own is the second release of a double click.
    if (buttonDown_) {
        buttonDown_ = false;
        bool clickWanted = button == TMouseButton::mbLeft && dropDownMenu_;
        if (clickWanted) {
            if (OnDblClick) {
                // The click waits: a second click within the double-click time makes it a
                // double click instead.
                savedClick_ = {button, shift, x, y};
                if (!clickPending_) {
                    clickPending_ = true;
                    ClaimForeground();
                    SetTimer(Handle(), ClickTimer, GetDoubleClickTime(), nullptr);
                }
            } else {
                DoClick(button, shift, x, y);
            }
        }
    }
    // Newer shells send WM_CONTEXTMENU for this.
    if (button == TMouseButton::mbRight && !NewShell())
        DoContextPopup(x, y);
}

void TTrayIcon::ClickTimerFired() {
    KillTimer(Handle(), ClickTimer);
    if (!clickPending_)
        return;
    clickPending_ = false;
    DoClick(savedClick_.button, savedClick_.shift, savedClick_.x, savedClick_.y);
}

void TTrayIcon::CancelPendingClick() {
    if (!clickPending_)
        return;
    clickPending_ = false;
    KillTimer(Handle(), ClickTimer);
}

// The menu a delayed click opens needs the foreground to close when the user clicks elsewhere,
// and the system grants it only until the user's next input: it is taken at the release, not
// when the timer fires. Should the click become a double click, the foreground goes back to
// the window that had it, so that pausing from the tray leaves the user's program active.
void TTrayIcon::ClaimForeground() {
    HWND foreground = GetForegroundWindow();
    previousForeground_ = foreground != Handle() ? foreground : nullptr;
    SetForegroundWindow(Handle());
}

void TTrayIcon::ReturnForeground() {
    HWND previous = std::exchange(previousForeground_, nullptr);
    if (previous && IsWindow(previous) && GetForegroundWindow() == Handle())
        SetForegroundWindow(previous);
}

void TTrayIcon::DblClick(TMouseButton button, TShiftState shift, int x, int y) {
    if (clickPending_)
        ReturnForeground();
    CancelPendingClick();
    if (OnDblClick && !Destroying())
        OnDblClick(this, button, shift, x, y);
}

void TTrayIcon::DoClick(TMouseButton button, TShiftState /*shift*/, int x, int y) {
    if (button == TMouseButton::mbLeft && dropDownMenu_)
        PopupAt(dropDownMenu_, x, y);
}

// Windows 7 and later tell where the icon is; older shells and Wine do not.
std::optional<RECT> TTrayIcon::IconRect() const {
    NOTIFYICONIDENTIFIER icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = Handle();
    icon.uID = IconId;
    RECT place{};
    if (!Shell.GetRect || FAILED(Shell.GetRect(&icon, &place)) || IsRectEmpty(&place))
        return std::nullopt;
    return place;
}

void TTrayIcon::DoContextPopup(int x, int y, const std::optional<RECT>& beside) {
    if (popupMenu_)
        PopupAt(popupMenu_, x, y, beside);
}

void TTrayIcon::PopupAt(TPopupMenu* menu, int x, int y, const std::optional<RECT>& beside) {
    // Without the foreground the menu would not close when the user clicks elsewhere, and
    // without the message after it a second opening would close at once.
    SetForegroundWindow(Handle());
    openedMenu_ = menu;
    if (beside)
        menu->PopupBeside(*beside, Handle());
    else
        menu->Popup(x, y, Handle());
    PostMessageW(Handle(), WM_NULL, 0, 0);
}

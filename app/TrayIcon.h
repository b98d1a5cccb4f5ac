// TTrayIcon: the program's icon in the notification area. It adds the icon when its owner's
// definition has loaded, hides the application's task-bar window, turns the shell's mouse and
// keyboard notifications into menu pop-ups and a double-click event, survives a restart of the
// task bar and a shell that is not ready yet, follows DPI changes through its owner, and removes
// the icon when it is destroyed.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

#include "ui/Component.h"
#include "ui/Handles.h"
#include "ui/Mouse.h"
#include "ui/Window.h"

class TPopupMenu;

// What the icon does to the application's presence. This build acts on tvVisibleTaskBar,
// tvVisibleTaskList and tvAutoHideIcon; the others are kept but change nothing (there is no
// icon animation, and no click restores or minimizes the application).
enum class TTrayVisibility {
    tvVisibleTaskBar,
    tvVisibleTaskList,
    tvAutoHide,
    tvAutoHideIcon,
    tvVisibleDesign,
    tvRestoreClick,
    tvRestoreDbClick,
    tvMinimizeClick,
    tvMinimizeDbClick,
    tvAnimateToTray,
};
using TTrayVisibilities = TSmallSet<TTrayVisibility>;

// The file version of the system's shell32.dll, major in the high word and minor in the low
// word; read once per process, 0 when it cannot be read.
DWORD ShellVersion();

// The shell as the tray icon sees it. Tests replace it to record the calls, to play an older
// shell, or to place the icon.
struct TTrayShell {
    using TNotifyIcon = BOOL(WINAPI*)(DWORD message, NOTIFYICONDATAW* data);
    using TGetRect = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER* icon, RECT* place);
    TNotifyIcon NotifyIcon = Shell_NotifyIconW;
    // The icon's place on the screen, in physical pixels.
    TGetRect GetRect = Shell_NotifyIconGetRect;
    DWORD Version = ShellVersion();
};

// The rectangle that the menu a notification asks for opens beside, or none when it opens at the
// pointer. A keyboard user's pointer may be anywhere, even on another monitor, so their menu
// opens at the icon. The key selection comes only from the keyboard; the context-menu request
// comes from both, and the pointer on the icon tells the mouse's. Without the icon's place
// (`icon` empty) the pointer is all there is.
std::optional<RECT> MenuAnchor(UINT event, POINT pointer, const std::optional<RECT>& icon);

// The icon's messages arrive at a hidden message window of class "TTrayWindow" that the component
// owns and is.
class TTrayIcon final : public TComponent, private TWindow {
public:
    // The message the shell sends to the tray window for the icon's notifications.
    static constexpr UINT CallbackMessage = WM_USER + 1;
    static constexpr UINT IconId = 1;
    // The shell's notification for Enter or Space on the selected icon (version-5 behaviour).
    static constexpr UINT KeySelect = WM_USER + 1;
    // The timer that holds back a single click until a double click can be ruled out.
    static constexpr UINT_PTR ClickTimer = 3;
    // The timer that tries again to add an icon the shell refused, AddRetries times at most.
    static constexpr UINT_PTR AddRetryTimer = 4;
    static constexpr UINT AddRetryInterval = 2000;
    static constexpr int AddRetries = 10;
    static constexpr TTrayVisibilities DefaultVisibility{TTrayVisibility::tvVisibleTaskBar,
                                                         TTrayVisibility::tvVisibleTaskList,
                                                         TTrayVisibility::tvAutoHide};

    explicit TTrayIcon(TComponent* owner);
    ~TTrayIcon() override;

    // While the owner's definition loads, only recorded; applied when loading ends.
    bool Active() const noexcept { return active_; }
    void SetActive(bool active);

    // Shared with the caller, who keeps it alive while it is set; null shows the application's
    // icon. A change while the icon is shown replaces the picture in the notification area.
    HICON Icon() const noexcept { return icon_; }
    void SetIcon(HICON icon);
    // An index into an image list; there is none, so it never selects a picture.
    int IconIndex() const noexcept { return iconIndex_; }
    void SetIconIndex(int index);

    // The tip shows the part before the first "|", cut to what the shell's layout holds. A new
    // hint reaches the shell at the next mouse movement over the icon.
    const std::wstring& Hint() const noexcept { return hint_; }
    void SetHint(const std::wstring& hint);

    TTrayVisibilities Visibility() const noexcept { return visibility_; }
    void SetVisibility(TTrayVisibilities visibility);

    // A single left click opens DropDownMenu; a context-menu request opens PopupMenu. The menus
    // must outlive the tray icon or be unset first.
    TPopupMenu* DropDownMenu() const noexcept { return dropDownMenu_; }
    void SetDropDownMenu(TPopupMenu* menu) { dropDownMenu_ = menu; }
    TPopupMenu* PopupMenu() const noexcept { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }

    // Called with this component as sender, for a double click of any button. While it is set,
    // a single left click waits for the double-click time before it opens DropDownMenu.
    TMouseEvent OnDblClick;
    // Called when the scaling or the display may have changed, and when the task bar announces
    // itself (which the shell also does after a DPI change) before the icon is given to it
    // again: the owner sets the picture for the new size here.
    std::function<void(TComponent* sender)> OnDisplayChange;

    HWND TrayWindow() const noexcept { return Handle(); }
    bool IconShown() const noexcept { return iconShown_; }

    TTrayShell Shell;

protected:
    void Loaded() override;

private:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Notification(UINT event);

    bool NewShell() const noexcept;
    // The shell's answer: whether it took the call.
    bool Notify(DWORD message, UINT flags);
    void FillNotifyData();
    void CopyTip();
    void ShowIcon();
    bool AddIcon(bool mayBeThere);
    void StartAddRetries();
    void StopAddRetries();
    void AddRetryTimerFired();
    void TaskbarCreated();
    void HideIcon();
    void UpdateIcon();
    void SetDisplayIcon(HICON icon);
    bool ApplicationVisible() const;
    void HideApplication();
    void SetInTaskList(bool inTaskList);

    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void DblClick(TMouseButton button, TShiftState shift, int x, int y);
    void ClickTimerFired();
    void DoClick(TMouseButton button, TShiftState shift, int x, int y);
    std::optional<RECT> IconRect() const;
    void DoContextPopup(int x, int y, const std::optional<RECT>& beside = std::nullopt);
    void PopupAt(TPopupMenu* menu, int x, int y, const std::optional<RECT>& beside = std::nullopt);
    void CancelPendingClick();
    void ClaimForeground();
    void ReturnForeground();

    UINT taskbarCreated_ = 0;
    NOTIFYICONDATAW notifyData_{};

    bool active_ = false;
    bool loadedActive_ = false;
    HICON icon_ = nullptr;
    HICON displayIcon_ = nullptr;
    int iconIndex_ = 0;
    std::wstring hint_;
    TTrayVisibilities visibility_ = DefaultVisibility;
    TPopupMenu* dropDownMenu_ = nullptr;
    TPopupMenu* popupMenu_ = nullptr;
    // The menu opened last: its item's command arrives after the menu has closed.
    TPopupMenu* openedMenu_ = nullptr;

    bool iconShown_ = false;
    bool tipChanged_ = false;
    bool clickPending_ = false;
    bool buttonDown_ = false;
    bool appHidden_ = false;
    bool inTaskList_ = true;
    int addRetriesLeft_ = 0; // while non-zero, the retry timer runs
    // The window that was in the foreground when a click claimed it for the tray window.
    HWND previousForeground_ = nullptr;

    struct TSavedClick {
        TMouseButton button = TMouseButton::mbLeft;
        TShiftState shift;
        int x = 0;
        int y = 0;
    } savedClick_;

    TModuleHandle kernel32_;
};

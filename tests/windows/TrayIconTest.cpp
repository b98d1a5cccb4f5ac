// The tray icon under Wine: its state machine fed with the shell's notifications, what it tells
// the shell, its part in loading the owner's definition, and the pop-up menu it opens.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/TrayIcon.h"
#include "tests/windows/AppTest.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/Form.h"
#include "ui/Menus.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr DWORD Shell6 = 0x00060001;   // every current system
constexpr DWORD Shell471 = 0x00040047; // before the version-5 layout

// --- A recording shell ----------------------------------------------------------------------

struct TShellCall {
    DWORD message;
    UINT flags;
    DWORD size;
    HWND window;
    UINT id;
    UINT callback;
    HICON icon;
    std::wstring tip;
    UINT version;
    BOOL result;
};

std::vector<TShellCall> shellCalls;
bool forwardToShell = false;

// The fake shell holds one icon: it adds only an icon it does not hold, modifies only one it
// does, and refuses the next `addRefusals` adds, as a shell that is not ready yet does.
bool iconInShell = false;
int addRefusals = 0;

BOOL FakeShell(DWORD message) {
    switch (message) {
    case NIM_ADD:
        if (addRefusals > 0) {
            --addRefusals;
            return FALSE;
        }
        return !std::exchange(iconInShell, true);
    case NIM_DELETE:
        return std::exchange(iconInShell, false);
    default:
        return iconInShell;
    }
}

BOOL WINAPI RecordNotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
    BOOL result = forwardToShell ? Shell_NotifyIconW(message, data) : FakeShell(message);
    bool hasVersion = data->cbSize >= sizeof(NOTIFYICONDATAW);
    shellCalls.push_back({message, data->uFlags, data->cbSize, data->hWnd, data->uID,
                          data->uCallbackMessage, data->hIcon, data->szTip,
                          hasVersion ? data->uVersion : 0u, result});
    return result;
}

// Where the fake shell places the icon of `owner`'s tray window; it refuses every other icon and
// an empty place, as Wine refuses all.
struct TFakePlace {
    HWND owner = nullptr;
    RECT place{};
} fakePlace;

HRESULT WINAPI FakeGetRect(const NOTIFYICONIDENTIFIER* icon, RECT* place) {
    if (icon->cbSize != sizeof *icon || icon->hWnd != fakePlace.owner ||
        icon->uID != TTrayIcon::IconId || IsRectEmpty(&fakePlace.place))
        return E_NOTIMPL;
    *place = fakePlace.place;
    return S_OK;
}

std::vector<DWORD> Messages() {
    std::vector<DWORD> messages;
    for (const TShellCall& call : shellCalls)
        messages.push_back(call.message);
    return messages;
}

// --- Menus that close themselves ------------------------------------------------------------

// What the menu loop does once the menu is up: close it, or choose its first item by keyboard.
enum class TMenuAction { Close, ChooseFirst };
TMenuAction menuAction = TMenuAction::Close;
int menusSeenOnScreen = 0;
RECT menuSeenAt{};

HWND VisibleMenuWindow() {
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w;
         w = FindWindowExW(nullptr, w, L"#32768", nullptr))
        if (IsWindowVisible(w))
            return w;
    return nullptr;
}

void CALLBACK ActOnOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND menuWindow = VisibleMenuWindow();
    if (menuWindow) {
        ++menusSeenOnScreen;
        GetWindowRect(menuWindow, &menuSeenAt);
    }
    if (menuWindow && menuAction == TMenuAction::ChooseFirst) {
        PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
    } else {
        EndMenu();
    }
}

struct TOpening {
    std::string menu;
    Clock::time_point at;
};

class Tray : public TAppTest {
protected:
    Tray() : TAppTest(L"Tray Test") {}
    void SetUp() override {
        TAppTest::SetUp();
        shellCalls.clear();
        forwardToShell = false;
        iconInShell = false;
        addRefusals = 0;
        menuAction = TMenuAction::Close;
        menusSeenOnScreen = 0;
        fakePlace = {};
        for (auto [menu, name] : {std::pair{&popup, "popup"}, std::pair{&dropDown, "drop-down"}}) {
            menu->Add(L"Info");
            menu->Add(L"-");
            menu->Add(L"Beenden");
            menu->OnPopup = [this, n = std::string(name)] {
                openings.push_back({n, Clock::now()});
                SetTimer(nullptr, 0, 150, ActOnOpenMenu);
            };
        }
    }
    void TearDown() override {
        TAppTest::TearDown();
        shellCalls.clear();
    }

    // The program's configuration: both menus, a double-click handler, shown at once.
    std::unique_ptr<TTrayIcon> MakeTray(DWORD shellVersion = Shell6, bool withDblClick = true) {
        auto tray = std::make_unique<TTrayIcon>(nullptr);
        tray->Shell.NotifyIcon = RecordNotifyIcon;
        tray->Shell.GetRect = FakeGetRect;
        tray->Shell.Version = shellVersion;
        tray->SetIcon(iconA);
        tray->SetHint(L"Glimmora 2.0");
        tray->SetVisibility({});
        tray->SetDropDownMenu(&dropDown);
        tray->SetPopupMenu(&popup);
        if (withDblClick)
            tray->OnDblClick = [this](TComponent* sender, TMouseButton button, TShiftState, int,
                                      int) {
                doubleClicks.push_back({sender, button});
            };
        tray->SetActive(true);
        return tray;
    }

    static void Send(TTrayIcon& tray, UINT event) {
        SendMessageW(tray.TrayWindow(), TTrayIcon::CallbackMessage, TTrayIcon::IconId, event);
    }

    std::vector<std::string> OpenedMenus() const {
        std::vector<std::string> names;
        for (const TOpening& o : openings)
            names.push_back(o.menu);
        return names;
    }

    const std::chrono::milliseconds doubleClickTime{GetDoubleClickTime()};
    HICON iconA = LoadIconW(nullptr, IDI_APPLICATION);
    HICON iconB = LoadIconW(nullptr, IDI_WARNING);
    HICON iconC = LoadIconW(nullptr, IDI_INFORMATION);

    TPopupMenu popup{nullptr};
    TPopupMenu dropDown{nullptr};
    std::vector<TOpening> openings;
    struct TDoubleClick {
        TComponent* sender;
        TMouseButton button;
    };
    std::vector<TDoubleClick> doubleClicks;
};

} // namespace

// --- Clicks ------------------------------------------------------------------------------------

TEST_F(Tray, SingleLeftClickOpensTheDropDownMenuOnlyAfterTheDoubleClickTime) {
    auto tray = MakeTray();
    auto released = Clock::now();
    Send(*tray, WM_LBUTTONDOWN);
    Send(*tray, WM_LBUTTONUP);
    EXPECT_TRUE(openings.empty()) << "a double click may still follow";

    ASSERT_TRUE(PumpUntil([&] { return !openings.empty(); }));
    // Timers do not fire early; the margin covers their granularity.
    EXPECT_GE(openings[0].at - released, doubleClickTime - 20ms);
    PumpFor(doubleClickTime + 200ms);
    EXPECT_EQ(OpenedMenus(), std::vector<std::string>{"drop-down"});
    EXPECT_EQ(menusSeenOnScreen, 1) << "the menu was really shown";
    EXPECT_TRUE(doubleClicks.empty());
}

TEST_F(Tray, DoubleClickOpensNoMenuAndCallsOnDblClickOnce) {
    auto tray = MakeTray();
    // What the shell sends for a double click. The second release has no press of its own.
    for (UINT event : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        Send(*tray, event);
    PumpFor(2 * doubleClickTime + 300ms);
    EXPECT_TRUE(openings.empty()) << "neither the first nor the second release opens a menu";
    ASSERT_EQ(doubleClicks.size(), 1u);
    EXPECT_EQ(doubleClicks[0].sender, tray.get());
    EXPECT_EQ(doubleClicks[0].button, TMouseButton::mbLeft);

    // The component goes on as before: the next single click opens the menu.
    Send(*tray, WM_LBUTTONDOWN);
    Send(*tray, WM_LBUTTONUP);
    EXPECT_TRUE(PumpUntil([&] { return !openings.empty(); }));
}

TEST_F(Tray, AClickTakesTheForegroundAtItsReleaseAndADoubleClickGivesItBack) {
    // The user's program, in the foreground.
    HWND user = CreateWindowExW(0, L"STATIC", L"user", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(user, nullptr);
    SetForegroundWindow(user);
    ASSERT_EQ(GetForegroundWindow(), user);
    auto tray = MakeTray();

    Send(*tray, WM_LBUTTONDOWN);
    EXPECT_EQ(GetForegroundWindow(), user) << "a press takes nothing";
    Send(*tray, WM_LBUTTONUP);
    EXPECT_EQ(GetForegroundWindow(), tray->TrayWindow()) << "taken while the right lasts";
    Send(*tray, WM_LBUTTONDBLCLK);
    Send(*tray, WM_LBUTTONUP);
    EXPECT_EQ(GetForegroundWindow(), user) << "a double click leaves the user's program active";
    EXPECT_EQ(doubleClicks.size(), 1u);
    DestroyWindow(user);
}

TEST_F(Tray, DoubleClicksOfEveryButtonCallOnDblClick) {
    const struct {
        UINT down, up, doubleClick;
        TMouseButton button;
    } cases[] = {
        {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, TMouseButton::mbLeft},
        {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, TMouseButton::mbRight},
        {WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK, TMouseButton::mbMiddle},
    };
    for (const auto& c : cases) {
        doubleClicks.clear();
        openings.clear();
        auto tray = MakeTray();
        for (UINT event : {c.down, c.up, c.doubleClick, c.up})
            Send(*tray, event);
        ASSERT_EQ(doubleClicks.size(), 1u) << "double-click event " << c.doubleClick;
        EXPECT_EQ(doubleClicks[0].button, c.button);
        PumpFor(doubleClickTime + 200ms);
        EXPECT_TRUE(openings.empty()) << "double-click event " << c.doubleClick;
    }
}

TEST_F(Tray, EachRequestOpensItsMenuAtOnce) {
    const struct {
        const char* what;
        DWORD shellVersion;
        bool withDblClick;
        std::vector<UINT> events;
        std::vector<std::string> opened;
    } cases[] = {
        {"context-menu notification", Shell6, true, {WM_CONTEXTMENU}, {"popup"}},
        {"keyboard selection", Shell6, true, {TTrayIcon::KeySelect}, {"popup"}},
        {"right click, new shell", Shell6, true, {WM_RBUTTONDOWN, WM_RBUTTONUP}, {}},
        {"right click, old shell", Shell471, true, {WM_RBUTTONDOWN, WM_RBUTTONUP}, {"popup"}},
        {"middle click", Shell6, true, {WM_MBUTTONDOWN, WM_MBUTTONUP}, {}},
        {"left click, no double click wanted",
         Shell6,
         false,
         {WM_LBUTTONDOWN, WM_LBUTTONUP},
         {"drop-down"}},
        {"release without a press", Shell6, false, {WM_LBUTTONUP}, {}},
        {"selection by click (ignored)", Shell6, true, {WM_USER}, {}},
    };
    for (const auto& c : cases) {
        openings.clear();
        auto tray = MakeTray(c.shellVersion, c.withDblClick);
        for (UINT event : c.events)
            Send(*tray, event);
        EXPECT_EQ(OpenedMenus(), c.opened) << c.what;
    }
    EXPECT_GE(menusSeenOnScreen, 1);
}

// A keyboard user's menu opens at the icon, clear of it: above it over a task bar at the bottom,
// below it under one at the top. The mouse's opens at the pointer.
TEST_F(Tray, TheKeyboardsMenuOpensBesideTheIconAndTheMousesAtThePointer) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const RECT atBottom{width / 2, height - 28, width / 2 + 24, height - 4};
    const RECT atTop{width / 2, 4, width / 2 + 24, 28};
    const POINT elsewhere{40, height / 3}, onTopIcon{atTop.left + 5, atTop.top + 5};
    const POINT overBottom{atBottom.left, atBottom.top}, underTop{atTop.left, atTop.bottom};
    constexpr UINT key = TTrayIcon::KeySelect, context = WM_CONTEXTMENU;
    const struct {
        const char* what;
        UINT event;
        POINT pointer;
        RECT icon; // empty: the shell does not tell
        bool above;
        POINT corner; // the menu's left edge, and its bottom edge when above, else its top edge
    } cases[] = {
        {"key selection, task bar at the bottom", key, elsewhere, atBottom, true, overBottom},
        {"key selection, task bar at the top", key, elsewhere, atTop, false, underTop},
        {"context menu, pointer on the icon", context, onTopIcon, atTop, false, onTopIcon},
        {"context menu, pointer elsewhere", context, elsewhere, atBottom, true, overBottom},
        {"key selection, place not told", key, elsewhere, {}, false, elsewhere},
    };
    for (const auto& c : cases) {
        auto tray = MakeTray();
        fakePlace = {tray->TrayWindow(), c.icon};
        ASSERT_TRUE(SetCursorPos(c.pointer.x, c.pointer.y));
        menusSeenOnScreen = 0;
        Send(*tray, c.event);
        ASSERT_EQ(menusSeenOnScreen, 1) << c.what;
        EXPECT_EQ(menuSeenAt.left, c.corner.x) << c.what;
        EXPECT_EQ(c.above ? menuSeenAt.bottom : menuSeenAt.top, c.corner.y) << c.what;
    }
}

// --- What the shell is told --------------------------------------------------------------------

TEST_F(Tray, NotifyDataFollowsTheShellsLayoutAndTheTipIsCut) {
    const std::wstring longHint(200, L'x');
    const struct {
        DWORD shellVersion;
        std::wstring hint;
        std::wstring tip;
    } cases[] = {
        {Shell6, L"Glimmora 2.0", L"Glimmora 2.0"},
        {Shell6, longHint, std::wstring(127, L'x')},
        {Shell471, longHint, std::wstring(63, L'x')},
        {Shell6, L"Glimmora 2.0|long help text", L"Glimmora 2.0"},
        {Shell6, L"|nothing shown", L""},
        {Shell6, L"two\r\nlines", L"two\r\nlines"},
        {Shell471, L"two\r\nlines|x", L"two - lines"},
        {Shell471, L"a\r\n\r\nb", L"a -  - b"},
    };
    for (const auto& c : cases) {
        shellCalls.clear();
        TTrayIcon tray(nullptr);
        tray.Shell.NotifyIcon = RecordNotifyIcon;
        tray.Shell.Version = c.shellVersion;
        tray.SetIcon(iconA);
        tray.SetHint(c.hint);
        tray.SetActive(true);

        bool newShell = c.shellVersion >= 0x50000;
        std::vector<DWORD> expected{NIM_ADD};
        if (newShell)
            expected.push_back(NIM_SETVERSION);
        ASSERT_EQ(Messages(), expected) << ToUtf8(c.hint);
        const TShellCall& add = shellCalls[0];
        EXPECT_EQ(add.tip, c.tip) << ToUtf8(c.hint);
        EXPECT_EQ(add.flags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
        EXPECT_EQ(add.size, newShell ? sizeof(NOTIFYICONDATAW) : NOTIFYICONDATAW_V1_SIZE);
        EXPECT_EQ(add.window, tray.TrayWindow());
        // What the tray window answers to, not merely some number.
        EXPECT_EQ(add.id, TTrayIcon::IconId);
        EXPECT_EQ(add.callback, TTrayIcon::CallbackMessage);
        EXPECT_EQ(add.icon, iconA);
        if (newShell) {
            EXPECT_EQ(shellCalls[1].version, UINT(NOTIFYICON_VERSION));
        }
    }
}

TEST_F(Tray, ANewHintReachesTheShellAtTheNextMouseMove) {
    auto tray = MakeTray();
    Send(*tray, WM_MOUSEMOVE); // the hint set before showing is sent once more
    shellCalls.clear();

    tray->SetHint(L"Pausiert|details");
    EXPECT_TRUE(shellCalls.empty());
    Send(*tray, WM_MOUSEMOVE);
    ASSERT_EQ(Messages(), std::vector<DWORD>{NIM_MODIFY});
    EXPECT_EQ(shellCalls[0].flags, UINT(NIF_TIP));
    EXPECT_EQ(shellCalls[0].tip, L"Pausiert");
    Send(*tray, WM_MOUSEMOVE);
    tray->SetHint(L"Pausiert|other details"); // the same tip, but a different hint
    EXPECT_EQ(shellCalls.size(), 1u);
}

TEST_F(Tray, ChangingTheIconBeforeShowingChangesTheAddAndWhileShownModifiesAtOnce) {
    TTrayIcon tray(nullptr);
    tray.Shell.NotifyIcon = RecordNotifyIcon;
    tray.SetIcon(iconA);
    tray.SetIcon(iconB);
    EXPECT_TRUE(shellCalls.empty()) << "nothing is shown yet";
    tray.SetActive(true);
    ASSERT_FALSE(shellCalls.empty());
    EXPECT_EQ(shellCalls[0].message, DWORD(NIM_ADD));
    EXPECT_EQ(shellCalls[0].icon, iconB);

    shellCalls.clear();
    tray.SetIcon(iconC);
    ASSERT_EQ(Messages(), std::vector<DWORD>{NIM_MODIFY});
    EXPECT_EQ(shellCalls[0].flags, UINT(NIF_ICON));
    EXPECT_EQ(shellCalls[0].icon, iconC);
    tray.SetIcon(iconC);
    EXPECT_EQ(shellCalls.size(), 1u) << "the same picture again changes nothing";
}

// After a DPI change the shell announces the task bar again with the icon still in it: it is
// modified, never added a second time. A task bar that was really re-created has lost it.
TEST_F(Tray, DisplayChangesAndTheTaskBarAskForTheNewPictureAndNeverAddTwice) {
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    const struct {
        const char* what;
        UINT message;
        bool shellLostTheIcon;
        std::vector<DWORD> calls; // after the picture's own modify
    } cases[] = {
        {"DPI changed", WM_DPICHANGED, false, {}},
        {"display changed", WM_DISPLAYCHANGE, false, {}},
        {"setting changed", WM_SETTINGCHANGE, false, {}},
        {"task bar after a DPI change", taskbarCreated, false, {NIM_MODIFY}},
        {"task bar re-created", taskbarCreated, true, {NIM_MODIFY, NIM_ADD, NIM_SETVERSION}},
    };
    for (const auto& c : cases) {
        auto tray = MakeTray();
        tray->SetHint(L"Pausiert");
        Send(*tray, WM_MOUSEMOVE);
        int asked = 0;
        tray->OnDisplayChange = [&](TComponent*) {
            ++asked;
            tray->SetIcon(iconB);
        };
        iconInShell = !c.shellLostTheIcon;
        shellCalls.clear();

        SendMessageW(tray->TrayWindow(), c.message, 0, 0);
        EXPECT_EQ(asked, 1) << c.what;
        std::vector<DWORD> expected{NIM_MODIFY};
        expected.insert(expected.end(), c.calls.begin(), c.calls.end());
        ASSERT_EQ(Messages(), expected) << c.what;
        // The task bar gets everything again: picture, tip and call-back.
        const TShellCall& last = shellCalls[std::min<std::size_t>(2, shellCalls.size() - 1)];
        EXPECT_EQ(last.icon, iconB) << c.what;
        EXPECT_EQ(last.tip, L"Pausiert") << c.what;
        EXPECT_TRUE(tray->IconShown() && iconInShell) << c.what;
    }

    auto tray = MakeTray();
    shellCalls.clear();
    tray->SetActive(false);
    SendMessageW(tray->TrayWindow(), taskbarCreated, 0, 0);
    EXPECT_EQ(Messages(), std::vector<DWORD>{NIM_DELETE}) << "an inactive icon stays away";
}

// At log-on the shell may refuse the icon for a while; the program must not stay unreachable.
TEST_F(Tray, AnIconTheShellRefusesIsTriedAgainAFewTimes) {
    // The retry timer's ticks, without waiting for them.
    auto tick = [](TTrayIcon& tray, int times) {
        for (int i = 0; i < times; ++i)
            SendMessageW(tray.TrayWindow(), WM_TIMER, TTrayIcon::AddRetryTimer, 0);
    };
    auto adds = [] {
        const std::vector<DWORD> messages = Messages();
        return std::count(messages.begin(), messages.end(), DWORD(NIM_ADD));
    };

    addRefusals = 2;
    auto tray = MakeTray();
    EXPECT_FALSE(tray->IconShown());
    tick(*tray, 2);
    EXPECT_TRUE(tray->IconShown());
    EXPECT_EQ(adds(), 3);
    EXPECT_EQ(Messages().back(), DWORD(NIM_SETVERSION));
    EXPECT_FALSE(KillTimer(tray->TrayWindow(), TTrayIcon::AddRetryTimer)) << "no tries once shown";

    // A shell that never takes it: a bounded number of tries, then the task bar's next
    // announcement brings the icon.
    tray.reset();
    shellCalls.clear();
    addRefusals = 1000;
    tray = MakeTray();
    EXPECT_TRUE(KillTimer(tray->TrayWindow(), TTrayIcon::AddRetryTimer)) << "a try is due";
    tick(*tray, TTrayIcon::AddRetries + 5);
    EXPECT_EQ(adds(), 1 + TTrayIcon::AddRetries);
    EXPECT_FALSE(tray->IconShown());
    addRefusals = 0;
    SendMessageW(tray->TrayWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(tray->IconShown());
}

TEST_F(Tray, EndingTheSessionRemovesTheIconAndACancelledEndShowsItAgain) {
    auto tray = MakeTray();
    shellCalls.clear();
    EXPECT_EQ(SendMessageW(tray->TrayWindow(), WM_QUERYENDSESSION, 0, 0), 1);
    EXPECT_TRUE(shellCalls.empty());

    SendMessageW(tray->TrayWindow(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(Messages(), std::vector<DWORD>{NIM_DELETE});
    EXPECT_FALSE(tray->IconShown());
    SendMessageW(tray->TrayWindow(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(shellCalls.size(), 1u) << "removed once";

    shellCalls.clear();
    SendMessageW(tray->TrayWindow(), WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
    EXPECT_TRUE(tray->IconShown());
}

TEST_F(Tray, DestructionRemovesTheIconAndTheWindow) {
    auto tray = MakeTray();
    Send(*tray, WM_LBUTTONDOWN);
    Send(*tray, WM_LBUTTONUP); // a click still pending
    HWND window = tray->TrayWindow();
    shellCalls.clear();
    tray.reset();
    EXPECT_EQ(Messages(), std::vector<DWORD>{NIM_DELETE});
    EXPECT_FALSE(IsWindow(window));
    PumpFor(doubleClickTime + 200ms);
    EXPECT_TRUE(openings.empty());
}

// --- Loading -----------------------------------------------------------------------------------

namespace {

struct TTrayFormSetup {
    bool active;
    TTrayVisibilities visibility;
};
TTrayFormSetup trayFormSetup;

class TTrayForm : public TForm {
public:
    TTrayForm()
        : TForm([] {
              TFormDefinition d;
              d.ClassName = L"TTrayForm";
              return d;
          }()),
          Tray(this) {
        Tray.Shell.NotifyIcon = RecordNotifyIcon;
        Tray.SetIcon(LoadIconW(nullptr, IDI_WARNING));
        Tray.SetHint(L"Glimmora 2.0");
        Tray.SetVisibility(trayFormSetup.visibility);
        Tray.SetActive(trayFormSetup.active);
        callsDuringDefinition = shellCalls.size();
        activeDuringDefinition = Tray.Active();
    }
    TTrayIcon Tray;
    std::size_t callsDuringDefinition = 0;
    bool activeDuringDefinition = true;
    bool shownInFormCreate = false;

protected:
    void FormCreate() override { shownInFormCreate = Tray.IconShown(); }
};

} // namespace

TEST_F(Tray, ActiveIsRecordedWhileLoadingAndAppliedWhenLoadingEnds) {
    const struct {
        const char* what;
        TTrayFormSetup setup;
        bool shown;
        bool applicationHidden;
    } cases[] = {
        {"the program's values", {true, {}}, true, true},
        {"default visibility", {true, TTrayIcon::DefaultVisibility}, true, false},
        {"not active", {false, {}}, false, false},
    };
    for (const auto& c : cases) {
        app.DestroyForms();
        shellCalls.clear();
        app.ShowMainForm = true;
        ShowWindow(app.Handle(), SW_SHOWNOACTIVATE);
        trayFormSetup = c.setup;
        TTrayForm* form = nullptr;
        app.CreateForm(form);

        EXPECT_EQ(form->callsDuringDefinition, 0u) << c.what;
        EXPECT_FALSE(form->activeDuringDefinition) << c.what;
        EXPECT_EQ(form->shownInFormCreate, c.shown) << c.what << ": shown before FormCreate";
        EXPECT_EQ(form->Tray.Active(), c.shown) << c.what;
        if (c.shown) {
            ASSERT_FALSE(shellCalls.empty()) << c.what;
            EXPECT_EQ(shellCalls[0].message, DWORD(NIM_ADD));
            EXPECT_EQ(shellCalls[0].icon, LoadIconW(nullptr, IDI_WARNING));
            EXPECT_EQ(shellCalls[0].tip, L"Glimmora 2.0");
        } else {
            EXPECT_TRUE(shellCalls.empty()) << c.what;
        }
        EXPECT_EQ(!IsWindowVisible(app.Handle()), c.applicationHidden) << c.what;
        EXPECT_EQ(app.ShowMainForm, !c.applicationHidden) << c.what;
    }
    ShowWindow(app.Handle(), SW_HIDE);
}

// --- Errors and menu actions -------------------------------------------------------------------

TEST_F(Tray, AnErrorInOnDblClickReachesTheErrorHandlerAndTheIconGoesOn) {
    auto tray = MakeTray();
    int calls = 0;
    tray->OnDblClick = [&](TComponent*, TMouseButton, TShiftState, int, int) {
        ++calls;
        throw EInOutError(5);
    };
    Send(*tray, WM_LBUTTONDBLCLK);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].sender, tray.get());
    EXPECT_EQ(reports[0].message, InOutErrorText(5));
    Send(*tray, WM_RBUTTONDBLCLK);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(reports.size(), 2u);
}

TEST_F(Tray, AChosenItemRunsAfterTheMenuHasClosedAndItsErrorsAreReported) {
    auto tray = MakeTray();
    bool menuOpenDuringAction = true;
    int infoClicks = 0;
    popup.Items(0)->OnClick = [&] {
        ++infoClicks;
        menuOpenDuringAction = popup.Tracking() || VisibleMenuWindow() != nullptr;
        throw Exception(L"Info failed");
    };
    menuAction = TMenuAction::ChooseFirst;
    Send(*tray, WM_CONTEXTMENU);
    EXPECT_EQ(infoClicks, 0) << "the action waits for the menu's command message";
    ASSERT_TRUE(PumpUntil([&] { return infoClicks > 0; }, 5000ms));
    EXPECT_EQ(infoClicks, 1);
    EXPECT_FALSE(menuOpenDuringAction);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].sender, &popup);
    EXPECT_EQ(reports[0].message, L"Info failed");

    // Unknown commands and accelerators are no item's.
    EXPECT_FALSE(popup.DispatchCommand(popup.Items(1)->Command() + 100));
    EXPECT_FALSE(popup.DispatchCommand(MAKEWPARAM(popup.Items(0)->Command(), 1)));
}

TEST_F(Tray, TheMenuIsBuiltOnceAndRebuiltAfterACaptionOrItsEnablingChanges) {
    HMENU first = popup.Handle();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetMenuItemCount(first), 3);
    EXPECT_EQ(GetMenuState(first, 1, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
    EXPECT_EQ(popup.Handle(), first);
    popup.Items(2)->SetCaption(L"Ende");
    HMENU second = popup.Handle();
    wchar_t text[32] = {};
    GetMenuStringW(second, popup.Items(2)->Command(), text, 32, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"Ende");
    EXPECT_EQ(GetMenuDefaultItem(second, FALSE, 0), UINT(-1)) << "no item is the default";
    popup.Items(2)->SetEnabled(false);
    EXPECT_EQ(GetMenuState(popup.Handle(), 2, MF_BYPOSITION) & MF_GRAYED, UINT(MF_GRAYED));
    EXPECT_EQ(GetMenuState(popup.Handle(), 0, MF_BYPOSITION) & MF_GRAYED, 0u);
}

// --- The real notification area ----------------------------------------------------------------

// The version the icon goes by is the file version in shell32's own version resource, found here
// without the version library the program asks.
TEST_F(Tray, ShellVersionIsTheFileVersionOfTheSystemsShell) {
    wchar_t directory[MAX_PATH];
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    ASSERT_TRUE(length > 0 && length < MAX_PATH);
    const std::wstring path = std::wstring(directory, length) + L"\\shell32.dll";
    HMODULE shell = LoadLibraryExW(path.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(shell, nullptr);
    DWORD version = 0;
    if (HRSRC found = FindResourceW(shell, MAKEINTRESOURCEW(1), RT_VERSION)) {
        const auto* bytes =
            static_cast<const std::uint8_t*>(LockResource(LoadResource(shell, found)));
        // The fixed part follows the block's header and name, aligned to four bytes.
        for (DWORD at = 0; bytes && at + sizeof(VS_FIXEDFILEINFO) <= SizeofResource(shell, found);
             at += 4) {
            VS_FIXEDFILEINFO fixed;
            std::memcpy(&fixed, bytes + at, sizeof fixed);
            if (fixed.dwSignature == VS_FFI_SIGNATURE) {
                version = fixed.dwFileVersionMS;
                break;
            }
        }
    }
    FreeLibrary(shell);
    ASSERT_NE(version, 0u) << "shell32.dll carries a version resource";
    EXPECT_EQ(ShellVersion(), version);
}

TEST_F(Tray, TheRealShellTakesTheIcon) {
    if (!FindWindowW(L"Shell_TrayWnd", nullptr))
        GTEST_SKIP() << "this desktop has no notification area";
    forwardToShell = true;
    {
        TTrayIcon tray(nullptr);
        tray.Shell.NotifyIcon = RecordNotifyIcon;
        tray.SetIcon(iconA);
        tray.SetHint(L"Tray Test");
        tray.SetActive(true);
        tray.SetIcon(iconB);
    }
    ASSERT_EQ(Messages().front(), DWORD(NIM_ADD));
    EXPECT_TRUE(shellCalls.front().result) << "NIM_ADD";
    EXPECT_TRUE(shellCalls.back().result) << "NIM_DELETE";
}

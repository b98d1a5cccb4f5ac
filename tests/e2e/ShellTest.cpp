// The tray icon, the setup window's switch between active and paused concealment, and the help
// windows, driven as a user drives them: real mouse clicks on the icon in the task bar and in
// the program's windows, and real key presses.
#include "tests/e2e/ProgramTest.h"

namespace {

class Shell : public TProgramTest {};

const std::vector<std::wstring> WorkedExampleLines = {L"1.Pixel:  100 x 200 rot=an  grün=aus ",
                                                      L"2.Pixel:  1023 x 0 blau=aus "};

// The three picture buttons lie on one another; their texts name what a click does.
constexpr wchar_t PauseButton[] = L"Fehlerbehebung ausschalten";
constexpr wchar_t ResumeButton[] = L"Fehlerbehebung einschalten";
constexpr wchar_t EmptyButton[] = L"Keine Pixelfehler";

// The active icon's little screen shows a red, a green and a blue bar; the other has none.
bool TrayIconShowsBars() {
    POINT icon = TrayIconPoint();
    bool red = false, green = false, blue = false;
    for (int y = icon.y - 3; y <= icon.y + 1; ++y)
        for (int x = icon.x - 8; x <= icon.x + 8; ++x) {
            COLORREF color = ScreenColor(x, y);
            red |= color == 0x0000FF;
            green |= color == 0x00FF00;
            blue |= color == 0xFF0000;
        }
    return red && green && blue;
}

// Which look the setup window and the tray show, as one string for readable failures.
std::string LookOf(HWND setup) {
    std::string look = Utf8(TextOf(setup)) + (TrayIconShowsBars() ? " [tray on]" : " [tray off]");
    if (Shown(setup, PauseButton))
        look += " [pause]";
    if (Shown(setup, ResumeButton))
        look += " [resume]";
    if (Shown(setup, EmptyButton))
        look += " [empty]";
    return look;
}

const std::string ActiveLook = "Glimmora 2.0 - AKTIV [tray on] [pause]";
const std::string PausedLook = "Glimmora 2.0 - NICHT AKTIV [tray off] [resume]";

bool WaitForLook(HWND setup, const std::string& look) {
    return WaitFor([&] { return LookOf(setup) == look; }, 5s);
}

} // namespace

TEST_F(Shell, SetupListsTheStoredDefectsAndTheSwitchPausesAndResumesFromTrayAndButtons) {
    Start(WorkedExample);

    // Before the setup window has ever listed the defects, the double click has nothing to
    // switch: the overlays stay shown.
    DoubleClickTrayIcon();
    Sleep(1000);
    EXPECT_EQ(CountVisible(program, L"TPixForm"), 2);
    EXPECT_EQ(CountVisible(program, L"TFHaupt"), 0);
    EXPECT_EQ(CountVisible(program, L"#32768"), 0) << "a double click opens no menu";

    HWND menu = OpenTrayMenu(program);
    ASSERT_TRUE(menu) << "a right click on the icon opens the menu";
    // The menu opens at the cursor (moved as far as needed to stay clear of the task bar).
    RECT menuRect;
    GetWindowRect(menu, &menuRect);
    POINT cursor;
    GetCursorPos(&cursor);
    InflateRect(&menuRect, 24, 24);
    EXPECT_TRUE(PtInRect(&menuRect, cursor));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }, 5s));

    // A single left click opens the menu too, once no second click has come within the
    // double-click time.
    POINT icon = TrayIconPoint();
    ClickAt(icon.x, icon.y);
    EXPECT_EQ(CountVisible(program, L"#32768"), 0) << "not before the double-click time";
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"#32768") == 1; }, 5s));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"#32768") == 0; }, 5s));

    setup = OpenSetup(program);
    ASSERT_TRUE(setup);
    HWND list = ControlOfClass(setup, L"ListBox");
    ASSERT_TRUE(list);
    EXPECT_EQ(ListBoxLines(list), WorkedExampleLines);
    EXPECT_EQ(LookOf(setup), ActiveLook);
    EXPECT_TRUE(IsWindowEnabled(Control(setup, L"Alle Einträge löschen")));
    EXPECT_TRUE(IsWindowEnabled(Control(setup, L"Einzelnen Eintrag löschen")));

    struct TSwitch {
        const char* how;
        bool tray;   // a double click on the icon, else a click on the picture button
        bool middle; // with the middle button
        bool paused; // the state it leads to
    };
    const TSwitch switches[] = {
        {"tray double click pauses", true, false, true},
        {"tray double click resumes", true, false, false},
        {"middle double click pauses", true, true, true},
        {"middle double click resumes", true, true, false},
        {"pause button", false, false, true},
        {"resume button", false, false, false},
    };
    for (const TSwitch& s : switches) {
        SCOPED_TRACE(s.how);
        if (s.tray)
            DoubleClickTrayIcon(s.middle);
        else
            ClickControl(setup, s.paused ? PauseButton : ResumeButton);
        EXPECT_TRUE(WaitForLook(setup, s.paused ? PausedLook : ActiveLook)) << LookOf(setup);
        EXPECT_TRUE(
            WaitFor([&] { return CountVisible(program, L"TPixForm") == (s.paused ? 0 : 2); }, 5s))
            << CountVisible(program, L"TPixForm") << " overlays shown";
        EXPECT_EQ(CountVisible(program, L"#32768"), 0);
    }
    EXPECT_EQ(ListBoxLines(list), WorkedExampleLines) << "the switch leaves the list alone";

    // "In den Tray" hides the window; the concealment goes on.
    ClickControl(setup, L"In den Tray");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(setup); }, 5s));
    EXPECT_EQ(CountVisible(program, L"TPixForm"), 2);
    // A double click while the window is hidden switches all the same.
    DoubleClickTrayIcon();
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == 0; }, 5s));
    setup = OpenSetup(program);
    EXPECT_EQ(LookOf(setup), PausedLook);

    // "Beenden" in the setup window ends the program; the file is never written at exit.
    ClickControl(setup, L"Beenden");
    EXPECT_TRUE(program.WaitForExit(10s));
    EXPECT_EQ(ReadBytes(file), Records(WorkedExample));
}

TEST_F(Shell, InstructionsAboutBoxAndCreditsOpenFromTheirButtons) {
    StartWithSetup();

    // The instructions: page 1 first, "Nächste >>" turns to page 2, and the window opens on
    // the page it was closed on.
    auto pageShown = [](HWND instructions) {
        for (HWND child = GetWindow(instructions, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            if (!IsWindowVisible(child))
                continue;
            std::wstring text = TextOf(child);
            if (text.starts_with(L"Klicken Sie auf \"Pixelfehler definieren\""))
                return 1;
            if (text.starts_with(L"Wollen Sie eventuell falsch gesetzte Pixel"))
                return 2;
        }
        return 0;
    };
    ClickControl(setup, L"Anleitung");
    HWND instructions = WaitForVisibleWindow(program, L"TFAnleit");
    ASSERT_TRUE(instructions);
    EXPECT_EQ(pageShown(instructions), 1);
    EXPECT_FALSE(IsWindowEnabled(setup)) << "the instructions are modal";
    ClickControl(instructions, L"Nächste >>");
    EXPECT_TRUE(WaitFor([&] { return pageShown(instructions) == 2; }, 5s));
    EXPECT_TRUE(Shown(instructions, L"<< Zurück"));
    ClickControl(instructions, L"Schließen");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(instructions); }, 5s));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(setup) != FALSE; }, 5s));
    ClickControl(setup, L"Anleitung");
    ASSERT_TRUE(WaitForVisibleWindow(program, L"TFAnleit"));
    EXPECT_EQ(pageShown(instructions), 2) << "the page survives the closing";
    ClickControl(instructions, L"Schließen");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(instructions); }, 5s));

    // "Info" again brings the about box, moved by the user and gone behind the setup window,
    // back to the front where it was left. "Über" opens the credits above it.
    ChooseFromTrayMenu(program, L"Info");
    HWND about = WaitForVisibleWindow(program, L"TAboutBox");
    ASSERT_TRUE(about);
    EXPECT_EQ(TextOf(ControlOfClass(about, L"Edit")), folder.Path())
        << "where the defects are kept";
    SetWindowPos(about, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT setupRect;
    GetWindowRect(setup, &setupRect);
    ClickAt((setupRect.left + setupRect.right) / 2, setupRect.top + 8); // its caption
    ASSERT_TRUE(WaitFor([&] { return IsAbove(setup, about); }, 5s));
    ChooseFromTrayMenu(program, L"Info");
    EXPECT_TRUE(WaitFor([&] { return IsAbove(about, setup); }, 5s)) << "not raised";
    EXPECT_EQ(CountVisible(program, L"TAboutBox"), 1);
    RECT aboutRect;
    GetWindowRect(about, &aboutRect);
    EXPECT_EQ(aboutRect.left, 40);
    EXPECT_EQ(aboutRect.top, 30);
    ClickControl(about, L"Über");
    HWND credits = WaitForVisibleWindow(program, L"TUeber");
    ASSERT_TRUE(credits);
    EXPECT_TRUE(IsAbove(credits, about));
    EXPECT_FALSE(IsWindowEnabled(about)) << "the credits are modal";
    ClickControl(credits, L"OK");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(credits); }, 5s));
    EXPECT_TRUE(IsWindowVisible(about)) << "the about box stays open under the credits";
    ClickControl(about, L"OK");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(about); }, 5s));

    // "Beenden" in the tray menu ends the program.
    ChooseFromTrayMenu(program, L"Beenden");
    EXPECT_TRUE(program.WaitForExit(10s));
}

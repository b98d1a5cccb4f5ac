// A good citizen of the desktop: the user's program keeps the foreground while the overlays come,
// are clicked and go; the capture screen and the choosers follow a change of the display mode;
// a modal window stays in front of the windows it disables.
#include "tests/e2e/ProgramTest.h"
#include "tests/support/DisplayMode.h"

namespace {

class Desktop : public TProgramTest {};

// The user's program: Wine's editor, in the foreground.
class TUsersProgram {
public:
    TUsersProgram() {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring command = L"notepad.exe";
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info_))
            throw std::runtime_error("cannot start the editor");
        WaitFor([&] { return (window_ = FindWindowW(L"Notepad", nullptr)) != nullptr; }, 20s);
        WaitFor([&] { return GetForegroundWindow() == window_; }, 10s);
    }
    ~TUsersProgram() {
        TerminateProcess(info_.hProcess, 0);
        WaitForSingleObject(info_.hProcess, 5000);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    HWND Window() const { return window_; }
    // The middle of the "File" item, the first of the menu bar just above the client area.
    POINT FileMenu() const {
        POINT client{0, 0};
        ClientToScreen(window_, &client);
        return {client.x + 12, client.y - GetSystemMetrics(SM_CYMENU) / 2};
    }
    // A click on its caption, as a user comes back to it.
    void Activate() const {
        RECT r;
        GetWindowRect(window_, &r);
        ClickAt((r.left + r.right) / 2, r.top + 8);
        WaitFor([&] { return GetForegroundWindow() == window_; }, 5s);
    }

private:
    PROCESS_INFORMATION info_{};
    HWND window_ = nullptr;
};

std::string ForegroundName() {
    HWND foreground = GetForegroundWindow();
    return foreground ? Utf8(ClassNameOf(foreground)) : "(none)";
}

RECT RectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

} // namespace

TEST_F(Desktop, TheUsersProgramKeepsTheForegroundWhileOverlaysComeAreClickedThroughAndGo) {
    TUsersProgram editor;
    ASSERT_EQ(GetForegroundWindow(), editor.Window());
    // The defect lies on the editor's "File" menu.
    const POINT menuItem = editor.FileMenu();
    Start({{menuItem.x, menuItem.y, RedOn}});
    Sleep(500); // some ticks: each raises the overlay
    EXPECT_EQ(GetForegroundWindow(), editor.Window()) << "start-up took it: " << ForegroundName();

    // A click on the concealed pixel goes through to the editor, whose menu opens.
    ASSERT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == 1; }, 5s));
    XDo("mousemove " + std::to_string(menuItem.x) + " " + std::to_string(menuItem.y) + " click 1");
    HWND menu = nullptr;
    EXPECT_TRUE(WaitFor(
        [&] { return (menu = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menu); }, 5s))
        << "the click on the concealed pixel opened no menu";
    EXPECT_EQ(GetWindowThreadProcessId(menu, nullptr),
              GetWindowThreadProcessId(editor.Window(), nullptr));
    PressKey(VK_ESCAPE);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); }, 5s));
    EXPECT_EQ(GetForegroundWindow(), editor.Window()) << "the click took it: " << ForegroundName();
    EXPECT_EQ(CountVisible(program, L"TPixForm"), 1);

    // Pause and resume with the tray icon; the setup window must have listed the defect once.
    setup = OpenSetup(program);
    ASSERT_TRUE(setup);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(setup); }, 5s));
    editor.Activate();
    for (int expected : {0, 1}) {
        DoubleClickTrayIcon();
        EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == expected; }, 5s));
        Sleep(300);
        DWORD owner = 0;
        GetWindowThreadProcessId(GetForegroundWindow(), &owner);
        EXPECT_NE(owner, program.ProcessId()) << "the switch took it: " << ForegroundName();
    }

    // After a capture the window it was started from is active again, not an overlay.
    setup = OpenSetup(program);
    ClickControl(setup, L"Pixelfehler definieren");
    HWND capture = WaitForVisibleWindow(program, L"TFBack");
    ASSERT_TRUE(capture);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == capture; }, 5s))
        << "the capture screen does take the keyboard";
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(capture); }, 5s));
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == 1; }, 5s));
    Sleep(300);
    EXPECT_EQ(GetForegroundWindow(), setup) << ForegroundName();
}

namespace {

// A capture started from the setup window and left again: checks that the capture screen covers
// the screen as it is, marks (100, 100) and returns where the chooser opened.
RECT ChooserPlace(const TGlimmora& program, HWND setup) {
    ClickControl(setup, L"Pixelfehler definieren");
    HWND capture = WaitForVisibleWindow(program, L"TFBack");
    RECT covered = RectOf(capture);
    EXPECT_EQ(covered.left, 0);
    EXPECT_EQ(covered.top, 0);
    EXPECT_EQ(covered.right, GetSystemMetrics(SM_CXSCREEN)) << "the capture screen kept its size";
    EXPECT_EQ(covered.bottom, GetSystemMetrics(SM_CYSCREEN));
    ClickAt(100, 100);
    HWND chooser = WaitForVisibleWindow(program, L"TFAusBla");
    const RECT place = RectOf(chooser);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(chooser); }, 5s));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(capture); }, 5s));
    return place;
}

} // namespace

TEST_F(Desktop, TheCaptureScreenAndTheChoosersFollowAChangeOfTheDisplayMode) {
    StartWithSetup();
    // At 1024 x 768 the chooser opens centred, beyond what 640 x 480 can show.
    const RECT first = ChooserPlace(program, setup);
    ASSERT_GT(first.right, 640);
    const POINT centredSmall{(640 - (first.right - first.left)) / 2,
                             (480 - (first.bottom - first.top)) / 2};
    {
        TDisplayMode smaller(640, 480);
        ASSERT_TRUE(smaller.Changed()) << "the desktop cannot change its mode here";
        const RECT moved = ChooserPlace(program, setup);
        EXPECT_EQ(moved.left, centredSmall.x) << "partly off the screen: centred again";
        EXPECT_EQ(moved.top, centredSmall.y);
    }
    // Back at 1024 x 768 it fits where it is, and keeps that place.
    EXPECT_EQ(ChooserPlace(program, setup).left, centredSmall.x);
}

// Open while the mode changes, the capture screen covers the desktop as it is after the change.
TEST_F(Desktop, AnOpenCaptureScreenCoversTheDesktopAfterAChangeOfTheDisplayMode) {
    StartWithSetup();
    ClickControl(setup, L"Pixelfehler definieren");
    HWND capture = WaitForVisibleWindow(program, L"TFBack");
    ASSERT_TRUE(capture);
    const auto covers = [&](LONG width, LONG height) {
        return WaitFor(
            [&] {
                const RECT r = RectOf(capture);
                return r.left == 0 && r.top == 0 && r.right == width && r.bottom == height;
            },
            5s);
    };
    {
        TDisplayMode smaller(640, 480);
        ASSERT_TRUE(smaller.Changed()) << "the desktop cannot change its mode here";
        EXPECT_TRUE(covers(640, 480));
    }
    EXPECT_TRUE(covers(1024, 768));
    EXPECT_TRUE(WaitFor([&] { return ScreenColor(1020, 700) == 0x000000; }, 5s))
        << "the part it grew by is painted too";
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(capture); }, 5s));
}

TEST_F(Desktop, SetupOrInfoFromTheTrayWhileTheInstructionsAreOpenBringTheInstructionsForward) {
    StartWithSetup();
    ClickControl(setup, L"Anleitung");
    HWND instructions = WaitForVisibleWindow(program, L"TFAnleit");
    ASSERT_TRUE(instructions);
    for (const wchar_t* item : {L"Setup", L"Info"}) {
        SCOPED_TRACE(Utf8(item));
        // Something else in front first, as the user's other programs are.
        TUsersProgram editor;
        ChooseFromTrayMenu(program, item);
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == instructions; }, 5s))
            << ForegroundName();
        EXPECT_TRUE(IsAbove(instructions, setup));
        EXPECT_FALSE(IsWindowVisible(program.Window(L"TAboutBox")));
    }
    ClickControl(instructions, L"Schließen");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(instructions); }, 5s));
}

// A defect is a pixel of the panel: at another resolution one desktop pixel is no longer that
// pixel, so its overlay waits hidden, and the list says why; back at the mode it was marked in,
// it conceals again.
TEST_F(Desktop, AtAnotherResolutionADefectWaitsHiddenAndTheListSaysWhy) {
    StartWithSetup({{300, 200, RedOn}});
    HWND list = ControlOfClass(setup, L"ListBox");
    ASSERT_TRUE(OverlayAt(program, 300, 200));
    {
        TDisplayMode smaller(800, 600);
        ASSERT_TRUE(smaller.Changed()) << "the desktop cannot change its mode here";
        EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == 0; }, 5s));
        EXPECT_TRUE(WaitFor(
            [&] {
                return ListBoxLines(list) ==
                       std::vector<std::wstring>{
                           L"1.Pixel:  300 x 200 rot=an   (andere Auflösung)"};
            },
            5s))
            << Utf8(ListBoxLines(list).at(0));
    }
    EXPECT_TRUE(WaitFor([&] { return OverlayAt(program, 300, 200) != nullptr; }, 5s));
    EXPECT_TRUE(WaitFor(
        [&] {
            return ListBoxLines(list) == std::vector<std::wstring>{L"1.Pixel:  300 x 200 rot=an  "};
        },
        5s));
    const auto panels = ReadBytes(folder.File(L"Glimmora.panels"));
    EXPECT_TRUE(panels.empty()) << "nothing is written but by a command";
}

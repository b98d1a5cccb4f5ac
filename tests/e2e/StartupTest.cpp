// Start-up and shutdown as a user meets them: no window, no task-bar button, the defect file
// read and never written, file errors reported in the program's message box.
#include <gtest/gtest.h>

#include "tests/e2e/ProgramTest.h"

namespace {

class Startup : public TProgramTest {
protected:
    Startup() { exitLimit = 2s; }
};

const wchar_t* const FormClasses[] = {L"TApplication", L"TForm1",     L"TFHaupt",  L"TFBack",
                                      L"TAboutBox",    L"TFAusBla",   L"TFAnleit", L"TFAusWhi",
                                      L"TUeber",       L"TFReparatur"};

// 25 overlays exist, owned by the application window; exactly one per defect is shown, one
// physical pixel in size, at the defect.
void ExpectOverlaysOver(const TGlimmora& program, const std::vector<POINT>& defects) {
    std::vector<HWND> overlays = program.WindowsOfClass(L"TPixForm");
    EXPECT_EQ(overlays.size(), 25u);
    for (HWND overlay : overlays) {
        EXPECT_EQ(GetWindow(overlay, GW_OWNER), program.Window(L"TApplication"));
        EXPECT_TRUE(GetWindowLongPtrW(overlay, GWL_EXSTYLE) & WS_EX_TOPMOST);
    }
    ASSERT_EQ(CountVisible(program, L"TPixForm"), static_cast<int>(defects.size()));
    for (POINT defect : defects)
        EXPECT_TRUE(OverlayAt(program, defect.x, defect.y)) << defect.x << "," << defect.y;
}

} // namespace

TEST_F(Startup, CreatesEveryWindowShowsOnlyOverlaysAndEndsCleanlyWhenTheMainWindowCloses) {
    Start(WorkedExample);

    HWND application = program.Window(L"TApplication");
    ASSERT_TRUE(application);
    EXPECT_EQ(TextOf(application), L"Glimmora 2.0");
    for (const wchar_t* className : FormClasses) {
        std::vector<HWND> windows = program.WindowsOfClass(className);
        ASSERT_EQ(windows.size(), 1u) << Utf8(className);
        // Every form but the overlays stays hidden after start-up.
        EXPECT_FALSE(IsWindowVisible(windows[0])) << Utf8(className);
        if (windows[0] != application) {
            EXPECT_EQ(GetWindow(windows[0], GW_OWNER), application) << Utf8(className);
        }
    }
    for (HWND window : program.Windows())
        EXPECT_FALSE(HasTaskBarButton(window)) << Utf8(ClassNameOf(window).c_str());
    ExpectOverlaysOver(program, {{100, 200}, {1023, 0}});
    EXPECT_FALSE(WaitForMessageBox(program, nullptr, 300ms).window) << "a good file loads silently";

    End();
    EXPECT_EQ(ReadBytes(file), Records(WorkedExample)) << "the file is never written at exit";
}

TEST_F(Startup, WithoutADefectFileNothingIsShownAndNoFileIsCreated) {
    Start();
    EXPECT_FALSE(WaitForMessageBox(program, nullptr, 300ms).window);
    End();
    EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Startup, ALockedDefectFileIsReportedWithItsOwnErrorAndTheProgramRunsOn) {
    WriteBytes(file, Records(WorkedExample));
    // Another program holds the file without sharing it.
    HANDLE lock = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    program.Launch(folder);
    TMessageBox box = WaitForMessageBox(program, nullptr, 20s);
    ASSERT_TRUE(box.window) << "the error is shown during start-up";
    EXPECT_EQ(box.caption, L"Glimmora 2.0");
    EXPECT_EQ(box.text, L"I/O error 32.");
    EXPECT_EQ(GetWindow(box.window, GW_OWNER), program.Window(L"TApplication"));
    EXPECT_FALSE(program.Window(L"TFHaupt")) << "start-up waits for the user's answer";
    // The tray icon is live meanwhile; what it offers waits for the windows it needs.
    DoubleClickTrayIcon();
    for (const wchar_t* item : {L"Setup", L"Info"})
        ChooseFromTrayMenu(program, item);
    Sleep(300);
    ASSERT_TRUE(program.Running());
    EXPECT_TRUE(IsWindowVisible(box.window));

    ClickDialogButton(box.window, IDOK);
    ASSERT_TRUE(program.WaitUntilUp()) << "after the answer, start-up goes on";
    ExpectOverlaysOver(program, {}); // with an empty list
    CloseHandle(lock);
    EXPECT_TRUE(program.Running());

    End();
    EXPECT_EQ(ReadBytes(file), Records(WorkedExample));
}

TEST_F(Startup, AReadOnlyDefectFileLoadsWithoutAMessage) {
    WriteBytes(file, Records(WorkedExample));
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    Start();
    EXPECT_FALSE(WaitForMessageBox(program, nullptr, 1s).window);
    End();
    EXPECT_EQ(ReadBytes(file), Records(WorkedExample));
}

TEST_F(Startup, ADirectoryNamedLikeTheDefectFileCountsAsNoFile) {
    ASSERT_TRUE(CreateDirectoryW(file.c_str(), nullptr));
    Start();
    EXPECT_FALSE(WaitForMessageBox(program, nullptr, 1s).window);
}

TEST_F(Startup, AtOneHundredFiftyPercentOverlaysAreStillOnePhysicalPixelAndFormsScale) {
    TLogPixels dpi(144);
    Start(WorkedExample);
    ExpectOverlaysOver(program, {{100, 200}, {1023, 0}});
    // The setup window's 399 x 355 design, scaled by 1.5 (rounded to nearest).
    RECT client{};
    GetClientRect(program.Window(L"TFHaupt"), &client);
    EXPECT_EQ(client.right, 599);
    EXPECT_EQ(client.bottom, 533);
}

// A damaged or hand-made file may hold any coordinates. Defects far off the screen, at the ends
// of the range, and further apart than an int can measure, beside one on the screen: the
// program ticks on without an error and conceals the one it can.
TEST_F(Startup, CoordinatesAtTheEndsOfTheRangeTickWithoutAnError) {
    Start({{INT32_MIN, 300, RedOn},
           {INT32_MAX, 300, RedOn},
           {500, 300, RedOn},
           {-1500000000, 301, RedOn},
           {1000000000, 301, RedOn},
           {INT32_MAX, INT32_MIN, RedOn},
           {INT32_MIN, INT32_MAX, RedOn}});
    EXPECT_FALSE(WaitForMessageBox(program, nullptr, 2s).window)
        << "some 16 ticks without an error";
    EXPECT_TRUE(program.Running());
    int overAt500 = 0;
    for (HWND overlay : program.WindowsOfClass(L"TPixForm")) {
        RECT r;
        GetWindowRect(overlay, &r);
        overAt500 += IsWindowVisible(overlay) && r.left == 500 && r.top == 300;
    }
    EXPECT_EQ(overAt500, 1);
}

// Started from a folder in the temporary folder, as from inside a zip file, the program keeps its
// defects in the user's folder: it takes the file beside it along once, saves there, says where in
// its about box, and leaves the file beside the exe as it was.
TEST_F(Startup, FromTheTemporaryFolderTheDefectsLiveInTheUsersFolderTakenAlongOnce) {
    const std::wstring userFolder = UserDataFolder(), userFile = userFolder + L"Glimmora.pix";
    ASSERT_FALSE(userFolder.empty());
    RemoveTree(userFolder);
    TTempFolder unpacked; // in %TEMP%
    const std::wstring beside = unpacked.File(L"Glimmora.pix");
    WriteBytes(beside, Records(WorkedExample));

    program.Launch(unpacked);
    ASSERT_TRUE(program.WaitUntilUp());
    ExpectOverlaysOver(program, {{100, 200}, {1023, 0}});
    EXPECT_EQ(ReadBytes(userFile), Records(WorkedExample));

    // The first entry deleted: saved in the user's folder only.
    ASSERT_TRUE(setup = OpenSetup(program));
    HWND list = ControlOfClass(setup, L"ListBox");
    ClickListLine(list, 0);
    ASSERT_TRUE(WaitFor([&] { return SendMessageW(list, LB_GETCURSEL, 0, 0) == 0; }, 5s));
    ClickControl(setup, L"Einzelnen Eintrag löschen");
    EXPECT_TRUE(WaitFor([&] { return ReadBytes(userFile) == Records({WorkedExample[1]}); }, 5s));
    EXPECT_EQ(ReadBytes(beside), Records(WorkedExample));

    ChooseFromTrayMenu(program, L"Info");
    HWND about = WaitForVisibleWindow(program, L"TAboutBox");
    ASSERT_TRUE(about);
    EXPECT_EQ(TextOf(ControlOfClass(about, L"Edit")), userFolder);

    // A second start finds its list in the user's folder and copies nothing again.
    End();
    program.Launch(unpacked);
    ASSERT_TRUE(program.WaitUntilUp());
    ExpectOverlaysOver(program, {{1023, 0}});
    End();
    EXPECT_EQ(ReadBytes(userFile), Records({WorkedExample[1]}));
    RemoveTree(userFolder);
}

// A second start on the same data file (a shortcut in the autostart folder, then a double click)
// hands over: the running program shows its setup window, and the second ends, touching nothing.
TEST_F(Startup, ASecondStartOnTheSameFileShowsTheRunningProgramsSetupAndEnds) {
    Start(WorkedExample);
    TGlimmora second;
    second.Launch(folder);
    ASSERT_TRUE(second.WaitForExit(20s));
    EXPECT_EQ(second.ExitCode(), 0u);
    HWND shown = WaitForVisibleWindow(program, L"TFHaupt");
    ASSERT_TRUE(shown);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == shown; }, 5s));
    ExpectOverlaysOver(program, {{100, 200}, {1023, 0}});
    End();
    EXPECT_EQ(ReadBytes(file), Records(WorkedExample));
}

// The panel file beside the list never stands in the way of the defects: damaged or foreign, it
// binds nothing and each defect is concealed at its coordinates. A binding to a panel that is
// not connected keeps its defect hidden, says so in the list, and is kept when the list is saved.
TEST_F(Startup, ThePanelFileNeverStandsInTheWayAndKeepsBindingsToPanelsNotConnected) {
    const std::wstring panels = folder.File(L"Glimmora.panels");
    const std::string elsewhere = "\\\\?\\DISPLAY#Elsewhere#0000#{0}";
    const struct {
        const char* what;
        std::string text;
        bool shown;
        const wchar_t* note;
    } files[] = {
        {"damaged", "Glimmora.panels 1\r\n0 100 200 17 1D8D\r\n\x01\x02\xFF", true, L""},
        {"foreign", "something else entirely", true, L""},
        {"a panel not connected",
         "Glimmora.panels 1\r\n0 100 200 17 0000 0000 00000000 0x0 - 100,200 1024x768 0 0 " +
             elsewhere + "\r\n",
         false, L" (Bildschirm nicht angeschlossen)"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.what);
        WriteBytes(panels, std::vector<std::uint8_t>(f.text.begin(), f.text.end()));
        StartWithSetup({WorkedExample[0]});
        EXPECT_TRUE(
            WaitFor([&] { return CountVisible(program, L"TPixForm") == (f.shown ? 1 : 0); }, 5s));
        EXPECT_EQ(OverlayAt(program, 100, 200) != nullptr, f.shown);
        EXPECT_EQ(ListBoxLines(ControlOfClass(setup, L"ListBox")),
                  std::vector<std::wstring>{L"1.Pixel:  100 x 200 rot=an  grün=aus " +
                                            std::wstring(f.note)});
        // An empty capture saves the list, and with it the bindings.
        ClickControl(setup, L"Pixelfehler definieren");
        HWND capture = WaitForVisibleWindow(program, L"TFBack");
        ASSERT_TRUE(capture);
        PressKey(VK_ESCAPE);
        ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(capture); }, 5s));
        std::string text;
        EXPECT_TRUE(WaitFor(
            [&] {
                const auto saved = ReadBytes(panels);
                text.assign(saved.begin(), saved.end());
                return text.starts_with("Glimmora.panels 1\r\n0 100 200 17 ");
            },
            5s))
            << text;
        EXPECT_EQ(text.find(elsewhere) != std::string::npos, !f.shown) << text;
        End();
    }
}

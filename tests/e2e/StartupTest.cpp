// Start-up and shutdown as a user meets them: no window, no task-bar button, the defect file
// read and never written, file errors reported in the program's message box.
#include <gtest/gtest.h>

#include "tests/e2e/Driver.h"

namespace {

const wchar_t* const FormClasses[] = {L"TApplication", L"TForm1",     L"TFHaupt",  L"TFBack",
                                      L"TAboutBox",    L"TFAusBla",   L"TFAnleit", L"TFAusWhi",
                                      L"TUeber",       L"TFReparatur"};

// 25 overlays exist, owned by the application window; exactly one per defect is shown, one
// physical pixel in size, at the defect.
void ExpectOverlaysOver(const TGlimmora& program, const std::vector<POINT>& defects) {
    std::vector<HWND> overlays = program.WindowsOfClass(L"TPixForm");
    EXPECT_EQ(overlays.size(), 25u);
    std::vector<RECT> shown;
    for (HWND overlay : overlays) {
        EXPECT_EQ(GetWindow(overlay, GW_OWNER), program.Window(L"TApplication"));
        EXPECT_TRUE(GetWindowLongPtrW(overlay, GWL_EXSTYLE) & WS_EX_TOPMOST);
        if (IsWindowVisible(overlay)) {
            RECT r;
            GetWindowRect(overlay, &r);
            shown.push_back(r);
        }
    }
    ASSERT_EQ(shown.size(), defects.size());
    for (POINT defect : defects) {
        bool covered = false;
        for (RECT r : shown)
            covered |= r.left == defect.x && r.top == defect.y && r.right == defect.x + 1 &&
                       r.bottom == defect.y + 1;
        EXPECT_TRUE(covered) << defect.x << "," << defect.y;
    }
}

} // namespace

TEST(Startup, CreatesEveryWindowShowsOnlyOverlaysAndEndsCleanlyWhenTheMainWindowCloses) {
    TTempFolder folder;
    WriteBytes(folder.File(L"Glimmora.pix"), Records(WorkedExample));
    TGlimmora program(folder);
    ASSERT_TRUE(program.WaitUntilUp());

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
    EXPECT_FALSE(WaitForMessageBox(program, 300ms).window) << "a good file loads silently";

    program.Close();
    EXPECT_TRUE(program.WaitForExit(2s));
    EXPECT_EQ(ReadBytes(folder.File(L"Glimmora.pix")), Records(WorkedExample))
        << "the file is never written at exit";
}

TEST(Startup, WithoutADefectFileNothingIsShownAndNoFileIsCreated) {
    TTempFolder folder;
    TGlimmora program(folder);
    ASSERT_TRUE(program.WaitUntilUp());
    EXPECT_FALSE(WaitForMessageBox(program, 300ms).window);
    program.Close();
    EXPECT_TRUE(program.WaitForExit(2s));
    EXPECT_EQ(GetFileAttributesW(folder.File(L"Glimmora.pix").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Startup, ALockedDefectFileIsReportedWithItsOwnErrorAndTheProgramRunsOn) {
    TTempFolder folder;
    std::wstring path = folder.File(L"Glimmora.pix");
    WriteBytes(path, Records(WorkedExample));
    // Another program holds the file without sharing it.
    HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    TGlimmora program(folder);
    TMessageBox box = WaitForMessageBox(program, 20s);
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

    ClickButton(box.window, nullptr);
    ASSERT_TRUE(program.WaitUntilUp()) << "after the answer, start-up goes on";
    ExpectOverlaysOver(program, {}); // with an empty list
    CloseHandle(lock);
    EXPECT_TRUE(program.Running());

    program.Close();
    EXPECT_TRUE(program.WaitForExit(2s));
    EXPECT_EQ(ReadBytes(path), Records(WorkedExample));
}

TEST(Startup, AReadOnlyDefectFileLoadsWithoutAMessage) {
    TTempFolder folder;
    std::wstring path = folder.File(L"Glimmora.pix");
    WriteBytes(path, Records(WorkedExample));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);

    TGlimmora program(folder);
    ASSERT_TRUE(program.WaitUntilUp());
    EXPECT_FALSE(WaitForMessageBox(program, 1s).window);
    program.Close();
    EXPECT_TRUE(program.WaitForExit(2s));
    EXPECT_EQ(ReadBytes(path), Records(WorkedExample));
}

TEST(Startup, ADirectoryNamedLikeTheDefectFileCountsAsNoFile) {
    TTempFolder folder;
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"Glimmora.pix").c_str(), nullptr));
    TGlimmora program(folder);
    ASSERT_TRUE(program.WaitUntilUp());
    EXPECT_FALSE(WaitForMessageBox(program, 1s).window);
    program.Close();
    EXPECT_TRUE(program.WaitForExit(2s));
}

TEST(Startup, AtOneHundredFiftyPercentOverlaysAreStillOnePhysicalPixelAndFormsScale) {
    TTempFolder folder;
    WriteBytes(folder.File(L"Glimmora.pix"), Records(WorkedExample));
    TLogPixels dpi(144);
    TGlimmora program(folder);
    ASSERT_TRUE(program.WaitUntilUp());
    ExpectOverlaysOver(program, {{100, 200}, {1023, 0}});
    // The setup window's 399 x 355 design, scaled by 1.5 (rounded to nearest).
    RECT client{};
    GetClientRect(program.Window(L"TFHaupt"), &client);
    EXPECT_EQ(client.right, 599);
    EXPECT_EQ(client.bottom, 533);
    program.Close();
    EXPECT_TRUE(program.WaitForExit(2s));
}

// A damaged or hand-made file may hold any coordinates. Defects far off the screen, at the ends
// of the range, and further apart than an int can measure, beside one on the screen: the
// program ticks on without an error and conceals the one it can.
TEST(Startup, CoordinatesAtTheEndsOfTheRangeTickWithoutAnError) {
    TTempFolder folder;
    WriteBytes(folder.File(L"Glimmora.pix"), Records({{INT32_MIN, 300, RedOn},
                                                      {INT32_MAX, 300, RedOn},
                                                      {500, 300, RedOn},
                                                      {-1500000000, 301, RedOn},
                                                      {1000000000, 301, RedOn},
                                                      {INT32_MAX, INT32_MIN, RedOn},
                                                      {INT32_MIN, INT32_MAX, RedOn}}));
    TGlimmora program(folder);
    ASSERT_TRUE(program.WaitUntilUp());
    EXPECT_FALSE(WaitForMessageBox(program, 2s).window) << "some 16 ticks without an error";
    EXPECT_TRUE(program.Running());
    int overAt500 = 0;
    for (HWND overlay : program.WindowsOfClass(L"TPixForm")) {
        RECT r;
        GetWindowRect(overlay, &r);
        overAt500 += IsWindowVisible(overlay) && r.left == 500 && r.top == 300;
    }
    EXPECT_EQ(overAt500, 1);
    program.Close();
    EXPECT_TRUE(program.WaitForExit(2s));
}

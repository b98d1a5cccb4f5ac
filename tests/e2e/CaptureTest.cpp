// Marking defects and editing the list as a user does it: real clicks and key presses on the
// capture screen, the colour choosers and the setup window; then what the user can check: the
// list, the defect file, the overlays over the defects and the colours on the screen.
#include <cstdio>
#include <functional>
#include <optional>

#include "engine/ColorSolver.h"
#include "store/DefectList.h"
#include "tests/e2e/ProgramTest.h"
#include "tests/windows/ScreenPattern.h"

namespace {

// The swatch colours, 0x00BBGGRR.
constexpr COLORREF Blue = 0xFF0000, Lime = 0x00FF00, Red = 0x0000FF, Aqua = 0xFFFF00,
                   Yellow = 0x00FFFF;

// A point of the capture screen that no chooser, message box or test pattern covers.
constexpr POINT Probe{990, 40};

std::string Show(COLORREF color) {
    char text[16];
    snprintf(text, sizeof text, "%06lX", static_cast<unsigned long>(color));
    return text;
}

bool ScreenShows(POINT at, COLORREF color, std::chrono::milliseconds limit = 5s) {
    return WaitFor([&] { return ScreenColor(at.x, at.y) == color; }, limit);
}

// The panels of a chooser: the frame around the swatches, and the swatches.
std::vector<HWND> Panels(HWND chooser) {
    std::vector<HWND> panels;
    for (HWND child = GetWindow(chooser, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassNameOf(child) == L"TPanel")
            panels.push_back(child);
    return panels;
}

RECT ScreenRect(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

// The centre of the swatch that shows `color` on the screen, once the chooser is drawn.
std::optional<POINT> SwatchCentre(HWND chooser, COLORREF color) {
    POINT swatch{};
    bool found = WaitFor(
        [&] {
            for (HWND panel : Panels(chooser)) {
                RECT r = ScreenRect(panel);
                // The frame is far wider than one swatch.
                if (r.right - r.left > 100)
                    continue;
                swatch = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
                if (ScreenColor(swatch.x, swatch.y) == color)
                    return true;
            }
            return false;
        },
        5s);
    if (!found)
        return std::nullopt;
    return swatch;
}

// Clicks the swatch of a chooser that shows `color` on the screen.
void ClickSwatch(HWND chooser, COLORREF color) {
    std::optional<POINT> swatch = SwatchCentre(chooser, color);
    if (!swatch) {
        ADD_FAILURE() << "no swatch shows " << Show(color);
        return;
    }
    ClickAt(swatch->x, swatch->y);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(chooser); }, 5s))
        << "a swatch click closes the chooser";
}

bool WaitUntilClosed(HWND window) {
    return WaitFor([&] { return !IsWindowVisible(window); }, 5s);
}

// Another program holds the file without sharing it.
HANDLE HoldFile(const std::wstring& file) {
    return CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

class Capture : public TProgramTest {
protected:
    // Picks a colour in the chooser that a click has just opened.
    void Choose(const wchar_t* chooserClass, COLORREF color) {
        HWND chooser = WaitForVisibleWindow(program, chooserClass);
        ASSERT_TRUE(chooser) << Utf8(chooserClass) << " did not open";
        ClickSwatch(chooser, color);
    }
    // "Pixelfehler definieren": returns the capture screen once it covers the screen in `phase`.
    HWND StartCapture(COLORREF phase = 0x000000) {
        ClickControl(setup, L"Pixelfehler definieren");
        HWND capture = WaitForVisibleWindow(program, L"TFBack");
        EXPECT_TRUE(capture);
        EXPECT_TRUE(ScreenShows(Probe, phase)) << Show(ScreenColor(Probe.x, Probe.y));
        // Keys go to the capture screen once it is the foreground window.
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == capture; }, 5s));
        return capture;
    }
    // A capture that marks (200, 150) red on black and ends with Esc.
    void MarkRedAndLeave() {
        HWND capture = StartCapture();
        ClickAt(200, 150);
        Choose(L"TFAusBla", Red);
        PressKey(VK_ESCAPE);
        EXPECT_TRUE(WaitUntilClosed(capture));
    }
    // The error box of a save that another program's hold refused, answered.
    void AnswerTheFailedSave() {
        TMessageBox error = WaitForMessageBox(program, L"Glimmora 2.0");
        ASSERT_TRUE(error.window);
        EXPECT_EQ(error.text, L"I/O error 32.");
        ClickDialogButton(error.window, IDOK);
        EXPECT_TRUE(WaitUntilClosed(error.window));
    }
    // "Einzelnen Eintrag löschen" on the second line.
    void DeleteSecond() {
        HWND list = ControlOfClass(setup, L"ListBox");
        ClickListLine(list, 1);
        ASSERT_TRUE(WaitFor([&] { return SendMessageW(list, LB_GETCURSEL, 0, 0) == 1; }, 5s));
        ClickControl(setup, L"Einzelnen Eintrag löschen");
    }
    // "Alle Einträge löschen", answered yes.
    void DeleteAll() {
        ClickControl(setup, L"Alle Einträge löschen");
        TMessageBox box =
            WaitForMessageBox(program, L"Wollen Sie wirklich alle Einträge aus der Liste löschen?");
        ASSERT_TRUE(box.window);
        ClickDialogButton(box.window, IDYES);
    }
    std::vector<std::wstring> Lines() const {
        return ListBoxLines(ControlOfClass(setup, L"ListBox"));
    }
    // Saved: these defects in the file, once the save is done.
    bool Saved(const std::vector<TDefectPixel>& defects) const {
        return WaitFor([&] { return ReadBytes(file) == Records(defects); }, 5s);
    }
};

} // namespace

TEST_F(Capture, OneDefectMarkedOnBlackAndWhiteIsSavedListedAndConcealedAlsoAfterARestart) {
    // A known picture around the defect, clear of the centred windows, so that the concealing
    // colour can be worked out.
    RECT area{120, 70, 280, 230};
    const COLORREF backdrop = 0x3C78B4; // red 180, green 120, blue 60
    TScreenPattern background(area, TScreenPattern::Uniform(area, backdrop));
    // Red lit on black, and red dark on white (aqua): the dark state wins.
    const COLORREF concealing = ColorValue(SolveColor(SplitColor(backdrop), RedOn | RedOff));

    StartWithSetup();
    EXPECT_TRUE(Lines().empty());
    EXPECT_TRUE(Shown(setup, L"Keine Pixelfehler"));

    HWND capture = StartCapture();
    EXPECT_EQ(CountVisible(program, L"TFHaupt"), 1) << "the setup window stays open below";
    ClickAt(200, 150);
    Choose(L"TFAusBla", Red);
    EXPECT_TRUE(IsWindowVisible(capture));
    ClickAt(600, 650, true);
    EXPECT_TRUE(ScreenShows(Probe, 0xFFFFFF)) << "a right click turns the screen white";
    ClickAt(200, 150);
    Choose(L"TFAusWhi", Aqua);
    EXPECT_TRUE(IsWindowVisible(capture));
    ClickAt(600, 650, true);
    ASSERT_TRUE(WaitUntilClosed(capture)) << "a second right click ends the capture";

    // Setting the look is the command's last step.
    EXPECT_TRUE(WaitFor([&] { return TextOf(setup) == L"Glimmora 2.0 - AKTIV"; }, 5s));
    EXPECT_EQ(ReadBytes(file),
              (std::vector<std::uint8_t>{0xC8, 0x00, 0x00, 0x00, 0x96, 0x00, 0x00, 0x00, 0x09}));
    EXPECT_EQ(Lines(), std::vector<std::wstring>{L"1.Pixel:  200 x 150 rot=an  "});
    EXPECT_TRUE(Shown(setup, L"Fehlerbehebung ausschalten"));
    EXPECT_FALSE(Shown(setup, L"Keine Pixelfehler"));
    EXPECT_FALSE(Shown(setup, L"Fehlerbehebung einschalten"));
    EXPECT_TRUE(IsWindowEnabled(Control(setup, L"Alle Einträge löschen")));

    background.WaitPainted();
    auto expectConcealed = [&] {
        EXPECT_TRUE(OverlayAt(program, 200, 150));
        EXPECT_TRUE(ScreenShows({200, 150}, concealing))
            << Show(ScreenColor(200, 150)) << " instead of " << Show(concealing);
    };
    expectConcealed();
    EXPECT_EQ(ScreenColor(201, 150), backdrop) << "one pixel is covered, not more";
    ClickControl(setup, L"Beenden");
    ASSERT_TRUE(program.WaitForExit(10s));
    Start();
    SCOPED_TRACE("after a restart");
    expectConcealed();
}

TEST_F(Capture, ArrowKeysAndSpaceMarkThePixelAtTheCursorAndEscOnWhiteReopensWhite) {
    StartWithSetup();
    HWND capture = StartCapture();
    // Each arrow moves the cursor by one pixel; Space marks the pixel under it.
    struct TStep {
        WORD key;
        POINT to;
    };
    auto walk = [](POINT from, std::initializer_list<TStep> steps) {
        MoveMouse(from.x, from.y);
        for (const TStep& step : steps) {
            PressKey(step.key);
            EXPECT_TRUE(WaitForCursor(step.to.x, step.to.y)) << step.to.x << "," << step.to.y;
        }
    };
    walk({300, 200}, {{VK_RIGHT, {301, 200}}, {VK_DOWN, {301, 201}}, {VK_DOWN, {301, 202}}});
    PressKey(VK_SPACE);
    Choose(L"TFAusBla", Lime);

    ClickAt(600, 650, true);
    ASSERT_TRUE(ScreenShows(Probe, 0xFFFFFF));
    // On white, Space on the pixel just marked adds its dark channels to the same entry...
    MoveMouse(301, 202);
    PressKey(VK_SPACE);
    Choose(L"TFAusWhi", Yellow);
    // ...and on a new pixel makes a new entry.
    walk({301, 202}, {{VK_LEFT, {300, 202}}, {VK_UP, {300, 201}}});
    PressKey(VK_SPACE);
    Choose(L"TFAusWhi", Blue);

    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitUntilClosed(capture));
    const std::vector<TDefectPixel> saved = {{301, 202, GreenOn | BlueOff},
                                             {300, 201, RedOff | GreenOff}};
    EXPECT_TRUE(Saved(saved));
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"1.Pixel:  301 x 202 grün=an blau=aus ",
                                                  L"2.Pixel:  300 x 201 rot=aus  grün=aus "}));

    // Left with Esc while white, the capture screen opens white the next time.
    capture = StartCapture(0xFFFFFF);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitUntilClosed(capture));
    // Saved again, with the same bytes; the overlays come back once the save is done.
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == 2; }, 5s));
    EXPECT_EQ(ReadBytes(file), Records(saved));
}

// On white, R, G and B show the screen in one colour, where a sub-pixel of that colour that stays
// dark is a black dot. The chooser has the swatch without that channel ready, so Enter marks it;
// W brings white back.
TEST_F(Capture, OnRedGreenAndBlueEnterMarksThatChannelDark) {
    StartWithSetup();
    HWND capture = StartCapture();
    ClickAt(600, 650, true);
    ASSERT_TRUE(ScreenShows(Probe, 0xFFFFFF));
    const struct {
        const char* key;
        COLORREF background;
        const wchar_t* swatch;
        TDefectPixel marked;
    } backgrounds[] = {
        {"r", Red, L"Türkis", {300, 200, RedOff}},
        {"g", Lime, L"Violett", {310, 210, GreenOff}},
        {"b", Blue, L"Gelb", {320, 220, BlueOff}},
    };
    std::vector<TDefectPixel> marked;
    for (const auto& b : backgrounds) {
        SCOPED_TRACE(b.key);
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == capture; }, 5s));
        XKeys(b.key);
        EXPECT_TRUE(ScreenShows(Probe, b.background)) << Show(ScreenColor(Probe.x, Probe.y));
        ClickAt(b.marked.X, b.marked.Y);
        HWND chooser = WaitForVisibleWindow(program, L"TFAusWhi");
        ASSERT_TRUE(chooser);
        EXPECT_TRUE(FocusOn(program, b.swatch)) << Utf8(FocusName(program));
        XKeys("Return");
        EXPECT_TRUE(WaitUntilClosed(chooser));
        marked.push_back(b.marked);
    }
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == capture; }, 5s));
    XKeys("w");
    EXPECT_TRUE(ScreenShows(Probe, 0xFFFFFF));
    ClickAt(600, 650, true);
    ASSERT_TRUE(WaitUntilClosed(capture));
    EXPECT_TRUE(Saved(marked));
}

TEST_F(Capture, AFullListTakesNoNewPixelButStillMarksARecordedOneOnWhite) {
    std::vector<TDefectPixel> defects;
    for (int i = 0; i < MaxDefects; ++i)
        defects.push_back({40 + 30 * i, 600, RedOn});
    StartWithSetup(defects);
    std::vector<std::wstring> lines = Lines();
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines.back(), L"25.Pixel:  760 x 600 rot=an  ");

    // On black, the click closes the screen at once, without a chooser.
    HWND capture = StartCapture();
    ClickAt(500, 100);
    EXPECT_TRUE(WaitUntilClosed(capture));
    EXPECT_EQ(CountVisible(program, L"TFAusBla"), 0);
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == 25; }, 5s));
    EXPECT_EQ(ReadBytes(file), Records(defects));

    // On white, a recorded pixel still gets its dark channels; a new one is asked for and then
    // dropped, and the screen closes.
    capture = StartCapture();
    ClickAt(600, 650, true);
    ASSERT_TRUE(ScreenShows(Probe, 0xFFFFFF));
    ClickAt(40, 600);
    Choose(L"TFAusWhi", Red);
    EXPECT_TRUE(IsWindowVisible(capture));
    ClickAt(500, 100);
    Choose(L"TFAusWhi", Red);
    EXPECT_TRUE(WaitUntilClosed(capture));
    defects[0].Flags |= GreenOff | BlueOff;
    EXPECT_TRUE(Saved(defects));
    EXPECT_EQ(Lines().front(), L"1.Pixel:  40 x 600 rot=an  grün=aus blau=aus ");
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == 25; }, 5s));
}

TEST_F(Capture, DeletingTheSecondOfThreeEntriesMovesTheThirdOntoTheSecondOverlay) {
    const std::vector<TDefectPixel> defects = {
        {100, 100, RedOn}, {150, 120, GreenOn}, {180, 140, BlueOn}};
    StartWithSetup(defects);
    HWND list = ControlOfClass(setup, L"ListBox");
    const std::vector<std::wstring> before = Lines();
    ASSERT_EQ(before.size(), 3u);
    HWND first = OverlayAt(program, 100, 100), second = OverlayAt(program, 150, 120),
         third = OverlayAt(program, 180, 140);
    ASSERT_TRUE(first && second && third);

    // Nothing selected: nothing happens.
    ClickControl(setup, L"Einzelnen Eintrag löschen");
    Sleep(500);
    EXPECT_EQ(Lines(), before);
    EXPECT_EQ(ReadBytes(file), Records(defects));

    ClickListLine(list, 1);
    ASSERT_TRUE(WaitFor([&] { return SendMessageW(list, LB_GETCURSEL, 0, 0) == 1; }, 5s));
    ClickControl(setup, L"Einzelnen Eintrag löschen");
    EXPECT_TRUE(WaitFor([&] { return Lines().size() == 2; }, 5s));
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"1.Pixel:  100 x 100 rot=an  ",
                                                  L"2.Pixel:  180 x 140 blau=an "}));
    EXPECT_TRUE(Saved({defects[0], defects[2]}));
    EXPECT_TRUE(WaitFor([&] { return OverlayAt(program, 180, 140) == second; }, 5s))
        << "overlay i belongs to entry i";
    EXPECT_EQ(OverlayAt(program, 100, 100), first);
    EXPECT_FALSE(IsWindowVisible(third));
    EXPECT_EQ(CountVisible(program, L"TPixForm"), 2);
    EXPECT_EQ(TextOf(setup), L"Glimmora 2.0 - AKTIV");
    EXPECT_TRUE(IsWindowEnabled(Control(setup, L"Einzelnen Eintrag löschen")));
}

TEST_F(Capture, DeletingAllEntriesAsksFirstAndLeavesAnEmptyFile) {
    StartWithSetup(WorkedExample);
    const std::vector<std::wstring> before = Lines();
    ASSERT_EQ(before.size(), 2u);
    const wchar_t question[] = L"Wollen Sie wirklich alle Einträge aus der Liste löschen?";

    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "answered yes" : "answered no");
        ClickControl(setup, L"Alle Einträge löschen");
        TMessageBox box = WaitForMessageBox(program, question);
        ASSERT_TRUE(box.window);
        EXPECT_EQ(box.text, question);
        EXPECT_EQ(GetWindow(box.window, GW_OWNER), nullptr);
        // (Whether it stays on top is not checked: Wine's message boxes ignore that flag.)
        EXPECT_TRUE(IsWindowEnabled(setup)) << "the question has no owner to disable";
        ClickDialogButton(box.window, answer);
        if (answer == IDNO) {
            EXPECT_TRUE(WaitUntilClosed(box.window));
            Sleep(300);
            EXPECT_EQ(Lines(), before);
            EXPECT_EQ(ReadBytes(file), Records(WorkedExample));
            EXPECT_EQ(CountVisible(program, L"TPixForm"), 2);
            EXPECT_EQ(TextOf(setup), L"Glimmora 2.0 - AKTIV");
            continue;
        }
        TMessageBox done = WaitForMessageBox(program, L"Liste gelöscht");
        ASSERT_TRUE(done.window);
        EXPECT_EQ(done.text, L"Alle Einträge gelöscht!\r\nBitte auf \"Pixelfehler definieren\" "
                             L"klicken um neue Subpixelfehler zu bestimmen.");
        EXPECT_EQ(GetWindow(done.window, GW_OWNER), setup);
        // By the time the user reads it, the list is gone everywhere.
        EXPECT_TRUE(ReadBytes(file).empty());
        EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES) << "0 bytes, not gone";
        EXPECT_EQ(CountVisible(program, L"TPixForm"), 0);
        EXPECT_TRUE(Lines().empty());
        ClickDialogButton(done.window, IDOK);
        EXPECT_TRUE(WaitUntilClosed(done.window));
    }
    EXPECT_TRUE(WaitFor([&] { return TextOf(setup) == L"Glimmora 2.0 - NICHT AKTIV"; }, 5s));
    EXPECT_TRUE(Shown(setup, L"Keine Pixelfehler"));
    EXPECT_FALSE(Shown(setup, L"Fehlerbehebung einschalten"));
    EXPECT_FALSE(Shown(setup, L"Fehlerbehebung ausschalten"));
    EXPECT_FALSE(IsWindowEnabled(Control(setup, L"Alle Einträge löschen")));
    EXPECT_FALSE(IsWindowEnabled(Control(setup, L"Einzelnen Eintrag löschen")));

    // With nothing to switch, the tray's double click leaves the empty look alone.
    DoubleClickTrayIcon();
    Sleep(800);
    EXPECT_EQ(TextOf(setup), L"Glimmora 2.0 - NICHT AKTIV");
    EXPECT_TRUE(Shown(setup, L"Keine Pixelfehler"));
    EXPECT_FALSE(Shown(setup, L"Fehlerbehebung einschalten"));
}

// A save that another program's hold refuses is reported once the command has done the rest: the
// list in memory is concealed at its entries' pixels, the ticks follow the picture, the look is
// set, and the file is as it was until the next command saves the whole list.
TEST_F(Capture, AFailedSaveIsReportedAndTheChangedListIsConcealedAllTheSame) {
    RECT area{60, 100, 260, 250};
    const COLORREF first = 0x5A5A5A, second = 0x646464;
    TScreenPattern background(area, TScreenPattern::Uniform(area, first));
    auto concealing = [](COLORREF around, std::uint8_t flags) {
        return ColorValue(SolveColor(SplitColor(around), flags));
    };
    // Dark enough that the one free channel (blue) is not driven to its end: the two pictures
    // give two different concealing colours.
    ASSERT_NE(concealing(first, 0x11), concealing(second, 0x11));

    const TDefectPixel marked{200, 150, RedOn};
    const struct {
        const char* command;
        std::function<void()> act;
        std::vector<TDefectPixel> list;
    } commands[] = {
        {"a capture", [this] { MarkRedAndLeave(); }, {WorkedExample[0], WorkedExample[1], marked}},
        {"deleting one", [this] { DeleteSecond(); }, {WorkedExample[0]}},
        {"deleting all", [this] { DeleteAll(); }, {}},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.command);
        background.Repaint(TScreenPattern::Uniform(area, first));
        StartWithSetup(WorkedExample);
        HANDLE lock = HoldFile(file);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        c.act();
        AnswerTheFailedSave();

        EXPECT_EQ(Lines().size(), c.list.size());
        EXPECT_TRUE(
            WaitFor([&] { return CountVisible(program, L"TPixForm") == int(c.list.size()); }, 5s));
        for (const TDefectPixel& d : c.list)
            EXPECT_TRUE(OverlayAt(program, d.X, d.Y)) << d.X << "," << d.Y;
        EXPECT_EQ(TextOf(setup),
                  c.list.empty() ? L"Glimmora 2.0 - NICHT AKTIV" : L"Glimmora 2.0 - AKTIV");
        EXPECT_EQ(WaitForMessageBox(program, L"Liste gelöscht", 300ms).window, nullptr)
            << "nothing was deleted from the file";
        background.Repaint(TScreenPattern::Uniform(area, second));
        background.WaitPainted();
        if (!c.list.empty()) {
            EXPECT_TRUE(ScreenShows({100, 200}, concealing(second, 0x11)))
                << Show(ScreenColor(100, 200)) << ": the ticks do not follow the picture";
        }
        CloseHandle(lock);
        EXPECT_EQ(ReadBytes(file), Records(WorkedExample)) << "the failed save left the file alone";
        EXPECT_EQ(GetFileAttributesW((file + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES)
            << "and nothing beside it";
        HWND capture = StartCapture();
        PressKey(VK_ESCAPE);
        EXPECT_TRUE(WaitUntilClosed(capture));
        EXPECT_TRUE(Saved(c.list)) << "the next command saves the whole list";
        End();
    }
}

// An editor or an indexer holds the file open, sharing it for reading and writing: the save
// goes into the file, and the command ends as after any save.
TEST_F(Capture, ASaveBesideAProgramThatSharesTheFileSucceeds) {
    StartWithSetup(WorkedExample);
    HANDLE holder =
        CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    MarkRedAndLeave();
    const std::vector<TDefectPixel> saved = {WorkedExample[0], WorkedExample[1], {200, 150, RedOn}};
    EXPECT_TRUE(Saved(saved));
    // The steps after the save ran: the overlays are back.
    EXPECT_TRUE(WaitFor([&] { return OverlayAt(program, 200, 150) != nullptr; }, 5s));
    EXPECT_FALSE(WaitForMessageBox(program, nullptr, 500ms).window) << "no error was reported";
    CloseHandle(holder);
    EXPECT_EQ(ReadBytes(file), Records(saved));
    EXPECT_EQ(GetFileAttributesW((file + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The chooser opens on the press of the click that marks a pixel, centred on the screen. The
// release of that click must not choose the swatch it falls on, and neither must a press beside
// the swatches that ends on one: only a press and a release on the same swatch choose it.
TEST_F(Capture, OnlyAPressAndAReleaseOnTheSameSwatchChooseIt) {
    StartWithSetup();
    HWND capture = StartCapture();

    // Where the chooser shows its red swatch; it opens there every time.
    ClickAt(100, 100);
    HWND chooser = WaitForVisibleWindow(program, L"TFAusBla");
    ASSERT_TRUE(chooser);
    const std::optional<POINT> red = SwatchCentre(chooser, Red);
    ASSERT_TRUE(red);
    RECT frame{};
    for (HWND panel : Panels(chooser))
        if (RECT r = ScreenRect(panel); r.right - r.left > 100)
            frame = r;
    ASSERT_GT(frame.right, frame.left);
    ClickSwatch(chooser, Red);

    // A defect under the red swatch: the chooser opens under the button, still held down.
    PressAt(red->x, red->y);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(chooser); }, 5s));
    ASSERT_TRUE(ScreenShows(*red, Red));
    ReleaseAt(red->x, red->y);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(chooser)) << "the release of the marking click chose red";

    // Pressed on the frame's edge, released on the swatch.
    PressAt(frame.left + 2, frame.top + 2);
    ReleaseAt(red->x, red->y);
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(chooser)) << "a press beside the swatches chose red";

    ClickSwatch(chooser, Lime);
    ClickAt(600, 650, true);
    ASSERT_TRUE(ScreenShows(Probe, 0xFFFFFF));
    ClickAt(600, 650, true);
    EXPECT_TRUE(WaitUntilClosed(capture));
    EXPECT_TRUE(Saved({{100, 100, RedOn}, {red->x, red->y, GreenOn}}));
}

// The whole program worked with the keyboard alone, the keys coming through the X server as a
// person's do: the tray menu, the setup window, the instructions, the switch, a capture on black
// and white with both choosers, and the about box.
#include "store/DefectList.h"
#include "tests/e2e/ProgramTest.h"

namespace {

class Keyboard : public TProgramTest {};

// Arrow keys, each moving the cursor by exactly one pixel. (Each press waits for its move: under
// Wine a pointer event still on its way can undo a move made just before it, and on a busy
// machine the key is pressed once more when the cursor has not moved at all.)
void ExpectArrowMoves(std::initializer_list<std::pair<const char*, POINT>> moves) {
    for (const auto& [key, step] : moves) {
        POINT cursor{};
        GetCursorPos(&cursor);
        const auto moved = [&] { return WaitForCursor(cursor.x + step.x, cursor.y + step.y, 3s); };
        XKeys(key);
        if (moved())
            continue;
        POINT now{};
        GetCursorPos(&now);
        if (now.x == cursor.x && now.y == cursor.y)
            XKeys(key);
        EXPECT_TRUE(moved()) << key;
    }
}

} // namespace

TEST_F(Keyboard, EverythingTheProgramOffersWorksWithTheKeyboardAlone) {
    Start({WorkedExample[0]});

    // "Setup" is the third item of the menu that the keyboard selection of the icon opens.
    ChooseFromTrayMenuByKeys(program, 3);
    setup = WaitForVisibleWindow(program, L"TFHaupt");
    ASSERT_TRUE(setup);
    EXPECT_TRUE(WaitFor([&] { return ClassNameOf(FocusedWindow(program)) == L"ListBox"; }, 5s))
        << "the list has the focus when the window opens, not " << Utf8(FocusName(program));
    ExpectTabStopsNamed(setup);

    // The instructions: page 2 and back, by Space and by Enter; Esc closes them.
    XKeys("Tab Tab Tab Tab Tab");
    EXPECT_TRUE(FocusOn(program, L"Anleitung")) << Utf8(FocusName(program));
    XKeys("Return");
    HWND instructions = WaitForVisibleWindow(program, L"TFAnleit");
    ASSERT_TRUE(instructions);
    ExpectTabStopsNamed(instructions);
    EXPECT_TRUE(FocusOn(program, L"Schließen")) << Utf8(FocusName(program));
    XKeys("Tab");
    EXPECT_TRUE(FocusOn(program, L"Nächste >>")) << Utf8(FocusName(program));
    XKeys("space");
    EXPECT_TRUE(WaitFor([&] { return Shown(instructions, L"<< Zurück"); }, 5s));
    EXPECT_TRUE(FocusOn(program, L"<< Zurück")) << "the link that took its place has the focus";
    XKeys("Return");
    EXPECT_TRUE(WaitFor([&] { return Shown(instructions, L"Nächste >>"); }, 5s));
    EXPECT_TRUE(FocusOn(program, L"Nächste >>")) << Utf8(FocusName(program));
    XKeys("Escape");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(instructions); }, 5s));
    EXPECT_TRUE(FocusOn(program, L"Anleitung")) << "the focus comes back where it was";

    // The picture button, the last tab stop: Space pauses, Enter resumes.
    XKeys("Tab Tab");
    EXPECT_TRUE(FocusOn(program, L"Fehlerbehebung ausschalten")) << Utf8(FocusName(program));
    XKeys("space");
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == 0; }, 5s));
    EXPECT_TRUE(FocusOn(program, L"Fehlerbehebung einschalten")) << Utf8(FocusName(program));
    XKeys("Return");
    EXPECT_TRUE(WaitFor([&] { return CountVisible(program, L"TPixForm") == 1; }, 5s));
    EXPECT_EQ(TextOf(setup), L"Glimmora 2.0 - AKTIV");

    // A capture: the cursor moved with the arrows, marked with Space, the colours chosen with
    // the arrows and Enter on black, with a digit on white; Shift+F10 turns and ends the screen.
    XKeys("Tab Tab");
    EXPECT_TRUE(FocusOn(program, L"Pixelfehler definieren")) << Utf8(FocusName(program));
    XDo("mousemove 300 300");
    XKeys("space");
    HWND capture = WaitForVisibleWindow(program, L"TFBack");
    ASSERT_TRUE(capture);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == capture; }, 5s));
    EXPECT_TRUE(WaitForCursor(300, 300, 3s));
    ExpectArrowMoves({{"Right", {1, 0}},
                      {"Right", {1, 0}},
                      {"Down", {0, 1}},
                      {"Right", {1, 0}},
                      {"Up", {0, -1}},
                      {"Down", {0, 1}}});
    XKeys("space");
    HWND black = WaitForVisibleWindow(program, L"TFAusBla");
    ASSERT_TRUE(black);
    ExpectTabStopsNamed(black);
    EXPECT_TRUE(FocusOn(program, L"Blau")) << Utf8(FocusName(program));
    XKeys("Right Right");
    EXPECT_TRUE(FocusOn(program, L"Rot")) << Utf8(FocusName(program));
    XKeys("Return");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(black); }, 5s));
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == capture; }, 5s))
        << "the capture screen has the keyboard again";
    XKeys("shift+F10");
    EXPECT_TRUE(WaitFor([&] { return ScreenColor(990, 40) == 0xFFFFFF; }, 5s));
    XKeys("space");
    HWND white = WaitForVisibleWindow(program, L"TFAusWhi");
    ASSERT_TRUE(white);
    XKeys("4"); // aqua: red stays dark
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(white); }, 5s));
    XKeys("shift+F10");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(capture); }, 5s));
    const auto expected = Records({WorkedExample[0], {303, 301, RedOn | RedOff}});
    EXPECT_TRUE(WaitFor([&] { return ReadBytes(file) == expected; }, 5s))
        << testing::PrintToString(ReadBytes(file));
    EXPECT_TRUE(FocusOn(program, L"Pixelfehler definieren")) << Utf8(FocusName(program));

    // The about box, the first item of the menu: OK has the focus, Esc closes it.
    ChooseFromTrayMenuByKeys(program, 1);
    HWND about = WaitForVisibleWindow(program, L"TAboutBox");
    ASSERT_TRUE(about);
    ExpectTabStopsNamed(about);
    EXPECT_TRUE(FocusOn(program, L"OK")) << Utf8(FocusName(program));
    XKeys("Escape");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(about); }, 5s));
}

// A key held down acts in the window where it went down: its repeats do not close the window that
// comes to the front when the first press has closed another.
TEST_F(Keyboard, AHeldKeyActsOnlyWhereItWentDown) {
    StartWithSetup();
    const auto holdEscape = [] { HoldKey("Escape", 3); };

    // The instructions answer Enter with "Schließen"; Esc held closes them, not the setup window.
    ClickControl(setup, L"Anleitung");
    HWND instructions = WaitForVisibleWindow(program, L"TFAnleit");
    ASSERT_TRUE(instructions);
    XKeys("Return");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(instructions); }, 5s));
    ClickControl(setup, L"Anleitung");
    ASSERT_TRUE(WaitForVisibleWindow(program, L"TFAnleit"));
    holdEscape();
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(instructions); }, 5s));
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(setup)) << "the repeats of Esc closed the setup window too";

    // Esc held in a colour chooser closes the chooser, and the capture screen stays.
    ClickControl(setup, L"Pixelfehler definieren");
    HWND capture = WaitForVisibleWindow(program, L"TFBack");
    ASSERT_TRUE(capture);
    XDo("mousemove 300 300 click 1");
    HWND chooser = WaitForVisibleWindow(program, L"TFAusBla");
    ASSERT_TRUE(chooser);
    holdEscape();
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(chooser); }, 5s));
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(capture)) << "the repeats of Esc closed the capture screen too";
    XKeys("Escape");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(capture); }, 5s));
}

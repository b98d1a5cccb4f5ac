// What the end-to-end tests share: a folder of their own for each test, the program started
// there, and at the end its exit through its own close path, which must come.
#pragma once

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/e2e/Driver.h"

class TProgramTest : public ::testing::Test {
protected:
    // Writes these defects to the program's file (none: the file is left as it is), then starts
    // the program; throws when it does not come up.
    void Start(const std::vector<TDefectPixel>& defects = {}) {
        if (!defects.empty())
            WriteBytes(file, Records(defects));
        program.Launch(folder);
        if (!program.WaitUntilUp())
            throw std::runtime_error("the program did not come up");
    }
    // Start, then "Setup" from the tray menu.
    void StartWithSetup(const std::vector<TDefectPixel>& defects = {}) {
        Start(defects);
        if (!(setup = OpenSetup(program)))
            throw std::runtime_error("the setup window did not open");
    }
    void End() {
        program.Close();
        EXPECT_TRUE(program.WaitForExit(exitLimit));
    }
    // A test stopped by a failure leaves the program to the driver, which kills it.
    void TearDown() override {
        if (program.Launched() && !HasFatalFailure())
            End();
    }

    // Outside the temporary folder, where the program would keep its files elsewhere.
    TTempFolder folder{L"glimmora", ProgramFolders()};
    const std::wstring file = folder.File(L"Glimmora.pix");
    TGlimmora program;
    HWND setup = nullptr;
    std::chrono::milliseconds exitLimit = 10s;
};

// Every control of `form` the user can reach with Tab has a name.
inline void ExpectTabStopsNamed(HWND form) {
    for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) &&
            ClassNameOf(child) != L"ListBox") { // a list is named by the label before it
            EXPECT_FALSE(TextOf(child).empty())
                << Utf8(ClassNameOf(form)) << " has a nameless " << Utf8(ClassNameOf(child));
        }
}

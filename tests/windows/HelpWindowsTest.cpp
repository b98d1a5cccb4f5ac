// The instructions window, the about box and the credits dialog under Wine, checked by what a user
// sees: which texts show, where the windows open, how the links react to the mouse and what they
// open.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "app/Product.h"
#include "help/Unit5.h"
#include "help/Unit8.h"
#include "help/Unit9.h"
#include "tests/support/DibSection.h"
#include "tests/windows/AppTest.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"

namespace {

// Stands in for the tray form: the first form is the main form, and closing that would end the
// program.
class TMainStub : public TForm {
public:
    TMainStub() : TForm(Definition()) {}

private:
    static TFormDefinition Definition() {
        TFormDefinition d;
        d.ClassName = L"THelpTestMain";
        d.ClientWidth = 100;
        d.ClientHeight = 100;
        return d;
    }
};
TMainStub* mainStub = nullptr;

class HelpWindows : public TAppTest {
protected:
    HelpWindows() : TAppTest(ApplicationTitle) {}
    void SetUp() override {
        TAppTest::SetUp();
        app.CreateForm(mainStub);
        app.CreateForm(AboutBox);
        app.CreateForm(FAnleit);
        app.CreateForm(Ueber);
        AboutBox->OpenLink = [this](const std::wstring& target) { opened.push_back(target); };
    }
    void TearDown() override {
        TAppTest::TearDown();
        EXPECT_TRUE(reports.empty()) << "an error reached the top-level handler";
    }

    // Runs `open`, which opens a modal loop, and `whileOpen` inside that loop, as a user acting on
    // the window would. Should `open` open no loop, `whileOpen` runs after it instead.
    void WhileModal(const std::function<void()>& open, std::function<void()> whileOpen) {
        std::atomic<bool> ran = false;
        std::thread worker([&] {
            app.Synchronize(
                nullptr, [](void* c) { (*static_cast<std::function<void()>*>(c))(); }, &whileOpen);
            ran = true;
        });
        open();
        while (!ran)
            PumpFor(std::chrono::milliseconds(10));
        worker.join();
    }
    int ShowModal(TForm& form, std::function<void()> whileOpen) {
        int result = mrNone;
        WhileModal([&] { result = form.ShowModal(); }, std::move(whileOpen));
        return result;
    }

    std::vector<std::wstring> opened;
};

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

// Every window inside the form, however deep.
std::vector<HWND> Controls(const TForm& form) {
    std::vector<HWND> controls;
    EnumChildWindows(
        form.Handle(),
        [](HWND child, LPARAM found) {
            reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&controls));
    return controls;
}

// The texts of the form's controls that a user can see.
std::vector<std::wstring> VisibleTexts(const TForm& form) {
    std::vector<std::wstring> texts;
    for (HWND control : Controls(form))
        if (IsWindowVisible(control) && !TextOf(control).empty())
            texts.push_back(TextOf(control));
    return Sorted(texts);
}

// The texts of these controls, as VisibleTexts lists them when exactly these show.
std::vector<std::wstring> TextsOf(std::initializer_list<const TControl*> controls) {
    std::vector<std::wstring> texts;
    for (const TControl* control : controls)
        texts.push_back(TextOf(control->Handle()));
    return Sorted(texts);
}

RECT RectIn(const TForm& form, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A window's client area as painted, in 0x00BBGGRR values row by row.
struct TShot {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    int Count(std::uint32_t color) const {
        return static_cast<int>(std::count(pixels.begin(), pixels.end(), color));
    }
    // Whether some row is `color` over at least 90 % of its width: an underline.
    bool HasLine(std::uint32_t color) const {
        for (int y = 0; y < height; ++y) {
            auto row = pixels.begin() + y * width;
            if (std::count(row, row + width, color) * 10 >= width * 9)
                return true;
        }
        return false;
    }
};

// Only what is pending gets painted first, so stale pixels left behind by a change show.
TShot Capture(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client;
    GetClientRect(window, &client);
    TShot shot{client.right, client.bottom, {}};
    TDibSection copy(shot.width, shot.height);
    HDC source = GetDC(window);
    copy.Copy(0, 0, source);
    ReleaseDC(window, source);
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            shot.pixels.push_back(copy.At(x, y));
    return shot;
}

// True when `upper` lies above `lower` in the z-order.
bool IsAbove(HWND upper, HWND lower) {
    for (HWND below = GetWindow(upper, GW_HWNDNEXT); below; below = GetWindow(below, GW_HWNDNEXT))
        if (below == lower)
            return true;
    return false;
}

void Click(HWND control) {
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageW(control, WM_LBUTTONUP, 0, 0);
}

} // namespace

TEST_F(HelpWindows, InstructionsKeepTheirPageAndPlaceBetweenOpenings) {
    // A page shows its frame with its text, its one link and "Schließen": nothing of the other
    // page, and nothing that leads to the empty third one.
    const std::vector<std::wstring> pageOne =
        TextsOf({&FAnleit->GroupBox1, &FAnleit->Label2, &FAnleit->Label4, &FAnleit->Button1});
    const std::vector<std::wstring> pageTwo =
        TextsOf({&FAnleit->GroupBox2, &FAnleit->Label1, &FAnleit->Label5, &FAnleit->Button1});
    int result = ShowModal(*FAnleit, [&] {
        EXPECT_EQ(FAnleit->Left(), (GetSystemMetrics(SM_CXSCREEN) - FAnleit->Width()) / 2);
        EXPECT_EQ(FAnleit->Top(), (GetSystemMetrics(SM_CYSCREEN) - FAnleit->Height()) / 2);
        EXPECT_EQ(VisibleTexts(*FAnleit), pageOne);
        Click(FAnleit->Label4.Handle());
        // Page 2 offers no way on: the empty third page stays out of reach.
        EXPECT_EQ(VisibleTexts(*FAnleit), pageTwo);
        FAnleit->SetBounds(40, 50, FAnleit->Width(), FAnleit->Height()); // the user moves it
        SendMessageW(FAnleit->Button1.Handle(), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_FALSE(FAnleit->Visible());

    // Reopened, and closed with the caption bar's close box this time.
    result = ShowModal(*FAnleit, [&] {
        EXPECT_EQ(VisibleTexts(*FAnleit), pageTwo);
        EXPECT_EQ(FAnleit->Left(), 40);
        EXPECT_EQ(FAnleit->Top(), 50);
        Click(FAnleit->Label5.Handle());
        EXPECT_EQ(VisibleTexts(*FAnleit), pageOne);
        PostMessageW(FAnleit->Handle(), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_FALSE(FAnleit->Visible());
}

TEST_F(HelpWindows, NextThenBackRestoresPageOnePixelForPixel) {
    ShowModal(*FAnleit, [&] {
        auto before = Capture(FAnleit->Handle()).pixels;
        Click(FAnleit->Label4.Handle());
        auto pageTwo = Capture(FAnleit->Handle()).pixels;
        Click(FAnleit->Label5.Handle());
        EXPECT_NE(pageTwo, before);
        EXPECT_TRUE(Capture(FAnleit->Handle()).pixels == before)
            << "page 1 looks different after a round trip";
        PostMessageW(FAnleit->Handle(), WM_CLOSE, 0, 0);
    });
}

// Nothing a window holds is cut off by its border.
TEST_F(HelpWindows, EveryControlLiesInsideItsWindow) {
    for (const TForm* form : std::initializer_list<const TForm*>{FAnleit, AboutBox, Ueber}) {
        RECT client, common;
        GetClientRect(form->Handle(), &client);
        for (HWND control : Controls(*form)) {
            RECT r = RectIn(*form, control);
            EXPECT_TRUE(UnionRect(&common, &r, &client) && EqualRect(&common, &client))
                << ToUtf8(form->Caption()) << ": " << ToUtf8(TextOf(control).substr(0, 20));
        }
    }
}

TEST_F(HelpWindows, TextsFitWhereTheyAreShown) {
    // Wrapped texts are not cut off at the bottom, and the credits end above the OK button that
    // reaches into their box.
    struct {
        TLabel* label;
        int bottomLimit; // client pixels of the label's form
    } boxes[] = {
        {&FAnleit->Label2, RectIn(*FAnleit, FAnleit->Label2.Handle()).bottom},
        {&FAnleit->Label1, RectIn(*FAnleit, FAnleit->Label1.Handle()).bottom},
        {&Ueber->Label12, RectIn(*Ueber, Ueber->Button1.Handle()).top},
    };
    for (const auto& b : boxes) {
        HWND window = b.label->Handle();
        RECT box = RectIn(b.label->Form(), window);
        RECT needed{0, 0, box.right - box.left, 0};
        HDC dc = GetDC(window);
        HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
        DrawTextW(dc, TextOf(window).c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
        SelectObject(dc, old);
        ReleaseDC(window, dc);
        EXPECT_LE(box.top + needed.bottom, b.bottomLimit) << TextOf(window).substr(0, 20);
    }

    // The about box's texts size themselves: each stays inside the panel's bevel, clear of the
    // others.
    RECT panel = RectIn(*AboutBox, AboutBox->Panel1.Handle());
    InflateRect(&panel, -2, -2);
    std::vector<RECT> placed;
    for (TLabel* label :
         {&AboutBox->ProductName, &AboutBox->Label10, &AboutBox->Label3, &AboutBox->Label1,
          &AboutBox->Label4, &AboutBox->Label2, &AboutBox->Label5, &AboutBox->Label7,
          &AboutBox->Label6, &AboutBox->Label8, &AboutBox->Label9}) {
        RECT r = RectIn(*AboutBox, label->Handle()), common;
        EXPECT_GT(r.right - r.left, 0) << TextOf(label->Handle());
        EXPECT_TRUE(UnionRect(&common, &r, &panel) && EqualRect(&common, &panel))
            << TextOf(label->Handle()) << " sticks out of the panel";
        for (const RECT& other : placed)
            EXPECT_FALSE(IntersectRect(&common, &r, &other)) << TextOf(label->Handle());
        placed.push_back(r);
    }
}

// The system's window-text colour, changed for one test: under the default scheme it is black,
// and a link that starts in it could not be told from one that starts black.
class TWindowTextColor {
public:
    explicit TWindowTextColor(COLORREF color) : previous_(GetSysColor(COLOR_WINDOWTEXT)) {
        Set(color);
    }
    ~TWindowTextColor() { Set(previous_); }
    TWindowTextColor(const TWindowTextColor&) = delete;
    TWindowTextColor& operator=(const TWindowTextColor&) = delete;

private:
    static void Set(COLORREF color) {
        const INT element = COLOR_WINDOWTEXT;
        SetSysColors(1, &element, &color);
    }
    COLORREF previous_;
};

TEST_F(HelpWindows, LinksLightUpUnderTheMouseAndOpenTheirTargets) {
    constexpr COLORREF windowText = 0x008000; // dark green: neither blue nor black
    TWindowTextColor scheme(windowText);
    ASSERT_EQ(GetSysColor(COLOR_WINDOWTEXT), windowText);
    AboutBox->Show();
    SetCursorPos(0, 0); // off the box: only the messages below move "the mouse"
    struct {
        TLabel* link;
        std::wstring target;
    } links[] = {
        {&AboutBox->Label7, L"mailto:info@glimmora.example"},
        {&AboutBox->Label6, std::wstring(L"mailto:") + SecondContactAddress},
        {&AboutBox->Label9, HomePageAddress},
    };
    for (const auto& l : links) {
        HWND window = l.link->Handle();
        SCOPED_TRACE(TextOf(window));
        // Plain text in `color` alone: no blue, no underline, none of the other plain colour.
        auto looksPlain = [&](std::uint32_t color, std::uint32_t other) {
            TShot shot = Capture(window);
            return shot.Count(clBlue) == 0 && shot.Count(color) > 0 && shot.Count(other) == 0 &&
                   !shot.HasLine(color);
        };
        EXPECT_TRUE(looksPlain(windowText, clBlack)) << "starts in the window-text colour";

        SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        TShot lit = Capture(window);
        EXPECT_TRUE(lit.HasLine(clBlue)) << "no blue underline under the mouse";
        EXPECT_EQ(lit.Count(clBlack) + lit.Count(windowText), 0);
        SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));

        SendMessageW(window, WM_MOUSELEAVE, 0, 0);
        EXPECT_TRUE(looksPlain(clBlack, windowText)) << "not plain black after the mouse left";
        app.ProcessMessages();

        // A click at the link reaches the link, not the panel under it.
        RECT r;
        GetWindowRect(window, &r);
        EXPECT_EQ(WindowFromPoint({(r.left + r.right) / 2, (r.top + r.bottom) / 2}), window);
        opened.clear();
        Click(window);
        EXPECT_EQ(opened, std::vector<std::wstring>{l.target});
    }
    EXPECT_TRUE(AboutBox->Visible());
}

TEST_F(HelpWindows, InfoTwiceKeepsOneAboutBoxThatReopensWhereItWasClosed) {
    AboutBox->Show();
    EXPECT_EQ(AboutBox->Left(), (GetSystemMetrics(SM_CXSCREEN) - AboutBox->Width()) / 2);
    AboutBox->SetBounds(30, 40, AboutBox->Width(), AboutBox->Height());
    mainStub->Show(); // something else comes to the front
    ASSERT_TRUE(IsAbove(mainStub->Handle(), AboutBox->Handle()));

    AboutBox->Show();
    EXPECT_EQ(GetActiveWindow(), AboutBox->Handle());
    EXPECT_TRUE(IsAbove(AboutBox->Handle(), mainStub->Handle())) << "the box is not raised";
    EXPECT_TRUE(AboutBox->Visible());

    SendMessageW(AboutBox->OKButton.Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(AboutBox->Visible());
    AboutBox->Show();
    EXPECT_EQ(AboutBox->Left(), 30);
    EXPECT_EQ(AboutBox->Top(), 40);
}

TEST_F(HelpWindows, CreditsOpenOverTheAboutBoxAtTheirPlaceAndOkClosesOnlyThem) {
    AboutBox->Show();
    bool ranInCredits = false;
    WhileModal(
        [] { SendMessageW(AboutBox->Button1.Handle(), BM_CLICK, 0, 0); },
        [&] {
            ranInCredits = Ueber->Visible();
            // At (723, 213), unless that would put part of it off this screen: then just
            // far enough in to be seen whole.
            RECT work{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            EXPECT_EQ(Ueber->Left(), std::min(723, static_cast<int>(work.right) - Ueber->Width()));
            EXPECT_EQ(Ueber->Top(), std::min(213, static_cast<int>(work.bottom) - Ueber->Height()));
            EXPECT_GE(Ueber->Left(), 0);
            EXPECT_FALSE(IsWindowEnabled(AboutBox->Handle()));
            SendMessageW(Ueber->Button1.Handle(), BM_CLICK, 0, 0);
        });
    EXPECT_TRUE(ranInCredits) << "the credits did not open modally";
    EXPECT_FALSE(Ueber->Visible());
    EXPECT_EQ(Ueber->ModalResult(), mrOk);
    EXPECT_TRUE(AboutBox->Visible());
    EXPECT_TRUE(IsWindowEnabled(AboutBox->Handle()));
}

// The window toolkit under Wine: components and their loading bracket, forms, modal loops,
// termination, the error guard and the main-thread hand-over.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/windows/AppTest.h"
#include "ui/Application.h"
#include "ui/Component.h"
#include "ui/Controls.h"
#include "ui/Dpi.h"
#include "ui/Exceptions.h"
#include "ui/Form.h"

namespace {

using namespace std::chrono_literals;

class Toolkit : public TAppTest {
protected:
    Toolkit() : TAppTest(L"Toolkit Test") {}
};

std::vector<std::string>* creationLog = nullptr;

class TRecorder : public TComponent {
public:
    TRecorder(TComponent* owner, std::string name) : TComponent(owner), name_(std::move(name)) {}
    void SetValue(int v) {
        if (Loading())
            loadedValue_ = v; // recorded only; applied in Loaded()
        else
            value = v;
    }
    int value = 0;

protected:
    void Loaded() override {
        if (creationLog)
            creationLog->push_back("Loaded " + name_ + (Loading() ? " (still loading)" : ""));
        value = loadedValue_;
    }

private:
    std::string name_;
    int loadedValue_ = 0;
};

TFormDefinition Definition(const wchar_t* className, TBorderStyle border = TBorderStyle::bsDialog) {
    TFormDefinition d;
    d.ClassName = className;
    d.Caption = className;
    d.BorderStyle = border;
    d.ClientWidth = 200;
    d.ClientHeight = 100;
    return d;
}

class TFirstForm : public TForm {
public:
    TFirstForm() : TForm(Definition(L"TFirstForm")), a(this, "a"), b(this, "b") {
        a.SetValue(1);
        b.SetValue(2);
        valueDuringDefinition = a.value;
    }
    TRecorder a;
    TRecorder b;
    int valueDuringDefinition = -1;
    int valueInFormCreate = -1;
    bool closed = false;
    int appMessages = 0;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_APP + 2) {
            ++appMessages;
            return 0;
        }
        return TForm::WndProc(message, wParam, lParam);
    }
    void FormCreate() override {
        if (creationLog)
            creationLog->push_back("FormCreate TFirstForm");
        valueInFormCreate = a.value;
    }
    void FormClose(TCloseAction&) override { closed = true; }
    void FormDestroy() override {
        if (creationLog)
            creationLog->push_back("FormDestroy TFirstForm");
    }
};

class TSecondForm : public TForm {
public:
    TSecondForm() : TForm(Definition(L"TSecondForm")) {}
    int shows = 0;
    bool visibleInFormShow = true;

protected:
    void FormCreate() override {
        if (creationLog)
            creationLog->push_back("FormCreate TSecondForm");
    }
    void FormShow() override {
        ++shows;
        visibleInFormShow = IsWindowVisible(Handle()) != FALSE;
    }
    void FormDestroy() override {
        if (creationLog)
            creationLog->push_back("FormDestroy TSecondForm");
    }
};

class TThrowingForm : public TForm {
public:
    TThrowingForm() : TForm(Definition(L"TThrowingForm")) {}
    bool afterThrow = false;

protected:
    void FormCreate() override { throw EInOutError(32); }
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_APP + 1)
            throw Exception(L"from a window procedure");
        return TForm::WndProc(message, wParam, lParam);
    }
};

TFirstForm* firstForm = nullptr;
TSecondForm* secondForm = nullptr;
TThrowingForm* throwingForm = nullptr;

std::wstring ClassNameOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

} // namespace

TEST_F(Toolkit, ApplicationWindowIsHiddenAndCarriesTheTitle) {
    ASSERT_TRUE(app.Handle());
    EXPECT_EQ(ClassNameOf(app.Handle()), L"TApplication");
    wchar_t text[64] = {};
    GetWindowTextW(app.Handle(), text, 64);
    EXPECT_STREQ(text, L"Toolkit Test");
    EXPECT_FALSE(IsWindowVisible(app.Handle()));
}

TEST_F(Toolkit, CreationRunsDefinitionThenLoadedThenFormCreateAndDestructionIsReversed) {
    std::vector<std::string> log;
    creationLog = &log;
    app.CreateForm(firstForm);
    app.CreateForm(secondForm);

    EXPECT_EQ(firstForm->valueDuringDefinition, 0) << "a stored property takes effect only "
                                                      "when loading ends";
    EXPECT_EQ(firstForm->valueInFormCreate, 1);
    EXPECT_EQ(firstForm->b.value, 2);
    EXPECT_EQ(app.MainForm(), firstForm);

    // Class, owner, visibility.
    for (TForm* form : {static_cast<TForm*>(firstForm), static_cast<TForm*>(secondForm)}) {
        EXPECT_EQ(ClassNameOf(form->Handle()), form->ClassName());
        EXPECT_EQ(GetWindow(form->Handle(), GW_OWNER), app.Handle());
        EXPECT_FALSE(form->Visible());
    }

    app.DestroyForms();
    creationLog = nullptr;
    EXPECT_EQ(firstForm, nullptr) << "the instance pointer is cleared";
    EXPECT_EQ(secondForm, nullptr);
    std::vector<std::string> expected = {"Loaded a",
                                         "Loaded b",
                                         "FormCreate TFirstForm",
                                         "FormCreate TSecondForm",
                                         "FormDestroy TSecondForm",
                                         "FormDestroy TFirstForm"};
    EXPECT_EQ(log, expected);
}

TEST_F(Toolkit, ErrorsInFormCreateAndWindowProceduresReachTheHandlerAndGoNoFurther) {
    app.CreateForm(throwingForm);
    ASSERT_NE(throwingForm, nullptr) << "creation goes on after the error";
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, L"I/O error 32");

    LRESULT result = SendMessageW(throwingForm->Handle(), WM_APP + 1, 0, 0);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].message, L"from a window procedure");
}

TEST_F(Toolkit, ShowRunsFormShowBeforeTheWindowIsVisibleAndCloseOnlyHides) {
    app.CreateForm(firstForm);
    app.CreateForm(secondForm);
    secondForm->Show();
    EXPECT_TRUE(secondForm->Visible());
    EXPECT_EQ(secondForm->shows, 1);
    EXPECT_FALSE(secondForm->visibleInFormShow);
    secondForm->SetVisible(true);
    EXPECT_EQ(secondForm->shows, 1) << "showing a visible form runs no FormShow";

    SendMessageW(secondForm->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(secondForm->Visible());
    EXPECT_FALSE(app.Terminated());
    app.ProcessMessages();
    EXPECT_FALSE(app.Terminated()) << "closing a form other than the main form only hides it";
    secondForm->Show();
    EXPECT_EQ(secondForm->shows, 2);
}

TEST_F(Toolkit, ClosingTheMainFormTerminatesAfterTheMessagesQueuedBeforeIt) {
    app.CreateForm(firstForm);
    PostMessageW(firstForm->Handle(), WM_APP + 2, 0, 0);
    PostMessageW(firstForm->Handle(), WM_APP + 2, 0, 0);
    SendMessageW(firstForm->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(firstForm->closed);
    EXPECT_FALSE(app.Terminated()) << "termination waits for the quit message";
    app.Run(); // returns once the quit message is taken
    EXPECT_TRUE(app.Terminated());
    EXPECT_EQ(firstForm->appMessages, 2);
}

TEST_F(Toolkit, FirstShowCentresOnThePrimaryScreenAndLaterShowsKeepThePosition) {
    class TCentred : public TForm {
    public:
        TCentred()
            : TForm([] {
                  TFormDefinition d = Definition(L"TCentred");
                  d.Position = TPosition::poScreenCenter;
                  return d;
              }()) {}
    };
    TCentred* form = nullptr;
    app.CreateForm(form);
    form->Show();
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(form->Left(), (screenWidth - form->Width()) / 2);
    EXPECT_EQ(form->Top(), (screenHeight - form->Height()) / 2);
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, form->Scale(200));
    EXPECT_EQ(client.bottom, form->Scale(100));

    form->Hide();
    form->SetLeft(10);
    form->SetTop(20);
    form->Show();
    EXPECT_EQ(form->Left(), 10);
    EXPECT_EQ(form->Top(), 20);
}

// A form that was laid out for its new monitor before it moved there gets the system's message
// as well, with a rectangle scaled from the new size: it must not scale twice.
TEST_F(Toolkit, ADpiChangeLaysTheFormOutOnceAtItsDesignSize) {
    // Without a frame: a message sent here does not change the DPI the system draws frames at.
    class TFrameless : public TForm {
    public:
        TFrameless() : TForm(Definition(L"TFrameless", TBorderStyle::bsNone)) {}
    };
    TFrameless* form = nullptr;
    app.CreateForm(form);
    form->SetBounds(50, 60, form->Width(), form->Height());
    const UINT now = static_cast<UINT>(form->Scale(96));
    const struct {
        UINT dpi;
        POINT suggestedAt, expectedAt;
    } cases[] = {{now, {10, 20}, {50, 60}}, {2 * now, {30, 40}, {30, 40}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        RECT suggested{c.suggestedAt.x, c.suggestedAt.y, c.suggestedAt.x + 2 * form->Width(),
                       c.suggestedAt.y + 2 * form->Height()};
        SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT client;
        GetClientRect(form->Handle(), &client);
        EXPECT_EQ(client.right, ScaleToDpi(200, c.dpi));
        EXPECT_EQ(client.bottom, ScaleToDpi(100, c.dpi));
        EXPECT_EQ(form->Left(), c.expectedAt.x);
        EXPECT_EQ(form->Top(), c.expectedAt.y);
    }
}

TEST_F(Toolkit, ShowModalDisablesTheOthersAndReturnsTheResult) {
    app.CreateForm(firstForm);
    app.CreateForm(secondForm);
    firstForm->Show();
    bool othersDisabled = false;
    std::thread worker([&] {
        // Runs inside the modal loop: the hand-over reaches it.
        app.Synchronize(
            nullptr,
            [](void* c) {
                auto* disabled = static_cast<bool*>(c);
                *disabled =
                    !IsWindowEnabled(firstForm->Handle()) && IsWindowEnabled(secondForm->Handle());
                secondForm->SetModalResult(mrOk);
            },
            &othersDisabled);
    });
    int result = secondForm->ShowModal();
    worker.join();
    EXPECT_EQ(result, mrOk);
    EXPECT_TRUE(othersDisabled);
    EXPECT_TRUE(IsWindowEnabled(firstForm->Handle()));
    EXPECT_FALSE(secondForm->Visible());
}

TEST_F(Toolkit, ClosingAModalFormCancelsItAndTerminationEndsTheModalLoop) {
    app.CreateForm(firstForm);
    app.CreateForm(secondForm);
    PostMessageW(secondForm->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(secondForm->ShowModal(), mrCancel);

    // The main form closes while a modal loop runs: the loop ends as if cancelled, and the code
    // after ShowModal runs before the main loop ends.
    PostMessageW(firstForm->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(secondForm->ShowModal(), mrCancel);
    EXPECT_TRUE(app.Terminated());
    EXPECT_FALSE(secondForm->Visible());
}

TEST_F(Toolkit, HandOverRunsInsideAMessageBoxAndAMenuLoop) {
    // A message box: the queued call finds it and confirms it.
    std::atomic<bool> ranInBox = false;
    std::thread boxWorker([&] {
        Sleep(200);
        app.Synchronize(
            nullptr,
            [](void* c) {
                HWND box = FindWindowW(L"#32770", L"Toolkit Test");
                *static_cast<std::atomic<bool>*>(c) = box != nullptr;
                if (box)
                    PostMessageW(box, WM_COMMAND, IDOK, 0);
            },
            &ranInBox);
    });
    app.ShowMessageBox(L"waiting", L"Toolkit Test", MB_OK);
    boxWorker.join();
    EXPECT_TRUE(ranInBox);

    // A pop-up menu's loop.
    app.CreateForm(firstForm);
    firstForm->Show();
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"Item");
    std::atomic<bool> ranInMenu = false;
    std::thread menuWorker([&] {
        Sleep(200);
        app.Synchronize(
            nullptr,
            [](void* c) {
                *static_cast<std::atomic<bool>*>(c) = true;
                EndMenu();
            },
            &ranInMenu);
    });
    SetForegroundWindow(firstForm->Handle());
    TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, firstForm->Handle(), nullptr);
    menuWorker.join();
    DestroyMenu(menu);
    EXPECT_TRUE(ranInMenu);
}

TEST_F(Toolkit, HandOverBlocksTheWorkerUntilTheCallHasRunOnTheMainThread) {
    DWORD mainThread = GetCurrentThreadId();
    struct TContext {
        DWORD mainThread;
        DWORD ranOn = 0;
        bool finished = false;
    } context{mainThread};
    std::atomic<bool> returned = false;
    std::thread worker([&] {
        bool ran = app.Synchronize(
            &context,
            [](void* c) {
                auto& ctx = *static_cast<TContext*>(c);
                ctx.ranOn = GetCurrentThreadId();
                ctx.finished = true;
            },
            &context);
        EXPECT_TRUE(ran);
        EXPECT_TRUE(context.finished) << "Synchronize returns only after the call";
        returned = true;
    });
    Sleep(100);
    EXPECT_FALSE(returned) << "nothing runs while the main thread handles no messages";
    EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_EQ(context.ranOn, mainThread);
}

TEST_F(Toolkit, QueuedCallsOfADestroyedOwnerAreDroppedAndTheirWorkersReleased) {
    int owner = 0, other = 0;
    std::atomic<int> ownerCalls = 0, otherCalls = 0;
    std::atomic<int> dropped = 0, ran = 0;
    auto count = [](void* c) { ++*static_cast<std::atomic<int>*>(c); };
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i) {
        workers.emplace_back(
            [&] { (app.Synchronize(&owner, count, &ownerCalls) ? ran : dropped)++; });
        workers.emplace_back(
            [&] { (app.Synchronize(&other, count, &otherCalls) ? ran : dropped)++; });
    }
    Sleep(300); // every worker has queued its call; the main thread handles nothing meanwhile
    app.RemoveQueuedCalls(&owner);
    EXPECT_TRUE(PumpUntil([&] { return ran + dropped == 8; }));
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(ownerCalls, 0) << "a dropped call never runs";
    EXPECT_EQ(otherCalls, 4);
    EXPECT_EQ(dropped, 4);
}

TEST_F(Toolkit, ErrorsInAHandedOverCallAreReportedAndTheWorkerGoesOn) {
    std::atomic<bool> returned = false;
    std::thread worker([&] {
        app.Synchronize(
            nullptr, [](void*) { throw Exception(L"tick failed"); }, nullptr);
        returned = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
    worker.join();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].message, L"tick failed");
}

TEST_F(Toolkit, SessionEndTerminatesTheLoops) {
    app.CreateForm(firstForm);
    EXPECT_EQ(SendMessageW(app.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageW(app.Handle(), WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(app.Terminated()) << "a cancelled session end changes nothing";
    SendMessageW(app.Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(app.Terminated());
    EXPECT_FALSE(firstForm->closed) << "the close handler does not run on this path";
    // The quit message it posted belongs to this test's application only.
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(ToolkitShutdown, AWorkerWaitingWhenTheApplicationEndsIsReleasedAndLaterCallsAreRefused) {
    auto app = std::make_unique<TApplication>();
    app->Initialize();
    TApplication* raw = app.get();
    std::atomic<int> calls = 0;
    auto count = [](void* c) { ++*static_cast<std::atomic<int>*>(c); };
    bool first = true, second = true;
    std::thread worker([&] {
        first = raw->Synchronize(nullptr, count, &calls);
        // By now the application object is gone or going: nothing may touch it but this
        // refusal, which the destructor guarantees before the object's memory goes away.
    });
    Sleep(200);
    app.reset();
    worker.join();
    EXPECT_FALSE(first);
    EXPECT_EQ(calls, 0);

    TApplication neverInitialized;
    std::thread late([&] { second = neverInitialized.Synchronize(nullptr, count, &calls); });
    late.join();
    EXPECT_FALSE(second) << "without an application window there is no one to run the call";
    EXPECT_EQ(calls, 0);
}

// A worker between its last check and its next hand-over when the application ends: the
// application waits until the worker has signed off, and the late hand-over is refused.
TEST(ToolkitShutdown, TheApplicationOutlivesEveryWorkerThatHasSignedOn) {
    auto app = std::make_unique<TApplication>();
    app->Initialize();
    TApplication* raw = app.get();
    raw->AttachWorker();
    std::atomic<bool> closing = false, signedOff = false;
    bool handedOver = true;
    std::thread worker([&] {
        while (!closing)
            Sleep(1);
        Sleep(100); // well inside the application's destructor by now
        handedOver = raw->Synchronize(
            nullptr, [](void*) {}, nullptr);
        signedOff = true;
        raw->DetachWorker();
    });
    closing = true;
    app.reset();
    EXPECT_TRUE(signedOff) << "the application went while a worker could still reach it";
    worker.join();
    EXPECT_FALSE(handedOver);
}

namespace {

void RealClick(POINT at) {
    // The press and the release carry the place themselves: under Wine the cursor moved by
    // SetCursorPos arrives only once the thread takes its messages again.
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[2]{};
    for (INPUT& i : input) {
        i.type = INPUT_MOUSE;
        i.mi.dx = static_cast<LONG>((at.x * 65535LL + width / 2) / (width - 1));
        i.mi.dy = static_cast<LONG>((at.y * 65535LL + height / 2) / (height - 1));
    }
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof input[0]);
}

void PostKey(HWND window, WORD key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

// One control of every kind that can be pressed, each counting its clicks.
class TPressForm : public TForm {
public:
    TPressForm()
        : TForm([] {
              TFormDefinition d = Definition(L"TPressForm");
              d.Left = 100;
              d.Top = 100;
              d.ClientWidth = 300;
              return d;
          }()),
          Button(*this, nullptr, {10, 10, 75, 25}, L"Button"),
          Picture(*this, nullptr, {90, 10, 40, 40}, L"Picture", nullptr),
          Link(*this, nullptr, {140, 10, 60, 13}, L"Link"),
          Swatch(*this, nullptr, {210, 10, 40, 30}, clBlue, TPanel::TBevel::None,
                 TPanel::TBevel::None, L"Swatch") {
        for (TControl* control : Controls())
            control->SetOnClick([this, control] { ++clicks[control]; });
    }
    TButton Button;
    TSpeedButton Picture;
    TLabel Link;
    TPanel Swatch;
    std::map<const TControl*, int> clicks;
};
TPressForm* pressForm = nullptr;

} // namespace

TEST_F(Toolkit, EveryPressableControlIsPressedOnceByTheMouseSpaceEnterAndBmClick) {
    app.CreateForm(pressForm);
    pressForm->Show();
    SetWindowPos(pressForm->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(pressForm->Handle());
    PumpFor(300ms);
    const struct {
        const char* how;
        void (*press)(TControl&);
    } inputs[] = {
        {"mouse",
         [](TControl& c) {
             RECT r;
             GetWindowRect(c.Handle(), &r);
             RealClick({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
         }},
        {"Space",
         [](TControl& c) {
             SetFocus(c.Handle());
             PostKey(c.Handle(), VK_SPACE);
         }},
        {"Enter",
         [](TControl& c) {
             SetFocus(c.Handle());
             PostKey(c.Handle(), VK_RETURN);
         }},
        {"BM_CLICK", [](TControl& c) { SendMessageW(c.Handle(), BM_CLICK, 0, 0); }},
    };
    for (TControl* control : pressForm->Controls()) {
        for (const auto& input : inputs) {
            SCOPED_TRACE(testing::Message() << ToUtf8(control->Text()) << " by " << input.how);
            int& clicks = pressForm->clicks[control];
            clicks = 0;
            input.press(*control);
            PumpUntil([&] { return clicks > 0; }, 5000ms);
            PumpFor(100ms); // a second click would come by now
            EXPECT_EQ(clicks, 1);
        }
    }
}

// --- The keyboard ----------------------------------------------------------------------------

namespace {

// A form as a dialog lays it out: a caption, a default button and another one, a link, and a
// second link in the first one's place, hidden.
class TKeysForm : public TForm {
public:
    TKeysForm()
        : TForm(Definition(L"TKeysForm")), Caption(*this, nullptr, {10, 10, 100, 13}, L"Caption"),
          Ok(*this, nullptr, {10, 30, 75, 25}, L"OK", true),
          Other(*this, nullptr, {90, 30, 75, 25}, L"Other"),
          Link(*this, nullptr, {10, 60, 60, 13}, L"Link"),
          Spare(*this, nullptr, {10, 60, 60, 13}, L"Spare") {
        Ok.ModalResult = mrOk;
        Ok.SetOnClick([this] { clicks += "ok "; });
        Other.SetOnClick([this] { clicks += "other "; });
        Link.SetOnClick([this] { clicks += "link "; });
        Spare.SetOnClick([this] { clicks += "spare "; });
        Spare.Hide();
    }
    TLabel Caption;
    TButton Ok, Other;
    TLabel Link, Spare;
    std::string clicks;
};

std::wstring FocusName() {
    wchar_t text[64] = {};
    GetWindowTextW(GetFocus(), text, 64);
    return text;
}

} // namespace

class ToolkitKeys : public Toolkit {
protected:
    void SetUp() override {
        Toolkit::SetUp();
        app.CreateForm(firstForm); // the main form
        for (TKeysForm*& form : forms)
            app.CreateForm(form);
    }
    void Settle() { PumpFor(100ms); }
    TKeysForm* forms[4] = {};
};

TEST_F(ToolkitKeys, ActivationFocusesTheFirstTabStopThenTheLastFocusedControl) {
    TKeysForm& form = *forms[0];
    form.Show();
    Settle();
    EXPECT_EQ(FocusName(), L"OK") << "the first tab stop, the caption is none";
    SetFocus(form.Link.Handle());
    forms[1]->Show();
    Settle();
    EXPECT_EQ(FocusName(), L"OK") << "the other form focuses its own first tab stop";
    form.Show();
    Settle();
    EXPECT_EQ(FocusName(), L"Link") << "back where it was";

    forms[2]->SetActiveControl(&forms[2]->Other);
    forms[2]->Show();
    Settle();
    EXPECT_EQ(FocusName(), L"Other") << "the first time, the active control";
}

TEST_F(ToolkitKeys, AFocusedControlThatGoesPassesTheFocusOn) {
    struct TCase {
        const char* what;
        TControl& (*focus)(TKeysForm&);
        void (*act)(TKeysForm&);
        const wchar_t* expected; // null: the form itself keeps the keyboard
    };
    const TCase cases[] = {
        {"hidden: the next tab stop", [](TKeysForm& f) -> TControl& { return f.Other; },
         [](TKeysForm& f) { f.Other.Hide(); }, L"Link"},
        {"hidden while another is shown", [](TKeysForm& f) -> TControl& { return f.Link; },
         [](TKeysForm& f) {
             f.Link.Hide();
             f.Spare.Show();
         },
         L"Spare"},
        {"disabled, wrapping round", [](TKeysForm& f) -> TControl& { return f.Link; },
         [](TKeysForm& f) { f.Link.SetEnabled(false); }, L"OK"},
        {"disabled and enabled again", [](TKeysForm& f) -> TControl& { return f.Ok; },
         [](TKeysForm& f) {
             f.Ok.SetEnabled(false);
             f.Other.SetEnabled(false);
             f.Other.SetEnabled(true);
             f.Ok.SetEnabled(true);
         },
         L"OK"},
        {"no tab stop left", [](TKeysForm& f) -> TControl& { return f.Ok; },
         [](TKeysForm& f) {
             f.Link.Hide();
             f.Other.SetEnabled(false);
             f.Ok.SetEnabled(false);
         },
         nullptr},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        TKeysForm& form = *forms[i % std::size(forms)];
        form.Show();
        Settle();
        SetFocus(cases[i].focus(form).Handle());
        cases[i].act(form);
        Settle();
        if (cases[i].expected)
            EXPECT_EQ(FocusName(), cases[i].expected);
        else
            EXPECT_EQ(GetFocus(), form.Handle());
        form.Hide();
    }
}

TEST_F(ToolkitKeys, EnterAndEscOnAModalFormWorkAsInADialog) {
    struct TCase {
        const char* what;
        TControl* (*focus)(TKeysForm&); // null: the form itself
        WORD key;
        std::string clicks;
        int result;
    };
    const TCase cases[] = {
        {"Enter on no push button: the default one", nullptr, VK_RETURN, "ok ", mrOk},
        {"Enter on another push button: that one",
         [](TKeysForm& f) -> TControl* { return &f.Other; }, VK_RETURN, "other ", mrCancel},
        {"Enter on a link: the link", [](TKeysForm& f) -> TControl* { return &f.Link; }, VK_RETURN,
         "link ", mrCancel},
        {"Space on a link: the link", [](TKeysForm& f) -> TControl* { return &f.Link; }, VK_SPACE,
         "link ", mrCancel},
        {"Esc: the close box", [](TKeysForm& f) -> TControl* { return &f.Ok; }, VK_ESCAPE, "",
         mrCancel},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        TKeysForm& form = *forms[0];
        form.clicks.clear();
        std::pair<TKeysForm*, const TCase*> context{&form, &c};
        std::atomic<bool> done = false;
        std::thread worker([&] {
            // Under Wine the activation comes back from the X server some time after the form
            // is shown, and puts the focus where the form remembers it: the key waits for that.
            for (int i = 0; i < 250 && GetForegroundWindow() != form.Handle(); ++i)
                Sleep(20);
            Sleep(100);
            app.Synchronize(
                nullptr,
                [](void* p) {
                    auto& [f, k] = *static_cast<std::pair<TKeysForm*, const TCase*>*>(p);
                    HWND target = k->focus ? k->focus(*f)->Handle() : f->Handle();
                    SetFocus(target);
                    PostKey(target, k->key);
                },
                &context);
            // The loop that runs the calls would take the next one before it takes the key
            // messages from the queue.
            Sleep(100);
            // A modal loop that the key did not end is ended here, as cancelled.
            app.Synchronize(
                nullptr,
                [](void* f) {
                    if (static_cast<TForm*>(f)->Modal())
                        static_cast<TForm*>(f)->Close();
                },
                &form);
            done = true;
        });
        EXPECT_EQ(form.ShowModal(), c.result);
        EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
        worker.join();
        EXPECT_EQ(form.clicks, c.clicks);
    }
}

// A key held down acts in the form where it went down. Whatever frees it (its release in any loop,
// another form activated once it is up) lets the next press act where it lands; a key still down
// does not.
TEST_F(ToolkitKeys, AKeyThatWentDownInOneFormActsInAnotherOnlyOnceFreed) {
    TKeysForm& a = *forms[0];
    TKeysForm& b = *forms[1];
    b.Show();
    a.Show();
    SetForegroundWindow(a.Handle());
    constexpr LPARAM Fresh = 1, Repeat = 1 | (1 << 30), Release = 0xC0000001;
    const auto post = [](TKeysForm& f, UINT message, LPARAM flags) {
        PostMessageW(f.Ok.Handle(), message, VK_RETURN, flags);
    };
    const struct {
        const char* what;
        std::function<void()> between;
        LPARAM next;
        const char* clicks;
    } cases[] = {
        {"released in the program's loop", [&] { post(a, WM_KEYUP, Release); }, Fresh, "ok "},
        {"released in another loop, as a message box's",
         [&] {
             INPUT up{};
             up.type = INPUT_KEYBOARD;
             up.ki.wVk = VK_RETURN;
             up.ki.dwFlags = KEYEVENTF_KEYUP;
             SendInput(1, &up, sizeof up);
             const auto end = std::chrono::steady_clock::now() + 300ms;
             for (MSG m; std::chrono::steady_clock::now() < end; Sleep(5))
                 while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
                     DispatchMessageW(&m);
         },
         Fresh, "ok "},
        {"another form activated once it was up", [&] { SetActiveWindow(b.Handle()); }, Fresh,
         "ok "},
        {"still down: its repeat", [] {}, Repeat, ""},
        {"still down, the repeat unmarked (as Wine sends it after a window closes)", [] {}, Fresh,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetActiveWindow(a.Handle());
        Settle();
        post(a, WM_KEYDOWN, Fresh);
        Settle();
        ASSERT_EQ(a.clicks, "ok ");
        c.between();
        Settle();
        b.clicks.clear();
        post(b, WM_KEYDOWN, c.next);
        Settle();
        EXPECT_EQ(b.clicks, c.clicks);
        post(b, WM_KEYUP, Release);
        a.clicks.clear();
    }
}

TEST_F(ToolkitKeys, UnderAHighContrastThemeFixedTextColoursBecomeTheSystemsOwn) {
    TKeysForm& form = *forms[0];
    form.Caption.SetFontColor(clBlack);
    form.Link.SetFontColor(clBlue);
    const int elements[] = {COLOR_BTNTEXT, COLOR_HOTLIGHT};
    const COLORREF saved[] = {GetSysColor(COLOR_BTNTEXT), GetSysColor(COLOR_HOTLIGHT)};
    const COLORREF distinct[] = {RGB(1, 2, 3), RGB(4, 5, 6)};
    ASSERT_TRUE(SetSysColors(2, elements, distinct));
    auto textColour = [&](const TLabel& label) {
        HDC dc = CreateCompatibleDC(nullptr);
        SendMessageW(form.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(label.Handle()));
        COLORREF colour = GetTextColor(dc);
        DeleteDC(dc);
        return colour;
    };
    EXPECT_EQ(textColour(form.Caption), RGB(0, 0, 0)) << "without the theme, as designed";
    EXPECT_EQ(textColour(form.Link), RGB(0, 0, 255));
    HighContrastOn = [] { return true; };
    EXPECT_EQ(textColour(form.Caption), distinct[0]);
    EXPECT_EQ(textColour(form.Link), distinct[1]) << "a link under the mouse: the hot-track colour";
    HighContrastOn = &SystemHighContrastOn;
    SetSysColors(2, elements, saved);
}

namespace {

// Two groups of radio buttons, the first in a frame, and a progress bar, each set up before the
// windows exist.
class TChoiceForm : public TForm {
public:
    TChoiceForm()
        : TForm(Definition(L"TChoiceForm")), Frame(*this, nullptr, {5, 5, 190, 40}, L"Frame"),
          A(*this, &Frame, {5, 15, 50, 17}, L"A"), B(*this, &Frame, {60, 15, 50, 17}, L"B"),
          C(*this, &Frame, {115, 15, 50, 17}, L"C"), D(*this, nullptr, {5, 50, 50, 17}, L"D"),
          E(*this, nullptr, {60, 50, 50, 17}, L"E"), Bar(*this, nullptr, {5, 75, 190, 15}, L"Bar") {
        B.JoinPreviousGroup();
        C.JoinPreviousGroup();
        E.JoinPreviousGroup();
        B.SetChecked(true);
        D.SetChecked(true);
        Bar.SetRange(0, 600);
        Bar.SetPosition(700);
    }
    TGroupBox Frame;
    TRadioButton A, B, C, D, E;
    TProgressBar Bar;
};
TChoiceForm* choiceForm = nullptr;

} // namespace

TEST_F(Toolkit, CheckingARadioButtonUnchecksOnlyItsGroupAndMakesItTheGroupsTabStop) {
    app.CreateForm(choiceForm);
    TChoiceForm& f = *choiceForm;
    auto state = [&] {
        std::string s;
        for (const TRadioButton* r : {&f.A, &f.B, &f.C, &f.D, &f.E})
            s += r->Checked()
                     ? (GetWindowLongPtrW(r->Handle(), GWL_STYLE) & WS_TABSTOP ? "X" : "x")
                     : (GetWindowLongPtrW(r->Handle(), GWL_STYLE) & WS_TABSTOP ? "T" : "-");
        return s;
    };
    EXPECT_EQ(state(), "-X-X-") << "as set before the windows were made";
    f.C.SetChecked(true);
    EXPECT_EQ(state(), "--XX-");
    SendMessageW(f.E.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(state(), "--X-X") << "a click, in the other group";
    EXPECT_EQ(SendMessageW(f.Bar.Handle(), PBM_GETRANGE, FALSE, 0), 600);
    EXPECT_EQ(SendMessageW(f.Bar.Handle(), PBM_GETPOS, 0, 0), 600) << "kept within its range";
}

// The thread base and the thread timer under Wine: workers and their ends, the tick rhythm with
// either kind of wait, hand-overs queued when a timer goes away, modal loops, and long runs that
// must leave no thread or handle behind. Time bounds are generous: the machine is shared and
// noisy. The due-time arithmetic has its own table among the native tests.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/ThreadTimer.h"
#include "tests/windows/AppTest.h"
#include "tests/windows/HandleCount.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"
#include "ui/OSError.h"
#include "ui/Thread.h"

// Counts allocations made on threads other than `allocationWatchThread` while it is set.
namespace {
std::atomic<DWORD> allocationWatchThread{0};
std::atomic<long> foreignAllocations{0};
} // namespace

void* operator new(std::size_t size) {
    DWORD watched = allocationWatchThread;
    if (watched && GetCurrentThreadId() != watched)
        ++foreignAllocations;
    if (void* p = HeapAlloc(GetProcessHeap(), 0, size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    if (p)
        HeapFree(GetProcessHeap(), 0, p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

long Ms(Clock::duration d) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

int ThreadCount() {
    TKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more;
         more = Thread32Next(snapshot.Get(), &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    return count;
}

// A handle of its own on a worker's thread: whether that very thread still runs, even after the
// worker object has freed itself.
class TThreadWatch {
public:
    explicit TThreadWatch(const TThread* thread) {
        HANDLE copy = nullptr;
        if (thread)
            DuplicateHandle(GetCurrentProcess(), thread->Handle(), GetCurrentProcess(), &copy, 0,
                            FALSE, DUPLICATE_SAME_ACCESS);
        handle_.Reset(copy);
    }
    bool Running() const { return WaitForSingleObject(handle_.Get(), 0) == WAIT_TIMEOUT; }
    // Waits without handling messages: the thread must end without help from the main thread.
    bool EndsWithin(DWORD ms) const {
        return WaitForSingleObject(handle_.Get(), ms) == WAIT_OBJECT_0;
    }
    DWORD Id() const { return GetThreadId(handle_.Get()); }
    int Priority() const { return GetThreadPriority(handle_.Get()); }

private:
    TKernelHandle handle_;
};

// The OnTimer handler: records every call; `during` lets a test act inside a tick.
struct TTickLog {
    void Tick(TComponent* sender) {
        senders.push_back(sender);
        starts.push_back(Clock::now());
        ++count;
        if (during)
            during(count);
        ends.push_back(Clock::now());
    }
    TNotifyEvent Handler() { return MakeNotifyEvent<&TTickLog::Tick>(this); }

    int count = 0;
    std::function<void(int)> during;
    std::vector<TComponent*> senders;
    std::vector<Clock::time_point> starts, ends;
};

// GoogleTest starts a thread of its own the first time a thread uses its per-thread state (as
// SCOPED_TRACE does); it is made to exist before any test takes a thread count.
class TWarmUp : public ::testing::Environment {
public:
    void SetUp() override { SCOPED_TRACE("warm-up"); }
};
const auto* const warmUp = ::testing::AddGlobalTestEnvironment(new TWarmUp);

class ThreadTimer : public TAppTest {
protected:
    ThreadTimer() : TAppTest(L"Thread Timer Test") {}
    void SetUp() override {
        TAppTest::SetUp();
        baselineThreads = ThreadCount();
    }
    // Released workers end on their own; none may outlive the application of its test.
    void TearDown() override {
        PumpUntil([&] { return ThreadCount() <= baselineThreads; }, 10s);
    }

    // A timer running with `interval` and the log's handler; the rest is set before it starts.
    std::unique_ptr<TThreadTimer> Running(TTickLog& log, std::uint32_t interval,
                                          bool keepAlive = false,
                                          TThreadPriority priority = tpNormal) {
        auto timer = std::make_unique<TThreadTimer>(nullptr);
        timer->SetKeepAlive(keepAlive);
        timer->SetPriority(priority);
        timer->SetInterval(interval);
        timer->SetOnTimer(log.Handler());
        timer->SetEnabled(true);
        return timer;
    }

    int baselineThreads = 0;
};

// --- The thread base -------------------------------------------------------------------------

class TProbe : public TThread {
public:
    explicit TProbe(std::function<void(TProbe&)> body = {}) : body_(std::move(body)) {}
    ~TProbe() override {
        if (destroyedOn)
            *destroyedOn = GetCurrentThreadId();
    }
    std::atomic<bool> ran{false};
    std::atomic<DWORD>* destroyedOn = nullptr;
    std::atomic<long> progress{0};

protected:
    void Execute() override {
        ran = true;
        if (body_)
            body_(*this);
    }

private:
    std::function<void(TProbe&)> body_;
};

TEST(Thread, TheBodyRunsOnlyOnceResumedAndANeverResumedThreadLeavesNothingBehind) {
    const int before = ThreadCount();
    {
        TProbe idle;
        Sleep(50);
        EXPECT_FALSE(idle.ran) << "created suspended";
        EXPECT_TRUE(idle.Suspended());
    }
    EXPECT_EQ(ThreadCount(), before) << "destroying an unstarted thread ends it";

    TProbe probe;
    probe.Resume();
    EXPECT_FALSE(probe.Suspended());
    probe.WaitFor();
    EXPECT_TRUE(probe.ran);
}

TEST(Thread, ASelfFreeingThreadIsDeletedOnItsOwnThreadAndNoExceptionLeavesABody) {
    // Exceptions stay in the thread: kept for a thread that is waited for, dropped otherwise.
    TProbe kept([](TProbe&) { throw EThread(L"body failed"); });
    kept.Resume();
    kept.WaitFor();
    ASSERT_TRUE(kept.FatalException());
    EXPECT_THROW(std::rethrow_exception(kept.FatalException()), EThread);

    std::atomic<DWORD> destroyedOn{0};
    auto* self = new TProbe([](TProbe&) { throw std::runtime_error("dropped"); });
    const DWORD id = self->ThreadId();
    self->destroyedOn = &destroyedOn;
    self->SetFreeOnTerminate(true);
    self->Resume();
    for (int i = 0; i < 500 && !destroyedOn; ++i)
        Sleep(10);
    EXPECT_EQ(destroyedOn, id);
}

TEST(Thread, SuspendAndResumeNestAndFailuresRaiseThreadErrors) {
    TProbe probe([](TProbe& self) {
        while (!self.StopRequested()) {
            ++self.progress;
            Sleep(1);
        }
    });
    probe.Resume();
    auto advances = [&] {
        long before = probe.progress;
        Sleep(100);
        return probe.progress != before;
    };
    EXPECT_TRUE(advances());
    probe.Suspend();
    probe.Suspend();
    probe.Resume();
    EXPECT_TRUE(probe.Suspended());
    EXPECT_FALSE(advances()) << "one resume lifts one of two suspensions";
    probe.Resume();
    EXPECT_TRUE(advances());

    // Once the thread has ended the system refuses to suspend it.
    std::unique_ptr<TProbe> ended = std::make_unique<TProbe>();
    ended->Resume();
    ended->WaitFor();
    try {
        ended->Suspend();
        GTEST_SKIP() << "this system suspends ended threads";
    } catch (const EThread& e) {
        // "Thread Error: <the system's text> (<code>)"
        const std::wstring& m = e.Message();
        const auto open = m.rfind(L" (");
        ASSERT_NE(open, std::wstring::npos) << e.what();
        const DWORD code = std::wcstoul(m.c_str() + open + 2, nullptr, 10);
        EXPECT_NE(code, 0u);
        EXPECT_EQ(m,
                  L"Thread Error: " + SystemErrorText(code) + L" (" + std::to_wstring(code) + L")");
        EXPECT_FALSE(ended->Suspended());
    }
}

// --- When a worker runs ----------------------------------------------------------------------

TEST_F(ThreadTimer, DefaultsAndNoWorkerWithoutIntervalOrHandler) {
    // Set up with `interval` and `handler`, then enabled or not; then, while it runs, given
    // `intervalAfter` and (unless `handlerAfter`) no handler.
    const struct {
        const char* name;
        std::uint32_t interval;
        bool handler, enable;
        std::uint32_t intervalAfter;
        bool handlerAfter;
    } cases[] = {
        {"a new timer given an interval and a handler only", 30, true, false, 30, true},
        {"interval 0", 0, true, true, 0, true},
        {"no handler", 30, false, true, 30, false},
        {"interval set to 0 while running", 300, true, true, 0, true},
        {"handler removed while running", 300, true, true, 300, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = ThreadCount();
        TTickLog log;
        TThreadTimer timer(nullptr);
        timer.SetInterval(c.interval);
        if (c.handler)
            timer.SetOnTimer(log.Handler());
        if (c.enable)
            timer.SetEnabled(true);
        timer.SetInterval(c.intervalAfter);
        if (!c.handlerAfter)
            timer.SetOnTimer({});
        EXPECT_EQ(timer.Enabled(), c.enable);
        EXPECT_EQ(timer.Worker(), nullptr);
        PumpFor(400ms);
        EXPECT_EQ(log.count, 0);
        EXPECT_LE(ThreadCount(), before);
    }
}

TEST_F(ThreadTimer, OnlyAChangedValueRestartsTheWorker) {
    TTickLog log, other;
    const struct {
        const char* name;
        std::function<void(TThreadTimer&)> assign;
        bool restarts;
        bool runsAfter;
    } cases[] = {
        {"Enabled := true", [](TThreadTimer& t) { t.SetEnabled(true); }, false, true},
        {"Interval := 300", [](TThreadTimer& t) { t.SetInterval(300); }, false, true},
        {"KeepAlive := false", [](TThreadTimer& t) { t.SetKeepAlive(false); }, false, true},
        {"OnTimer := the same handler", [&](TThreadTimer& t) { t.SetOnTimer(log.Handler()); },
         false, true},
        {"Priority := tpNormal", [](TThreadTimer& t) { t.SetPriority(tpNormal); }, false, true},
        {"Priority := tpHigher", [](TThreadTimer& t) { t.SetPriority(tpHigher); }, false, true},
        {"Interval := 301", [](TThreadTimer& t) { t.SetInterval(301); }, true, true},
        {"OnTimer := another handler", [&](TThreadTimer& t) { t.SetOnTimer(other.Handler()); },
         true, true},
        {"KeepAlive := true", [](TThreadTimer& t) { t.SetKeepAlive(true); }, true, true},
        {"Enabled := false", [](TThreadTimer& t) { t.SetEnabled(false); }, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto timer = Running(log, 300);
        TTimerThread* worker = timer->Worker();
        ASSERT_NE(worker, nullptr);
        TThreadWatch watch(worker);
        c.assign(*timer);
        if (c.restarts) {
            EXPECT_TRUE(PumpUntil([&] { return !watch.Running(); })) << "the old worker ends";
            ASSERT_EQ(timer->Worker() != nullptr, c.runsAfter);
            if (c.runsAfter) {
                EXPECT_NE(timer->Worker()->ThreadId(), watch.Id());
            }
        } else {
            PumpFor(100ms);
            EXPECT_EQ(timer->Worker(), worker);
            EXPECT_TRUE(watch.Running());
        }
    }
    EXPECT_EQ(log.count + other.count, 0) << "every worker was younger than its interval";
}

TEST_F(ThreadTimer, EnabledFromTheDefinitionTakesEffectWhenLoadingEnds) {
    const struct {
        const char* name;
        std::vector<bool> enabledInDefinition;
        bool runs;
    } cases[] = {{"Enabled = True", {true}, true},
                 {"Enabled omitted", {}, false},
                 {"True, then False", {true, false}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TTickLog log;
        TComponent form(nullptr);
        form.BeginLoading();
        TThreadTimer timer(&form); // created inside the definition: loads with it
        timer.SetInterval(50);
        timer.SetOnTimer(log.Handler());
        for (bool enabled : c.enabledInDefinition)
            timer.SetEnabled(enabled);
        EXPECT_FALSE(timer.Enabled()) << "reads the current state while loading";
        EXPECT_EQ(timer.Worker(), nullptr);
        form.EndLoading();
        EXPECT_EQ(timer.Enabled(), c.runs);
        EXPECT_EQ(timer.Worker() != nullptr, c.runs);
        if (c.runs) {
            EXPECT_TRUE(PumpUntil([&] { return log.count >= 2; }));
        }
    }
}

// --- Ticks -----------------------------------------------------------------------------------

TEST_F(ThreadTimer, TicksRunOnTheMainThreadWithTheTimerAsSender) {
    TTickLog log;
    DWORD ranOn = 0;
    log.during = [&](int) { ranOn = GetCurrentThreadId(); };
    auto timer = Running(log, 40);
    ASSERT_TRUE(PumpUntil([&] { return log.count >= 3; }));
    EXPECT_EQ(ranOn, GetCurrentThreadId());
    EXPECT_EQ(log.senders[0], timer.get());
}

TEST_F(ThreadTimer, ATickAlreadyHandedOverRunsOnceAfterDisablingAndNoneFollows) {
    {
        SCOPED_TRACE("disabled while a tick waits for the main thread");
        TTickLog log;
        auto timer = Running(log, 50);
        TThreadWatch watch(timer->Worker());
        Sleep(300); // the main thread handles nothing: the first tick is queued and waits
        timer->SetEnabled(false);
        EXPECT_EQ(log.count, 0) << "the late tick runs after the disabling call has returned";
        EXPECT_TRUE(PumpUntil([&] { return !watch.Running(); }));
        PumpFor(300ms);
        EXPECT_EQ(log.count, 1);
    }
    {
        SCOPED_TRACE("disabled inside a tick, and between ticks");
        TTickLog log;
        auto timer = Running(log, 50);
        log.during = [&](int) { timer->SetEnabled(false); };
        EXPECT_TRUE(PumpUntil([&] { return log.count == 1; }));
        PumpFor(300ms);
        EXPECT_EQ(log.count, 1);

        log.during = nullptr;
        timer->SetInterval(300);
        timer->SetEnabled(true);
        EXPECT_TRUE(PumpUntil([&] { return log.count == 2; }));
        timer->SetEnabled(false);
        PumpFor(700ms);
        EXPECT_EQ(log.count, 2);
    }
}

TEST_F(ThreadTimer, ARestartedTimerWaitsAFullIntervalForItsFirstTick) {
    TTickLog log;
    auto timer = Running(log, 300);
    ASSERT_TRUE(PumpUntil([&] { return log.count == 1; }));
    TThreadWatch old(timer->Worker());
    const auto restart = Clock::now();
    timer->SetEnabled(false);
    timer->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return log.count == 2; }));
    EXPECT_GE(Ms(log.starts[1] - restart), 280);
    EXPECT_FALSE(old.Running());
}

// Idle (nobody can see): no tick and no worker, whatever Enabled says; back from idle, a tick
// at once on the calling thread, then the rhythm. A disabled timer stays quiet on both counts.
TEST_F(ThreadTimer, AnIdleTimerTicksNotAtAllThenOnceAtOnce) {
    for (const bool enabled : {true, false}) {
        SCOPED_TRACE(enabled ? "enabled" : "disabled");
        TTickLog log;
        auto timer = Running(log, 200);
        timer->SetEnabled(enabled);
        timer->SetIdle(true);
        timer->SetIdle(true);
        EXPECT_EQ(timer->Worker(), nullptr);
        PumpFor(300ms);
        EXPECT_EQ(log.count, 0);
        EXPECT_EQ(timer->Enabled(), enabled);
        timer->SetIdle(false);
        EXPECT_EQ(log.count, enabled ? 1 : 0) << "the tick when idling ends";
        auto workerId = [&] { return timer->Worker() ? timer->Worker()->ThreadId() : 0; };
        const DWORD worker = workerId();
        timer->SetIdle(false);
        EXPECT_EQ(log.count, enabled ? 1 : 0) << "leaving idle again ticks no more";
        EXPECT_EQ(workerId(), worker) << "nor starts another worker";
        PumpFor(500ms);
        if (enabled)
            EXPECT_GT(log.count, 1);
        else
            EXPECT_EQ(log.count, 0);
    }
}

// Windows before 10 1803 refuses the high-resolution timer; the worker then waits with time-outs.
HANDLE WINAPI RefusingTimerMaker(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

TEST_F(ThreadTimer, SlowTicksKeepTheRhythmWithoutABurstOfMissedOnes) {
    for (const bool timedWaits : {false, true}) {
        SCOPED_TRACE(timedWaits ? "timed waits" : "high-resolution timer (Wine 8 offers it)");
        struct TMakerSwap {
            explicit TMakerSwap(bool refuse) {
                if (refuse)
                    TTimerThread::MakeTickTimer = &RefusingTimerMaker;
            }
            ~TMakerSwap() { TTimerThread::MakeTickTimer = &CreateWaitableTimerExW; }
        } swap(timedWaits);
        TTickLog log;
        log.during = [](int n) {
            if (n <= 3)
                Sleep(500);
        };
        auto timer = Running(log, 200);
        EXPECT_EQ(timer->Worker()->HighResolution(), !timedWaits);
        ASSERT_TRUE(PumpUntil([&] { return log.count >= 8; }, 15s));
        timer->SetEnabled(false);

        // Ticks 1 to 3 take 500 ms each: ticks 2 and 3 come 3 and 6 periods after tick 1, tick 4
        // at 9, tick 8 at 13. Following a slow tick at once would put tick 8 at 11.5 periods, a
        // full period after its end at 14.5, making up missed ticks at 7.5.
        EXPECT_NEAR(Ms(log.starts[7] - log.starts[0]), 13 * 200, 150);
        for (int i = 0; i + 1 < 8; ++i)
            EXPECT_GE(Ms(log.starts[i + 1] - log.ends[i]), 30) << "after tick " << i + 1;
    }
}

std::atomic<bool> waitsFail{false};
std::atomic<int> failedWaits{0};
DWORD WINAPI FailingWait(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
    if (!waitsFail)
        return WaitForMultipleObjects(count, handles, waitAll, milliseconds);
    ++failedWaits;
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

TEST_F(ThreadTimer, AFailedWaitSilencesTheWorkerUntilTheNextStart) {
    struct TWaitSwap {
        TWaitSwap() { TTimerThread::TickWait = &FailingWait; }
        ~TWaitSwap() {
            waitsFail = false;
            TTimerThread::TickWait = &WaitForMultipleObjects;
        }
    } swap;
    for (bool keepAlive : {false, true}) {
        SCOPED_TRACE(keepAlive ? "KeepAlive" : "without KeepAlive");
        TTickLog log;
        auto timer = Running(log, 20, keepAlive);
        ASSERT_TRUE(PumpUntil([&] { return log.count >= 2; }));
        TThreadWatch watch(timer->Worker());
        failedWaits = 0;
        waitsFail = true;
        ASSERT_TRUE(PumpUntil([&] { return failedWaits > 0; }));
        const int ticksAtFailure = log.count;
        PumpFor(300ms);
        // At most the tick whose wait was under way when the waits began to fail.
        EXPECT_LE(log.count, ticksAtFailure + 1) << "ticks on without a pause";
        EXPECT_EQ(failedWaits, 1) << "the worker waits no more";
        EXPECT_TRUE(watch.Running()) << "the worker ended before its stop request";
        EXPECT_TRUE(timer->Worker()->Silent());

        waitsFail = false;
        timer->SetEnabled(false);
        timer->SetEnabled(true);
        EXPECT_TRUE(watch.EndsWithin(5000)) << "the stop request ends the silent worker";
        const int before = log.count;
        EXPECT_TRUE(PumpUntil([&] { return log.count >= before + 2; })) << "a new worker ticks";
    }
}

TEST_F(ThreadTimer, AnErrorInTheHandlerIsReportedAndTheTimerGoesOn) {
    TTickLog log;
    log.during = [](int n) {
        if (n <= 2)
            throw Exception(L"tick failed");
    };
    auto timer = Running(log, 40);
    TThreadWatch watch(timer->Worker());
    ASSERT_TRUE(PumpUntil([&] { return log.count >= 4; }));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].message, L"tick failed");
    EXPECT_EQ(reports[0].sender, timer.get());
    EXPECT_TRUE(watch.Running()) << "the same worker goes on";
}

TEST_F(ThreadTimer, PriorityReachesTheRunningWorkerWithoutARestart) {
    TTickLog log;
    auto timer = Running(log, 60, false, tpLowest);
    TThreadWatch watch(timer->Worker());
    EXPECT_EQ(watch.Priority(), THREAD_PRIORITY_LOWEST) << "a new worker starts with it";
    // Each step up is one for the system as well: a mix-up in the mapping shows as a fall.
    int previous = INT_MIN;
    for (int p = tpIdle; p <= tpTimeCritical; ++p) {
        SCOPED_TRACE(p);
        timer->SetPriority(static_cast<TThreadPriority>(p));
        EXPECT_EQ(watch.Priority(), OSThreadPriority(static_cast<TThreadPriority>(p)));
        EXPECT_GT(watch.Priority(), std::exchange(previous, watch.Priority()));
        const int before = log.count;
        EXPECT_TRUE(PumpUntil([&] { return log.count >= before + 2; }));
    }
    EXPECT_TRUE(watch.Running());
    EXPECT_EQ(timer->Worker()->ThreadId(), watch.Id());
}

TEST_F(ThreadTimer, KeepAliveHoldsTheWorkerWhileDisabled) {
    TTickLog log;
    auto timer = Running(log, 200, true);
    TThreadWatch watch(timer->Worker());
    log.during = [&](int n) {
        if (n == 1)
            timer->SetEnabled(false); // a pause that falls into a tick
    };
    ASSERT_TRUE(PumpUntil([&] { return log.count == 1; }));
    PumpFor(600ms);
    EXPECT_EQ(log.count, 1) << "no tick while paused";
    ASSERT_NE(timer->Worker(), nullptr);
    EXPECT_TRUE(timer->Worker()->Held());
    EXPECT_TRUE(watch.Running());

    const auto resumed = Clock::now();
    timer->SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return log.count == 2; }));
    EXPECT_GE(Ms(log.starts[1] - resumed), 180) << "a full period after a pause within a tick";
    EXPECT_EQ(timer->Worker()->ThreadId(), watch.Id());

    // A new interval reaches the held worker without a restart.
    timer->SetInterval(40);
    PumpFor(800ms);
    EXPECT_GE(log.count, 2 + 6);
    EXPECT_TRUE(watch.Running());

    // Pausing between ticks and resuming keeps the worker too.
    timer->SetEnabled(false);
    EXPECT_TRUE(timer->Worker()->Held());
    timer->SetEnabled(true);
    const int before = log.count;
    EXPECT_TRUE(PumpUntil([&] { return log.count >= before + 2; }));
    EXPECT_EQ(timer->Worker()->ThreadId(), watch.Id());

    timer->SetKeepAlive(false);
    EXPECT_TRUE(PumpUntil([&] { return !watch.Running(); })) << "toggling ends the worker";
    ASSERT_NE(timer->Worker(), nullptr) << "and starts a new one";
    EXPECT_NE(timer->Worker()->ThreadId(), watch.Id());
}

// A worker held by a pause that fell into its tick was waiting for that tick when it was held.
// The main thread must go on handing over the ticks of other timers.
TEST_F(ThreadTimer, AWorkerHeldInsideItsTickBlocksNoOtherTimer) {
    TTickLog heldLog, otherLog;
    auto held = Running(heldLog, 50, true);
    heldLog.during = [&](int n) {
        if (n == 1)
            held->SetEnabled(false);
    };
    ASSERT_TRUE(PumpUntil([&] { return heldLog.count == 1; }));
    auto other = Running(otherLog, 10);
    EXPECT_TRUE(PumpUntil([&] { return otherLog.count >= 20; }));
    EXPECT_EQ(heldLog.count, 1);
    held->SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return heldLog.count >= 3; }));
}

TEST_F(ThreadTimer, TicksRunInsideAMessageBoxOpenedElsewhere) {
    TTickLog log;
    bool insideBox = false;
    int ticksInsideBox = 0;
    log.during = [&](int) {
        ticksInsideBox += insideBox;
        if (ticksInsideBox == 3)
            if (HWND box = FindWindowW(L"#32770", L"Thread Timer Test"))
                PostMessageW(box, WM_COMMAND, IDOK, 0);
    };
    auto timer = Running(log, 40);
    std::atomic<bool> boxClosed = false;
    std::thread watchdog([&] {
        for (int i = 0; i < 1000 && !boxClosed; ++i)
            Sleep(10);
        if (HWND box = FindWindowW(L"#32770", L"Thread Timer Test"))
            PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    insideBox = true;
    app.ShowMessageBox(L"Waiting for ticks", L"Thread Timer Test", MB_OK);
    insideBox = false;
    boxClosed = true;
    watchdog.join();
    EXPECT_GE(ticksInsideBox, 3) << "the third tick inside the box's loop closed it";
}

TEST_F(ThreadTimer, TheWorkerAllocatesNothingPerTick) {
    TTickLog log;
    log.starts.reserve(100);
    log.ends.reserve(100);
    log.senders.reserve(100);
    auto timer = Running(log, 10);
    ASSERT_TRUE(PumpUntil([&] { return log.count >= 2; }));
    foreignAllocations = 0;
    allocationWatchThread = GetCurrentThreadId();
    const bool ticked = PumpUntil([&] { return log.count >= 40; });
    allocationWatchThread = 0;
    EXPECT_TRUE(ticked);
    EXPECT_EQ(foreignAllocations, 0);
}

// --- Destruction -----------------------------------------------------------------------------

TEST_F(ThreadTimer, ADestroyedTimerIsNeverCalledAgainAndItsWorkerEnds) {
    const struct {
        const char* name;
        std::uint32_t interval;
        bool queueATick;   // keep the main thread busy until a tick waits for it
        bool disableFirst; // so that the queued tick is a late one
        bool fromItsTick;  // the handler destroys the timer
    } cases[] = {
        {"between ticks", 300, false, false, false},
        {"with a tick queued", 50, true, false, false},
        {"disabled with a late tick queued", 50, true, true, false},
        {"inside its own tick", 50, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TTickLog log;
        auto timer = Running(log, c.interval);
        TThreadWatch watch(timer->Worker());
        int callsBefore = -1;
        if (c.fromItsTick) {
            log.during = [&](int n) {
                callsBefore = n;
                timer.reset();
            };
            ASSERT_TRUE(PumpUntil([&] { return callsBefore >= 0; }));
        } else {
            if (c.queueATick)
                Sleep(300);
            else
                ASSERT_TRUE(PumpUntil([&] { return log.count == 1; }));
            if (c.disableFirst)
                timer->SetEnabled(false);
            callsBefore = log.count;
            timer.reset();
        }
        EXPECT_TRUE(watch.EndsWithin(5000)) << "a queued tick is dropped, not left waiting";
        PumpFor(200ms);
        EXPECT_EQ(log.count, callsBefore) << "no call after destruction began";
    }
}

// --- Long runs -------------------------------------------------------------------------------

class ThreadTimerStress : public ThreadTimer {
protected:
    // The thread library makes some kernel objects only when a race first calls for them (a
    // condition variable gets its two semaphores the first time a thread really waits on it),
    // so the count may rise by a few after any warm-up. A leak in the timer costs at least one
    // handle per worker and shows up in the thousands here; the allowance only absorbs that.
    static constexpr DWORD HandleDrift = 16;

    // Released workers need a moment to end; the handle count follows the threads.
    void ExpectBackAtBaseline(const char* what, int threads, DWORD handles) {
        const auto start = Clock::now();
        if (PumpUntil([&] { return ThreadCount() <= threads; }, 60s))
            PumpUntil([&] { return HandleCount() <= handles; }, 5s);
        std::printf("[ %s ] threads %d -> %d, handles %lu -> %lu, settled after %ld ms\n", what,
                    threads, ThreadCount(), static_cast<unsigned long>(handles),
                    static_cast<unsigned long>(HandleCount()), Ms(Clock::now() - start));
        EXPECT_LE(ThreadCount(), threads);
        EXPECT_LE(HandleCount(), handles + HandleDrift);
    }
    // The baseline is taken after a first round of the same work: whatever is set up once
    // belongs in it — for threads by the system, and by the thread library for this test's
    // application (a lock gets a kernel event the first time two threads contend for it).
    void WarmUp(const std::function<void(int)>& work, int rounds) {
        for (int i = 0; i < rounds; ++i)
            work(i);
        PumpUntil([&] { return ThreadCount() <= baselineThreads; });
        PumpFor(100ms);
    }
};

TEST_F(ThreadTimerStress, TenThousandRestartsLeaveNoThreadOrHandleBehind) {
    TTickLog log;
    TThreadTimer timer(nullptr);
    timer.SetInterval(1); // short enough that some workers hand a tick over before they go
    timer.SetOnTimer(log.Handler());
    auto cycle = [&](int i) {
        timer.SetEnabled(true);
        timer.SetEnabled(false);
        if (i % 64 == 0)
            app.ProcessMessages();
    };
    WarmUp(cycle, 500);
    const int threads = ThreadCount();
    const DWORD handles = HandleCount();
    log.count = 0;
    const auto start = Clock::now();
    for (int i = 0; i < 10000; ++i)
        cycle(i);
    std::printf("[ restarts ] 10000 cycles in %ld ms, %d late ticks\n", Ms(Clock::now() - start),
                log.count);
    ExpectBackAtBaseline("restarts", threads, handles);
}

TEST_F(ThreadTimerStress, DestroyingTimersWhileTheyTickNeverCallsADeadOne) {
    struct TWatcher {
        void Tick(TComponent* sender) {
            ++ticks;
            if (sender != live)
                ++callsOnDeadTimers;
        }
        TComponent* live = nullptr;
        int ticks = 0;
        int callsOnDeadTimers = 0;
    } watcher;
    auto destroyWhileTicking = [&](int i) {
        auto timer = std::make_unique<TThreadTimer>(nullptr);
        watcher.live = timer.get();
        timer->SetInterval(1);
        timer->SetOnTimer(MakeNotifyEvent<&TWatcher::Tick>(&watcher));
        timer->SetEnabled(true);
        // Gone at once, with a tick queued, after a tick ran, or disabled with a late tick queued.
        // A new thread takes some milliseconds to start here.
        const int ticks = watcher.ticks;
        switch (i % 4) {
        case 1:
            Sleep(15);
            break;
        case 2:
            PumpUntil([&] { return watcher.ticks > ticks; }, 1s);
            break;
        case 3:
            Sleep(15);
            timer->SetEnabled(false);
            break;
        default:
            break;
        }
        timer.reset();
        watcher.live = nullptr;
        if (i % 16 == 0)
            app.ProcessMessages();
    };
    WarmUp(destroyWhileTicking, 100);
    const int threads = ThreadCount();
    const DWORD handles = HandleCount();
    watcher.ticks = 0;
    for (int i = 0; i < 1000; ++i)
        destroyWhileTicking(i);
    std::printf("[ destruction ] %d ticks ran on live timers\n", watcher.ticks);
    EXPECT_EQ(watcher.callsOnDeadTimers, 0);
    ExpectBackAtBaseline("destruction", threads, handles);
}

} // namespace

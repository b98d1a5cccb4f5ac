#include "engine/ThreadTimer.h"

#include <algorithm>
#include <utility>

#include "ui/Application.h"
#include "ui/OSError.h"

// Windows 10 1803 and later; MinGW's headers lack it.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

std::atomic<TTimerThread::TTickTimerMaker> TTimerThread::MakeTickTimer{&CreateWaitableTimerExW};
std::atomic<TTimerThread::TTickWait> TTimerThread::TickWait{&WaitForMultipleObjects};

namespace {

std::uint64_t CounterNow() noexcept {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now); // cannot fail since Windows XP
    return static_cast<std::uint64_t>(now.QuadPart);
}

std::uint64_t CounterFrequency() noexcept {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<std::uint64_t>(frequency.QuadPart);
}

} // namespace

// --- The worker ------------------------------------------------------------------------------

TTimerThread::TTimerThread(std::shared_ptr<TLink> link, std::uint32_t period,
                           TApplication* application)
    : period_(period), link_(std::move(link)), owner_(link_->Timer), application_(application) {
    SetFreeOnTerminate(true);
    // Auto-reset: the one stop request releases exactly one wait. A failure here unwinds the
    // thread base, which lets the never-started thread leave.
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event)
        RaiseLastOSError();
    wakeEvent_.Reset(event);
    HANDLE hold = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!hold)
        RaiseLastOSError();
    holdEvent_.Reset(hold);
    // Timed waits end on the system's timer tick, 15.625 ms unless a program asks for less: 33 ms
    // would take 46.9. This timer keeps to a tenth of a millisecond, where the system offers it.
    // Manual reset, because only setting a manual-reset timer surely clears a signal it still
    // holds from a due time that came while the worker woke for something else (Wine keeps an
    // auto-reset timer's).
    const TTickTimerMaker makeTimer = MakeTickTimer;
    tickTimer_.Reset(
        makeTimer(nullptr, nullptr,
                  CREATE_WAITABLE_TIMER_MANUAL_RESET | CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                  TIMER_MODIFY_STATE | SYNCHRONIZE));
    // Last: a constructor that throws runs no destructor to sign off again.
    if (application_)
        application_->AttachWorker();
}

TTimerThread::~TTimerThread() {
    // The worker's last use of the application; it frees itself on its own thread.
    if (application_)
        application_->DetachWorker();
}

void TTimerThread::RequestStop() {
    const bool suspended = Suspended();
    SetStopRequested();
    std::exception_ptr error;
    if (suspended) {
        try {
            Resume();
        } catch (...) {
            error = std::current_exception(); // it stays suspended, and so stays here
        }
    }
    // The last use of this object: the worker takes this signal before it ends and frees itself.
    SetEvent(wakeEvent_.Get());
    Sleep(0); // let the worker react
    if (error)
        std::rethrow_exception(error);
}

void TTimerThread::PauseWorker() {
    held_ = true;
    SetEvent(holdEvent_.Get());
}

void TTimerThread::ReleaseHold() {
    held_ = false;
    SetEvent(holdEvent_.Get());
}

void TTimerThread::Execute() {
    // Ending before the stop signal has arrived would let RequestStop signal a closed handle.
    if (!RunTicks()) {
        silent_ = true;
        AwaitStopSignal();
    }
}

bool TTimerThread::RunTicks() noexcept {
    if (StopRequested())
        return false;
    constexpr DWORD StopSignal = WAIT_OBJECT_0, HoldChanged = WAIT_OBJECT_0 + 1;
    TTickSchedule schedule(CounterFrequency());
    // The first tick comes one full period after the start.
    schedule.Start(CounterNow(), period_);
    DWORD result = AwaitTick(schedule);
    for (;;) {
        if (result == StopSignal)
            return true;
        if (result == WAIT_FAILED || StopRequested())
            return false;
        if (held_) {
            // Held (KeepAlive with the timer off): the worker waits here, at a point where it
            // holds nothing, until it is released or stopped. A thread suspended wherever it
            // happened to be could hold a lock of the hand-over and stall the main thread.
            const HANDLE events[] = {wakeEvent_.Get(), holdEvent_.Get()};
            const TTickWait tickWait = TickWait;
            result = tickWait(2, events, FALSE, INFINITE);
            continue;
        }
        if (result == HoldChanged) {
            // Released (perhaps before this worker saw the hold), also from a hold that fell into
            // a tick: a fresh rhythm, its first tick a full period later.
            schedule.Start(CounterNow(), period_);
            result = AwaitTick(schedule);
            continue;
        }
        // A refused hand-over means the call was dropped (the component died) or the application
        // is closing: no tick can run any more, so the worker falls silent until released.
        if (!StopRequested() &&
            (!application_ || !application_->Synchronize(owner_, &HandOver, this)))
            return false;
        schedule.Advance(CounterNow(), period_);
        result = AwaitTick(schedule);
    }
}

DWORD TTimerThread::AwaitTick(const TTickSchedule& schedule) noexcept {
    const HANDLE events[] = {wakeEvent_.Get(), holdEvent_.Get(), tickTimer_.Get()};
    constexpr DWORD TickDue = WAIT_OBJECT_0 + 2;
    const TTickWait tickWait = TickWait;
    const std::uint64_t now = CounterNow();
    if (!tickTimer_)
        return tickWait(2, events, FALSE, schedule.MillisecondsLeft(now));
    // Relative (negative): absolute due times follow the wall clock, which may be set meanwhile.
    // At least 100 ns, as 0 would be an absolute time.
    LARGE_INTEGER due;
    due.QuadPart =
        -static_cast<LONGLONG>(std::max<std::uint64_t>(schedule.HundredNanosecondsLeft(now), 1));
    if (!SetWaitableTimer(tickTimer_.Get(), &due, 0, nullptr, nullptr, FALSE))
        return WAIT_FAILED;
    const DWORD result = tickWait(3, events, FALSE, INFINITE);
    return result == TickDue ? WAIT_TIMEOUT : result;
}

void TTimerThread::AwaitStopSignal() noexcept {
    while (WaitForSingleObject(wakeEvent_.Get(), INFINITE) != WAIT_OBJECT_0)
        Sleep(10); // a wait on our own event does not fail; should it, do not spin
}

void TTimerThread::HandOver(void* context) {
    // Runs on the main thread, where the component clears the link before it goes away.
    auto* self = static_cast<TTimerThread*>(context);
    if (TThreadTimer* timer = self->link_->Timer)
        timer->FireOnTimer();
}

// --- The component ---------------------------------------------------------------------------

TThreadTimer::TThreadTimer(TComponent* owner)
    : TComponent(owner), link_(std::make_shared<TTimerThread::TLink>(TTimerThread::TLink{this})) {
}

TThreadTimer::~TThreadTimer() {
    MarkDestroying();
    try {
        ReleaseWorker();
    } catch (...) {
        // Only resuming a suspended thread can fail; it then stays suspended, harmless.
    }
    // From here no tick reaches this object: one still queued is dropped and its worker
    // released; one that a released worker queues later finds the link empty.
    link_->Timer = nullptr;
    if (Application)
        Application->RemoveQueuedCalls(this);
}

void TThreadTimer::SetEnabled(bool value) {
    if (Loading()) {
        loadedEnabled_ = value;
        return;
    }
    if (value == enabled_)
        return;
    enabled_ = value;
    ApplySettings();
}

void TThreadTimer::SetInterval(std::uint32_t value) {
    if (value == interval_)
        return;
    interval_ = value;
    ApplySettings();
}

void TThreadTimer::SetKeepAlive(bool value) {
    if (value == keepAlive_)
        return;
    ReleaseWorker();
    keepAlive_ = value;
    ApplySettings();
}

void TThreadTimer::SetOnTimer(TNotifyEvent handler) {
    if (handler == onTimer_)
        return;
    onTimer_ = handler;
    ApplySettings();
}

void TThreadTimer::SetPriority(TThreadPriority value) {
    if (value == priority_)
        return;
    priority_ = value;
    if (worker_)
        worker_->SetPriority(value);
}

void TThreadTimer::SetIdle(bool value) {
    if (value == idle_)
        return;
    idle_ = value;
    ApplySettings();
    // The picture may have changed while nobody looked: it is followed at once, not a period late.
    if (ShouldRun() && !Loading())
        FireOnTimer();
}

void TThreadTimer::Loaded() {
    TComponent::Loaded();
    SetEnabled(loadedEnabled_);
}

void TThreadTimer::ApplySettings() {
    if (Loading() || Designing())
        return;
    const bool shouldRun = ShouldRun();
    // A worker that has fallen silent is replaced, also one that KeepAlive would keep.
    if (!keepAlive_ || (worker_ && worker_->Silent()))
        ReleaseWorker();
    if (shouldRun) {
        if (worker_)
            worker_->SetPeriod(interval_);
        else
            StartWorker();
        if (worker_->Held())
            worker_->ReleaseHold();
    } else if (worker_) {
        if (!worker_->Held())
            worker_->PauseWorker();
        worker_->SetPeriod(interval_);
    }
}

void TThreadTimer::ReleaseWorker() {
    if (TTimerThread* worker = std::exchange(worker_, nullptr))
        worker->RequestStop();
}

void TThreadTimer::StartWorker() {
    // Until it is resumed the new worker belongs to this function: a failure on the way deletes
    // it, and a thread that never ran leaves at once.
    std::unique_ptr<TTimerThread> worker(new TTimerThread(link_, interval_, Application));
    worker->SetPriority(priority_);
    worker->Resume();
    worker_ = worker.release();
}

void TThreadTimer::FireOnTimer() {
    if (Destroying() || !onTimer_)
        return;
    // The handler may destroy this component: nothing here touches it after the call.
    Guarded(this, [this] { onTimer_(this); });
}

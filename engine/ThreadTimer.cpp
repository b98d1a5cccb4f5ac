#include "engine/ThreadTimer.h"

#include <utility>

#include "ui/Application.h"
#include "ui/OSError.h"

std::atomic<TTimerThread::TTickClock> TTimerThread::TickClock{&GetTickCount};
std::atomic<TTimerThread::TTickWait> TTimerThread::TickWait{&WaitForMultipleObjects};

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
    pausedDuringTick_ = true;
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
    const HANDLE events[] = {wakeEvent_.Get(), holdEvent_.Get()};
    constexpr DWORD StopSignal = WAIT_OBJECT_0, HoldChanged = WAIT_OBJECT_0 + 1;
    auto wait = [&](DWORD milliseconds) {
        const TTickWait tickWait = TickWait;
        return tickWait(2, events, FALSE, milliseconds);
    };
    // The first tick comes one full period after the start.
    DWORD result = wait(period_);
    for (;;) {
        if (result == StopSignal)
            return true;
        if (result == WAIT_FAILED || StopRequested())
            return false;
        if (held_) {
            // Held (KeepAlive with the timer off): the worker waits here, at a point where it
            // holds nothing, until it is released or stopped. A thread suspended wherever it
            // happened to be could hold a lock of the hand-over and stall the main thread.
            result = wait(INFINITE);
            continue;
        }
        if (result == HoldChanged) {
            // Released (perhaps before this worker saw the hold): the next tick a full period
            // later.
            result = wait(period_);
            continue;
        }
        pausedDuringTick_ = false;
        const TTickClock clock = TickClock;
        const std::uint32_t start = clock();
        // A refused hand-over means the call was dropped (the component died) or the application
        // is closing: no tick can run any more, so the worker falls silent until released.
        if (!StopRequested() &&
            (!application_ || !application_->Synchronize(owner_, &HandOver, this)))
            return false;
        // Unsigned 32-bit arithmetic keeps the difference right across the wrap of the counter.
        const std::uint32_t elapsed =
            pausedDuringTick_ ? 0u : static_cast<std::uint32_t>(clock() - start);
        const std::uint32_t period = period_;
        // A tick that took the whole period is followed at once; missed ticks are not made up.
        result = wait(period > elapsed ? period - elapsed : 0);
    }
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

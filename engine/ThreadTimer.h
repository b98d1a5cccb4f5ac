// TThreadTimer: calls OnTimer on the main thread at a fixed period. The period is measured by a
// worker thread that sleeps in a kernel wait until the next due time of a fixed rhythm (so a late
// tick delays no later one) and hands each tick over to the main thread, so
// ticks run inside every message loop of the main thread (modal loops included) and never
// interrupt other program code. Without KeepAlive every change of Enabled, Interval or OnTimer
// ends the worker and, if the timer should run, starts a fresh one.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/TickSchedule.h"
#include "ui/Component.h"
#include "ui/Handles.h"
#include "ui/Thread.h"

class TApplication;
class TThreadTimer;

// An event handler bound to its object. Two handlers are equal when they run the same code on the
// same object, so assigning the handler that is already set can be recognised.
struct TNotifyEvent {
    void (*Code)(void* data, TComponent* sender) = nullptr;
    void* Data = nullptr;

    explicit operator bool() const noexcept { return Code != nullptr; }
    void operator()(TComponent* sender) const { Code(Data, sender); }
    friend bool operator==(const TNotifyEvent&, const TNotifyEvent&) = default;
};

// Binds `void T::Method(TComponent* sender)` to `object`.
template <auto Method, class T>
TNotifyEvent MakeNotifyEvent(T* object) noexcept {
    return {[](void* data, TComponent* sender) { (static_cast<T*>(data)->*Method)(sender); },
            object};
}

// The worker of a TThreadTimer. It frees itself when its thread ends, and it ends only after a
// stop request; the component never deletes it.
class TTimerThread : public TThread {
public:
    // Makes the timer the worker waits on (CreateWaitableTimerExW); tests replace it to refuse
    // the high resolution, as Windows before 10 1803 does.
    using TTickTimerMaker = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES attributes, LPCWSTR name,
                                            DWORD flags, DWORD access);
    static std::atomic<TTickTimerMaker> MakeTickTimer;
    // The wait between ticks (WaitForMultipleObjects); tests replace it to make it fail.
    using TTickWait = DWORD(WINAPI*)(DWORD count, const HANDLE* handles, BOOL waitAll,
                                     DWORD milliseconds);
    static std::atomic<TTickWait> TickWait;

    std::uint32_t Period() const noexcept { return period_; }
    // Read afresh after each tick, and counted from its due time: a wait already under way keeps
    // its end.
    void SetPeriod(std::uint32_t period) noexcept { period_ = period; }

    // Asks the worker to end and wakes it. Never waits for it: the worker may be blocked in a
    // hand-over that only the caller's thread can complete. The worker may be gone as soon as
    // this returns.
    void RequestStop();
    // Holds the worker (KeepAlive with the timer off): it runs no tick until ReleaseHold. The
    // worker stops at its next wait, or after the tick it is in, rather than being suspended
    // wherever it is: suspended inside a hand-over it could stall every other timer.
    void PauseWorker();
    void ReleaseHold();
    bool Held() const noexcept { return held_; }
    // True once the worker runs no more ticks: its wait failed or its hand-over was refused. It
    // still waits for its stop request before it frees itself.
    bool Silent() const noexcept { return silent_; }
    // Whether the worker waits on a high-resolution timer, rather than on time-outs that Windows
    // rounds up to its timer tick (15.625 ms unless some program asks for less).
    bool HighResolution() const noexcept { return tickTimer_.Valid(); }

    // Runs on the worker's own thread when it frees itself.
    ~TTimerThread() override;

private:
    friend class TThreadTimer;

    // What a worker knows of its component. Only the main thread reads or writes `Timer`; the
    // component clears it when it is destroyed, so a tick that reaches the main thread after
    // that finds no component and does nothing.
    struct TLink {
        TThreadTimer* Timer;
    };

    TTimerThread(std::shared_ptr<TLink> link, std::uint32_t period, TApplication* application);

    void Execute() override;
    // The tick loop. Returns true when it ended by taking the stop signal from WakeEvent. A wait
    // that fails ends it: a wait that returns at once would otherwise tick without a pause.
    bool RunTicks() noexcept;
    // Waits until the schedule's due time, a stop or a change of the hold; WAIT_TIMEOUT when the
    // tick is due.
    DWORD AwaitTick(const TTickSchedule& schedule) noexcept;
    void AwaitStopSignal() noexcept;
    static void HandOver(void* context);

    TKernelHandle wakeEvent_;
    TKernelHandle holdEvent_; // wakes the worker when it is held or released
    TKernelHandle tickTimer_; // null where the high resolution is refused
    std::atomic<bool> held_{false};
    std::atomic<bool> silent_{false};
    std::atomic<std::uint32_t> period_;
    std::shared_ptr<TLink> link_;
    // The key under which ticks are handed over; never dereferenced by the worker.
    const void* owner_;
    TApplication* application_;
};

class TThreadTimer : public TComponent {
public:
    explicit TThreadTimer(TComponent* owner);
    ~TThreadTimer() override;

    // While the owner's definition loads, the value is only recorded and applied when loading
    // ends; reading returns the current state.
    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value);
    // Milliseconds between ticks; 0 never fires.
    std::uint32_t Interval() const noexcept { return interval_; }
    void SetInterval(std::uint32_t value);
    // Keeps a disabled timer's worker, held, instead of ending it.
    bool KeepAlive() const noexcept { return keepAlive_; }
    void SetKeepAlive(bool value);
    const TNotifyEvent& OnTimer() const noexcept { return onTimer_; }
    void SetOnTimer(TNotifyEvent handler);
    TThreadPriority Priority() const noexcept { return priority_; }
    // Reaches a running worker at once, without restarting it.
    void SetPriority(TThreadPriority value);
    // While idle (nobody can see what the ticks would do) no tick runs and no worker wakes;
    // Enabled keeps its value. Leaving idle runs one tick at once, on the calling thread, and the
    // rhythm goes on from there.
    bool Idle() const noexcept { return idle_; }
    void SetIdle(bool value);

    // The current worker, or null. Owned by its thread: never delete it.
    TTimerThread* Worker() const noexcept { return worker_; }

protected:
    void Loaded() override;

private:
    friend class TTimerThread;

    void ApplySettings();
    bool ShouldRun() const noexcept { return enabled_ && onTimer_ && interval_ > 0 && !idle_; }
    void ReleaseWorker();
    void StartWorker();
    // Runs one tick on the main thread.
    void FireOnTimer();

    bool enabled_ = false;
    std::uint32_t interval_ = 1000;
    bool keepAlive_ = false;
    TNotifyEvent onTimer_;
    TThreadPriority priority_ = tpNormal;
    bool idle_ = false;
    bool loadedEnabled_ = false;
    TTimerThread* worker_ = nullptr;
    std::shared_ptr<TTimerThread::TLink> link_;
};

// TThread: a small thread base. The thread is created suspended, so that the creator can finish
// setting it up (priority, its own fields) before the body runs, and it uses CreateThread
// directly so that the program needs no thread runtime beside the system DLLs.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>

#include "ui/Handles.h"

// Scheduling priorities of a thread.
enum TThreadPriority : int {
    tpIdle,
    tpLowest,
    tpLower,
    tpNormal,
    tpHigher,
    tpHighest,
    tpTimeCritical,
};

// The operating system's thread priority for `priority` (as SetThreadPriority takes it).
int OSThreadPriority(TThreadPriority priority) noexcept;

class TThread {
public:
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // From another thread: a thread that has never been resumed ends without running its body;
    // a running one is asked to stop, resumed if suspended and waited for. A derived class whose
    // body uses its own members must therefore end the body (RequestStop, WaitFor) in its own
    // destructor. A thread with FreeOnTerminate is never deleted from outside once resumed.
    virtual ~TThread();

    HANDLE Handle() const noexcept { return handle_.Get(); }
    DWORD ThreadId() const noexcept { return threadId_; }

    // Resume and Suspend nest as the system's suspend count does. Failures raise EThread. On a
    // thread that frees itself, both are valid only while its body cannot end.
    void Resume();
    void Suspend();
    bool Suspended() const noexcept { return suspendCount_ > 0; }

    // Takes effect at once, also on a running thread. Failure raises EThread.
    void SetPriority(TThreadPriority priority);

    // When set, the object deletes itself on its own thread as soon as its body returns. Such a
    // thread must be allocated with new.
    bool FreeOnTerminate() const noexcept { return freeOnTerminate_; }
    void SetFreeOnTerminate(bool value) noexcept { freeOnTerminate_ = value; }

    // The body should return soon once this is set.
    bool StopRequested() const noexcept { return stopRequested_; }

    // Waits until the thread has ended. Not for a thread with FreeOnTerminate.
    void WaitFor() const noexcept;
    // The exception that left the body, if any; read it after WaitFor.
    std::exception_ptr FatalException() const noexcept { return fatalException_; }

protected:
    // Creates the thread, suspended. Failure raises EThread "Thread creation error: ...".
    TThread();

    void SetStopRequested() noexcept { stopRequested_ = true; }

    // The body. Exceptions that leave it are caught and kept (FatalException): none ever leaves
    // the thread procedure.
    virtual void Execute() = 0;

private:
    static DWORD WINAPI ThreadProc(void* parameter) noexcept;

    TKernelHandle handle_;
    DWORD threadId_ = 0;
    // Kept by the controlling thread; CREATE_SUSPENDED starts the count at one.
    int suspendCount_ = 1;
    bool started_ = false;
    std::atomic<bool> abandoned_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> freeOnTerminate_{false};
    std::exception_ptr fatalException_;
};

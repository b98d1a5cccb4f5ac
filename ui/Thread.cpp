#include "ui/Thread.h"

#include <string>
#include <utility>

#include "ui/Exceptions.h"
#include "ui/OSError.h"

namespace {

[[noreturn]] void RaiseThreadError(DWORD errorCode) {
    throw EThread(L"Thread Error: " + SystemErrorText(errorCode) + L" (" +
                  std::to_wstring(errorCode) + L")");
}

constexpr DWORD SuspendFailed = static_cast<DWORD>(-1);

} // namespace

int OSThreadPriority(TThreadPriority priority) noexcept {
    switch (priority) {
    case tpIdle:
        return THREAD_PRIORITY_IDLE;
    case tpLowest:
        return THREAD_PRIORITY_LOWEST;
    case tpLower:
        return THREAD_PRIORITY_BELOW_NORMAL;
    case tpHigher:
        return THREAD_PRIORITY_ABOVE_NORMAL;
    case tpHighest:
        return THREAD_PRIORITY_HIGHEST;
    case tpTimeCritical:
        return THREAD_PRIORITY_TIME_CRITICAL;
    case tpNormal:
    default:
        return THREAD_PRIORITY_NORMAL;
    }
}

TThread::TThread() {
    DWORD id = 0;
    HANDLE handle = CreateThread(nullptr, 0, &ThreadProc, this, CREATE_SUSPENDED, &id);
    if (!handle) {
        DWORD error = GetLastError();
        throw EThread(L"Thread creation error: " + SystemErrorText(error));
    }
    handle_.Reset(handle);
    threadId_ = id;
}

TThread::~TThread() {
    if (!handle_ || GetCurrentThreadId() == threadId_)
        return; // freeing itself at the end of its body: only the handle is left to close
    if (!started_) {
        // It has run none of our code: let it start and leave at once, so that no suspended
        // thread stays behind. Should resuming fail, it stays suspended rather than be killed.
        abandoned_ = true;
        while (suspendCount_ > 0) {
            if (ResumeThread(handle_.Get()) == SuspendFailed)
                return;
            --suspendCount_;
        }
        WaitForSingleObject(handle_.Get(), INFINITE);
        return;
    }
    stopRequested_ = true;
    while (suspendCount_ > 0) {
        if (ResumeThread(handle_.Get()) == SuspendFailed)
            return;
        --suspendCount_;
    }
    WaitForSingleObject(handle_.Get(), INFINITE);
}

DWORD WINAPI TThread::ThreadProc(void* parameter) noexcept {
    auto* self = static_cast<TThread*>(parameter);
    if (self->abandoned_)
        return 0; // the destructor waits for this thread to end: touch nothing more
    try {
        self->Execute();
    } catch (...) {
        self->fatalException_ = std::current_exception();
    }
    if (self->freeOnTerminate_)
        delete self;
    return 0;
}

void TThread::Resume() {
    if (suspendCount_ == 0)
        return;
    HANDLE handle = handle_.Get();
    // The state is updated before the call: a thread that frees itself may be gone by the time
    // ResumeThread returns.
    --suspendCount_;
    const bool wasStarted = std::exchange(started_, true);
    if (ResumeThread(handle) == SuspendFailed) {
        DWORD error = GetLastError();
        ++suspendCount_; // still suspended, so still here
        started_ = wasStarted;
        RaiseThreadError(error);
    }
}

void TThread::Suspend() {
    ++suspendCount_;
    if (SuspendThread(handle_.Get()) == SuspendFailed) {
        DWORD error = GetLastError();
        --suspendCount_;
        RaiseThreadError(error);
    }
}

void TThread::SetPriority(TThreadPriority priority) {
    if (!SetThreadPriority(handle_.Get(), OSThreadPriority(priority)))
        RaiseThreadError(GetLastError());
}

void TThread::WaitFor() const noexcept {
    WaitForSingleObject(handle_.Get(), INFINITE);
}

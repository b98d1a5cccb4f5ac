// The application object: the hidden application window that owns every form, the forms in
// creation order, the message loops, termination, the top-level error handler and the hand-over
// of calls from worker threads to the main thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/Window.h"

class TComponent;
class TForm;

// The hidden application window (class "TApplication", its text the title) is a TWindow.
class TApplication : public TWindow {
public:
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Creates the hidden application window (class "TApplication").
    void Initialize();

    HINSTANCE Instance() const noexcept { return instance_; }
    DWORD MainThreadId() const noexcept { return mainThreadId_; }

    const std::wstring& Title() const noexcept { return title_; }
    void SetTitle(std::wstring title);

    // The application icon MAINICON (null when the module has none, as in tests).
    HICON Icon() const noexcept { return icon_; }

    // The first form created is the main form; closing it ends the program.
    TForm* MainForm() const noexcept { return mainForm_; }
    // When set, Run() shows the main form as the loop starts. A tray program turns it off.
    bool ShowMainForm = true;

    // Creates a form of type T, keeps it until DestroyForms() and stores it in `instance`
    // (which is cleared again when the form is destroyed).
    template <class T>
    void CreateForm(T*& instance) {
        auto form = std::make_unique<T>();
        instance = form.get();
        AddForm(std::move(form), [&instance] { instance = nullptr; });
    }

    // The main loop: handles messages until termination.
    void Run();
    // Asks the loops to end: posts the quit message. Messages queued before it are still handled.
    void Terminate();
    // Set once a loop has taken the quit message or the session ends. Modal loops then end as if
    // cancelled, and the main loop ends.
    bool Terminated() const noexcept { return terminated_; }
    // Handles one message, waiting for one if the queue is empty.
    void HandleMessage();
    // Handles every message that is waiting, then returns.
    void ProcessMessages();
    // Counts the messages the program's loops have dispatched: what happens under one count
    // happens in one step of the user's.
    unsigned DispatchSerial() const noexcept { return dispatchSerial_; }

    // Destroys the forms, newest first. Each form's FormDestroy runs before its destruction.
    void DestroyForms() noexcept;

    // A form of the program has become active: a key that is no longer down stops counting as
    // held where it went down. (Its release may have gone where this program never saw it.)
    void ForgetReleasedKey() noexcept;

    // --- Errors -------------------------------------------------------------------------------
    // The top-level error handler: every exception that reaches a Win32 callback of the program
    // ends here. Calls OnException if set, otherwise ShowException. Never throws.
    void HandleException(std::exception_ptr error, TComponent* sender) noexcept;
    std::function<void(TComponent* sender, const std::wstring& message)> OnException;

    // Runs when the monitors change: one added, removed or rearranged, or a resolution
    // changed. The system tells the application window, which every program has, even one
    // without a visible window.
    std::function<void()> OnDisplayChange;
    // The standard report: a stop-icon message box with the title as caption.
    void ShowException(const std::wstring& message);
    // A message box owned by the application window that disables the program's other windows
    // while it is open, as a modal form does.
    int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

    // --- Modal support ------------------------------------------------------------------------
    // The modal form opened last that is still open, or null.
    TForm* ModalForm() const noexcept { return modalForms_.empty() ? nullptr : modalForms_.back(); }
    void ModalStarted(TForm* form) { modalForms_.push_back(form); }
    void ModalEnded(TForm* form) noexcept { std::erase(modalForms_, form); }
    // Disables every visible, enabled top-level window of the main thread except `except`;
    // returns them for EnableTaskWindows.
    std::vector<HWND> DisableTaskWindows(HWND except);
    static void EnableTaskWindows(const std::vector<HWND>& windows);

    // --- Main-thread hand-over ----------------------------------------------------------------
    // Called by a worker thread: runs call(context) on the main thread, inside whatever message
    // loop it is running (the main loop, modal loops, message boxes, menus, window moves), and
    // blocks until it has run. Returns false, without running it, when the call was dropped by
    // RemoveQueuedCalls or the application is shutting down. Allocates nothing.
    bool Synchronize(const void* owner, void (*call)(void* context), void* context);
    // Main thread: drops every queued call of `owner` (all calls for nullptr); their workers
    // return from Synchronize at once. A call that is already running is not affected.
    void RemoveQueuedCalls(const void* owner);
    // Main thread: runs the queued calls. Message loops do this on the wake-up message.
    void CheckSynchronize();
    // A worker thread that may call Synchronize signs on when it is made and off as its very last
    // use of this object: the application waits for the last one (briefly) before it goes, so
    // that a worker on its way into Synchronize never meets a destroyed application.
    void AttachWorker();
    void DetachWorker() noexcept;

private:
    struct TSyncRequest {
        const void* owner;
        void (*call)(void*);
        void* context;
        TSyncRequest* next;
        bool done;
        bool dropped;
    };

    struct TFormEntry {
        std::unique_ptr<TForm> form;
        std::function<void()> clearInstance;
    };

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void AddForm(std::unique_ptr<TForm> form, std::function<void()> clearInstance);
    void DispatchOne(MSG& message);
    // Whether a key message belongs to a key that went down in another window.
    bool RepeatElsewhere(const MSG& message);
    // Sees every key message the thread takes from its queue, in any loop (a message box's, a
    // menu's, a modal form's): a key's release there frees the key here too.
    static LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) noexcept;
    void CloseHandOver() noexcept;

    HINSTANCE instance_ = nullptr;
    HICON icon_ = nullptr;
    DWORD mainThreadId_ = 0;
    std::wstring title_;
    TForm* mainForm_ = nullptr;
    std::vector<TFormEntry> forms_;
    std::vector<TForm*> modalForms_;
    bool terminated_ = false;
    unsigned dispatchSerial_ = 0;
    // The key that went down last, and the window (a form, with its controls) it went down in.
    WPARAM keyDown_ = 0;
    HWND keyDownIn_ = nullptr;
    HHOOK keyboardHook_ = nullptr;

    std::mutex syncMutex_;
    std::condition_variable syncDone_;
    TSyncRequest* syncHead_ = nullptr;
    TSyncRequest* syncTail_ = nullptr;
    HWND syncWindow_ = nullptr;        // guarded by syncMutex_; null once the hand-over is closed
    int syncUsers_ = 0;                // workers inside Synchronize, guarded by syncMutex_
    std::atomic<int> syncWorkers_ = 0; // workers signed on
};

// The single application object of the process.
extern TApplication* Application;

// Runs f, sending any exception to the top-level error handler. Every entry from Win32 into
// program code goes through here. Returns false when f threw.
template <class F>
bool Guarded(TComponent* sender, F&& f) noexcept {
    try {
        f();
        return true;
    } catch (...) {
        if (Application)
            Application->HandleException(std::current_exception(), sender);
        return false;
    }
}

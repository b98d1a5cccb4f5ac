#include "ui/Application.h"

#include <chrono>
#include <new>

#include "ui/Exceptions.h"
#include "ui/Form.h"
#include "ui/OSError.h"

TApplication* Application = nullptr;

namespace {

constexpr wchar_t ApplicationClassName[] = L"TApplication";

// A worker whose wake-up message was lost (a full queue) asks again after this long.
constexpr auto WakeRetry = std::chrono::milliseconds(1000);

// How long the closing application waits for signed-on workers to leave.
constexpr auto WorkerLeaveLimit = std::chrono::milliseconds(2000);

// The application whose keyboard hook runs on this thread.
thread_local TApplication* keyboardHookOwner = nullptr;

std::wstring WidenMessage(const char* text) {
    int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (length <= 1)
        return {};
    std::wstring wide(static_cast<std::size_t>(length - 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
    return wide;
}

} // namespace

TApplication::TApplication() {
    instance_ = GetModuleHandleW(nullptr);
    mainThreadId_ = GetCurrentThreadId();
    if (!Application)
        Application = this;
}

TApplication::~TApplication() {
    if (keyboardHook_)
        UnhookWindowsHookEx(keyboardHook_);
    if (keyboardHookOwner == this)
        keyboardHookOwner = nullptr;
    DestroyForms();
    CloseHandOver();
    DestroyHandle();
    if (Application == this)
        Application = nullptr;
}

void TApplication::Initialize() {
    if (Handle())
        return;
    icon_ = LoadIconW(instance_, L"MAINICON");
    const TWindowClass& windowClass = TWindowClass::Use(
        ApplicationClassName, {.Cursor = LoadCursorW(nullptr, IDC_ARROW), .Icon = icon_});
    // A zero-sized window that is never shown. It owns every form, so none of them gets a
    // task-bar button, and it receives the hand-over's wake-up messages.
    const POINT middle{GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    CreateHandle(windowClass, 0, title_.c_str(),
                 WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                 RECT{middle.x, middle.y, middle.x, middle.y}, nullptr, nullptr);
    // Without the hook a release that another loop takes is missed, as before it; the key then
    // comes free when a form is next activated.
    if (!keyboardHookOwner) {
        keyboardHook_ = SetWindowsHookExW(WH_KEYBOARD, &KeyboardHook, nullptr, mainThreadId_);
        if (keyboardHook_)
            keyboardHookOwner = this;
    }
    std::lock_guard lock(syncMutex_);
    syncWindow_ = Handle();
}

void TApplication::SetTitle(std::wstring title) {
    title_ = std::move(title);
    if (Handle())
        SetWindowTextW(Handle(), title_.c_str());
}

void TApplication::AddForm(std::unique_ptr<TForm> form, std::function<void()> clearInstance) {
    TForm* created = form.get();
    forms_.push_back({std::move(form), std::move(clearInstance)});
    created->Create();
    if (!mainForm_)
        mainForm_ = created;
}

void TApplication::DestroyForms() noexcept {
    while (!forms_.empty()) {
        TFormEntry entry = std::move(forms_.back());
        forms_.pop_back();
        if (entry.form.get() == mainForm_)
            mainForm_ = nullptr;
        entry.form->BeforeDestruction();
        Guarded(nullptr, [&] { entry.form.reset(); });
        if (entry.clearInstance)
            entry.clearInstance();
    }
}

// --- Message loops ---------------------------------------------------------------------------

void TApplication::Run() {
    if (ShowMainForm && mainForm_)
        Guarded(mainForm_, [&] { mainForm_->Show(); });
    while (!terminated_)
        HandleMessage();
}

void TApplication::Terminate() {
    PostQuitMessage(0);
}

void TApplication::HandleMessage() {
    MSG message;
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
        terminated_ = true;
        return;
    }
    DispatchOne(message);
}

void TApplication::ProcessMessages() {
    MSG message;
    while (!terminated_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            terminated_ = true;
            break;
        }
        DispatchOne(message);
    }
}

bool TApplication::RepeatElsewhere(const MSG& message) {
    switch (message.message) {
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (message.wParam == keyDown_)
            keyDown_ = 0;
        return false;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        HWND root = GetAncestor(message.hwnd, GA_ROOT);
        // The system marks the repeats of a held key, but not always: Wine forgets the mark when
        // the window the key went down in closes. A key that has not come up is held all the same.
        const bool held = (message.lParam & (1 << 30)) != 0 || message.wParam == keyDown_;
        if (!held) {
            keyDown_ = message.wParam;
            keyDownIn_ = root;
            return false;
        }
        return message.wParam != keyDown_ || root != keyDownIn_;
    }
    default:
        return false;
    }
}

LRESULT CALLBACK TApplication::KeyboardHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
    // Bit 31 of the key flags: the key is coming up. Only a message taken from the queue counts,
    // not one that a loop merely looked at.
    if (code == HC_ACTION && (lParam & 0x80000000) != 0 && keyboardHookOwner &&
        wParam == keyboardHookOwner->keyDown_)
        keyboardHookOwner->keyDown_ = 0;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TApplication::ForgetReleasedKey() noexcept {
    if (keyDown_ && !(GetAsyncKeyState(static_cast<int>(keyDown_)) & 0x8000))
        keyDown_ = 0;
}

void TApplication::DispatchOne(MSG& message) {
    ++dispatchSerial_;
    // A key held down acts where it went down, and nowhere else: the repeats of an Esc that
    // closed a chooser must not close the capture screen behind it as well, nor those of a key
    // held since before the window had the keyboard.
    if (message.hwnd && RepeatElsewhere(message))
        return;
    // Keyboard navigation between the controls of a form (Tab, Enter, Esc, arrows), also for
    // keys that reach the form itself while none of its controls has the focus.
    if (message.hwnd && message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) {
        if (TForm* form = TForm::FromHandle(GetAncestor(message.hwnd, GA_ROOT));
            form && form->HandleDialogKey(message))
            return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

// --- Errors ----------------------------------------------------------------------------------

void TApplication::HandleException(std::exception_ptr error, TComponent* sender) noexcept {
    try {
        std::wstring message;
        try {
            std::rethrow_exception(error);
        } catch (const Exception& e) {
            message = e.Message();
        } catch (const std::bad_alloc&) {
            message = L"Out of memory";
        } catch (const std::exception& e) {
            message = WidenMessage(e.what());
        } catch (...) {
            message = L"Unknown error";
        }
        if (OnException)
            OnException(sender, message);
        else
            ShowException(message);
    } catch (...) {
        // The report itself failed (no memory, no window): there is nothing left to tell.
    }
}

void TApplication::ShowException(const std::wstring& message) {
    ShowMessageBox(ErrorBoxText(message), title_, MB_OK | MB_ICONSTOP);
}

int TApplication::ShowMessageBox(const std::wstring& text, const std::wstring& caption,
                                 UINT flags) {
    HWND active = GetActiveWindow();
    std::vector<HWND> disabled = DisableTaskWindows(nullptr);
    int result = ::MessageBoxW(Handle(), text.c_str(), caption.c_str(), flags);
    EnableTaskWindows(disabled);
    if (active && IsWindow(active))
        SetActiveWindow(active);
    return result;
}

std::vector<HWND> TApplication::DisableTaskWindows(HWND except) {
    struct TContext {
        HWND except;
        HWND application;
        std::vector<HWND> disabled;
    } context{except, Handle(), {}};
    EnumThreadWindows(
        mainThreadId_,
        [](HWND window, LPARAM param) -> BOOL {
            auto& c = *reinterpret_cast<TContext*>(param);
            if (window != c.except && window != c.application && IsWindowVisible(window) &&
                IsWindowEnabled(window)) {
                EnableWindow(window, FALSE);
                c.disabled.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&context));
    return std::move(context.disabled);
}

void TApplication::EnableTaskWindows(const std::vector<HWND>& windows) {
    for (HWND window : windows) {
        if (IsWindow(window))
            EnableWindow(window, TRUE);
    }
}

// --- Main-thread hand-over -------------------------------------------------------------------

bool TApplication::Synchronize(const void* owner, void (*call)(void*), void* context) {
    if (GetCurrentThreadId() == mainThreadId_) {
        call(context);
        return true;
    }
    TSyncRequest request{owner, call, context, nullptr, false, false};
    std::unique_lock lock(syncMutex_);
    // Counted from here to the return, so that the application object outlives every worker
    // that is still inside this function (see CloseHandOver).
    ++syncUsers_;
    if (syncWindow_) {
        if (syncTail_)
            syncTail_->next = &request;
        else
            syncHead_ = &request;
        syncTail_ = &request;
        HWND wake = syncWindow_;
        lock.unlock();
        // The wake-up is an ordinary posted message, so every message loop of the main thread
        // dispatches it to the application window, modal and system loops included.
        PostMessageW(wake, WM_NULL, 0, 0);
        lock.lock();
        while (!request.done) {
            if (!syncDone_.wait_for(lock, WakeRetry, [&] { return request.done; }) && syncWindow_) {
                wake = syncWindow_;
                lock.unlock();
                PostMessageW(wake, WM_NULL, 0, 0);
                lock.lock();
            }
        }
    } else {
        request.dropped = true;
    }
    --syncUsers_;
    // Notified under the lock: once it is released, the application may be gone.
    syncDone_.notify_all();
    return !request.dropped;
}

void TApplication::RemoveQueuedCalls(const void* owner) {
    {
        std::lock_guard lock(syncMutex_);
        TSyncRequest* previous = nullptr;
        for (TSyncRequest* request = syncHead_; request;) {
            TSyncRequest* next = request->next;
            if (!owner || request->owner == owner) {
                (previous ? previous->next : syncHead_) = next;
                if (syncTail_ == request)
                    syncTail_ = previous;
                request->dropped = true;
                request->done = true; // from here on the request belongs to its worker again
            } else {
                previous = request;
            }
            request = next;
        }
    }
    syncDone_.notify_all();
}

void TApplication::CheckSynchronize() {
    for (;;) {
        TSyncRequest* request;
        {
            std::lock_guard lock(syncMutex_);
            request = syncHead_;
            if (!request)
                return;
            syncHead_ = request->next;
            if (!syncHead_)
                syncTail_ = nullptr;
        }
        // The request stays valid while it runs: its worker waits until `done` is set. The call
        // may open a modal loop that runs further queued calls.
        Guarded(nullptr, [&] { request->call(request->context); });
        {
            std::lock_guard lock(syncMutex_);
            request->done = true;
        }
        syncDone_.notify_all();
    }
}

void TApplication::AttachWorker() {
    ++syncWorkers_;
}

void TApplication::DetachWorker() noexcept {
    // One atomic step and nothing after it: the closing application may go the moment it
    // sees the count drop. (No lock: a worker contending for the hand-over's mutex at its end
    // would make the thread library create a kernel object for it.)
    --syncWorkers_;
}

void TApplication::CloseHandOver() noexcept {
    {
        std::lock_guard lock(syncMutex_);
        syncWindow_ = nullptr;
    }
    RemoveQueuedCalls(nullptr);
    // From here every Synchronize returns at once. Workers still inside it need the mutex to
    // leave; wait for them. Workers that have been told to stop leave within moments; one whose
    // component outlives the application is not waited for beyond a bound.
    {
        std::unique_lock lock(syncMutex_);
        syncDone_.wait(lock, [&] { return syncUsers_ == 0; });
    }
    const auto limit = std::chrono::steady_clock::now() + WorkerLeaveLimit;
    while (syncWorkers_ > 0 && std::chrono::steady_clock::now() < limit)
        Sleep(1);
}

// --- The application window ------------------------------------------------------------------

LRESULT TApplication::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NULL:
        CheckSynchronize();
        return 0;
    case WM_CLOSE:
        // The task-bar button's menu (while it is shown) closes the program.
        if (mainForm_)
            mainForm_->Close();
        return 0;
    case WM_ACTIVATEAPP:
        // A key released while another program has the keyboard comes up there, unseen here.
        if (!wParam)
            keyDown_ = 0;
        else
            ForgetReleasedKey();
        return 0;
    case WM_DISPLAYCHANGE:
        if (OnDisplayChange)
            OnDisplayChange();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        if (wParam) {
            // The session ends: leave the loops as after closing the main form, so that the
            // forms are destroyed as far as the system lets the process run.
            terminated_ = true;
            PostQuitMessage(0);
        }
        return 0;
    default:
        return TWindow::WndProc(message, wParam, lParam);
    }
}

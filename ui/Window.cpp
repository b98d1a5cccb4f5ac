#include "ui/Window.h"

#include <map>
#include <memory>
#include <string_view>
#include <utility>

#include "ui/Application.h"
#include "ui/OSError.h"

// --- TWindowClass ----------------------------------------------------------------------------

const TWindowClass& TWindowClass::Use(const wchar_t* name, const TOptions& options) {
    // Kept to the end of the program: a class cannot be unregistered while a window of it lives.
    static std::map<std::wstring, std::unique_ptr<TWindowClass>, std::less<>> registered;
    auto found = registered.find(std::wstring_view(name));
    if (found == registered.end())
        found = registered.emplace(name, std::make_unique<TWindowClass>(name, options)).first;
    return *found->second;
}

TWindowClass::TWindowClass(const wchar_t* name, const TOptions& options) : name_(name) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = options.Style;
    windowClass.lpfnWndProc = options.Procedure ? options.Procedure : &TWindow::StaticWndProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = options.Cursor;
    windowClass.hIcon = options.Icon;
    windowClass.lpszClassName = name_.c_str();
    if (!RegisterClassExW(&windowClass))
        RaiseLastOSError();
}

TWindowClass::~TWindowClass() {
    UnregisterClassW(name_.c_str(), GetModuleHandleW(nullptr));
}

// --- TWindow ---------------------------------------------------------------------------------

TWindow::~TWindow() {
    DestroyHandle();
}

TWindow* TWindow::FromHandle(HWND window) noexcept {
    if (!window ||
        GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&StaticWndProc))
        return nullptr;
    auto* self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self && self->handle_ == window ? self : nullptr;
}

void TWindow::CreateHandle(const TWindowClass& windowClass, DWORD exStyle, const wchar_t* text,
                           DWORD style, RECT bounds, HWND parent, TComponent* sender) {
    sender_ = sender;
    HWND window = CreateWindowExW(exStyle, windowClass.Name(), text, style, bounds.left, bounds.top,
                                  bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                  nullptr, GetModuleHandleW(nullptr), this);
    if (!window)
        RaiseLastOSError();
    handle_ = window;
}

void TWindow::DestroyHandle() noexcept {
    if (HWND window = std::exchange(handle_, nullptr)) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
}

LRESULT TWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT CALLBACK TWindow::StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Before CreateWindowEx has returned, and once the object has let go of its window.
    if (!self || self->handle_ != window)
        return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    ++self->depth_;
    const bool handled =
        Guarded(self->sender_, [&] { result = self->WndProc(message, wParam, lParam); });
    if (--self->depth_ == 0)
        Guarded(self->sender_, [&] { self->MessagesSettled(); });
    return handled ? result : 0;
}

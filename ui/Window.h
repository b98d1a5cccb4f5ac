// The one way the toolkit makes a window: a window class registered once for the process, and an
// object that owns one window and handles its messages. Forms, the application window and the
// tray icon's message window are all TWindows; controls are standard windows subclassed by
// TControl.
#pragma once

#include <windows.h>

#include <string>

class TComponent;

// A registered window class, unregistered when the object goes. A class is registered once per
// process, at its first use, and kept until the program ends.
class TWindowClass {
public:
    struct TOptions {
        UINT Style = 0;
        HCURSOR Cursor = nullptr;
        HICON Icon = nullptr;
        // The windows of TWindow's procedure (the default) are TWindows; others (a custom
        // control, subclassed afterwards) may keep the system's default procedure.
        WNDPROC Procedure = nullptr;
    };

    // The registration of `name` (made now, with `options`, if it is the first use). The name is
    // what automation and the end-to-end tests find the program's windows by.
    static const TWindowClass& Use(const wchar_t* name, const TOptions& options);

    TWindowClass(const wchar_t* name, const TOptions& options);
    ~TWindowClass();
    TWindowClass(const TWindowClass&) = delete;
    TWindowClass& operator=(const TWindowClass&) = delete;

    const wchar_t* Name() const noexcept { return name_.c_str(); }

private:
    std::wstring name_;
};

class TWindow {
public:
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;
    // Destroys the window, detached first: the messages of its destruction never reach an object
    // that is half destroyed.
    virtual ~TWindow();

    HWND Handle() const noexcept { return handle_; }
    // The object of a window that a TWindow made, or null for any other window.
    static TWindow* FromHandle(HWND window) noexcept;

protected:
    TWindow() = default;

    // Makes the window of a class from TWindowClass with TWindow's procedure. Messages sent while
    // CreateWindowEx runs take the default procedure, so no handler of an object that may still
    // be under construction is ever called. Exceptions that leave a handler go to the top-level
    // error handler with `sender`. Raises EOSError when the window cannot be made.
    void CreateHandle(const TWindowClass& windowClass, DWORD exStyle, const wchar_t* text,
                      DWORD style, RECT bounds, HWND parent, TComponent* sender);
    void DestroyHandle() noexcept;

    // The window's messages; those a window does not handle go to the base, then DefWindowProc.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Runs when the outermost call of the window procedure returns: the step the message
    // belonged to is over, and what it showed or hid is in place.
    virtual void MessagesSettled() {}
    // Window procedure calls under way (sent messages nest).
    int MessageDepth() const noexcept { return depth_; }

private:
    friend class TWindowClass;
    static LRESULT CALLBACK StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;
    TComponent* sender_ = nullptr;
    int depth_ = 0;
};

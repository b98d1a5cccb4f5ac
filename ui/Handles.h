// Owning wrappers for Win32 handles: each closes its handle exactly once, on destruction or reset.
#pragma once

#include <windows.h>

#include <utility>

template <class Traits>
class TUniqueHandle {
public:
    using Type = typename Traits::Type;

    TUniqueHandle() noexcept = default;
    explicit TUniqueHandle(Type handle) noexcept : handle_(handle) {}
    TUniqueHandle(TUniqueHandle&& other) noexcept : handle_(other.Release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    ~TUniqueHandle() { Reset(); }

    Type Get() const noexcept { return handle_; }
    bool Valid() const noexcept { return handle_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return Valid(); }

    Type Release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
    void Reset(Type handle = Traits::Invalid()) noexcept {
        Type old = std::exchange(handle_, handle);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }

private:
    Type handle_ = Traits::Invalid();
};

struct TKernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { CloseHandle(h); }
};
// Handles whose failure value is INVALID_HANDLE_VALUE rather than null (CreateFile).
struct TFileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { CloseHandle(h); }
};
template <class T>
struct TGdiObjectTraits {
    using Type = T;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { DeleteObject(h); }
};
struct TIconTraits {
    using Type = HICON;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { DestroyIcon(h); }
};
struct TMemoryDCTraits {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { DeleteDC(h); }
};
struct TModuleTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { FreeLibrary(h); }
};

using TKernelHandle = TUniqueHandle<TKernelHandleTraits>;
using TFileHandle = TUniqueHandle<TFileHandleTraits>;
using TFontHandle = TUniqueHandle<TGdiObjectTraits<HFONT>>;
using TBrushHandle = TUniqueHandle<TGdiObjectTraits<HBRUSH>>;
using TBitmapHandle = TUniqueHandle<TGdiObjectTraits<HBITMAP>>;
using TIconHandle = TUniqueHandle<TIconTraits>;
using TMemoryDC = TUniqueHandle<TMemoryDCTraits>;
using TModuleHandle = TUniqueHandle<TModuleTraits>;

// A device context obtained with GetDC or GetWindowDC, released with ReleaseDC.
class TWindowDC {
public:
    TWindowDC() noexcept = default;
    TWindowDC(HWND window, HDC dc) noexcept : window_(window), dc_(dc) {}
    TWindowDC(TWindowDC&& other) noexcept
        : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
    TWindowDC& operator=(TWindowDC&& other) noexcept {
        if (this != &other) {
            Reset();
            window_ = other.window_;
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    ~TWindowDC() { Reset(); }

    HDC Get() const noexcept { return dc_; }
    void Reset() noexcept {
        if (dc_)
            ReleaseDC(window_, std::exchange(dc_, nullptr));
    }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

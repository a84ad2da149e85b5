#pragma once

#include <windows.h>

#include <utility>

namespace orlscr {

// Owns one Win32 resource and releases it when it goes out of scope. Traits
// gives the raw type (Type), the value that means "none" (None()) and the
// release call (Close). Move-only; there is no implicit conversion to the raw
// value: get() hands it out, release() gives up ownership, reset() closes the
// current value and takes a new one.
template <typename Traits>
class UniqueAny {
  public:
    using Type = typename Traits::Type;

    UniqueAny() = default;
    explicit UniqueAny(Type value) : value_(value) {}
    ~UniqueAny() { reset(); }

    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Type get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::None(); }

    Type release() { return std::exchange(value_, Traits::None()); }
    void reset(Type value = Traits::None()) {
        Type old = std::exchange(value_, value);
        if (old != Traits::None())
            Traits::Close(old);
    }

  private:
    Type value_ = Traits::None();
};

namespace detail {
// Traits for a raw type T whose "none" is null, released by Close.
template <typename T, auto CloseFn>
struct NullNone {
    using Type = T;
    static T None() { return nullptr; }
    static void Close(T value) { CloseFn(value); }
};
struct FileTraits {
    using Type = HANDLE;
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
inline void CloseHandleValue(HANDLE h) {
    ::CloseHandle(h);
}
inline void FreeModuleValue(HMODULE m) {
    ::FreeLibrary(m);
}
inline void CloseKeyValue(HKEY k) {
    ::RegCloseKey(k);
}
template <typename T>
void DeleteObjectValue(T o) {
    ::DeleteObject(o);
}
inline void DeleteDcValue(HDC dc) {
    ::DeleteDC(dc);
}
inline void DestroyWindowValue(HWND w) {
    ::DestroyWindow(w);
}
inline void UnhookValue(HHOOK h) {
    ::UnhookWindowsHookEx(h);
}
inline void DestroyIconValue(HICON i) {
    ::DestroyIcon(i);
}
inline void DeleteEnhMetaFileValue(HENHMETAFILE m) {
    ::DeleteEnhMetaFile(m);
}
inline void LocalFreeValue(HLOCAL m) {
    ::LocalFree(m);
}
struct FindTraits {
    using Type = HANDLE;
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
}  // namespace detail

// Kernel objects whose "none" is null (events, semaphores, processes, threads).
using UniqueHandle = UniqueAny<detail::NullNone<HANDLE, detail::CloseHandleValue>>;
// Files opened with CreateFile, whose "none" is INVALID_HANDLE_VALUE.
using UniqueFile = UniqueAny<detail::FileTraits>;
using UniqueModule = UniqueAny<detail::NullNone<HMODULE, detail::FreeModuleValue>>;
using UniqueHkey = UniqueAny<detail::NullNone<HKEY, detail::CloseKeyValue>>;
using UniqueGdiObject = UniqueAny<detail::NullNone<HGDIOBJ, detail::DeleteObjectValue<HGDIOBJ>>>;
using UniqueRegion = UniqueAny<detail::NullNone<HRGN, detail::DeleteObjectValue<HRGN>>>;
using UniqueBitmap = UniqueAny<detail::NullNone<HBITMAP, detail::DeleteObjectValue<HBITMAP>>>;
using UniqueBrush = UniqueAny<detail::NullNone<HBRUSH, detail::DeleteObjectValue<HBRUSH>>>;
using UniqueFont = UniqueAny<detail::NullNone<HFONT, detail::DeleteObjectValue<HFONT>>>;
using UniqueMemoryDc = UniqueAny<detail::NullNone<HDC, detail::DeleteDcValue>>;
// A window without an object of the window base (common/win/window.h owns
// those); destroyed on the thread that made it.
using UniqueWindow = UniqueAny<detail::NullNone<HWND, detail::DestroyWindowValue>>;
// A hook of SetWindowsHookEx.
using UniqueHook = UniqueAny<detail::NullNone<HHOOK, detail::UnhookValue>>;
using UniqueIcon = UniqueAny<detail::NullNone<HICON, detail::DestroyIconValue>>;
using UniqueEnhMetaFile = UniqueAny<detail::NullNone<HENHMETAFILE, detail::DeleteEnhMetaFileValue>>;
// Memory from LocalAlloc, or handed out by the system to be freed with LocalFree
// (FormatMessage, CommandLineToArgvW).
using UniqueLocal = UniqueAny<detail::NullNone<HLOCAL, detail::LocalFreeValue>>;
// A search of FindFirstFile, whose "none" is INVALID_HANDLE_VALUE.
using UniqueFind = UniqueAny<detail::FindTraits>;

// A window's device context from GetDC, released with ReleaseDC.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_)
            ::ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND window_;
    HDC dc_;
};

// BeginPaint/EndPaint for one WM_PAINT.
class PaintDc {
  public:
    explicit PaintDc(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
    ~PaintDc() { ::EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;

    HDC get() const { return dc_; }
    const RECT& dirty() const { return paint_.rcPaint; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Selects a GDI object into a device context and selects the previous one back.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (previous_ && previous_ != HGDI_ERROR)
            ::SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace orlscr

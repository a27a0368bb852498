// RAII owners for the Win32 handles the framework keeps.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace mvt {

struct GdiObjectDeleter {
    void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
struct DcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct ModuleDeleter {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct HandleCloser {
    void operator()(void* handle) const {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

template <class H>
using GdiHandle = std::unique_ptr<std::remove_pointer_t<H>, GdiObjectDeleter>;
using UniqueBitmap = GdiHandle<HBITMAP>;
using UniqueFont = GdiHandle<HFONT>;
using UniqueBrush = GdiHandle<HBRUSH>;
using UniquePen = GdiHandle<HPEN>;
using UniqueRegion = GdiHandle<HRGN>;
using UniqueDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Selects a GDI object into a device context for the lifetime of the guard.
class SelectGuard {
  public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectGuard() { SelectObject(dc_, previous_); }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A device context for a window's client area (the whole screen for a null window),
// released on scope exit.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() { ReleaseDC(window_, dc_); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// A window's paint session: BeginPaint on construction, EndPaint on scope exit, so an
// exception thrown while painting never leaves the window's update region validated
// without its paint ended.
class PaintSession {
  public:
    explicit PaintSession(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintSession() { EndPaint(window_, &paint_); }
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;
    HDC get() const { return dc_; }
    const RECT& Area() const { return paint_.rcPaint; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

}  // namespace mvt

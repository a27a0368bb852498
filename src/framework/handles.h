// RAII owners for the Win32 handles the framework keeps.
#pragma once

#include <windows.h>

#include <algorithm>
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

// A memory device context with a bitmap compatible with a window's, kept from one paint to
// the next: under Wine making the pair afresh for every composed part cost about 0.2 ms, more
// than composing a small part itself (most of a percent's work on the progress screen). Only
// a small one is kept, so that a window painted whole once holds no copy of itself.
class OffScreenSurface {
  public:
    // A device context whose bitmap has at least `width` x `height` pixels.
    HDC Prepare(HDC screen, int width, int height) {
        if (dc_ && width <= width_ && height <= height_) return dc_.get();
        // Grown to hold both the last part and this one, so that parts of different shapes
        // do not make it again in turn.
        width = std::max(width, width_);
        height = std::max(height, height_);
        Release();
        UniqueDc dc(CreateCompatibleDC(screen));
        UniqueBitmap bitmap(CreateCompatibleBitmap(screen, width, height));
        if (!dc || !bitmap) return nullptr;
        original_ = SelectObject(dc.get(), bitmap.get());
        bitmap_ = std::move(bitmap);
        dc_ = std::move(dc);
        width_ = width;
        height_ = height;
        return dc_.get();
    }
    // Lets a large bitmap go once its paint is done.
    void Trim() {
        constexpr long long kKeptPixels = 256 * 256;
        if (static_cast<long long>(width_) * height_ > kKeptPixels) Release();
    }
    void Release() {
        if (dc_) SelectObject(dc_.get(), original_);
        dc_.reset();
        bitmap_.reset();
        width_ = height_ = 0;
    }

  private:
    UniqueBitmap bitmap_;
    UniqueDc dc_;
    HGDIOBJ original_ = nullptr;
    int width_ = 0;
    int height_ = 0;
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

#pragma once
// Device-context owners and the selection restorer. A DC that needs more than its handle to be
// released keeps it (WindowDc its HWND, PaintDc its PAINTSTRUCT). Declare owners in creation
// order (DC, bitmap, selection) so that destruction restores the selection first.
#include <windows.h>

#include <utility>

#include "framework/Handles.h"

namespace kv {

class WindowDc {
public:
    WindowDc() = default;
    ~WindowDc() { reset(); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    WindowDc(WindowDc&& o) noexcept : m_hwnd(o.m_hwnd), m_hdc(std::exchange(o.m_hdc, nullptr)) {}
    WindowDc& operator=(WindowDc&& o) noexcept {
        if (this != &o) {
            reset();
            m_hwnd = o.m_hwnd;
            m_hdc = std::exchange(o.m_hdc, nullptr);
        }
        return *this;
    }
    HDC get() const { return m_hdc; }
    explicit operator bool() const { return m_hdc != nullptr; }
    void reset() {
        if (m_hdc) {
            ::ReleaseDC(m_hwnd, m_hdc);
            --LiveOwnerCount();
        }
        m_hdc = nullptr;
    }

private:
    friend WindowDc GetDc(HWND);
    friend WindowDc GetWindowDc(HWND);
    friend WindowDc GetRootWindowDc(HWND, POINT*);
    WindowDc(HWND hwnd, HDC hdc) : m_hwnd(hwnd), m_hdc(hdc) {
        if (m_hdc) ++LiveOwnerCount();
    }
    HWND m_hwnd = nullptr;  // borrowed
    HDC m_hdc = nullptr;
};

//! The client-area DC of a window (the screen for null).
inline WindowDc GetDc(HWND hwnd) { return WindowDc(hwnd, ::GetDC(hwnd)); }
//! The whole-window DC, frame included, origin at the window's outer corner.
inline WindowDc GetWindowDc(HWND hwnd) { return WindowDc(hwnd, ::GetWindowDC(hwnd)); }

//! The whole-window DC of hwnd's top-level window, children not clipped, and in *offset where
//! hwnd's outer corner lies in it. Wine: a child window of another process has no readable or
//! drawable DC of its own (a grab reads black, drawing shows nothing); its top-level window's
//! DC covers the same pixels.
inline WindowDc GetRootWindowDc(HWND hwnd, POINT* offset) {
    HWND root = ::GetAncestor(hwnd, GA_ROOT);
    if (!root || root == hwnd || hwnd == ::GetDesktopWindow()) {
        *offset = POINT{0, 0};
        return GetWindowDc(hwnd);
    }
    RECT w, r;
    ::GetWindowRect(hwnd, &w);
    ::GetWindowRect(root, &r);
    *offset = POINT{w.left - r.left, w.top - r.top};
    return WindowDc(root, ::GetDCEx(root, nullptr, DCX_WINDOW | DCX_CACHE));
}

class PaintDc {
public:
    explicit PaintDc(HWND hwnd) : m_hwnd(hwnd), m_hdc(::BeginPaint(hwnd, &m_ps)) {}
    ~PaintDc() { ::EndPaint(m_hwnd, &m_ps); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return m_hdc; }
    const PAINTSTRUCT& paint() const { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_hdc;
};

//! Selects an object into a DC and puts the previous one back at scope end.
class ScopedSelect {
public:
    ScopedSelect(HDC hdc, HGDIOBJ obj) : m_hdc(hdc), m_old(obj ? ::SelectObject(hdc, obj) : nullptr) {}
    ~ScopedSelect() {
        if (m_old) ::SelectObject(m_hdc, m_old);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC m_hdc;      // borrowed
    HGDIOBJ m_old;  // borrowed: the DC's previous object
};

//! A memory DC compatible with hdc.
inline UniqueHdc CreateCompatibleDc(HDC hdc) { return UniqueHdc(::CreateCompatibleDC(hdc)); }

}  // namespace kv

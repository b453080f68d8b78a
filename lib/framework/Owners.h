#pragma once
// Scoped operations as owners: a timer, the mouse capture, the clipboard, GDI+ and COM.
#include <windows.h>
#include <objbase.h>

#include <utility>

#include "Export.h"

namespace kv {

class TimerOwner {
public:
    TimerOwner() = default;
    TimerOwner(HWND hwnd, UINT_PTR id, UINT ms) { Start(hwnd, id, ms); }
    ~TimerOwner() { Stop(); }
    TimerOwner(const TimerOwner&) = delete;
    TimerOwner& operator=(const TimerOwner&) = delete;
    TimerOwner(TimerOwner&& o) noexcept : m_hwnd(std::exchange(o.m_hwnd, nullptr)), m_id(o.m_id) {}
    TimerOwner& operator=(TimerOwner&& o) noexcept {
        if (this != &o) {
            Stop();
            m_hwnd = std::exchange(o.m_hwnd, nullptr), m_id = o.m_id;
        }
        return *this;
    }
    bool Start(HWND hwnd, UINT_PTR id, UINT ms) {
        Stop();
        if (!::SetTimer(hwnd, id, ms, nullptr)) return false;
        m_hwnd = hwnd, m_id = id;
        return true;
    }
    void Stop() {
        if (m_hwnd) ::KillTimer(std::exchange(m_hwnd, nullptr), m_id);
    }
    bool Running() const { return m_hwnd != nullptr; }

private:
    HWND m_hwnd = nullptr;  // borrowed
    UINT_PTR m_id = 0;
};

class CaptureOwner {
public:
    CaptureOwner() = default;
    explicit CaptureOwner(HWND hwnd) { Set(hwnd); }
    ~CaptureOwner() { Release(); }
    CaptureOwner(const CaptureOwner&) = delete;
    CaptureOwner& operator=(const CaptureOwner&) = delete;
    void Set(HWND hwnd) {
        ::SetCapture(hwnd);
        m_hwnd = hwnd;
    }
    //! Releases the capture if this window still holds it (someone may have taken it since).
    void Release() {
        if (HWND h = std::exchange(m_hwnd, nullptr); h && ::GetCapture() == h) ::ReleaseCapture();
    }

private:
    HWND m_hwnd = nullptr;  // borrowed
};

//! An open clipboard; falsy when OpenClipboard failed (another program holds it), so the caller
//! can retry or report. The second form tries `tries` times, `waitMs` apart.
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) : m_open(::OpenClipboard(owner) != 0) {}
    ClipboardSession(HWND owner, int tries, DWORD waitMs) : m_open(false) {
        for (int i = 0; i < tries && !m_open; ++i) {
            if (i) ::Sleep(waitMs);
            m_open = ::OpenClipboard(owner) != 0;
        }
    }
    ~ClipboardSession() {
        if (m_open) ::CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    explicit operator bool() const { return m_open; }

private:
    bool m_open;
};

//! GDI+ started for the object's lifetime; shut down only if the start-up succeeded.
class KV_API GdiPlusSession {
public:
    GdiPlusSession();
    ~GdiPlusSession();
    GdiPlusSession(const GdiPlusSession&) = delete;
    GdiPlusSession& operator=(const GdiPlusSession&) = delete;
    explicit operator bool() const { return m_ok; }

private:
    ULONG_PTR m_token = 0;
    bool m_ok = false;
};

//! COM on this thread; uninitialised only if it succeeded.
class ComSession {
public:
    explicit ComSession(DWORD model = COINIT_APARTMENTTHREADED) : m_hr(::CoInitializeEx(nullptr, model)) {}
    ~ComSession() {
        if (SUCCEEDED(m_hr)) ::CoUninitialize();
    }
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;
    explicit operator bool() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

}  // namespace kv

#include "framework/Window.h"

#include <commctrl.h>

#include <vector>

#include "framework/ModuleState.h"

namespace {
const wchar_t kClassName[] = L"KvWnd";
}

// The framework's default class: no background brush (windows paint themselves), arrow cursor.
bool CWnd::RegisterFrameworkClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{sizeof wc};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &CWnd::StaticProc;
        wc.hInstance = kv::fw::GetLibraryModule();
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc);
    }();
    return atom != 0;
}

CWnd::~CWnd() {
    if (m_hWnd && !m_attached && ::IsWindow(m_hWnd)) {
        // The object goes first: unbind so that late messages do not reach a dead object.
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CWnd::CreateEx(DWORD exStyle, const wchar_t* title, DWORD style, const RECT& r, HWND parent, UINT_PTR idOrMenu) {
    if (!RegisterFrameworkClass()) return FALSE;
    m_attached = false;
    HWND hwnd = ::CreateWindowExW(exStyle, kClassName, title ? title : L"", style, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, parent, reinterpret_cast<HMENU>(idOrMenu), kv::fw::GetLibraryModule(),
                                  this);
    return hwnd != nullptr;
}

BOOL CWnd::Create(const wchar_t* title, DWORD style, const RECT& rect, CWnd* pParent, UINT id) {
    return CreateEx(0, title, style | WS_CHILD, rect, pParent ? pParent->m_hWnd : nullptr, id);
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    if (m_attached) {
        m_hWnd = nullptr;
        return FALSE;
    }
    return ::DestroyWindow(m_hWnd);
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (m_subclassed && h) ::RemoveWindowSubclass(h, &CWnd::SubclassProc, 0);
    m_subclassed = false;
    m_hWnd = nullptr;
    m_attached = false;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || !::SetWindowSubclass(hwnd, &CWnd::SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this))) return FALSE;
    m_hWnd = hwnd;
    m_attached = true;  // the control belongs to its dialog
    m_subclassed = true;
    return TRUE;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) noexcept {
    auto* self = reinterpret_cast<CWnd*>(ref);
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, &CWnd::SubclassProc, 0);
        self->m_subclassed = false;
        return self->EndOfWindow(::DefSubclassProc(hwnd, msg, wp, lp));
    }
    return self->Deliver(msg, wp, lp);
}

// Nothing leaves a window procedure by exception: a handler that throws is recorded and gets
// default processing.
LRESULT CWnd::Deliver(UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        return WindowProc(msg, wp, lp);
    } catch (...) {
        kv::fw::CountCaughtException("a window procedure");
    }
    try {
        return DefaultProc(msg, wp, lp);
    } catch (...) {
        kv::fw::CountCaughtException("a window's default processing");
        return 0;
    }
}

LRESULT CWnd::EndOfWindow(LRESULT result) {
    m_hWnd = nullptr;
    PostNcDestroy();
    return result;
}

std::wstring CWnd::GetWindowText() const {
    std::vector<wchar_t> buf(size_t(::GetWindowTextLengthW(m_hWnd)) + 1);
    const int n = ::GetWindowTextW(m_hWnd, buf.data(), int(buf.size()));
    return std::wstring(buf.data(), size_t(n));
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    if (!hwnd || ::GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&CWnd::StaticProc))
        return nullptr;
    return reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return DefaultProc(msg, wp, lp); }

LRESULT CWnd::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
    return m_subclassed ? ::DefSubclassProc(m_hWnd, msg, wp, lp) : ::DefWindowProcW(m_hWnd, msg, wp, lp);
}

CWnd* CWnd::BoundObject(HWND hwnd, UINT msg, int slot, CWnd* init) noexcept {
    CWnd* self = init;
    if (self) {
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, slot, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, slot));
    }
    if (self && msg == WM_NCDESTROY) ::SetWindowLongPtrW(hwnd, slot, 0);
    return self;
}

LRESULT CALLBACK CWnd::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    CWnd* init = msg == WM_NCCREATE ? static_cast<CWnd*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams) : nullptr;
    CWnd* self = BoundObject(hwnd, msg, GWLP_USERDATA, init);
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) return self->EndOfWindow(::DefWindowProcW(hwnd, msg, wp, lp));
    return self->Deliver(msg, wp, lp);
}

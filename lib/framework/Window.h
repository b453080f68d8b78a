#pragma once
// CWnd: a window object bound to its HWND. The static procedure takes `this` from the creation
// parameters on WM_NCCREATE, keeps it in GWLP_USERDATA and forwards every later message to the
// object's WindowProc (one switch per class); WM_NCDESTROY unbinds it. A CWnd can also wrap a
// window it did not create (a dialog's control) without owning it.
#include <windows.h>

#include <string>

#include "Export.h"
#include "framework/Types.h"

class KV_API CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    //! Creates the window with the framework's own class; `this` receives its messages.
    BOOL CreateEx(DWORD exStyle, const wchar_t* title, DWORD style, const RECT& rect, HWND parent, UINT_PTR idOrMenu);
    //! Child window with a control id.
    BOOL Create(const wchar_t* title, DWORD style, const RECT& rect, CWnd* pParent, UINT id);
    BOOL DestroyWindow();
    //! Routes an existing window's messages (a dialog's control) to this object through a
    //! subclass procedure; unhandled messages go on to the control's own procedure.
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* pParent) { return SubclassWindow(::GetDlgItem(pParent->GetSafeHwnd(), int(id))); }
    //! Wraps an existing window without taking it over; Detach lets it go again.
    void Attach(HWND hwnd) { m_hWnd = hwnd; m_attached = true; }
    HWND Detach();
    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    void GetClientRect(RECT* r) const { ::GetClientRect(m_hWnd, r); }
    void GetWindowRect(RECT* r) const { ::GetWindowRect(m_hWnd, r); }
    void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void UpdateWindow() const { ::UpdateWindow(m_hWnd); }
    std::wstring GetWindowText() const;
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageW(m_hWnd, msg, wp, lp); }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::PostMessageW(m_hWnd, msg, wp, lp); }
    UINT_PTR SetTimer(UINT_PTR id, UINT ms) const { return ::SetTimer(m_hWnd, id, ms, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }

    //! The object bound to hwnd by this framework, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);

protected:
    //! One switch over the messages a class handles; the rest go to DefaultProc.
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    virtual LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
    //! Called after WM_NCDESTROY, when the HWND is gone.
    virtual void PostNcDestroy() {}
    //! The one binding of every window procedure of the framework (windows, dialogs, property
    //! pages): with `init` (from the creating message) the object is bound to hwnd in the window
    //! long `slot`, else the bound object is looked up there; on WM_NCDESTROY the slot is cleared.
    static CWnd* BoundObject(HWND hwnd, UINT msg, int slot, CWnd* init) noexcept;
    //! After WM_NCDESTROY's default processing: unbind, then PostNcDestroy.
    LRESULT EndOfWindow(LRESULT result);

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static bool RegisterFrameworkClass();
    //! WindowProc behind the callback boundary.
    LRESULT Deliver(UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) noexcept;
    bool m_attached = false;
    bool m_subclassed = false;
};

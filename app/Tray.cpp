#include "Tray.h"

#include "framework/App.h"
#include "framework/Handles.h"
#include "framework/ModuleState.h"
#include "framework/UiText.h"

UINT CTrayNotifyIcon::TaskbarCreatedMessage() {
    static const UINT msg = ::RegisterWindowMessageW(L"TaskbarCreated");
    return msg;
}

CTrayTimerWnd::CTrayTimerWnd(CTrayNotifyIcon* owner, const HICON* icons, int count, UINT interval)
    : m_pOwner(owner), m_icons(icons, icons + count), m_nInterval(interval) {}

BOOL CTrayTimerWnd::CreateHidden() {
    return CreateEx(0, L"CTrayNotifyIcon Animation Notification Window", WS_OVERLAPPEDWINDOW,
                    CRect(CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT), nullptr, 0);
}

LRESULT CTrayTimerWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: m_timer.Start(m_hWnd, 1, m_nInterval); return 0;
    case WM_TIMER:
        if (!m_icons.empty()) {
            m_nCurrent = (m_nCurrent + 1) % m_icons.size();
            m_pOwner->SetIcon(m_icons[m_nCurrent]);
        }
        return 0;
    case WM_DESTROY: m_timer.Stop(); return 0;
    default: return CWnd::WindowProc(msg, wp, lp);
    }
}

BOOL CTrayRessurectionWnd::CreateHidden() {
    return CreateEx(0, L"CTrayNotifyIcon Resurrection Notification Window", WS_OVERLAPPEDWINDOW,
                    CRect(CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT), nullptr, 0);
}

LRESULT CTrayRessurectionWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == CTrayNotifyIcon::TaskbarCreatedMessage()) {
        m_pOwner->Resurrect();
        return 0;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

CTrayNotifyIcon::CTrayNotifyIcon() { TaskbarCreatedMessage(); }

CTrayNotifyIcon::~CTrayNotifyIcon() {
    Delete();
    m_pTimerWnd.reset();
    m_pResurrectionWnd.reset();
}

BOOL CTrayNotifyIcon::Create(CWnd* owner, UINT id, const std::wstring& tip, const HICON* icons, int count, UINT interval,
                             UINT message) {
    m_pOwner = owner;
    m_pTimerWnd = std::make_unique<CTrayTimerWnd>(this, icons, count, interval);
    if (!m_pTimerWnd->CreateHidden()) return FALSE;
    m_pResurrectionWnd = std::make_unique<CTrayRessurectionWnd>(this);
    if (!m_pResurrectionWnd->CreateHidden()) return FALSE;
    m_nid = NOTIFYICONDATAW{};
    m_nid.cbSize = sizeof m_nid;
    m_nid.hWnd = owner->GetSafeHwnd();
    m_nid.uID = id;
    m_nid.uCallbackMessage = message;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.hIcon = count > 0 ? icons[0] : nullptr;
    // The tip holds 127 characters: a longer application name is cut.
    wcsncpy(m_nid.szTip, tip.c_str(), 127);
    m_nid.szTip[127] = 0;
    m_bShowing = ::Shell_NotifyIconW(NIM_ADD, &m_nid);
    m_bAnimated = TRUE;
    return m_bShowing;
}

void CTrayNotifyIcon::SetIcon(HICON icon) {
    if (!m_bShowing) return;
    m_nid.uFlags = NIF_ICON;
    m_nid.hIcon = icon;
    ::Shell_NotifyIconW(NIM_MODIFY, &m_nid);
}

void CTrayNotifyIcon::Delete() {
    if (!m_bShowing) return;
    m_nid.uFlags = 0;
    ::Shell_NotifyIconW(NIM_DELETE, &m_nid);
    m_bShowing = FALSE;
}

void CTrayNotifyIcon::Resurrect() {
    if (m_bHidden) return;
    m_nid.uFlags = NIF_ICON;
    ::Shell_NotifyIconW(NIM_DELETE, &m_nid);
    m_bHidden = TRUE;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_bShowing = ::Shell_NotifyIconW(NIM_ADD, &m_nid);
    m_bHidden = FALSE;
}

LRESULT CTrayNotifyIcon::HandleTrayMessage(WPARAM wp, LPARAM lp) {
    if (wp != m_nid.uID) return 0;
    kv::UniqueHmenu menu(kv::fw::LoadUiMenu(kv::fw::GetInstanceHandle(), m_nid.uID));
    if (!menu) return 0;
    HMENU popup = ::GetSubMenu(menu.get(), 0);
    if (LOWORD(lp) == WM_RBUTTONUP) {
        kv::UniqueHmenu again(kv::fw::LoadUiMenu(kv::fw::GetInstanceHandle(), m_nid.uID));
        HMENU sub = ::GetSubMenu(again.get(), 0);
        POINT pt;
        ::GetCursorPos(&pt);
        ::SetMenuDefaultItem(sub, 0, TRUE);
        ::SetForegroundWindow(m_pOwner->GetSafeHwnd());
        CWnd* main = AfxGetApp() && AfxGetApp()->m_pMainWnd ? AfxGetApp()->m_pMainWnd : m_pOwner;
        ::TrackPopupMenu(sub, TPM_RIGHTBUTTON, pt.x, pt.y, 0, main->GetSafeHwnd(), nullptr);
        ::PostMessageW(m_pOwner->GetSafeHwnd(), WM_NULL, 0, 0);  // the menu closes properly when clicked away
    } else if (LOWORD(lp) == WM_LBUTTONDBLCLK) {
        ::SendMessageW(m_pOwner->GetSafeHwnd(), WM_COMMAND, ::GetMenuItemID(popup, 0), 0);
    }
    return 1;
}

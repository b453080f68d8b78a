// The capture types. Each follows the same frame (busy guard, hide, record, choose, pause,
// sound, grab, show, forget the names, automatic copy) in the order its table row gives.
#include <memory>

#include "engine/KarvoCore.h"
#include "engine/WindowList.h"
#include "selection/DlgSnapRectHelper.h"
#include "settings/LocalResource.h"

// Wine: in a virtual desktop the area a hidden window uncovers is repainted only a second or two
// later (measured on Xvfb), so a grab after the default 500 ms pause can still show the window;
// a longer pause in the settings avoids it there.
bool CKarvoCore::HideForCapture() {
    if (!m_config.GetHideMainWnd() || !m_pMainWnd) return false;
    m_pMainWnd->ShowWindow(SW_HIDE);
    return true;
}

BOOL CKarvoCore::FinishCapture(bool hidden, BOOL result, bool guarded) {
    if (hidden) m_pMainWnd->ShowWindow(SW_SHOW);
    m_strPathName.clear();
    m_strFileName.clear();
    AutoCopyCurrent();
    if (guarded) m_bSnapping = FALSE;
    return result;
}

HWND CKarvoCore::ChooseWindow() {
    CKarvoLocalResource local;
    CDlgActiveWin dlg(nullptr);
    dlg.DoModal();
    return dlg.GetSelWnd();
}

BOOL CKarvoCore::SnapActiveWin() {
    if (m_bSnapping) return FALSE;
    m_bSnapping = TRUE;
    const bool hidden = HideForCapture();
    m_config.SetSnapMode(1);
    BOOL result = FALSE;
    if (HWND chosen = ChooseWindow()) {
        ::SetForegroundWindow(chosen);
        ::Sleep(m_config.GetSnapDelayTime());
        PlaySnapSound();
        result = SnapRect(chosen, CRect());
    }
    return FinishCapture(hidden, result, true);
}

BOOL CKarvoCore::SnapCurrentWin() {
    if (m_bSnapping) return FALSE;
    m_bSnapping = TRUE;
    m_config.SetSnapMode(2);
    const bool hidden = HideForCapture();
    auto list = std::make_unique<EnumWndList>();
    EnumWndList* p = list.get();
    ::EnumWindows(&EnumWndProc, reinterpret_cast<LPARAM>(&p));
    BOOL result = FALSE;
    if (list->count >= 1 && list->entries[1].hwnd) {
        ::Sleep(m_config.GetSnapDelayTime());
        PlaySnapSound();
        result = SnapRect(list->entries[1].hwnd, CRect());
    }
    return FinishCapture(hidden, result, true);
}

// The client area in coordinates of the window's own DC (origin at its outer corner).
BOOL CKarvoCore::SnapWinClient() {
    if (m_bSnapping) return FALSE;
    m_bSnapping = TRUE;
    const bool hidden = HideForCapture();
    m_config.SetSnapMode(3);
    BOOL result = FALSE;
    if (HWND chosen = ChooseWindow()) {
        ::Sleep(m_config.GetSnapDelayTime());
        PlaySnapSound();
        CRect w, c;
        ::GetWindowRect(chosen, &w);
        POINT tl{w.left, w.top}, br{w.right, w.bottom};
        ::ScreenToClient(chosen, &tl);
        ::ScreenToClient(chosen, &br);
        w = CRect(tl.x, tl.y, br.x, br.y);
        ::GetClientRect(chosen, &c);
        const CRect rect(c.left - w.left, c.top - w.top, c.left - w.left + c.Width(), c.top - w.top + c.Height());
        result = SnapRect(chosen, rect);
    }
    return FinishCapture(hidden, result, true);
}

// Not guarded: a selection may run while another capture's dialog is open.
BOOL CKarvoCore::SnapSelectRect() {
    const bool hidden = HideForCapture();
    ::Sleep(m_config.GetSnapDelayTime());
    m_config.SetSnapMode(5);
    BOOL result = FALSE;
    {
        CKarvoLocalResource local;
        CDlgSnapRectHelper dlg(nullptr);
        dlg.DoModal();
        CRect rect(0, 0, 0, 0);
        if (dlg.GetSelectedRect(rect)) {
            PlaySnapSound();
            result = SnapRect(::GetDesktopWindow(), rect);
        }
    }
    return FinishCapture(hidden, result, false);
}

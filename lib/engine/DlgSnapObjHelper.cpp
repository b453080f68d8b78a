#include "engine/DlgSnapObjHelper.h"

#include <cstdio>
#include <memory>

#include "engine/WindowList.h"
#include "framework/UiText.h"
#include "imaging/ScreenGrab.h"
#include "res/resource.h"

BOOL CDlgSnapObjHelper::OnInitDialog() {
    m_tipEdit.SubclassDlgItem(IDB_SNAP_TIP, this);
    static CWnd desktop;
    if (!desktop.GetSafeHwnd()) desktop.Attach(::GetDesktopWindow());
    m_tipEdit.SetSourceWnd(&desktop, TRUE);
    // At the bottom right of the monitor under the cursor, inside its work area.
    POINT cur;
    ::GetCursorPos(&cur);
    const kv::MonitorLayout layout = kv::DesktopLayout();
    const int m = layout.Nearest(kv::Point{cur.x, cur.y});
    const kv::Rect r = m >= 0 ? layout.Monitors()[size_t(m)].bounds : kv::Rect{};
    m_nTipWidth = CSnapTipEdit::kWidth;
    m_nTipHeight = CSnapTipEdit::kHeight;
    const kv::Rect at = layout.KeepInWorkArea(
        kv::Rect{r.right - 10 - m_nTipWidth, r.bottom - 10 - m_nTipHeight, r.right - 10, r.bottom - 10}, kv::Point{cur.x, cur.y});
    ::MoveWindow(m_hWnd, at.left, at.top, m_nTipWidth, m_nTipHeight, FALSE);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    ::MoveWindow(m_tipEdit.GetSafeHwnd(), 0, 0, client.right, client.bottom, FALSE);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    DrawTipWindow();
    return TRUE;
}

void CDlgSnapObjHelper::DrawTipWindow() {
    POINT cur;
    ::GetCursorPos(&cur);
    m_tipEdit.SetText(kv::fw::FormatText(kv::fw::LibraryText(IDS_KV_OBJ_TIP), {std::to_wstring(cur.x), std::to_wstring(cur.y)}));
}

// The modal tip takes the foreground when it opens; the first move hands it back to the
// topmost titled window, the one the user works with.
void CDlgSnapObjHelper::OnMouseMove() {
    DrawTipWindow();
    if (m_bFirstMove) {
        auto list = std::make_unique<EnumWndList>();
        EnumWndList* p = list.get();
        ::EnumWindows(&EnumWndProc, reinterpret_cast<LPARAM>(&p));
        if (list->count >= 1 && list->entries[1].hwnd) ::SetForegroundWindow(list->entries[1].hwnd);
        m_bFirstMove = FALSE;
    }
}

INT_PTR CDlgSnapObjHelper::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE: OnMouseMove(); return FALSE;
    case WM_DESTROY: m_bFirstMove = TRUE; return FALSE;
    default: return CDialog::DialogProc(msg, wp, lp);
    }
}

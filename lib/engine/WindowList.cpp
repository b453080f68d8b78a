#include "engine/WindowList.h"

#include <memory>
#include <vector>

#include "res/resource.h"

BOOL CALLBACK EnumWndProc(HWND hwnd, LPARAM lParam) noexcept {
    EnumWndList* list = *reinterpret_cast<EnumWndList**>(lParam);
    if (list->count + 1 >= 255) return TRUE;
    if (!::IsWindowVisible(hwnd) || ::IsIconic(hwnd)) return TRUE;
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    if (rc.right - rc.left <= 4 || rc.bottom - rc.top <= 4) return TRUE;
    wchar_t title[260];
    if (::GetWindowTextW(hwnd, title, 260) <= 0) return TRUE;
    EnumWndList::Entry& e = list->entries[++list->count];
    e.hwnd = hwnd;
    wcscpy(e.title, title);
    return TRUE;
}

BOOL CDlgActiveWin::OnInitDialog() {
    m_listWnd = GetDlgItem(IDC_WND_LIST);
    auto list = std::make_unique<EnumWndList>();
    EnumWndList* p = list.get();
    ::EnumWindows(&EnumWndProc, reinterpret_cast<LPARAM>(&p));
    // The bottom-most qualifying window (usually the shell's desktop) is not listed.
    for (int i = 1; i < list->count; ++i) {
        const LRESULT at = ::SendMessageW(m_listWnd, LB_INSERTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(list->entries[i].title));
        if (at >= 0) ::SendMessageW(m_listWnd, LB_SETITEMDATA, WPARAM(at), reinterpret_cast<LPARAM>(list->entries[i].hwnd));
    }
    ::SendMessageW(m_listWnd, LB_SETCURSEL, 0, 0);
    return TRUE;
}

void CDlgActiveWin::OnOK() {
    const LRESULT sel = ::SendMessageW(m_listWnd, LB_GETCURSEL, 0, 0);
    m_hSelWnd = reinterpret_cast<HWND>(::SendMessageW(m_listWnd, LB_GETITEMDATA, WPARAM(sel), 0));
    const LRESULT len = ::SendMessageW(m_listWnd, LB_GETTEXTLEN, WPARAM(sel), 0);
    if (len >= 0) {
        std::vector<wchar_t> buf(size_t(len) + 1);
        ::SendMessageW(m_listWnd, LB_GETTEXT, WPARAM(sel), reinterpret_cast<LPARAM>(buf.data()));
        m_strWndTitle = buf.data();
    }
    EndDialog(IDOK);
}

BOOL CDlgActiveWin::OnCommand(UINT id, UINT code, HWND hwndCtl) {
    if (id == IDC_WND_LIST && code == LBN_SELCHANGE) {
        const LRESULT sel = ::SendMessageW(m_listWnd, LB_GETCURSEL, 0, 0);
        HWND w = reinterpret_cast<HWND>(::SendMessageW(m_listWnd, LB_GETITEMDATA, WPARAM(sel), 0));
        if (w && sel >= 0) ::SetForegroundWindow(w);  // each window comes to the front as it is selected
        return TRUE;
    }
    if (id == IDC_WND_LIST && code == LBN_DBLCLK) {
        if (::SendMessageW(m_listWnd, LB_GETCURSEL, 0, 0) >= 0) OnOK();
        return TRUE;
    }
    return CDialog::OnCommand(id, code, hwndCtl);
}

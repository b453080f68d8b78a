
#include "About.h"

#include <commctrl.h>
#include <shellapi.h>

#include "res/resource.h"

CDlgAbout::CDlgAbout() : CDialog(IDD_ABOUTBOX) {}

// A click on a link opens its target (web page, mail program, chat client) through the shell.
INT_PTR CDlgAbout::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if ((hdr->code == NM_CLICK || hdr->code == NM_RETURN) &&
            (hdr->idFrom == IDC_LINK_SITE || hdr->idFrom == IDC_LINK_MAIL || hdr->idFrom == IDC_LINK_QQ)) {
            const auto* link = reinterpret_cast<const NMLINK*>(lp);
            ::ShellExecuteW(m_hWnd, L"open", link->item.szUrl, nullptr, nullptr, SW_SHOWNORMAL);
            return TRUE;
        }
    }
    return CDialog::DialogProc(msg, wp, lp);
}

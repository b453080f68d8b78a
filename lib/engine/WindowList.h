#pragma once
// The window enumeration behind the window-list dialog and the current-window capture, and the
// dialog itself (template 4004): titled, visible, not minimised top-level windows in Z order.
#include <string>

#include "framework/Dialog.h"

struct EnumWndList {
    int count = 0;
    struct Entry {
        HWND hwnd;
        wchar_t title[260];
    } entries[255];  // filled from index 1 up to count; entry 0 is never used
};

//! The enumeration callback: lParam points to an EnumWndList pointer. Always TRUE.
BOOL CALLBACK EnumWndProc(HWND hwnd, LPARAM lParam) noexcept;

class CDlgActiveWin : public CDialog {
public:
    enum { IDD = 4004 };
    explicit CDlgActiveWin(CWnd* pParent = nullptr) : CDialog(IDD, pParent) {}
    //! The chosen window after OK (LB_ERR as a handle when nothing was selected), else null.
    HWND GetSelWnd() const { return m_hSelWnd; }
    std::wstring GetWndTitle() const { return m_strWndTitle; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(UINT id, UINT code, HWND hwndCtl) override;

private:
    HWND m_listWnd = nullptr;  // the list box 4000, a child of the dialog
    std::wstring m_strWndTitle;
    HWND m_hSelWnd = nullptr;
};

#pragma once
// CPropertySheet and CPropertyPage: a modal property sheet of template pages. A page reads
// `this` from its PROPSHEETPAGE on WM_INITDIALOG; leaving a page or confirming the sheet runs
// the page's data exchange, and a page that refuses keeps the sheet open on itself.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/Dialog.h"

namespace kv::fw {
//! A page's template as the sheet shows it: in the interface language and the sheet's font;
//! empty when the module has no such template.
KV_API std::vector<uint8_t> SheetPageTemplate(HINSTANCE module, UINT id);
}  // namespace kv::fw

class KV_API CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId) : CDialog(templateId) {}
    //! Controls → fields (TRUE, may refuse: returns FALSE after telling the user) or fields →
    //! controls (FALSE).
    virtual BOOL UpdateData(BOOL save) { (void)save; return TRUE; }
    PROPSHEETPAGEW& Psp() { return m_psp; }

protected:
    BOOL OnInitDialog() override { return UpdateData(FALSE); }
    //! The sheet's OK reached this page (after its data was taken).
    void OnOK() override {}
    void OnCancel() override {}
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;

    //! Reads an integer from an edit; refuses (message, focus) when it is not one or out of range.
    BOOL ExchangeInt(int id, int& value, bool save, long long lo, long long hi, bool checkRange);

private:
    friend class CPropertySheet;
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    PROPSHEETPAGEW m_psp{};
    std::vector<uint8_t> m_template;  // the template in the sheet's font, while the sheet runs
};

class KV_API CPropertySheet {
public:
    CPropertySheet(const std::wstring& caption, CWnd* parent, UINT startPage = 0);
    void AddPage(CPropertyPage* page) { m_pages.push_back(page); }
    //! IDOK or IDCANCEL.
    INT_PTR DoModal();
    DWORD m_dwFlags = PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP;
    HWND GetSafeHwnd() const { return m_hWnd; }

private:
    static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lp) noexcept;
    std::wstring m_caption;
    CWnd* m_pParent;
    UINT m_startPage;
    std::vector<CPropertyPage*> m_pages;
    HWND m_hWnd = nullptr;
};

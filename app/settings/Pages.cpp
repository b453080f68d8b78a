#include "settings/Pages.h"

#include <commdlg.h>

#include "Tables.h"
#include "res/resource.h"

namespace {

BOOL Checked(HWND dlg, int id) { return ::IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
void Check(HWND dlg, int id, BOOL on) { ::CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED); }

}  // namespace

COptionBasic::COptionBasic() : CPropertyPage(IDD_OPTION_BASIC) {}

BOOL COptionBasic::UpdateData(BOOL save) {
    if (!save) {
        Check(m_hWnd, IDC_CHECK_SOUND, m_bPlaySound);
        Check(m_hWnd, IDC_CHECK_HIDEMAIN, m_bHideMainWnd);
        Check(m_hWnd, IDC_CHECK_SNAPONSTART, m_bSnapOnStart);
        ::SetDlgItemInt(m_hWnd, IDC_EDIT_DELAY, m_nDelay, FALSE);
        Check(m_hWnd, IDC_CHECK_KEEPONTOP, m_bKeepOnTop);
        Check(m_hWnd, IDC_CHECK_POINTER, m_bDrawPointer);
        return TRUE;
    }
    int delay = int(m_nDelay);
    if (!ExchangeInt(IDC_EDIT_DELAY, delay, true, 0, 15000, true)) return FALSE;
    m_bPlaySound = Checked(m_hWnd, IDC_CHECK_SOUND);
    m_bHideMainWnd = Checked(m_hWnd, IDC_CHECK_HIDEMAIN);
    m_bSnapOnStart = Checked(m_hWnd, IDC_CHECK_SNAPONSTART);
    m_nDelay = UINT(delay);
    m_bKeepOnTop = Checked(m_hWnd, IDC_CHECK_KEEPONTOP);
    m_bDrawPointer = Checked(m_hWnd, IDC_CHECK_POINTER);
    return TRUE;
}

COptionImage::COptionImage() : CPropertyPage(IDD_OPTION_IMAGE) {}

BOOL COptionImage::UpdateData(BOOL save) {
    struct Field {
        int id;
        int* value;
    };
    const Field fields[6] = {{IDC_EDIT_ROTATE, &m_nRotateAngle}, {IDC_EDIT_SCALE, &m_nScaleFactor},
                             {IDC_EDIT_SHEARACROSS, &m_nShearAcross}, {IDC_EDIT_SHEARDOWN, &m_nShearDown},
                             {IDC_EDIT_BLUR, &m_nBlurFactor},      {IDC_EDIT_SHARPEN, &m_nSharpenFactor}};
    if (!save) {
        ::SetDlgItemTextW(m_hWnd, IDC_EDIT_EDITOR, m_strEditor.c_str());
        for (const Field& f : fields) ExchangeInt(f.id, *f.value, false, 0, 0, false);
        return TRUE;
    }
    // Everything is read before anything is taken, so a refused field leaves the page's values.
    int values[6];
    for (int i = 0; i < 6; ++i) {
        values[i] = *fields[i].value;
        const bool angle = fields[i].id == IDC_EDIT_ROTATE;
        if (!ExchangeInt(fields[i].id, values[i], true, -360, 360, angle)) return FALSE;
    }
    const int len = ::GetWindowTextLengthW(GetDlgItem(IDC_EDIT_EDITOR));
    std::wstring editor(size_t(len) + 1, L'\0');
    ::GetDlgItemTextW(m_hWnd, IDC_EDIT_EDITOR, editor.data(), len + 1);
    editor.resize(size_t(len));
    m_strEditor = editor;
    for (int i = 0; i < 6; ++i) *fields[i].value = values[i];
    return TRUE;
}

BOOL COptionImage::OnCommand(UINT id, UINT code, HWND hwndCtl) {
    if (id != IDC_BROWSE_EDITOR || code != BN_CLICKED) return CPropertyPage::OnCommand(id, code, hwndCtl);
    wchar_t file[MAX_PATH] = {};
    const wchar_t filter[] = L"图像编辑程序(*.exe)\0*.exe\0\0";
    OPENFILENAMEW ofn{sizeof ofn};
    ofn.hwndOwner = ::GetAncestor(m_hWnd, GA_ROOT);  // the sheet: disabled while the dialog is open
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    if (::GetOpenFileNameW(&ofn)) {
        m_strEditor = file;
        UpdateData(FALSE);  // the other fields go back to the page's values
    }
    return TRUE;
}

COptionHotkey::COptionHotkey()
    : CPropertyPage(IDD_OPTION_HOTKEY),
      m_keys{{{0, 0x2C}, {2, 0x2C}, {0, 0x72}, {0, 0x73}, {0, 0x74}, {0, 0x75}, {0, 0x76}, {0, 0x77}, {1, 0x76}}} {}

BOOL COptionHotkey::UpdateData(BOOL save) {
    for (size_t i = 0; i < kv::app::kHotKeyCount; ++i) {
        HWND c = GetDlgItem(kv::app::kHotKeys[i].control);
        auto& [mod, vk] = m_keys[i];
        if (save) {
            const LRESULT v = ::SendMessageW(c, HKM_GETHOTKEY, 0, 0);
            vk = WORD(LOBYTE(LOWORD(v)));
            mod = WORD(HIBYTE(LOWORD(v)));
        } else {
            ::SendMessageW(c, HKM_SETHOTKEY, MAKEWORD(LOBYTE(vk), LOBYTE(mod)), 0);
        }
    }
    return TRUE;
}

// While the page is open it holds PrintScreen itself, so that PrintScreen can be entered.
BOOL COptionHotkey::OnInitDialog() {
    UpdateData(FALSE);
    ::RegisterHotKey(m_hWnd, IDH_PAGE_PRINTSCREEN, 0, VK_SNAPSHOT);
    return TRUE;
}

void COptionHotkey::OnOK() { ::UnregisterHotKey(m_hWnd, IDH_PAGE_PRINTSCREEN); }

INT_PTR COptionHotkey::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_HOTKEY) {
        if (wp == IDH_PAGE_PRINTSCREEN) ::SendMessageW(GetDlgItem(IDC_HOTKEY_NEWSNAP), HKM_SETHOTKEY, VK_SNAPSHOT, 0);
        return TRUE;
    }
    if (msg == WM_DESTROY) ::UnregisterHotKey(m_hWnd, IDH_PAGE_PRINTSCREEN);
    return CPropertyPage::DialogProc(msg, wp, lp);
}

#include "settings/Pages.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>

#include "Tables.h"
#include "engine/KarvoCore.h"
#include "framework/Owners.h"
#include "framework/UiText.h"
#include "settings/FileDialogs.h"
#include "settings/NamePattern.h"
#include "res/resource.h"

namespace {

BOOL Checked(HWND dlg, int id) { return ::IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
void Check(HWND dlg, int id, BOOL on) { ::CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED); }

}  // namespace

COptionBasic::COptionBasic() : CPropertyPage(IDD_OPTION_BASIC) {}

namespace {

// The language list's items, in order, with the setting each stores.
struct LanguageItem {
    UINT text;
    const wchar_t* setting;
};
constexpr LanguageItem kLanguages[] = {{IDS_LANGUAGE_AUTO, L"auto"}, {IDS_LANGUAGE_CHINESE, L"zh-CN"}, {IDS_LANGUAGE_ENGLISH, L"en-US"}};

}  // namespace

BOOL COptionBasic::OnInitDialog() {
    HWND combo = GetDlgItem(IDC_COMBO_LANGUAGE);
    m_shownLanguage = 0;
    for (int i = 0; i < 3; ++i) {
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kv::fw::LoadText(kLanguages[i].text).c_str()));
        if (m_strLanguage == kLanguages[i].setting) m_shownLanguage = i;
    }
    ::SendMessageW(combo, CB_SETCURSEL, WPARAM(m_shownLanguage), 0);
    return CPropertyPage::OnInitDialog();
}

BOOL COptionBasic::UpdateData(BOOL save) {
    if (!save) {
        Check(m_hWnd, IDC_CHECK_SOUND, m_bPlaySound);
        Check(m_hWnd, IDC_CHECK_HIDEMAIN, m_bHideMainWnd);
        Check(m_hWnd, IDC_CHECK_SNAPONSTART, m_bSnapOnStart);
        ::SetDlgItemInt(m_hWnd, IDC_EDIT_DELAY, m_nDelay, FALSE);
        Check(m_hWnd, IDC_CHECK_KEEPONTOP, m_bKeepOnTop);
        Check(m_hWnd, IDC_CHECK_POINTER, m_bDrawPointer);
        Check(m_hWnd, IDC_CHECK_EDITORAFTER, m_bEditorAfterCapture);
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
    m_bEditorAfterCapture = Checked(m_hWnd, IDC_CHECK_EDITORAFTER);
    const LRESULT sel = ::SendMessageW(GetDlgItem(IDC_COMBO_LANGUAGE), CB_GETCURSEL, 0, 0);
    if (sel >= 0 && sel < 3 && sel != m_shownLanguage) m_strLanguage = kLanguages[sel].setting;
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
    std::wstring filter = kv::fw::LoadText(IDS_EDITOR_FILTER);
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    OPENFILENAMEW ofn{sizeof ofn};
    ofn.hwndOwner = ::GetAncestor(m_hWnd, GA_ROOT);  // the sheet: disabled while the dialog is open
    ofn.lpstrFilter = filter.c_str();
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
      m_keys{{{0, 0x2C}, {2, 0x2C}, {0, 0x72}, {0, 0x73}, {0, 0x74}, {0, 0x75}, {0, 0x76}, {0, 0x77}, {1, 0x76}, {0, 0}, {0, 0}, {0, 0}}} {}

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

COptionAutoSave::COptionAutoSave() : CPropertyPage(IDD_OPTION_AUTOSAVE) {}

std::wstring COptionAutoSave::Text(int id) const {
    HWND c = ::GetDlgItem(m_hWnd, id);
    std::wstring t(size_t(::GetWindowTextLengthW(c)) + 1, L'\0');
    t.resize(size_t(::GetWindowTextW(c, t.data(), int(t.size()))));
    return t;
}

// The formats of the installed encoders, by name, each with its first extension.
BOOL COptionAutoSave::OnInitDialog() {
    HWND combo = GetDlgItem(IDC_COMBO_AUTOSAVE_FORMAT);
    m_formats.clear();
    for (const CGdiplusCodecInfo& c : kv::InstalledCodecs(false)) {
        const std::wstring item = c.GetFormat() + L" (*." + c.GetDefExt() + L")";
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        m_formats.push_back(c.GetDefExt());
    }
    return UpdateData(FALSE);
}

BOOL COptionAutoSave::UpdateData(BOOL save) {
    HWND combo = GetDlgItem(IDC_COMBO_AUTOSAVE_FORMAT);
    if (!save) {
        Check(m_hWnd, IDC_CHECK_AUTOSAVE, m_bAutoSave);
        ::SetDlgItemTextW(m_hWnd, IDC_EDIT_AUTOSAVE_FOLDER, m_strFolder.c_str());
        ::SetDlgItemTextW(m_hWnd, IDC_EDIT_AUTOSAVE_PATTERN, m_strPattern.c_str());
        int at = 0;
        for (size_t i = 0; i < m_formats.size(); ++i)
            if (_wcsicmp(m_formats[i].c_str(), m_strFormat.c_str()) == 0) at = int(i);
        ::SendMessageW(combo, CB_SETCURSEL, WPARAM(at), 0);
        ShowExample();
        return TRUE;
    }
    const BOOL on = Checked(m_hWnd, IDC_CHECK_AUTOSAVE);
    const std::wstring folder = Text(IDC_EDIT_AUTOSAVE_FOLDER);
    const DWORD a = ::GetFileAttributesW(folder.c_str());
    if (on && (folder.empty() || a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY))) {
        ::MessageBoxW(m_hWnd, kv::fw::LoadText(IDS_AUTOSAVE_NEED_FOLDER).c_str(), kv::fw::LoadText(IDS_SETTINGS_CAPTION).c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        ::SetFocus(GetDlgItem(IDC_EDIT_AUTOSAVE_FOLDER));
        return FALSE;
    }
    // The settings file has no way to hold < or > in a value (and no file name may hold them).
    const std::wstring pattern = Text(IDC_EDIT_AUTOSAVE_PATTERN);
    if (pattern.find_first_of(L"<>") != std::wstring::npos) {
        ::MessageBoxW(m_hWnd, kv::fw::LoadText(IDS_AUTOSAVE_BAD_PATTERN).c_str(), kv::fw::LoadText(IDS_SETTINGS_CAPTION).c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        ::SetFocus(GetDlgItem(IDC_EDIT_AUTOSAVE_PATTERN));
        return FALSE;
    }
    m_bAutoSave = on;
    m_strFolder = folder;
    m_strPattern = pattern;
    const LRESULT sel = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (sel >= 0 && size_t(sel) < m_formats.size()) m_strFormat = m_formats[size_t(sel)];
    return TRUE;
}

// The name the next capture would get, as the user types the pattern.
void COptionAutoSave::ShowExample() {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    kv::NameFields f;
    f.year = t.wYear, f.month = t.wMonth, f.day = t.wDay, f.hour = t.wHour, f.minute = t.wMinute, f.second = t.wSecond;
    f.counter = unsigned(std::max(m_nCounter, 1));
    f.type = CKarvoCore::CaptureTypeName(int(kv::CaptureType::Rectangle));
    f.title = kv::fw::LoadText(IDS_EXAMPLE_TITLE), f.process = L"notepad";
    const LRESULT sel = ::SendMessageW(GetDlgItem(IDC_COMBO_AUTOSAVE_FORMAT), CB_GETCURSEL, 0, 0);
    const std::wstring ext = sel >= 0 && size_t(sel) < m_formats.size() ? m_formats[size_t(sel)] : m_strFormat;
    const std::wstring name = kv::ExpandNamePattern(Text(IDC_EDIT_AUTOSAVE_PATTERN), f) + L"." + ext;
    ::SetDlgItemTextW(m_hWnd, IDC_AUTOSAVE_EXAMPLE, name.c_str());
}

BOOL COptionAutoSave::OnCommand(UINT id, UINT code, HWND hwndCtl) {
    if ((id == IDC_EDIT_AUTOSAVE_PATTERN && code == EN_CHANGE) || (id == IDC_COMBO_AUTOSAVE_FORMAT && code == CBN_SELCHANGE)) {
        ShowExample();
        return TRUE;
    }
    if (id != IDC_BROWSE_AUTOSAVE || code != BN_CLICKED) return CPropertyPage::OnCommand(id, code, hwndCtl);
    // The folder dialog of the shell, owned by the sheet.
    kv::ComSession com;
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW bi{};
    bi.hwndOwner = ::GetAncestor(m_hWnd, GA_ROOT);
    bi.pszDisplayName = display;
    const std::wstring title = kv::fw::LoadText(IDS_BROWSE_FOLDER_TITLE);
    bi.lpszTitle = title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    if (PIDLIST_ABSOLUTE item = ::SHBrowseForFolderW(&bi)) {
        wchar_t path[MAX_PATH] = {};
        if (::SHGetPathFromIDListW(item, path)) ::SetDlgItemTextW(m_hWnd, IDC_EDIT_AUTOSAVE_FOLDER, path);
        ::CoTaskMemFree(item);
    }
    return TRUE;
}

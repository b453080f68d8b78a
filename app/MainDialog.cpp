// The main dialog: initialisation and destruction, data exchange, window messages, and the
// idle update of menus and buttons.
#include "MainDialog.h"

#include <commctrl.h>

#include <string>

#include "About.h"
#include "framework/Diagnostics.h"
#include "framework/ModuleState.h"
#include "framework/UiText.h"
#include "Tables.h"
#include "res/resource.h"

namespace {

std::wstring LoadString(UINT id) { return kv::fw::LoadText(kv::fw::GetInstanceHandle(), id); }

// The diagnostics query (framework/Diagnostics.h), answered by the main window.
UINT DiagnosticsMessage() {
    static const UINT msg = ::RegisterWindowMessageW(kv::diag::kMessageName);
    return msg;
}

}  // namespace

CKarvoDlg::CKarvoDlg()
    : CDialog(IDD_KARVO_DIALOG),
      m_hIcon(::LoadIconW(kv::fw::GetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_hCursorHand(::LoadCursorW(kv::fw::GetInstanceHandle(), MAKEINTRESOURCEW(IDC_CURSOR_HAND))) {}

CKarvoDlg::~CKarvoDlg() = default;

void CKarvoDlg::UpdateData(BOOL fromControls) {
    HWND combo = GetDlgItem(IDC_SNAP_TYPE);
    if (fromControls) {
        m_nSnapType = int(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
        for (int i = 0; i < 10; ++i) m_options[size_t(i)] = ::IsDlgButtonChecked(m_hWnd, kv::app::kImageSwitches[i].box) == BST_CHECKED;
    } else {
        ::SendMessageW(combo, CB_SETCURSEL, WPARAM(m_nSnapType), 0);
        for (int i = 0; i < 10; ++i)
            ::CheckDlgButton(m_hWnd, kv::app::kImageSwitches[i].box, m_options[size_t(i)] ? BST_CHECKED : BST_UNCHECKED);
    }
}

void CKarvoDlg::ExchangeImageOptions(BOOL toSettings) {
    CKarvoConfig& c = m_core.m_config;
    if (toSettings) {
        UpdateData(TRUE);
        for (int i = 0; i < 10; ++i) (c.*kv::app::kImageSwitches[i].set)(m_options[size_t(i)]);
    } else {
        for (int i = 0; i < 10; ++i) m_options[size_t(i)] = (c.*kv::app::kImageSwitches[i].get)() != 0;
        UpdateData(FALSE);
    }
}

std::wstring CKarvoDlg::Title() const {
    const std::wstring stored = m_core.m_config.GetAppName();
    if (stored != kv::fw::LoadTextIn(kv::fw::GetInstanceHandle(), IDS_APP_NAME, kv::fw::kLangChinese)) return stored;
    return LoadString(IDS_APP_NAME);
}

BOOL CKarvoDlg::OnInitDialog() {
    // The dialog manager loaded the template's menu by the thread's locale; the menu of the
    // interface language takes its place before anything marks or renames its items.
    if (HMENU menu = kv::fw::LoadUiMenu(kv::fw::GetInstanceHandle(), IDR_MAINFRAME)) {
        HMENU old = ::GetMenu(m_hWnd);
        ::SetMenu(m_hWnd, menu);
        if (old) ::DestroyMenu(old);
    }
    // The six capture types of the combo box.
    HWND combo = GetDlgItem(IDC_SNAP_TYPE);
    for (UINT i = 0; i < UINT(kv::kCaptureTypeCount); ++i)
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadString(IDS_SNAPTYPE_FIRST + i).c_str()));
    m_wndPreview.Attach(GetDlgItem(IDC_PREVIEW));
    UpdateData(FALSE);

    const std::wstring about = LoadString(IDS_ABOUTBOX);
    if (HMENU sys = ::GetSystemMenu(m_hWnd, FALSE); sys && !about.empty()) {
        ::AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(sys, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_placeholder.reset(static_cast<HBITMAP>(
        ::LoadImageW(kv::fw::GetInstanceHandle(), MAKEINTRESOURCEW(IDB_PLACEHOLDER), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));

    m_hTooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                   kv::fw::GetInstanceHandle(), nullptr);
    if (m_hTooltip) {
        TTTOOLINFOW tool{sizeof tool};
        tool.uFlags = TTF_IDISHWND;
        tool.hwnd = m_hWnd;
        tool.uId = reinterpret_cast<UINT_PTR>(m_wndPreview.GetSafeHwnd());
        const std::wstring tip = LoadString(IDS_PREVIEW_TIP);
        tool.lpszText = const_cast<wchar_t*>(tip.c_str());  // copied by the tooltip
        ::SendMessageW(m_hTooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        ::SendMessageW(m_hTooltip, TTM_ACTIVATE, TRUE, 0);
    }

    m_core.InitDadodav(this, &m_wndPreview);
    RegisterHotkeys(FALSE);

    // Centre on the screen.
    CRect rc;
    GetWindowRect(&rc);
    const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
    ::SetWindowPos(m_hWnd, nullptr, (sw - rc.Width()) / 2, (sh - rc.Height()) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    m_nSnapType = m_core.m_config.GetSnapMode();
    ExchangeImageOptions(FALSE);
    UpdateData(FALSE);
    SetWindowText(Title());

    if (!m_tray.Create(this, IDR_TRAYMENU, Title(), &m_hIcon, 1, 1000, WM_TRAY_NOTIFY)) {
        ::MessageBoxW(m_hWnd, LoadString(IDS_TRAY_FAILED).c_str(), Title().c_str(), MB_OK | MB_ICONERROR);
        return -1;
    }
    if (!m_strOpenOnStart.empty()) PostMessage(WM_OPEN_ON_START, 0, 0);  // once the window shows
    return TRUE;
}

void CKarvoDlg::OnDestroy() {
    m_core.CloseDadodav();
    RegisterHotkeys(TRUE);
    m_tray.Delete();
    m_placeholder.reset();
    m_wndPreview.Detach();
    if (!m_core.GetConfigSaved()) {
        // Settings are written only here; a failure is told once, with the place and the reason.
        const std::wstring path = ShownPath(CKarvoConfig::GetConfigPath());
        const std::wstring reason = SystemErrorText(m_core.GetConfigSaveError());
        const std::wstring msg = reason.empty() ? kv::fw::FormatText(LoadString(IDS_CONFIG_SAVE_FAILED), {path})
                                                : kv::fw::FormatText(LoadString(IDS_CONFIG_SAVE_FAILED_REASON), {path, reason});
        ::MessageBoxW(nullptr, msg.c_str(), Title().c_str(), MB_OK | MB_ICONWARNING);
    }
}

BOOL CKarvoDlg::OnSysCommand(WPARAM cmd) {
    if ((cmd & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        return TRUE;
    }
    if (cmd == SC_MINIMIZE) {
        ShowWindow(SW_HIDE);  // reachable again through the tray icon and the show/hide hot key
        return TRUE;
    }
    return FALSE;
}

BOOL CKarvoDlg::OnSetCursor(HWND under) {
    if (under != m_wndPreview.GetSafeHwnd() || !m_hCursorHand) return FALSE;
    ::SetCursor(m_hCursorHand);
    SetMsgResult(TRUE);
    return TRUE;
}

BOOL CKarvoDlg::PreTranslateMessage(MSG* msg) {
    if (m_hTooltip && msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST)
        ::SendMessageW(m_hTooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    // Ctrl+E, the key the 编辑 menu names for 标注, in the main window and its controls.
    if (msg->message == WM_KEYDOWN && msg->wParam == 'E' && ::GetKeyState(VK_CONTROL) < 0 &&
        ::GetKeyState(VK_MENU) >= 0 && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd))) {
        OnCommand(ID_EDIT_MARKUP, 0, nullptr);
        return TRUE;
    }
    return FALSE;
}

// Buttons without a command are disabled; every pop-up of the menu bar, and the pop-ups nested
// one level below, get their check and radio marks from the commands' update handlers.
void CKarvoDlg::OnKickIdle() {
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[16];
        if (!::GetClassNameW(child, cls, 16) || ::lstrcmpiW(cls, L"Button") != 0) continue;
        const LONG style = LONG(::GetWindowLongPtrW(child, GWL_STYLE)) & BS_TYPEMASK;
        if (style != BS_PUSHBUTTON && style != BS_DEFPUSHBUTTON) continue;
        const UINT id = UINT(::GetDlgCtrlID(child));
        const bool enabled = id == IDOK || id == IDCANCEL || FindCommand(id) != nullptr;
        if (bool(::IsWindowEnabled(child)) != enabled) ::EnableWindow(child, enabled);
    }
    if (HMENU bar = ::GetMenu(m_hWnd)) UpdateMenu(bar, 0);
}

INT_PTR CKarvoDlg::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SYSCOMMAND: return OnSysCommand(wp);
    case WM_PAINT: return OnPaint(), TRUE;
    case WM_QUERYDRAGICON: return SetMsgResult(reinterpret_cast<LRESULT>(m_hIcon)), TRUE;
    case WM_SETCURSOR: return OnSetCursor(reinterpret_cast<HWND>(wp));
    case WM_KICKIDLE: return OnKickIdle(), TRUE;
    case WM_DESTROY: return OnDestroy(), FALSE;
    case WM_HOTKEY: return OnHotKey(int(wp)), TRUE;
    case WM_SHOWWINDOW:  // a hidden window takes its tooltip with it (it would show in the capture)
        if (!wp && m_hTooltip) ::SendMessageW(m_hTooltip, TTM_POP, 0, 0);
        return FALSE;
    case WM_TRAY_NOTIFY: return SetMsgResult(m_tray.HandleTrayMessage(wp, lp)), TRUE;
    case WM_INITMENUPOPUP: return ShowHotKeysInMenu(reinterpret_cast<HMENU>(wp)), FALSE;  // the tray's menu too
    case WM_OPEN_ON_START: return OnOpenOnStart(), TRUE;
    case WM_OPEN_EDITOR: return OnEditMarkup(), TRUE;
    default:
        if (msg >= 0xC000 && msg == DiagnosticsMessage())
            return SetMsgResult(wp == kv::diag::kPreviewSerial ? LONG_PTR(m_previewSerial) : kv::diag::Value(wp)), TRUE;
        return CDialog::DialogProc(msg, wp, lp);
    }
}

#include "framework/Dialog.h"

#include "framework/App.h"
#include "framework/ModuleState.h"
#include "framework/UiText.h"

namespace {

HWND CreateFromTemplate(UINT id, HWND parent, DLGPROC proc, LPARAM param) {
    HINSTANCE module = kv::fw::GetResourceHandle();
    const void* t = kv::fw::FindUiDialog(module, id, nullptr);
    return t ? ::CreateDialogIndirectParamW(module, static_cast<LPCDLGTEMPLATEW>(t), parent, proc, param) : nullptr;
}

}  // namespace

CDialog::~CDialog() {
    if (m_hWnd && !m_modal && ::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        ::DestroyWindow(m_hWnd);
    }
    m_hWnd = nullptr;
}

INT_PTR CDialog::DoModal() {
    // Without a parent the application's main window owns the dialog (and is disabled meanwhile).
    HWND owner = m_pParent ? m_pParent->GetSafeHwnd() : nullptr;
    if (!owner && AfxGetApp() && AfxGetApp()->m_pMainWnd && AfxGetApp()->m_pMainWnd != this)
        owner = AfxGetApp()->m_pMainWnd->GetSafeHwnd();
    if (owner) owner = ::GetAncestor(owner, GA_ROOT);
    m_modal = true;
    m_ending = false;
    m_result = -1;
    HWND hwnd = CreateFromTemplate(m_nIDTemplate, owner, &CDialog::StaticDlgProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd) {
        m_modal = false;
        return -1;
    }
    const bool ownerWasEnabled = owner && ::IsWindowEnabled(owner);
    if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
    if (!m_ending) {
        ::ShowWindow(hwnd, SW_SHOWNORMAL);
        bool idle = true;
        while (!m_ending) {
            MSG msg;
            if (idle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
                ::SendMessageW(hwnd, WM_KICKIDLE, MSGF_DIALOGBOX, 0);
                idle = false;
                continue;
            }
            if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) {
                if (msg.message == WM_QUIT) ::PostQuitMessage(int(msg.wParam));  // pass it on to the outer loop
                break;
            }
            idle = true;
            if (!::IsWindow(hwnd)) break;
            if (PreTranslateMessage(&msg) || ::IsDialogMessageW(hwnd, &msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
    if (owner && ::GetActiveWindow() == hwnd) ::SetActiveWindow(owner);
    if (::IsWindow(hwnd)) ::DestroyWindow(hwnd);
    m_modal = false;
    return m_result;
}

BOOL CDialog::CreateModeless(CWnd* pParent) {
    if (pParent) m_pParent = pParent;
    m_modal = false;
    HWND parent = m_pParent ? m_pParent->GetSafeHwnd() : nullptr;
    return CreateFromTemplate(m_nIDTemplate, parent, &CDialog::StaticDlgProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
    if (!m_hWnd) return;
    if (m_modal) {
        m_result = result;
        m_ending = true;
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the loop
    } else {
        DestroyWindow();
    }
}

BOOL CDialog::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CDialog::OnCommand(UINT id, UINT, HWND) {
    if (id == IDOK) return OnOK(), TRUE;
    if (id == IDCANCEL) return OnCancel(), TRUE;
    return FALSE;
}

INT_PTR CDialog::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_COMMAND: return OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    default: return FALSE;
    }
}

INT_PTR CALLBACK CDialog::StaticDlgProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    return Deliver(hwnd, msg, wp, lp, msg == WM_INITDIALOG ? reinterpret_cast<CDialog*>(lp) : nullptr);
}

// The one path from a dialog procedure (a dialog's or a property page's) to its object, through
// the windows' binding (in DWLP_USER, `init` found by the caller from WM_INITDIALOG's data);
// nothing leaves by exception (what is caught is recorded).
INT_PTR CDialog::Deliver(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, CDialog* init) noexcept {
    auto* self = static_cast<CDialog*>(BoundObject(hwnd, msg, DWLP_USER, init));
    if (!self) return FALSE;
    INT_PTR r = FALSE;
    try {
        r = self->DialogProc(msg, wp, lp);
    } catch (...) {
        kv::fw::CountCaughtException("a dialog procedure");
        r = FALSE;
    }
    return msg == WM_NCDESTROY ? INT_PTR(self->EndOfWindow(r)) : r;
}

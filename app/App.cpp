#include "App.h"

#include <commctrl.h>

#include "MainDialog.h"
#include "framework/GdiPlus.h"

BOOL CKarvoApp::InitInstance() {
    INITCOMMONCONTROLSEX icc{8, 0xFF};
    ::InitCommonControlsEx(&icc);
    INITCOMMONCONTROLSEX link{sizeof(INITCOMMONCONTROLSEX), ICC_LINK_CLASS};
    ::InitCommonControlsEx(&link);  // the About box's links
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) != Gdiplus::Ok) {
        m_gdiplusToken = 0;
        ::MessageBoxW(nullptr, L"初始化GDI+失败", L"Karvo", MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    {
        CKarvoDlg dlg;
        dlg.OpenOnStart(m_strOpenFile);
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

int CKarvoApp::ExitInstance() {
    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    return CWinApp::ExitInstance();
}

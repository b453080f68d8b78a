#include "App.h"

#include <commctrl.h>

#include "MainDialog.h"
#include "framework/GdiPlus.h"
#include "framework/ModuleState.h"
#include "framework/UiText.h"
#include "res/resource.h"
#include "settings/KarvoConfig.h"

BOOL CKarvoApp::InitInstance() {
    {
        // The language is chosen once, before the first window: the setting, or automatic.
        CKarvoConfig settings;
        settings.LoadConfig();
        kv::fw::SetUiLanguage(kv::fw::UiLanguageFor(settings.GetLanguage()));
    }
    INITCOMMONCONTROLSEX icc{8, 0xFF};
    ::InitCommonControlsEx(&icc);
    INITCOMMONCONTROLSEX link{sizeof(INITCOMMONCONTROLSEX), ICC_LINK_CLASS};
    ::InitCommonControlsEx(&link);  // the About box's links
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) != Gdiplus::Ok) {
        m_gdiplusToken = 0;
        ::MessageBoxW(nullptr, kv::fw::LoadText(IDS_GDIPLUS_FAILED).c_str(), kv::fw::LoadText(IDS_APP_SHORT).c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
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

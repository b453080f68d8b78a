#include "framework/App.h"

#include "framework/Handles.h"
#include "framework/Window.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() : m_hInstance(::GetModuleHandleW(nullptr)) { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

int CWinApp::Run() {
    if (InitInstance()) {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        m_exitCode = int(msg.wParam);
    }
    return ExitInstance();
}

CWinApp* AfxGetApp() { return g_app; }

HWND AfxGetSafeOwner(HWND parent) {
    HWND owner = parent;
    if (!owner) {
        HWND active = ::GetActiveWindow();
        if (active && ::IsWindowVisible(active) && ::IsWindowEnabled(active)) owner = active;
    }
    if (!owner && g_app && g_app->m_pMainWnd) owner = g_app->m_pMainWnd->GetSafeHwnd();
    return owner ? ::GetAncestor(owner, GA_ROOT) : nullptr;
}

std::atomic<long>& kv::LiveOwnerCount() {
    static std::atomic<long> count{0};
    return count;
}

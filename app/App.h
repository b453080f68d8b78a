#pragma once
// CKarvoApp: common controls and GDI+ for the process, then the main dialog as the main loop.
#include "framework/App.h"

class CKarvoApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    ULONG_PTR m_gdiplusToken = 0;
};

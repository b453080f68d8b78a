#pragma once
// CKarvoApp: common controls and GDI+ for the process, then the main dialog as the main loop.
#include <string>

#include "framework/App.h"

class CKarvoApp : public CWinApp {
public:
    //! openFile: an image file to open in the main window once it shows (empty: none).
    explicit CKarvoApp(std::wstring openFile = {}) : m_strOpenFile(std::move(openFile)) {}
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    ULONG_PTR m_gdiplusToken = 0;
    std::wstring m_strOpenFile;
};

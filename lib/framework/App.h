#pragma once
// CWinApp: the application object. Run calls InitInstance; a program whose main loop is a
// modal dialog run from InitInstance returns FALSE there, and Run then ends the program after
// ExitInstance.
#include <windows.h>

#include "Export.h"

class CWnd;

class KV_API CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return m_exitCode; }
    //! InitInstance, the message loop when it returned TRUE, then ExitInstance; the exit code.
    int Run();

    CWnd* m_pMainWnd = nullptr;  // borrowed
    HINSTANCE m_hInstance;

protected:
    int m_exitCode = 0;
};

//! The one application object of the process, or null.
KV_API CWinApp* AfxGetApp();
//! The window that owns a modal dialog opened for `parent`: parent's top-level window; with no
//! parent, this thread's active window (the settings sheet, say), else the application's main
//! window. A common dialog disables its owner while it is open, so it cannot open underneath it.
KV_API HWND AfxGetSafeOwner(HWND parent);

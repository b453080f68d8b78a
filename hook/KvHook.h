#pragma once
// CKvHook: a low-level mouse hook for as long as the object lives, run by a thread of its own
// (started by the constructor, ended and joined by the destructor). While a window of the
// constructing thread holds that thread's mouse capture and carries the property
// KV_HOOK_TARGET_PROP, mouse movement anywhere on the screen is posted to it as WM_USER + 1007,
// a left-button press as WM_USER + 1001 and a right-button press as WM_USER + 1002 (all with
// zero parameters). Movement goes on as usual; the presses and their releases are kept from the
// window under the cursor, so picking a button does not also press it. Nothing happens for any
// other window or process, and the constructing thread may sleep without stalling the pointer.
#include <windows.h>

#if defined(KVHOOK_BUILD)
#define KVHOOK_API __declspec(dllexport)
#else
#define KVHOOK_API __declspec(dllimport)
#endif

//! The window property that marks a capture window as the receiver of the two messages.
#define KV_HOOK_TARGET_PROP L"KvHook.Target"
#define KV_HOOK_LBUTTONDOWN (WM_USER + 1001)
#define KV_HOOK_MOUSEMOVE (WM_USER + 1007)
#define KV_HOOK_RBUTTONDOWN (WM_USER + 1002)

class KVHOOK_API CKvHook {
public:
    CKvHook();
    virtual ~CKvHook();
    CKvHook(const CKvHook&) = delete;
    CKvHook& operator=(const CKvHook&) = delete;
    //! Whether the hook is installed.
    bool IsInstalled() const { return m_bInstalled; }
    //! The hook's own thread (0 when it could not start).
    DWORD GetThreadId() const { return m_dwThreadId; }

private:
    HANDLE m_hThread = nullptr;
    DWORD m_dwThreadId = 0;
    bool m_bInstalled = false;
};

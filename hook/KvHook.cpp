// The low-level mouse hook runs on a thread of its own that does nothing but pump messages.
// Windows calls a low-level hook on the installing thread, and every mouse event of the desktop
// waits for that call: installed on the user-interface thread, the pointer froze while that
// thread slept through a capture pause or a long refresh, and Windows removes a hook that
// misses LowLevelHooksTimeout without telling it (picking then gets no clicks).
// Wine: another process's SendInput of a move took up to 2001 ms while the program slept in a
// 4000 ms capture pause with the hook on its user-interface thread.
#include "KvHook.h"

namespace {

HINSTANCE g_module = nullptr;

// Per hook thread: the thread whose capture window receives the messages, and the presses kept
// from the screen whose releases are still to come. The press usually ends picking (the capture
// is released before the button comes up), so the release is kept by this record, not by the
// capture: a lone button-up would reach the window under the cursor, which on Windows opens
// that program's context menu after a right click.
thread_local DWORD t_uiThread = 0;
thread_local bool t_leftHeld = false;
thread_local bool t_rightHeld = false;

HWND CaptureOf(DWORD thread) {
    GUITHREADINFO info{sizeof info};
    return ::GetGUIThreadInfo(thread, &info) ? info.hwndCapture : nullptr;
}

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) noexcept {
    if (code == HC_ACTION) {
        if (wp == WM_LBUTTONUP && t_leftHeld) return t_leftHeld = false, 1;
        if (wp == WM_RBUTTONUP && t_rightHeld) return t_rightHeld = false, 1;
        HWND capture = CaptureOf(t_uiThread);
        if (capture && ::GetPropW(capture, KV_HOOK_TARGET_PROP)) {
            switch (wp) {
            case WM_MOUSEMOVE: ::PostMessageW(capture, KV_HOOK_MOUSEMOVE, 0, 0); break;
            case WM_LBUTTONDOWN: ::PostMessageW(capture, KV_HOOK_LBUTTONDOWN, 0, 0); return t_leftHeld = true, 1;
            case WM_RBUTTONDOWN: ::PostMessageW(capture, KV_HOOK_RBUTTONDOWN, 0, 0); return t_rightHeld = true, 1;
            case WM_LBUTTONUP:
            case WM_RBUTTONUP: return 1;
            default: break;
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

struct Start {
    DWORD uiThread;
    HANDLE ready;
    bool installed;
};

DWORD WINAPI HookThread(LPVOID param) noexcept {
    auto* start = static_cast<Start*>(param);
    t_uiThread = start->uiThread;
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue, before anyone posts
    HHOOK hook = ::SetWindowsHookExW(WH_MOUSE_LL, &MouseProc, g_module, 0);
    start->installed = hook != nullptr;
    ::SetEvent(start->ready);  // `start` belongs to the constructor from here on
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    if (hook) ::UnhookWindowsHookEx(hook);
    return 0;
}

}  // namespace

CKvHook::CKvHook() {
    Start start{::GetCurrentThreadId(), ::CreateEventW(nullptr, TRUE, FALSE, nullptr), false};
    if (!start.ready) return;
    m_hThread = ::CreateThread(nullptr, 0, &HookThread, &start, 0, &m_dwThreadId);
    if (m_hThread) ::WaitForSingleObject(start.ready, INFINITE);
    ::CloseHandle(start.ready);
    m_bInstalled = start.installed;
}

CKvHook::~CKvHook() {
    if (!m_hThread) return;
    ::PostThreadMessageW(m_dwThreadId, WM_QUIT, 0, 0);
    ::WaitForSingleObject(m_hThread, INFINITE);
    ::CloseHandle(m_hThread);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) noexcept {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

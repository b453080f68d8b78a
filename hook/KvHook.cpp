// Wine: a WH_MOUSE_LL hook installed by a GUI thread sees input that another process synthesizes
// with SendInput, and GetCapture() inside the hook procedure returns that thread's capture window
// (the procedure runs on the installing thread).
#include "KvHook.h"

namespace {

HINSTANCE g_module = nullptr;

// Presses kept from the screen whose releases are still to come. The press usually ends picking
// (the capture is released before the button comes up), so the release is kept by this record,
// not by the capture: a lone button-up would reach the window under the cursor, which on Windows
// opens that program's context menu after a right click. Only the hook's thread touches them.
bool g_leftHeld = false;
bool g_rightHeld = false;

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) noexcept {
    if (code == HC_ACTION) {
        if (wp == WM_LBUTTONUP && g_leftHeld) return g_leftHeld = false, 1;
        if (wp == WM_RBUTTONUP && g_rightHeld) return g_rightHeld = false, 1;
        HWND capture = ::GetCapture();
        if (capture && ::GetPropW(capture, KV_HOOK_TARGET_PROP)) {
            switch (wp) {
            case WM_MOUSEMOVE: ::PostMessageW(capture, KV_HOOK_MOUSEMOVE, 0, 0); break;
            case WM_LBUTTONDOWN: ::PostMessageW(capture, KV_HOOK_LBUTTONDOWN, 0, 0); return g_leftHeld = true, 1;
            case WM_RBUTTONDOWN: ::PostMessageW(capture, KV_HOOK_RBUTTONDOWN, 0, 0); return g_rightHeld = true, 1;
            case WM_LBUTTONUP:
            case WM_RBUTTONUP: return 1;
            default: break;
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

CKvHook::CKvHook() : m_hHook(::SetWindowsHookExW(WH_MOUSE_LL, &MouseProc, g_module, 0)) {}

CKvHook::~CKvHook() {
    if (m_hHook) ::UnhookWindowsHookEx(m_hHook);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) noexcept {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

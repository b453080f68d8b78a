// The eight global hot keys of the main dialog, registered from the settings' hot-key pairs.
#include "MainDialog.h"

#include <commctrl.h>

#include "res/resource.h"

namespace {

struct HotKey {
    int id;
    void (CKarvoConfig::*get)(CKarvoConfig::WORD16&, CKarvoConfig::WORD16&) const;
    UINT command;  // 0: the new-capture command
    const wchar_t* failure;
};

const HotKey kHotKeys[8] = {
    {1001, &CKarvoConfig::GetNewSnapHotkey, 0, L"注册<新建截图>热键失败,请更换热键"},
    {1002, &CKarvoConfig::GetFullScreenHotkey, ID_SNAP_FULLSCREEN, L"注册捕捉<整个屏幕>热键失败,请更换热键"},
    {1003, &CKarvoConfig::GetActiveWinHotkey, ID_SNAP_ACTIVEWIN, L"注册捕捉<活动程序窗口>热键失败,请更换热键"},
    {1004, &CKarvoConfig::GetCurrentWinHotkey, ID_SNAP_CURRENTWIN, L"注册捕捉<当前窗口>热键失败,请更换热键"},
    {1005, &CKarvoConfig::GetWinClientHotkey, ID_SNAP_WINCLIENT, L"注册捕捉<活动程序客户区>热键失败,请更换热键"},
    {1006, &CKarvoConfig::GetWinObjHotkey, ID_SNAP_WINOBJ, L"注册捕捉<界面对象>热键失败,请更换热键"},
    {1007, &CKarvoConfig::GetSelectRectHotkey, ID_SNAP_SELECTRECT, L"注册捕捉<选定区域>热键失败,请更换热键"},
    {1008, &CKarvoConfig::GetShowHideHotkey, ID_SHOW_HIDE, L"注册<显示隐藏窗口>热键失败,请更换热键"},
};

}  // namespace

// The hot-key control's flags (Shift 1, Ctrl 2, Alt 4, extended 8) as registration flags.
UINT CKarvoDlg::HotkeyModifiers(WORD controlFlags) {
    UINT m = 0;
    if (controlFlags & HOTKEYF_SHIFT) m |= MOD_SHIFT;
    if (controlFlags & HOTKEYF_CONTROL) m |= MOD_CONTROL;
    if (controlFlags & HOTKEYF_ALT) m |= MOD_ALT;
    return m;
}

void CKarvoDlg::RegisterHotkeys(BOOL unregisterOnly) {
    for (const HotKey& k : kHotKeys) ::UnregisterHotKey(m_hWnd, k.id);
    if (unregisterOnly) return;
    for (const HotKey& k : kHotKeys) {
        CKarvoConfig::WORD16 mod = 0, vk = 0;
        (m_core.m_config.*k.get)(mod, vk);
        if (!::RegisterHotKey(m_hWnd, k.id, HotkeyModifiers(mod), LOBYTE(vk)))
            ::MessageBoxW(m_hWnd, k.failure, m_core.m_config.GetAppName().c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
}

void CKarvoDlg::OnHotKey(int id) {
    for (const HotKey& k : kHotKeys) {
        if (k.id != id) continue;
        if (k.command == 0)
            OnSnapNew();
        else
            OnCommand(k.command, 0, nullptr);
        return;
    }
}

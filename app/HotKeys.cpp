// The eight global hot keys of the main dialog, registered from the settings' hot-key pairs.
#include "MainDialog.h"

#include <commctrl.h>

#include "Tables.h"
#include "res/resource.h"

using kv::app::kHotKeys;

// The hot-key control's flags (Shift 1, Ctrl 2, Alt 4, extended 8) as registration flags.
UINT CKarvoDlg::HotkeyModifiers(WORD controlFlags) {
    UINT m = 0;
    if (controlFlags & HOTKEYF_SHIFT) m |= MOD_SHIFT;
    if (controlFlags & HOTKEYF_CONTROL) m |= MOD_CONTROL;
    if (controlFlags & HOTKEYF_ALT) m |= MOD_ALT;
    return m;
}

void CKarvoDlg::RegisterHotkeys(BOOL unregisterOnly) {
    for (const kv::app::HotKey& k : kHotKeys) ::UnregisterHotKey(m_hWnd, k.id);
    if (unregisterOnly) return;
    for (const kv::app::HotKey& k : kHotKeys) {
        CKarvoConfig::WORD16 mod = 0, vk = 0;
        (m_core.m_config.*k.get)(mod, vk);
        if (!::RegisterHotKey(m_hWnd, k.id, HotkeyModifiers(mod), LOBYTE(vk)))
            ::MessageBoxW(m_hWnd, k.failure, m_core.m_config.GetAppName().c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
}

void CKarvoDlg::OnHotKey(int id) {
    for (const kv::app::HotKey& k : kHotKeys) {
        if (k.id != id) continue;
        if (k.command == 0)
            OnSnapNew();
        else
            OnCommand(k.command, 0, nullptr);
        return;
    }
}

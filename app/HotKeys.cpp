// The nine global hot keys of the main dialog, registered from the settings' hot-key pairs, and
// the keys the menus show for their commands.
#include "MainDialog.h"

#include <commctrl.h>

#include <string>

#include "Tables.h"
#include "framework/ModuleState.h"
#include "res/resource.h"
#include "settings/HotKeyName.h"

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
    m_hotKeyRegistered.fill(false);
    if (unregisterOnly) return;
    for (size_t i = 0; i < kv::app::kHotKeyCount; ++i) {
        const kv::app::HotKey& k = kHotKeys[i];
        CKarvoConfig::WORD16 mod = 0, vk = 0;
        (m_core.m_config.*k.get)(mod, vk);
        // A free key (none given, the monitors' default) is not registered and is no failure.
        if (mod == 0 && vk == 0) continue;
        m_hotKeyRegistered[i] = ::RegisterHotKey(m_hWnd, k.id, HotkeyModifiers(mod), LOBYTE(vk)) != FALSE;
        if (!m_hotKeyRegistered[i]) {
            const wchar_t* text = k.failure;
            std::wstring loaded;
            if (!text) {
                const wchar_t* s = nullptr;
                const int n = ::LoadStringW(kv::fw::GetInstanceHandle(), k.failureId, reinterpret_cast<LPWSTR>(&s), 0);
                loaded = n > 0 ? std::wstring(s, size_t(n)) : std::wstring();
                text = loaded.c_str();
            }
            ::MessageBoxW(m_hWnd, text, m_core.m_config.GetAppName().c_str(), MB_OK | MB_ICONEXCLAMATION);
        }
    }
    if (HMENU bar = ::GetMenu(m_hWnd)) ShowHotKeysInMenu(bar);
}

namespace {

// The key as it was registered: the modifiers RegisterHotKey got and the low byte of the code.
// A code the portable table does not name gets the keyboard's own name for it.
std::wstring RegisteredKeyName(CKarvoConfig::WORD16 mod, CKarvoConfig::WORD16 vk) {
    const uint16_t code = LOBYTE(vk);
    std::wstring key = kv::KeyName(code);
    if (key.empty() && code) {
        wchar_t buf[64] = {};
        if (const UINT scan = ::MapVirtualKeyW(code, MAPVK_VK_TO_VSC); scan && ::GetKeyNameTextW(LONG(scan << 16), buf, 64) > 0)
            key = buf;
    }
    return kv::HotKeyName(uint16_t(mod & (HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT)), key);
}

}  // namespace

// The texts in the menu resources name the default keys (and the accelerator table's keys,
// which the program does not install): after a change on the 热键 page, or with another key in
// config.xml, they would name keys that do nothing. The label before the tab stays.
void CKarvoDlg::ShowHotKeysInMenu(HMENU menu, int depth) {
    const int n = ::GetMenuItemCount(menu);
    for (int pos = 0; pos < n; ++pos) {
        if (HMENU sub = ::GetSubMenu(menu, pos)) {
            if (depth < 2) ShowHotKeysInMenu(sub, depth + 1);
            continue;
        }
        const UINT id = ::GetMenuItemID(menu, pos);
        for (size_t i = 0; i < kv::app::kHotKeyCount; ++i) {
            const kv::app::HotKey& k = kHotKeys[i];
            if ((k.command ? k.command : UINT(ID_SNAP_NEW)) != id) continue;
            wchar_t buf[256] = {};
            ::GetMenuStringW(menu, UINT(pos), buf, 256, MF_BYPOSITION);
            const std::wstring text = buf;
            std::wstring shown = text.substr(0, text.find(L'\t'));
            CKarvoConfig::WORD16 mod = 0, vk = 0;
            (m_core.m_config.*k.get)(mod, vk);
            if (const std::wstring key = m_hotKeyRegistered[i] ? RegisteredKeyName(mod, vk) : L""; !key.empty())
                shown += L"\t" + key;
            if (shown == text) break;
            MENUITEMINFOW mii{sizeof mii};
            mii.fMask = MIIM_STRING;
            mii.dwTypeData = shown.data();
            ::SetMenuItemInfoW(menu, UINT(pos), TRUE, &mii);
            break;
        }
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

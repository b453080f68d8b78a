#pragma once
// The names menus give hot keys, "Ctrl+Shift+Alt+" and then the key ("F7", "PrintScreen", "A",
// "Num 5"), from what the settings store: the hot-key control's modifier flags (Shift 1, Ctrl 2,
// Alt 4) and a virtual-key code. Portable: the names are tested without the platform.
#include <cstdint>
#include <string>

#include "Export.h"

namespace kv {

//! The key's own name; empty for 0 and for a code this table does not name.
KV_API std::wstring KeyName(uint16_t vk);
//! The modifiers' names before `key`; empty when key is empty.
KV_API std::wstring HotKeyName(uint16_t modifiers, const std::wstring& key);

}  // namespace kv

// The names the menus give hot keys: every modifier combination, and the keys by kind.
#include <gtest/gtest.h>

#include <string>

#include "settings/HotKeyName.h"

namespace {

TEST(SettingsHotKeyName, Names) {
    struct Row {
        uint16_t modifiers, vk;
        std::wstring name;
    };
    const Row rows[] = {
        {0, 0x2C, L"PrintScreen"},     {2, 0x2C, L"Ctrl+PrintScreen"}, {0, 0x72, L"F3"},
        {0, 0x77, L"F8"},              {1, 0x76, L"Shift+F7"},         {1, 0x78, L"Shift+F9"},
        {4, 0x78, L"Alt+F9"},          {3, 'A', L"Ctrl+Shift+A"},      {5, '7', L"Shift+Alt+7"},
        {6, 0x87, L"Ctrl+Alt+F24"},    {7, 'Z', L"Ctrl+Shift+Alt+Z"},  {8, 0x2E, L"Delete"},  // extended flag: no name
        {0, 0x70, L"F1"},              {0, 0x60, L"Num 0"},            {0, 0x69, L"Num 9"},
        {0, 0x6B, L"Num +"},           {0, 0x20, L"Space"},            {0, 0x13, L"Pause"},
        {0, 0x21, L"PageUp"},          {0, 0xBF, L"/"},                {0, 0xDC, L"\\"},
        {2, 0, L""},                   {0, 0xE5, L""},                 {7, 0xFF, L""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.modifiers) + " " + std::to_string(r.vk));
        EXPECT_EQ(kv::HotKeyName(r.modifiers, kv::KeyName(r.vk)), r.name);
    }
    // No code gets a name with control characters.
    for (unsigned vk = 0; vk < 0x100; ++vk)
        for (wchar_t c : kv::KeyName(uint16_t(vk))) EXPECT_GE(c, L' ') << vk;
    EXPECT_EQ(kv::HotKeyName(2, L"Esc"), L"Ctrl+Esc");
}

}  // namespace

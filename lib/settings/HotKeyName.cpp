#include "settings/HotKeyName.h"

namespace kv {

namespace {

struct Named {
    uint16_t vk;
    const wchar_t* name;
};

// Keys whose code is not their character; letters, digits and F1-F24 are made below.
const Named kNames[] = {
    {0x03, L"Break"},      {0x08, L"Backspace"},  {0x09, L"Tab"},        {0x0C, L"Clear"},     {0x0D, L"Enter"},
    {0x13, L"Pause"},      {0x14, L"CapsLock"},   {0x1B, L"Esc"},        {0x20, L"Space"},     {0x21, L"PageUp"},
    {0x22, L"PageDown"},   {0x23, L"End"},        {0x24, L"Home"},       {0x25, L"Left"},      {0x26, L"Up"},
    {0x27, L"Right"},      {0x28, L"Down"},       {0x2C, L"PrintScreen"}, {0x2D, L"Insert"},   {0x2E, L"Delete"},
    {0x2F, L"Help"},       {0x5D, L"Menu"},       {0x6A, L"Num *"},      {0x6B, L"Num +"},     {0x6D, L"Num -"},
    {0x6E, L"Num ."},      {0x6F, L"Num /"},      {0x90, L"NumLock"},    {0x91, L"ScrollLock"}, {0xBA, L";"},
    {0xBB, L"="},          {0xBC, L","},          {0xBD, L"-"},          {0xBE, L"."},         {0xBF, L"/"},
    {0xC0, L"`"},          {0xDB, L"["},          {0xDC, L"\\"},         {0xDD, L"]"},         {0xDE, L"'"},
};

}  // namespace

std::wstring KeyName(uint16_t vk) {
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::wstring(1, wchar_t(vk));
    if (vk >= 0x60 && vk <= 0x69) return L"Num " + std::wstring(1, wchar_t(L'0' + vk - 0x60));
    if (vk >= 0x70 && vk <= 0x87) return L"F" + std::to_wstring(vk - 0x70 + 1);
    for (const Named& n : kNames)
        if (n.vk == vk) return n.name;
    return {};
}

std::wstring HotKeyName(uint16_t modifiers, const std::wstring& key) {
    if (key.empty()) return {};
    std::wstring name;
    if (modifiers & 2) name += L"Ctrl+";
    if (modifiers & 1) name += L"Shift+";
    if (modifiers & 4) name += L"Alt+";
    return name + key;
}

}  // namespace kv

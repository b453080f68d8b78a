// Resources in an explicit language. A string lives in block id / 16 + 1 of RT_STRING, as 16
// counted strings; the block is found in the wanted language and the count read directly, as
// LoadStringW does (without its choice of language).
#include "framework/UiText.h"

#include "framework/DialogTemplate.h"
#include "framework/Inserts.h"
#include "framework/ModuleState.h"

namespace {

LANGID g_language = kv::fw::kLangChinese;

// String `id`'s text in its block (16 counted strings); empty when it has none.
std::wstring StringFromBlock(const void* bytes, DWORD size, UINT id) {
    const auto* p = static_cast<const WCHAR*>(bytes);
    const WCHAR* end = p + size / sizeof(WCHAR);
    for (UINT i = 0; i < (id & 15); ++i) {
        if (p >= end) return {};
        p += 1 + *p;
    }
    if (p >= end || p + 1 + *p > end) return {};
    return std::wstring(p + 1, p + 1 + *p);
}

}  // namespace

namespace kv::fw {

LANGID GetUiLanguage() { return g_language; }

void SetUiLanguage(LANGID language) {
    g_language = PRIMARYLANGID(language) == LANG_CHINESE ? kLangChinese : kLangEnglish;
}

LANGID AutomaticUiLanguage() {
    return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_CHINESE ? kLangChinese : kLangEnglish;
}

LANGID UiLanguageFor(const std::wstring& setting) {
    if (setting == L"zh-CN") return kLangChinese;
    if (setting == L"en-US") return kLangEnglish;
    return AutomaticUiLanguage();
}

const void* FindResourceIn(HINSTANCE module, const wchar_t* type, UINT id, LANGID language, DWORD* size) {
    HRSRC res = ::FindResourceExW(module, type, MAKEINTRESOURCEW(id), language);
    HGLOBAL data = res ? ::LoadResource(module, res) : nullptr;
    const void* bytes = data ? ::LockResource(data) : nullptr;
    if (size) *size = bytes ? ::SizeofResource(module, res) : 0;
    return bytes;
}

const void* FindUiResource(HINSTANCE module, const wchar_t* type, UINT id, DWORD* size) {
    if (const void* b = FindResourceIn(module, type, id, g_language, size)) return b;
    if (const void* b = FindResourceIn(module, type, id, kLangChinese, size)) return b;
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
    HGLOBAL data = res ? ::LoadResource(module, res) : nullptr;
    const void* bytes = data ? ::LockResource(data) : nullptr;
    if (size) *size = bytes ? ::SizeofResource(module, res) : 0;
    return bytes;
}

const void* FindUiDialog(HINSTANCE module, UINT id, DWORD* size) {
    DWORD n = 0;
    const void* bytes = FindUiResource(module, RT_DIALOG, id, &n);
    kv::TemplateFont font;
    if (bytes && g_language != kLangChinese && !kv::ReadTemplateFont(static_cast<const uint8_t*>(bytes), n, font))
        if (const void* zh = FindResourceIn(module, RT_DIALOG, id, kLangChinese, &n)) bytes = zh;
    if (size) *size = bytes ? n : 0;
    return bytes;
}

std::wstring LoadTextIn(HINSTANCE module, UINT id, LANGID language) {
    DWORD size = 0;
    const void* block = FindResourceIn(module, RT_STRING, (id >> 4) + 1, language, &size);
    return block ? StringFromBlock(block, size, id) : std::wstring();
}

std::wstring LoadText(HINSTANCE module, UINT id) {
    std::wstring text = LoadTextIn(module, id, g_language);
    if (text.empty() && g_language != kLangChinese) text = LoadTextIn(module, id, kLangChinese);
    return text;
}

std::wstring LoadText(UINT id) { return LoadText(GetResourceHandle(), id); }

std::wstring LibraryText(UINT id) { return LoadText(GetLibraryResourceModule(), id); }

std::wstring FormatText(const std::wstring& pattern, std::initializer_list<std::wstring> inserts) {
    return kv::FillInserts(pattern, inserts);
}

std::wstring FormatText(UINT id, std::initializer_list<std::wstring> inserts) { return FormatText(LoadText(id), inserts); }

HMENU LoadUiMenu(HINSTANCE module, UINT id) {
    const void* bytes = FindUiResource(module, RT_MENU, id, nullptr);
    return bytes ? ::LoadMenuIndirectW(bytes) : nullptr;
}

}  // namespace kv::fw

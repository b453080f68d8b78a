#pragma once
// The interface language and the texts of the program's resources. Every module holds its
// dialogs, menus and strings twice, tagged Simplified Chinese (0x0804) and English (0x0409), and
// everything user-visible is looked up here in the language chosen once at start-up, with the
// language given explicitly. Wine: SetThreadUILanguage is a stub and FindResource/LoadString pick
// by the thread locale, so implicit selection would follow the locale here and the display
// language on Windows. A resource missing in English is taken in Chinese.
#include <windows.h>

#include <initializer_list>
#include <string>

#include "Export.h"

namespace kv::fw {

inline constexpr LANGID kLangChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
inline constexpr LANGID kLangEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

//! The language resources are taken in; Chinese until SetUiLanguage.
KV_API LANGID GetUiLanguage();
//! Chooses the language for the rest of the process (only kLangChinese and kLangEnglish exist;
//! any other Chinese is Chinese, anything else English).
KV_API void SetUiLanguage(LANGID language);
//! The language of the automatic choice: Chinese when the user's display language is a Chinese
//! one, English otherwise.
KV_API LANGID AutomaticUiLanguage();

//! The language a stored setting names: "zh-CN" Chinese, "en-US" English, anything else (the
//! default "auto", none, or a value this version does not know) the automatic choice.
KV_API LANGID UiLanguageFor(const std::wstring& setting);

//! A resource's bytes in exactly `language`; null when the module has none in it.
KV_API const void* FindResourceIn(HINSTANCE module, const wchar_t* type, UINT id, LANGID language, DWORD* size);
//! A resource's bytes in the interface language, else in Chinese, else in whatever language the
//! module has it; null when it has none at all.
KV_API const void* FindUiResource(HINSTANCE module, const wchar_t* type, UINT id, DWORD* size);

//! Dialog template `id` in the interface language, or the Chinese one where the other is missing
//! or its header does not read as a dialog template (damaged); null when there is none.
KV_API const void* FindUiDialog(HINSTANCE module, UINT id, DWORD* size);

//! String `id` of `module` in exactly `language`; empty when missing there.
KV_API std::wstring LoadTextIn(HINSTANCE module, UINT id, LANGID language);
//! String `id` in the interface language (a string missing in English is taken in Chinese).
KV_API std::wstring LoadText(HINSTANCE module, UINT id);
//! The same from the current resource module (GetResourceHandle).
KV_API std::wstring LoadText(UINT id);
//! The library's string `id` (GetLibraryResourceModule).
KV_API std::wstring LibraryText(UINT id);

//! `pattern` with %1 … %9 replaced by the inserts (a missing one by nothing) and %% by %.
KV_API std::wstring FormatText(const std::wstring& pattern, std::initializer_list<std::wstring> inserts);
//! String `id` of the current resource module with its inserts filled.
KV_API std::wstring FormatText(UINT id, std::initializer_list<std::wstring> inserts);

//! Menu `id` of `module` in the interface language; the caller owns it (DestroyMenu).
KV_API HMENU LoadUiMenu(HINSTANCE module, UINT id);

}  // namespace kv::fw

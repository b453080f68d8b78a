#pragma once
// The built program's own texts, as tests look windows up by them: a string, a dialog's title
// or a control's text, read from Karvo.exe or KarvoLib.dll beside the test program in the
// language asked for (the resources are language-tagged; nothing here depends on the locale).
#include <windows.h>

#include <string>
#include <vector>

namespace kvdrive {

inline constexpr LANGID kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
inline constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

//! String `id` of `module` ("Karvo.exe", "KarvoLib.dll") in `language`; empty when missing.
std::wstring ResourceString(const wchar_t* module, UINT id, LANGID language = kChinese);
//! The title of dialog template `id`; empty when missing.
std::wstring DialogTitle(const wchar_t* module, UINT id, LANGID language = kChinese);
//! The text of control `control` in dialog template `id`; empty when missing.
std::wstring DialogText(const wchar_t* module, UINT id, int control, LANGID language = kChinese);
//! The text of command `command` in menu `menu` (any depth; the key after the tab included).
std::wstring MenuItemText(const wchar_t* module, UINT menu, UINT command, LANGID language = kChinese);
//! The program's name as its main window shows it (string 2000 of Karvo.exe).
std::wstring ProgramName(LANGID language = kChinese);
//! The pixels of 24-bit bitmap `id`, row by row from the top, as COLORREF; empty when missing.
std::vector<COLORREF> ResourceBitmap(const wchar_t* module, UINT id, LANGID language, int& width, int& height);

}  // namespace kvdrive

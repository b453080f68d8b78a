// The system's reason inside one of the program's messages must be in the message's language.
// Asked for no language in particular, FormatMessageW answers in the system's interface language:
// on a Windows (or Wine) set to English that put "Path not found." into a Chinese sentence. The
// text is asked for in the interface language; where the system has none in it (an English
// Windows without the Chinese language pack answers ERROR_RESOURCE_LANG_NOT_FOUND) the common
// reasons have our own wording (the string table, as Windows words them), and any other the
// code in a phrase: a reader gets one language, and the code can still be looked up.
// Wine: its system messages have zh-CN texts ("找不到路径。" for 3, "磁盘满。" for 112).
#include "ErrorText.h"

#include <iterator>

#include "framework/ModuleState.h"
#include "framework/UiText.h"
#include "res/resource.h"

namespace kv::app {

namespace {

// The errors with our own wording, in the order of their strings from IDS_REASON_FIRST.
const DWORD kReasons[] = {
    ERROR_FILE_NOT_FOUND,
    ERROR_PATH_NOT_FOUND,
    ERROR_ACCESS_DENIED,
    ERROR_NOT_ENOUGH_MEMORY,
    ERROR_OUTOFMEMORY,
    ERROR_WRITE_PROTECT,
    ERROR_NOT_READY,
    ERROR_WRITE_FAULT,
    ERROR_SHARING_VIOLATION,
    ERROR_HANDLE_DISK_FULL,
    ERROR_NOT_SUPPORTED,
    ERROR_FILE_EXISTS,
    ERROR_DISK_FULL,
    ERROR_INVALID_NAME,
    ERROR_FILENAME_EXCED_RANGE,
    ERROR_FILE_CORRUPT,
};

std::wstring FromSystem(DWORD error, LANGID language) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, error, language, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring result = n && text ? std::wstring(text, n) : std::wstring();
    if (text) ::LocalFree(text);
    while (!result.empty() && (result.back() == L'\r' || result.back() == L'\n' || result.back() == L' ')) result.pop_back();
    return result;
}

}  // namespace

std::wstring SystemErrorText(DWORD error) { return SystemErrorText(error, kv::fw::GetUiLanguage()); }

std::wstring SystemErrorText(DWORD error, LANGID language) {
    if (!error) return {};
    if (std::wstring text = FromSystem(error, language); !text.empty()) return text;
    for (size_t i = 0; i < std::size(kReasons); ++i)
        if (kReasons[i] == error) return kv::fw::LoadText(IDS_REASON_FIRST + UINT(i));
    return kv::fw::FormatText(kv::fw::LoadText(IDS_REASON_CODE), {std::to_wstring(error)});
}

}  // namespace kv::app

// Every message of the program is Chinese, so the system's reason inside one must be too. Asked
// for no language in particular, FormatMessageW answers in the system's interface language: on a
// Windows (or Wine) set to English that put "Path not found." into a Chinese sentence. The text
// is asked for in Simplified Chinese (0x0804); where the system has no Chinese texts (an English
// Windows without the language pack answers ERROR_RESOURCE_LANG_NOT_FOUND) the common reasons
// have our own wording, as Chinese Windows gives them, and any other the code in a Chinese phrase:
// a reader gets one language, and the code can still be looked up.
// Wine: its system messages have zh-CN texts ("找不到路径。" for 3, "磁盘满。" for 112).
#include "ErrorText.h"

namespace kv::app {

namespace {

struct Reason {
    DWORD error;
    const wchar_t* text;
};

const Reason kReasons[] = {
    {ERROR_FILE_NOT_FOUND, L"系统找不到指定的文件。"},
    {ERROR_PATH_NOT_FOUND, L"系统找不到指定的路径。"},
    {ERROR_ACCESS_DENIED, L"拒绝访问。"},
    {ERROR_NOT_ENOUGH_MEMORY, L"存储空间不足，无法处理此命令。"},
    {ERROR_OUTOFMEMORY, L"存储空间不足，无法完成此操作。"},
    {ERROR_WRITE_PROTECT, L"介质受写入保护。"},
    {ERROR_NOT_READY, L"设备未就绪。"},
    {ERROR_WRITE_FAULT, L"系统无法写入指定的设备。"},
    {ERROR_SHARING_VIOLATION, L"另一个程序正在使用此文件，进程无法访问。"},
    {ERROR_HANDLE_DISK_FULL, L"磁盘已满。"},
    {ERROR_NOT_SUPPORTED, L"不支持该请求。"},
    {ERROR_FILE_EXISTS, L"文件存在。"},
    {ERROR_DISK_FULL, L"磁盘空间不足。"},
    {ERROR_INVALID_NAME, L"文件名、目录名或卷标语法不正确。"},
    {ERROR_FILENAME_EXCED_RANGE, L"文件名或扩展名太长。"},
    {ERROR_FILE_CORRUPT, L"文件或目录损坏且无法读取。"},
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

std::wstring SystemErrorText(DWORD error) { return SystemErrorText(error, MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)); }

std::wstring SystemErrorText(DWORD error, LANGID language) {
    if (!error) return {};
    if (std::wstring text = FromSystem(error, language); !text.empty()) return text;
    for (const Reason& r : kReasons)
        if (r.error == error) return r.text;
    return L"系统错误（代码 " + std::to_wstring(error) + L"）。";
}

}  // namespace kv::app

// The system's reason inside the program's messages is Chinese: asked for in Simplified Chinese,
// and where the system has no such text, our own words for the common reasons or the code.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ErrorText.h"

namespace {

bool HasLatinLetter(const std::wstring& s) {
    for (wchar_t c : s)
        if ((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z')) return true;
    return false;
}

// What the messages of the program report: a missing folder, access denied, a full disk, a taken
// name, an encoder that failed, and the rest.
const DWORD kReported[] = {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_NOT_ENOUGH_MEMORY,
                           ERROR_WRITE_FAULT,    ERROR_SHARING_VIOLATION, ERROR_NOT_SUPPORTED, ERROR_FILE_EXISTS,
                           ERROR_DISK_FULL,      ERROR_INVALID_NAME,      ERROR_FILENAME_EXCED_RANGE, ERROR_FILE_CORRUPT};

TEST(AppErrorText, ChineseFromTheSystem) {
    for (DWORD e : kReported) {
        SCOPED_TRACE(e);
        const std::wstring text = kv::app::SystemErrorText(e);
        EXPECT_FALSE(text.empty());
        EXPECT_FALSE(HasLatinLetter(text)) << "the system's text is not Chinese";
        EXPECT_NE(text.back(), L'\n');
    }
    EXPECT_EQ(kv::app::SystemErrorText(0), L"");
}

// A language the system has no messages in (Wine: every language but a few): our own words.
TEST(AppErrorText, OwnWordsWhereTheSystemHasNone) {
    const LANGID none = MAKELANGID(LANG_CHINESE, SUBLANG_NEUTRAL);
    wchar_t* probe = nullptr;
    if (::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                         ERROR_PATH_NOT_FOUND, none, reinterpret_cast<LPWSTR>(&probe), 0, nullptr)) {
        ::LocalFree(probe);
        GTEST_SKIP() << "this system has messages in that language";
    }
    struct Row {
        DWORD error;
        std::wstring text;
    };
    for (const Row& r : {Row{ERROR_PATH_NOT_FOUND, L"系统找不到指定的路径。"}, {ERROR_ACCESS_DENIED, L"拒绝访问。"},
                         {ERROR_DISK_FULL, L"磁盘空间不足。"}, {ERROR_FILE_EXISTS, L"文件存在。"},
                         {ERROR_WRITE_FAULT, L"系统无法写入指定的设备。"}, {4660, L"系统错误（代码 4660）。"}}) {
        SCOPED_TRACE(r.error);
        EXPECT_EQ(kv::app::SystemErrorText(r.error, none), r.text);
    }
    for (DWORD e : kReported) EXPECT_FALSE(HasLatinLetter(kv::app::SystemErrorText(e, none))) << e;
}

}  // namespace

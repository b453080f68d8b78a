// The system's reason inside the program's messages is in the interface language (Chinese by
// default): asked for in that language, and where the system has no such text, our own words for
// the common reasons or the code, from the program's string table (read from the built Karvo.exe).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "ErrorText.h"
#include "framework/ModuleState.h"
#include "framework/UiText.h"

namespace {

// While it lives, strings come from the built program's resources, in `language`.
class ProgramStrings {
public:
    explicit ProgramStrings(LANGID language = kv::fw::kLangChinese)
        : m_module(::LoadLibraryExW(L"Karvo.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
        kv::fw::SetResourceHandle(m_module);
        kv::fw::SetUiLanguage(language);
    }
    ~ProgramStrings() {
        kv::fw::SetResourceHandle(nullptr);
        kv::fw::SetUiLanguage(kv::fw::kLangChinese);
        if (m_module) ::FreeLibrary(m_module);
    }
    ProgramStrings(const ProgramStrings&) = delete;
    ProgramStrings& operator=(const ProgramStrings&) = delete;
    bool Loaded() const { return m_module != nullptr; }

private:
    HMODULE m_module;
};

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
    ProgramStrings strings;
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
    ProgramStrings strings;
    ASSERT_TRUE(strings.Loaded());
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

// In English: the system's English text, and where it has none in the language asked for, our
// own English words (the system's own wording of Windows) or the code.
TEST(AppErrorText, EnglishInTheEnglishInterface) {
    ProgramStrings strings(kv::fw::kLangEnglish);
    ASSERT_TRUE(strings.Loaded());
    for (DWORD e : kReported) {
        SCOPED_TRACE(e);
        const std::wstring text = kv::app::SystemErrorText(e);
        EXPECT_TRUE(HasLatinLetter(text)) << "not English";
        for (wchar_t c : text) EXPECT_LT(c, 0x3000) << "a Chinese character in the English reason";
    }
    const LANGID none = MAKELANGID(LANG_CHINESE, SUBLANG_NEUTRAL);
    wchar_t* probe = nullptr;
    if (::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                         ERROR_PATH_NOT_FOUND, none, reinterpret_cast<LPWSTR>(&probe), 0, nullptr)) {
        ::LocalFree(probe);
        return;
    }
    EXPECT_EQ(kv::app::SystemErrorText(ERROR_ACCESS_DENIED, none), L"Access is denied.");
    EXPECT_EQ(kv::app::SystemErrorText(4660, none), L"System error (code 4660).");
}

}  // namespace

// The packages a Windows user downloads, in a prefix of their own (tools/test.sh prepares it and
// names the files): the installer silently installed, run, upgraded over changed settings and
// removed; the portable folder unzipped and run; the version resources of every binary.
#include "E2eTest.h"

#include <shlobj.h>

#include <vector>

namespace {

using kvdrive::WaitFor;

std::wstring Env(const wchar_t* name) {
    wchar_t buf[1024];
    const DWORD n = GetEnvironmentVariableW(name, buf, 1024);
    return n && n < 1024 ? std::wstring(buf, n) : std::wstring();
}

bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Bytes(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string b(GetFileSize(f, nullptr), '\0');
    DWORD n = 0;
    ReadFile(f, b.data(), DWORD(b.size()), &n, nullptr);
    CloseHandle(f);
    return b;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR p = nullptr;
    std::wstring s;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &p))) s = p;
    CoTaskMemFree(p);
    return s;
}

// Runs a program to its end; its exit code (or -1).
long RunToEnd(const std::wstring& exe, const std::wstring& args, const std::wstring& folder, int ms = 60000) {
    kvdrive::Process p;
    if (!kvdrive::Start(p, exe, args, folder) || !p.WaitExit(ms)) return -1;
    return long(p.ExitCode());
}

// Starts the program from its folder, waits for its main window, ends it normally.
bool RunsAndExits(const std::wstring& folder) {
    kvdrive::Process p;
    if (!kvdrive::Start(p, folder + L"Karvo.exe", L"", folder)) return false;
    HWND main = kvdrive::WaitTopWindow(p.Id(), kvdrive::ProgramName());
    if (!main || !WaitFor([&] { return IsWindowVisible(main) != 0; })) return false;
    PostMessageW(main, WM_COMMAND, IDOK, 0);
    return p.WaitExit(15000) && p.ExitCode() == 0;
}

std::wstring VersionValue(const std::wstring& file, const wchar_t* name, const wchar_t* block = L"080403a8") {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (!size) return {};
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return {};
    wchar_t* value = nullptr;
    UINT len = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\") + block + L"\\" + name;
    if (!VerQueryValueW(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &len) || !value) return {};
    return value;
}

const wchar_t* const kProgramFiles[] = {L"Karvo.exe", L"karvoc.exe", L"KarvoLib.dll", L"Hook.dll",
                                        L"snap.wav",  L"README.txt", L"LICENSE.txt"};

class Package : public kvtest::E2eTest {};

TEST_F(Package, InstallRunUpgradeUninstall) {
    const std::wstring setup = Env(L"KV_SETUP");
    if (setup.empty()) GTEST_SKIP() << "run by tools/test.sh in a prefix of its own";
    const std::wstring dir = KnownFolder(FOLDERID_LocalAppData) + L"\\Programs\\Karvo\\";
    const std::wstring menu = KnownFolder(FOLDERID_Programs) + L"\\Velmor截图\\";
    ASSERT_EQ(RunToEnd(setup, L"/S", kvdrive::ScratchRoot()), 0);
    for (const wchar_t* f : kProgramFiles) EXPECT_TRUE(Exists(dir + f)) << std::string(f, f + wcslen(f));
    EXPECT_TRUE(Exists(dir + L"uninstall.exe"));
    EXPECT_FALSE(Exists(dir + L"config.xml"));
    EXPECT_TRUE(Exists(menu + L"Velmor截图.lnk"));
    wchar_t name[256] = {};
    DWORD size = sizeof name;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Karvo", L"DisplayName",
                           RRF_RT_REG_SZ, nullptr, name, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(name), L"Velmor截图");
    // The PrintScreen option is off unless asked for.
    DWORD prtsc = 1, len = sizeof prtsc;
    EXPECT_NE(RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Keyboard", L"PrintScreenKeyForSnippingEnabled", RRF_RT_REG_DWORD,
                           nullptr, &prtsc, &len),
              ERROR_SUCCESS);

    // Every binary says what it is, in one version.
    for (const wchar_t* f : {L"Karvo.exe", L"karvoc.exe", L"KarvoLib.dll", L"Hook.dll"}) {
        SCOPED_TRACE(std::string(f, f + wcslen(f)));
        EXPECT_EQ(VersionValue(dir + f, L"FileVersion"), L"2.1.0.1");
        EXPECT_EQ(VersionValue(dir + f, L"ProductVersion"), L"2.1.0.1");
        EXPECT_EQ(VersionValue(dir + f, L"ProductName"), L"Velmor截图");
        EXPECT_EQ(VersionValue(dir + f, L"CompanyName"), L"Velmor科技");
        EXPECT_EQ(VersionValue(dir + f, L"OriginalFilename"), f);
        // The English block beside the Chinese one.
        EXPECT_EQ(VersionValue(dir + f, L"ProductName", L"040904b0"), L"Velmor Screenshot");
        EXPECT_EQ(VersionValue(dir + f, L"CompanyName", L"040904b0"), L"Velmor Technology");
        EXPECT_EQ(VersionValue(dir + f, L"FileVersion", L"040904b0"), L"2.1.0.1");
        EXPECT_EQ(VersionValue(dir + f, L"OriginalFilename", L"040904b0"), f);
    }

    // The installed program runs from there and keeps its settings beside itself.
    ASSERT_TRUE(RunsAndExits(dir));
    ASSERT_TRUE(Exists(dir + L"config.xml"));
    const std::wstring changed =
        L"<Dadodav>\n <Basic>\n  <SnapDelayTime>\n   1234\n  </SnapDelayTime>\n </Basic>\n</Dadodav>\n";
    HANDLE f = CreateFileW((dir + L"config.xml").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(f, changed.data(), DWORD(changed.size() * 2), &n, nullptr);
    CloseHandle(f);
    const std::string before = Bytes(dir + L"config.xml");

    // An upgrade (here with the PrintScreen option) keeps the changed settings.
    ASSERT_EQ(RunToEnd(setup, L"/S /PRTSC", kvdrive::ScratchRoot()), 0);
    EXPECT_EQ(Bytes(dir + L"config.xml"), before);
    len = sizeof prtsc;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Keyboard", L"PrintScreenKeyForSnippingEnabled", RRF_RT_REG_DWORD,
                           nullptr, &prtsc, &len),
              ERROR_SUCCESS);
    EXPECT_EQ(prtsc, 0u);

    // A silent uninstall removes every installed file, the Start-menu entry and the entry under
    // Apps, and keeps the settings. The uninstaller runs a copy of itself from the temporary
    // folder, so its end is waited for by its effect: the last of these gone.
    ASSERT_GE(RunToEnd(dir + L"uninstall.exe", L"/S", dir), 0);
    const auto appsEntry = [] {
        HKEY k = nullptr;
        const bool there = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Karvo", 0,
                                         KEY_READ, &k) == ERROR_SUCCESS;
        if (k) RegCloseKey(k);
        return there;
    };
    EXPECT_TRUE(WaitFor([&] {
        for (const wchar_t* name2 : kProgramFiles)
            if (Exists(dir + name2)) return false;
        return !Exists(dir + L"uninstall.exe") && !Exists(menu) && !appsEntry();
    }, 30000));
    for (const wchar_t* name2 : kProgramFiles) EXPECT_FALSE(Exists(dir + name2)) << std::string(name2, name2 + wcslen(name2));
    EXPECT_FALSE(Exists(dir + L"uninstall.exe"));
    EXPECT_FALSE(Exists(menu));
    EXPECT_EQ(Bytes(dir + L"config.xml"), before);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Karvo", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    if (key) RegCloseKey(key);
    DeleteFileW((dir + L"config.xml").c_str());
    RemoveDirectoryW(dir.c_str());
}

// The installer in the user's display language (Chinese for a Chinese one, English for any other),
// as Windows installers choose: the Start-menu entries and the entry under Apps carry that
// language's names, and the uninstaller removes them by the names recorded. CTest runs this under
// the suite's Chinese locale (e2e_packages) and under an English one (e2e_packages_en).
TEST_F(Package, InstallerInTheDisplayLanguage) {
    const std::wstring setup = Env(L"KV_SETUP");
    if (setup.empty()) GTEST_SKIP() << "run by tools/test.sh in a prefix of its own";
    struct Names {
        LANGID language;
        std::wstring product, uninstall;
    };
    const Names names[] = {{LANG_CHINESE, L"Velmor截图", L"卸载 Velmor截图"},
                           {LANG_ENGLISH, L"Velmor Screenshot", L"Uninstall Velmor Screenshot"}};
    const bool chinese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE;
    const Names& want = names[chinese ? 0 : 1];
    const Names& other = names[chinese ? 1 : 0];
    const std::wstring dir = L"C:\\KvLanguage\\";
    const std::wstring programs = KnownFolder(FOLDERID_Programs) + L"\\";
    ASSERT_EQ(RunToEnd(setup, L"/S /D=C:\\KvLanguage", kvdrive::ScratchRoot()), 0);
    EXPECT_TRUE(Exists(dir + L"Karvo.exe"));
    EXPECT_TRUE(Exists(programs + want.product + L"\\" + want.product + L".lnk"));
    EXPECT_TRUE(Exists(programs + want.product + L"\\" + want.uninstall + L".lnk"));
    EXPECT_FALSE(Exists(programs + other.product));
    wchar_t name[256] = {};
    DWORD size = sizeof name;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Karvo", L"DisplayName",
                           RRF_RT_REG_SZ, nullptr, name, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(name), want.product);
    ASSERT_GE(RunToEnd(dir + L"uninstall.exe", L"/S", dir), 0);
    EXPECT_TRUE(WaitFor([&] { return !Exists(dir + L"Karvo.exe") && !Exists(programs + want.product); }, 30000));
    EXPECT_FALSE(Exists(programs + want.product));
    RemoveDirectoryW(dir.c_str());
}

TEST_F(Package, PortableFolderRunsAndKeepsItsSettings) {
    std::wstring folder = Env(L"KV_PORTABLE");
    if (folder.empty()) GTEST_SKIP() << "run by tools/test.sh in a prefix of its own";
    if (folder.back() != L'\\') folder += L'\\';
    DeleteFileW((folder + L"config.xml").c_str());
    ASSERT_TRUE(RunsAndExits(folder));
    EXPECT_TRUE(Exists(folder + L"config.xml"));
}

}  // namespace

// Settings on Windows paths: the program folder, Chinese and space-containing folders, a
// locked or full target, readers during repeated saves, and the resource switch.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "WinTestUtil.h"
#include "framework/ModuleState.h"
#include "settings/FileIO.h"
#include "settings/Helper.h"
#include "settings/KarvoConfig.h"
#include "settings/LocalResource.h"

namespace {


std::string Read(const std::wstring& path) {
    std::string bytes;
    kv::ReadFileBytes(path, bytes);
    return bytes;
}


TEST(SettingsWin, AppPathIsTheProgramFolder) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring expect(exe);
    expect.erase(expect.rfind(L'\\') + 1);
    EXPECT_EQ(CHelper::GetAppPath(), expect);
    EXPECT_EQ(CKarvoConfig::GetConfigPath(), expect + L"config.xml");
}

TEST(SettingsWin, ChineseAndSpacesInTheFolder) {
    const std::wstring dir = kvtest::TempFolder(L"卡沃 设置 test");
    CKarvoConfig a;
    a.SetAppName(L"我的 截图/工具");
    a.SetEditAppPath(L"D:/图像 编辑/edit.exe");
    a.SetSnapMode(4);
    ASSERT_TRUE(a.SaveConfigTo(dir + L"config.xml"));
    const std::string bytes = Read(dir + L"config.xml");
    EXPECT_EQ(bytes.substr(0, 6), std::string("<\0D\0a\0", 6));
    CKarvoConfig b;
    b.LoadConfigFrom(dir + L"config.xml");
    EXPECT_EQ(b.GetAppName(), a.GetAppName());
    EXPECT_EQ(b.GetEditAppPath(), a.GetEditAppPath());
    EXPECT_EQ(b.GetSnapMode(), 4);
    EXPECT_EQ(kvtest::CountFiles(dir), 1);
}

TEST(SettingsWin, LockedTargetKeepsTheOldFile) {
    const std::wstring dir = kvtest::TempFolder(L"kv locked");
    const std::wstring path = dir + L"config.xml";
    CKarvoConfig a;
    ASSERT_TRUE(a.SaveConfigTo(path));
    const std::string old = Read(path);
    HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    CKarvoConfig b;
    b.SetAppName(L"changed");
    EXPECT_FALSE(b.SaveConfigTo(path));
    CloseHandle(lock);
    EXPECT_EQ(Read(path), old);
    EXPECT_EQ(kvtest::CountFiles(dir), 1);
    EXPECT_FALSE(b.SaveConfigTo(dir + L"no such folder\\config.xml"));
}

TEST(SettingsWin, FullDiskKeepsTheOldFile) {
    wchar_t small[MAX_PATH];
    if (!GetEnvironmentVariableW(L"KV_SMALL_DISK", small, MAX_PATH)) GTEST_SKIP() << "no small disk mounted";
    const std::wstring dir = std::wstring(small) + L"\\";
    const std::wstring path = dir + L"config.xml";
    CKarvoConfig a;
    ASSERT_TRUE(a.SaveConfigTo(path));
    const std::string old = Read(path);
    CKarvoConfig big;
    big.SetEditAppPath(std::wstring(60000, L'e'));
    EXPECT_FALSE(big.SaveConfigTo(path));
    EXPECT_EQ(Read(path), old);
    EXPECT_EQ(kvtest::CountFiles(dir), 1);
    DeleteFileW(path.c_str());
}

TEST(SettingsWin, ReadersNeverSeeAPartialFile) {
    const std::wstring dir = kvtest::TempFolder(L"kv watch");
    const std::wstring path = dir + L"config.xml";
    CKarvoConfig c;
    ASSERT_TRUE(c.SaveConfigTo(path));
    const std::string full = Read(path);
    std::atomic<bool> done{false};
    std::atomic<int> bad{0}, reads{0};
    std::thread reader([&] {
        while (!done) {
            if (Read(path) != full) ++bad;
            ++reads;
            Sleep(1);  // Wine: an open reader blocks the rename (the save retries), so leave gaps
        }
    });
    int saved = 0;
    for (int i = 0; i < 100; ++i) saved += c.SaveConfigTo(path);
    done = true;
    reader.join();
    EXPECT_EQ(saved, 100);
    EXPECT_EQ(bad.load(), 0);
    EXPECT_GT(reads.load(), 0);
}

TEST(SettingsWin, ResourceGuardsNest) {
    const HINSTANCE program = kv::fw::GetResourceHandle();
    const HINSTANCE library = kv::fw::GetLibraryModule();
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(program, GetModuleHandleW(nullptr));
    {
        CKarvoLocalResource outer;
        EXPECT_EQ(kv::fw::GetResourceHandle(), library);
        const HINSTANCE other = GetModuleHandleW(L"kernel32.dll");
        KvSetResourceHandle(other);
        {
            CKarvoLocalResource inner;
            EXPECT_EQ(kv::fw::GetResourceHandle(), other);
        }
        EXPECT_EQ(kv::fw::GetResourceHandle(), library);  // the inner guard put back what it found
        KvSetResourceHandle(nullptr);
        CKarvoLocalResource again;
        EXPECT_EQ(kv::fw::GetResourceHandle(), library);
    }
    EXPECT_EQ(kv::fw::GetResourceHandle(), program);
}

}  // namespace

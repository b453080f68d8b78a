// Capture runs from the command line: every type and option against known windows and pixels,
// every exit code, automatic names that never replace a file, and config.xml left alone.
#include "E2eTest.h"

#include "TestWindow.h"

namespace {

using kvdrive::WaitFor;

class CommandLine : public kvtest::E2eTest {
protected:
    void SetUp() override {
        k = &App();
        k->WriteConfig(kConfig);
        config = k->ReadConfig();
    }
    void TearDown() override {
        EXPECT_EQ(k->ReadConfig(), config) << "config.xml changed";
        kvtest::E2eTest::TearDown();
    }
    kvdrive::RunResult Run(const std::wstring& args, const std::function<void(DWORD)>& during = nullptr) {
        return kvdrive::RunCaptured(k->Folder() + L"Karvo.exe", args, k->Folder(), 30000, during);
    }
    // A field of the JSON line as text (numbers and strings alike, quotes removed).
    static std::string Field(const std::string& json, const std::string& name) {
        const size_t at = json.find("\"" + name + "\":");
        if (at == std::string::npos) return "<none>";
        size_t v = at + name.size() + 3;
        if (json[v] == '"') {
            const size_t end = json.find('"', v + 1);
            return json.substr(v + 1, end - v - 1);
        }
        return json.substr(v, json.find_first_of(",}", v) - v);
    }
    static kvdrive::Picture Load(const std::wstring& path) { return kvdrive::LoadPictureFile(path); }
    static constexpr const wchar_t* kConfig =
        L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   3000\n  </SnapDelayTime>\n"
        L"  <SnapOnStart>\n   1\n  </SnapOnStart>\n </Basic>\n <Image>\n  <GrayScale>\n   1\n  </GrayScale>\n </Image>\n</Dadodav>\n";
    kvdrive::Karvo* k = nullptr;
    std::wstring config;
};

TEST_F(CommandLine, UsageAndBadArguments) {
    kvdrive::RunResult r = Run(L"/?");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_NE(r.out.find("Usage: Karvo.exe /capture"), std::string::npos);
    for (const wchar_t* bad : {L"/capture window", L"/region 1,2,3", L"/capture screen /delay 99999", L"/what"}) {
        r = Run(bad);
        EXPECT_EQ(r.exitCode, 2u) << std::string(bad, bad + wcslen(bad));
        EXPECT_EQ(r.err.rfind("karvo: ", 0), 0u);
        EXPECT_NE(r.err.find("Usage:"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
}

// A fixed region of a known window: exact pixels in a BMP; the JSON describes it.
TEST_F(CommandLine, RegionIsExact) {
    kvtest::TestWindow target(L"Karvo 命令行", 200, 150, 320, 240);
    ASSERT_TRUE(target.WaitPainted());
    const RECT cr = target.ClientOnScreen();
    wchar_t args[256];
    swprintf(args, 256, L"/region %ld,%ld,64,48 /out region.bmp /quiet", cr.left + 10, cr.top + 5);
    const kvdrive::RunResult r = Run(args, [](DWORD) {});
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(Field(r.out, "width"), "64");
    EXPECT_EQ(Field(r.out, "height"), "48");
    EXPECT_EQ(Field(r.out, "type"), "region");
    EXPECT_EQ(Field(r.out, "format"), "BMP");
    EXPECT_EQ(Field(r.out, "x"), std::to_string(cr.left + 10));
    EXPECT_EQ(r.out.back(), '\n');
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
    const kvdrive::Picture p = Load(k->Folder() + L"region.bmp");
    ASSERT_EQ(p.width, 64);
    int bad = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) bad += p.At(x, y) != kvtest::PatternColour(x + 10, y + 5);
    EXPECT_EQ(bad, 0) << "unprocessed: grey scale is on in config.xml but /process was not given";

    // With /process the operations of config.xml apply: grey.
    const kvdrive::RunResult g = Run(std::wstring(args) + L" /process");
    ASSERT_EQ(g.exitCode, 0u);
    const kvdrive::Picture q = Load(k->Folder() + L"region.bmp");
    ASSERT_EQ(q.width, 64);
    EXPECT_EQ(GetRValue(q.At(3, 3)), GetGValue(q.At(3, 3)));
    EXPECT_EQ(GetGValue(q.At(3, 3)), GetBValue(q.At(3, 3)));
}

TEST_F(CommandLine, CurrentWindowDescribesIt) {
    kvtest::TestWindow target(L"Karvo 当前", 150, 120, 300, 200);
    ASSERT_TRUE(target.WaitPainted());
    const kvdrive::RunResult r = Run(L"/capture current /out cur.png /clipboard", [](DWORD) {});
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(Field(r.out, "type"), "current");
    EXPECT_EQ(Field(r.out, "width"), "300");
    EXPECT_EQ(Field(r.out, "title"), "Karvo \xE5\xBD\x93\xE5\x89\x8D");
    EXPECT_EQ(Field(r.out, "class"), "KvTestPattern");
    EXPECT_EQ(Field(r.out, "process"), "e2e_tests.exe");
    EXPECT_EQ(kvdrive::ClipboardPicture().width, 300);
}

TEST_F(CommandLine, FolderNamesNeverReplaceAFile) {
    const std::wstring dir = k->Folder() + L"shots 截图\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        const kvdrive::RunResult r = Run(L"/region 0,0,32,32 /out \"" + dir + L"\"");
        ASSERT_EQ(r.exitCode, 0u) << r.err;
        paths.push_back(Field(r.out, "path"));
    }
    EXPECT_NE(paths[0], paths[1]);
    EXPECT_NE(paths[1], paths[2]);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"Karvo_*.png").c_str(), &fd);
    int n = 0;
    if (h != INVALID_HANDLE_VALUE) {
        do ++n;
        while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    EXPECT_EQ(n, 3);
}

TEST_F(CommandLine, ExitCodes) {
    struct Row {
        const wchar_t* args;
        DWORD code;
    };
    for (Row r : {Row{L"/region 5000,5000,10,10 /out x.png", 3}, {L"/region 0,0,10,10 /out x.unknownext", 5},
                  {L"/region 0,0,10,10 /out \"no such folder\\x.png\"", 6}}) {
        const kvdrive::RunResult res = Run(r.args);
        EXPECT_EQ(res.exitCode, r.code) << std::string(r.args, r.args + wcslen(r.args)) << res.err;
        EXPECT_EQ(res.err.rfind("karvo: ", 0), 0u);
        EXPECT_EQ(std::count(res.err.begin(), res.err.end(), '\n'), 1);
        EXPECT_TRUE(res.out.empty());
    }
    // A cancelled selection.
    const kvdrive::RunResult c = Run(L"/capture rect /out r.png", [](DWORD pid) {
        for (HWND h : kvdrive::TopWindows(pid))
            if (kvdrive::ScreenRect(h).right == GetSystemMetrics(SM_CXSCREEN)) PostMessageW(h, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(c.exitCode, 4u) << c.err;
}

TEST_F(CommandLine, StandardOutputAndAnotherInstance) {
    // The program's window is open (another instance): the run still works.
    kvdrive::Karvo gui(TestName() + L".gui");
    ASSERT_TRUE(gui.Launch());
    const kvdrive::RunResult r = Run(L"/region 10,10,40,30 /out -");
    ASSERT_EQ(r.exitCode, 0u) << r.err;
    ASSERT_GT(r.out.size(), 8u);
    EXPECT_EQ(r.out.substr(1, 3), "PNG");
    EXPECT_TRUE(gui.Exit());
}

// karvoc.exe, the console companion: a console program by its PE header (so a shell waits for
// it and sees its exit code), with the same output and exit codes as Karvo.exe.
TEST_F(CommandLine, ConsoleCompanionBehavesTheSame) {
    const auto subsystem = [](const std::wstring& path) {
        HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        std::vector<char> head(4096);
        DWORD n = 0;
        ReadFile(f, head.data(), DWORD(head.size()), &n, nullptr);
        CloseHandle(f);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(head.data());
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(head.data() + dos->e_lfanew);
        return int(nt->OptionalHeader.Subsystem);
    };
    EXPECT_EQ(subsystem(k->Folder() + L"karvoc.exe"), IMAGE_SUBSYSTEM_WINDOWS_CUI);
    EXPECT_EQ(subsystem(k->Folder() + L"Karvo.exe"), IMAGE_SUBSYSTEM_WINDOWS_GUI);
    struct Row {
        const wchar_t* args;
        DWORD code;
        const char* outStart;
    };
    for (Row r : {Row{L"/?", 0, "Usage:"}, {L"/what", 2, ""}, {L"/region 0,0,16,8 /quiet /out -", 0, "\x89PNG"},
                  {L"/region 5000,5000,10,10 /quiet /out -", 3, ""}, {L"/region 0,0,4,4 /quiet /out x.nope", 5, ""}}) {
        SCOPED_TRACE(std::string(r.args, r.args + wcslen(r.args)));
        const kvdrive::RunResult gui = Run(r.args);
        const kvdrive::RunResult con = kvdrive::RunCaptured(k->Folder() + L"karvoc.exe", r.args, k->Folder(), 30000, nullptr);
        EXPECT_EQ(con.exitCode, r.code);
        EXPECT_EQ(gui.exitCode, r.code);
        EXPECT_EQ(con.out.rfind(r.outStart, 0), 0u);
        EXPECT_EQ(con.out.substr(0, 8), gui.out.substr(0, 8));
        EXPECT_EQ(con.err.empty(), gui.err.empty());
        if (r.code) {
            EXPECT_EQ(con.err.rfind("karvo: ", 0), 0u);
        }
    }
}

// Arguments made to hurt, given to karvoc.exe: each ends with its documented exit code and one
// "karvo: " line naming the fault (the usage after it for bad arguments), writes no file and
// leaves config.xml alone (checked at the end of every test).
TEST_F(CommandLine, HostileArgumentsGetAClearResult) {
    const std::wstring longArg = L"/" + std::wstring(30000, L'x');
    const std::string longShown = "/" + std::string(99, 'x') + "\xE2\x80\xA6";  // cut to 100, then "…"
    struct Row {
        std::wstring args;
        DWORD code;
        std::string message;  // the first line of standard error, "" for none
    };
    const Row rows[] = {
        {longArg, 2, "karvo: unknown argument: " + longShown},
        {L"/capture " + longArg.substr(1), 2, "karvo: unknown capture type: " + std::string(100, 'x') + "\xE2\x80\xA6"},
        {L"/region 0,0,8,8 " + longArg, 2, "karvo: unknown argument: " + longShown},
        {L"/region 0,0,8,8 /delay 99999999999999999999", 2, "karvo: bad delay (0 to 15000 ms): 99999999999999999999"},
        {L"/region 0,0,8,8 /delay 4294967296", 2, "karvo: bad delay (0 to 15000 ms): 4294967296"},
        {L"/region 0,0,8,8 /delay -1", 2, "karvo: bad delay (0 to 15000 ms): -1"},
        {L"/region 2147483648,0,10,10", 2, "karvo: bad region (x,y,w,h with w and h positive): 2147483648,0,10,10"},
        {L"/region 0,0,4294967297,1", 2, "karvo: bad region (x,y,w,h with w and h positive): 0,0,4294967297,1"},
        {L"/region 0,0,8,8 /delay 5 /delay 5", 2, "karvo: more than one /delay"},
        {L"/region 0,0,8,8 /out a.png /out b.png", 2, "karvo: more than one /out"},
        {L"/region 0,0,8,8 /region 0,0,8,8", 2, "karvo: more than one capture type"},
        {L"/region 0,0,8,8 /out /quiet", 2, "karvo: missing value after /out"},
        {L"/region 0,0,8,8 /out -clipboard", 2, "karvo: missing value after /out"},
        {L"/region 0,0,8,8 /delay /out c.png", 2, "karvo: missing value after /delay"},
        {L"/region 0,0,8,8 /delay", 2, "karvo: missing value after /delay"},
        {L"/capture", 2, "karvo: missing value after /capture"},
        {L"/region 0,0,8,8 /what", 2, "karvo: unknown argument: /what"},
        {L"/region 0,0,8,8 --quiet", 2, "karvo: unknown argument: --quiet"},
        {L"/region -1000000,-1000000,1000000,1000000 /quiet /out d.png", 3,
         "karvo: capture failed: nothing of it lies on the screen"},
        // Switches given twice are the same switch.
        {L"/region 0,0,8,8 /quiet /quiet -QUIET /out -", 0, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.args.begin(), r.args.begin() + std::min<size_t>(r.args.size(), 60)));
        const kvdrive::RunResult res = kvdrive::RunCaptured(k->Folder() + L"karvoc.exe", r.args, k->Folder(), 30000, nullptr);
        EXPECT_EQ(res.exitCode, r.code) << res.err.substr(0, 300);
        EXPECT_EQ(res.err.substr(0, res.err.find('\n')), r.message);
        if (r.code == 2) {
            EXPECT_NE(res.err.find("\nUsage: Karvo.exe"), std::string::npos);
        }
        if (r.code) {
            EXPECT_TRUE(res.out.empty());
        } else {
            EXPECT_EQ(res.out.substr(1, 3), "PNG");
        }
        for (const wchar_t* name : {L"a.png", L"b.png", L"c.png", L"d.png", L"quiet", L"-clipboard"})
            EXPECT_EQ(GetFileAttributesW((k->Folder() + name).c_str()), INVALID_FILE_ATTRIBUTES) << "a file was written";
    }
}

// A path longer than the old limit of 260 characters, in folders that exist: the file is written
// and the JSON line names it whole; one that cannot be created is a write failure.
TEST_F(CommandLine, LongOutputPaths) {
    std::wstring dir = L"\\\\?\\" + k->Folder();
    for (int i = 0; i < 6; ++i) {
        dir += std::wstring(200, wchar_t(L'a' + i)) + L"\\";
        CreateDirectoryW(dir.c_str(), nullptr);
    }
    ASSERT_NE(GetFileAttributesW(dir.c_str()), INVALID_FILE_ATTRIBUTES) << "no long paths here";
    const std::wstring path = dir + L"long.bmp";
    const kvdrive::RunResult ok = Run(L"/region 0,0,8,8 /quiet /out \"" + path + L"\"");
    ASSERT_EQ(ok.exitCode, 0u) << ok.err.substr(0, 300);
    // A bitmap file 8 pixels wide (read directly: LoadImage takes no path this long).
    char head[26] = {};
    DWORD n = 0;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    ReadFile(f, head, sizeof head, &n, nullptr);
    CloseHandle(f);
    EXPECT_EQ(std::string(head, 2), "BM");
    EXPECT_EQ(head[18], 8);
    std::wstring named;
    for (wchar_t c : path) named += c == L'\\' ? L"\\\\" : std::wstring(1, c);
    EXPECT_EQ(Field(ok.out, "path"), std::string(named.begin(), named.end()));
    const kvdrive::RunResult bad = Run(L"/region 0,0,8,8 /quiet /out \"" + dir + L"missing\\x.bmp\"");
    EXPECT_EQ(bad.exitCode, 6u);
    EXPECT_EQ(bad.err.rfind("karvo: could not write ", 0), 0u);
}

// With /pointer the mouse pointer is in the picture at its place, and nothing else changes:
// against the same region without it, the pixels that differ all lie in the pointer's box (its
// hot spot on the pointer's position) and some do.
TEST_F(CommandLine, PointerDrawnAtItsPlaceOnly) {
    kvtest::TestWindow target(L"Karvo 指针", 200, 150, 320, 240);
    ASSERT_TRUE(target.WaitPainted());
    const RECT cr = target.ClientOnScreen();
    const POINT at{cr.left + 100, cr.top + 80};
    kvdrive::MoveMouse(at.x, at.y);
    wchar_t args[256];
    swprintf(args, 256, L"/region %ld,%ld,200,160 /quiet /out plain.bmp", cr.left, cr.top);
    ASSERT_EQ(Run(args).exitCode, 0u);
    swprintf(args, 256, L"/region %ld,%ld,200,160 /quiet /pointer /out pointer.bmp", cr.left, cr.top);
    ASSERT_EQ(Run(args).exitCode, 0u);
    const kvdrive::Picture plain = Load(k->Folder() + L"plain.bmp"), with = Load(k->Folder() + L"pointer.bmp");
    ASSERT_EQ(plain.width, 200);
    ASSERT_EQ(with.width, 200);
    // The box the pointer may cover: the cursor size, from the hot spot at most that far back.
    const int cw = GetSystemMetrics(SM_CXCURSOR), ch = GetSystemMetrics(SM_CYCURSOR);
    const int px = at.x - cr.left, py = at.y - cr.top;
    int inside = 0, outside = 0;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 200; ++x) {
            if (plain.At(x, y) == with.At(x, y)) continue;
            const bool inBox = x > px - cw && x < px + cw && y > py - ch && y < py + ch;
            (inBox ? inside : outside)++;
        }
    EXPECT_GT(inside, 10) << "no pointer in the picture";
    EXPECT_EQ(outside, 0) << "the picture changed away from the pointer";
    // Without /pointer the plain picture is exactly the pattern there.
    EXPECT_EQ(plain.At(px, py), kvtest::PatternColour(px, py));
}

// With automatic saving switched on in config.xml, /out with a folder names the file by the
// pattern and gives it the chosen format; a second run takes the next free name. config.xml is
// still not written (the counter does not move).
TEST_F(CommandLine, FolderOutputFollowsTheAutoSavePattern) {
    const std::wstring dir = k->Folder() + L"out\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    k->WriteConfig(L"<Dadodav>\n <Capture>\n  <AutoSave>\n   1\n  </AutoSave>\n  <AutoSaveFolder>\n   " + dir +
                   L"\n  </AutoSaveFolder>\n  <AutoSavePattern>\n   区域_{n}_{type}\n  </AutoSavePattern>\n"
                   L"  <AutoSaveFormat>\n   bmp\n  </AutoSaveFormat>\n  <AutoSaveCounter>\n   7\n  </AutoSaveCounter>\n"
                   L" </Capture>\n</Dadodav>\n");
    config = k->ReadConfig();
    for (const wchar_t* name : {L"区域_7_选定区域.bmp", L"区域_7_选定区域 (2).bmp"}) {
        const kvdrive::RunResult r = Run(L"/region 0,0,16,12 /quiet /out \"" + dir + L"\"");
        ASSERT_EQ(r.exitCode, 0u) << r.err;
        EXPECT_EQ(Field(r.out, "format"), "BMP");
        EXPECT_TRUE(GetFileAttributesW((dir + name).c_str()) != INVALID_FILE_ATTRIBUTES) << r.out;
    }
}

}  // namespace

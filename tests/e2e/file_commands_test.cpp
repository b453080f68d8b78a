// The file and edit commands as a user runs them: the real save and open dialogs, the messages
// for a failed open and a failed save, the external editor's command line, and the updater.
#include "E2eTest.h"

#include <commctrl.h>
#include <prsht.h>

#include "HugeFiles.h"
#include "res/resource.h"

namespace {

using kvdrive::WaitFor;
using kvtest::AllText;

const wchar_t kConfig[] =
    L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   0\n  </SnapDelayTime>\n </Basic>\n"
    L" <Image>\n  <EditAppPath>\n   %ls\n  </EditAppPath>\n </Image>\n</Dadodav>\n";

class FileCommands : public kvtest::E2eTest {
protected:
    kvdrive::Karvo& Start(const std::wstring& editor = L"mspaint.exe") {
        kvdrive::Karvo& k = App();
        std::wstring escaped = editor;
        for (size_t i = 0; (i = escaped.find(L'/', i)) != std::wstring::npos;) escaped.replace(i, 1, L"\\colon");
        wchar_t buf[1024];
        swprintf(buf, 1024, kConfig, escaped.c_str());
        k.WriteConfig(buf);
        EXPECT_TRUE(k.Launch());
        return k;
    }
    // A dialog of the program other than its main window.
    static HWND WaitDialog(kvdrive::Karvo& k, const std::wstring& title = L"") {
        HWND found = nullptr;
        WaitFor([&] {
            for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
                if (h != k.Main() && kvdrive::ClassName(h) == L"#32770" && (title.empty() || kvdrive::Text(h) == title))
                    found = h;
            return found != nullptr;
        });
        return found;
    }
    // Types a full path into a file dialog's name box and confirms it.
    static void ChooseFile(HWND dlg, const std::wstring& path) {
        SetForegroundWindow(dlg);
        // Typing goes to the dialog once it is active with the focus in its name box.
        WaitFor([&] {
            GUITHREADINFO info{sizeof info};
            return GetForegroundWindow() == dlg && GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &info) &&
                   info.hwndFocus && GetAncestor(info.hwndFocus, GA_ROOT) == dlg &&
                   kvdrive::ClassName(info.hwndFocus) == L"Edit";
        });
        kvdrive::TypeText(path);
        kvdrive::Press(VK_RETURN);
    }
    // The program's message box whose text holds `text`, or null.
    static HWND WaitMessage(kvdrive::Karvo& k, const std::wstring& text) {
        HWND box = nullptr;
        WaitFor([&] {
            box = WaitDialog(k, kvdrive::ProgramName());
            return box && AllText(box).find(text) != std::wstring::npos;
        });
        return box && AllText(box).find(text) != std::wstring::npos ? box : nullptr;
    }
    static bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }
};

TEST_F(FileCommands, SaveAsThroughTheDialogThenOpenIt) {
    kvdrive::Karvo& k = Start();
    k.Command(ID_SNAP_FULLSCREEN);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) && IsWindowEnabled(k.Main()); }));
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == k.Main(); }));
    const std::wstring path = k.Folder() + L"屏幕 截图.png";
    k.Command(ID_FILE_SAVE_AS);
    HWND dlg = WaitDialog(k);
    ASSERT_TRUE(dlg);
    Keep(L"save-dialog");
    ChooseFile(dlg, path);
    ASSERT_TRUE(WaitFor([&] { return Exists(path); }));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dlg); }));

    // Open it again through the open dialog; the image switches go off.
    k.Command(ID_OPTION_GRAYSCALE);
    ASSERT_TRUE(WaitFor([&] { return IsDlgButtonChecked(k.Main(), IDC_CHECK_GRAYSCALE) == BST_CHECKED; }));
    k.Command(ID_FILE_OPEN);
    dlg = WaitDialog(k);
    ASSERT_TRUE(dlg);
    ChooseFile(dlg, path);
    EXPECT_TRUE(WaitFor([&] { return IsDlgButtonChecked(k.Main(), IDC_CHECK_GRAYSCALE) == BST_UNCHECKED; }));
    EXPECT_TRUE(k.Exit());
}

// The save dialog (the system's file dialog object): a typed extension chooses its encoder, a
// name without one gets the chosen type's, and an extension no encoder writes is refused with
// the dialog still open.
TEST_F(FileCommands, SaveDialogTypesAndExtensions) {
    kvdrive::Karvo& k = Start();
    k.Command(ID_SNAP_FULLSCREEN);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) && IsWindowEnabled(k.Main()); }));
    const auto firstBytes = [](const std::wstring& path) {
        unsigned char b[4] = {};
        DWORD n = 0;
        HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ReadFile(f, b, 4, &n, nullptr);
        CloseHandle(f);
        return std::string(reinterpret_cast<const char*>(b), n);
    };
    // Typed "x.jpg" while the first type (BMP) is chosen: a JPEG file.
    k.Command(ID_FILE_SAVE_AS);
    HWND dlg = WaitDialog(k);
    ASSERT_TRUE(dlg);
    ChooseFile(dlg, k.Folder() + L"x.jpg");
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dlg) && Exists(k.Folder() + L"x.jpg"); }));
    EXPECT_EQ(firstBytes(k.Folder() + L"x.jpg").substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_FALSE(Exists(k.Folder() + L"x.jpg.bmp"));

    // "y" with the JPEG type chosen: y.jpg.
    k.Command(ID_FILE_SAVE_AS);
    dlg = WaitDialog(k);
    ASSERT_TRUE(dlg);
    HWND types = nullptr;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (kvdrive::ClassName(c) == L"ComboBox" && SendMessageW(c, CB_FINDSTRING, WPARAM(-1), LPARAM(L"JPEG")) >= 0) types = c;
    ASSERT_TRUE(types);
    SendMessageW(types, CB_SETCURSEL, WPARAM(SendMessageW(types, CB_FINDSTRING, WPARAM(-1), LPARAM(L"JPEG"))), 0);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(types), CBN_SELCHANGE), LPARAM(types));
    ChooseFile(dlg, k.Folder() + L"y");
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dlg) && Exists(k.Folder() + L"y.jpg"); }));
    EXPECT_EQ(firstBytes(k.Folder() + L"y.jpg").substr(0, 3), "\xFF\xD8\xFF");

    // "z.webp": no encoder writes it; a message, and the dialog stays open.
    k.Command(ID_FILE_SAVE_AS);
    dlg = WaitDialog(k);
    ASSERT_TRUE(dlg);
    ChooseFile(dlg, k.Folder() + L"z.webp");
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (h != dlg && h != k.Main() && AllText(h).find(L"webp") != std::wstring::npos) box = h;
        return box != nullptr;
    }));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_FALSE(Exists(k.Folder() + L"z.webp"));
    PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dlg); }));
    EXPECT_TRUE(k.Exit());
}

TEST_F(FileCommands, FailedOpenIsReportedAndKeepsTheImage) {
    kvdrive::Karvo& k = Start();
    const std::wstring bad = k.Folder() + L"broken.png";
    HANDLE f = CreateFileW(bad.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(f, "not a picture", 13, &n, nullptr);
    CloseHandle(f);
    k.Command(ID_OPTION_BLUR);
    ASSERT_TRUE(WaitFor([&] { return IsDlgButtonChecked(k.Main(), IDC_CHECK_BLUR) == BST_CHECKED; }));
    k.Command(ID_FILE_OPEN);
    HWND dlg = WaitDialog(k);
    ASSERT_TRUE(dlg);
    ChooseFile(dlg, bad);
    HWND box = WaitMessage(k, L"无法打开图像文件");
    ASSERT_TRUE(box);
    EXPECT_NE(AllText(box).find(bad), std::wstring::npos);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_EQ(IsDlgButtonChecked(k.Main(), IDC_CHECK_BLUR), BST_CHECKED);  // the switches stay
    EXPECT_TRUE(k.Exit());
}

TEST_F(FileCommands, FailedSaveIsReportedAndLeavesNoFile) {
    kvdrive::Karvo& k = Start();
    k.Command(ID_SNAP_FULLSCREEN);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) && IsWindowEnabled(k.Main()); }));
    // A folder of the prefix's own drive: the message in the kept picture shows no build path.
    const std::wstring dir = L"C:\\截图\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring path = dir + L"屏幕截图.png";
    RemoveDirectoryW(path.c_str());
    DeleteFileW(path.c_str());
    k.Command(ID_FILE_SAVE_AS);
    HWND dlg = WaitDialog(k);
    ASSERT_TRUE(dlg);
    ChooseFile(dlg, path);
    ASSERT_TRUE(WaitFor([&] { return Exists(path); }));
    // The file's name becomes a folder: saving again cannot replace it.
    DeleteFileW(path.c_str());
    CreateDirectoryW(path.c_str(), nullptr);
    k.Command(ID_FILE_SAVE);
    HWND box = WaitMessage(k, L"无法保存图像文件");
    ASSERT_TRUE(box);
    EXPECT_NE(AllText(box).find(path), std::wstring::npos);
    Keep(L"save-failed");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    // No temporary file is left beside it.
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"*.tmp").c_str(), &fd);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    RemoveDirectoryW(path.c_str());
    EXPECT_TRUE(k.Exit());
}

// The editor gets the file name quoted and the image's folder as its working folder.
TEST_F(FileCommands, EditorGetsTheQuotedName) {
    const std::wstring recorder = kvdrive::ScratchRoot() + L"RecordArgs.exe";
    CopyFileW((kvdrive::ScratchRoot() + L"..\\RecordArgs.exe").c_str(), recorder.c_str(), FALSE);
    DeleteFileW((kvdrive::ScratchRoot() + L"record.txt").c_str());
    kvdrive::Karvo& k = Start(recorder);
    k.Command(ID_SNAP_FULLSCREEN);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) && IsWindowEnabled(k.Main()); }));
    const std::wstring dir = k.Folder() + L"my pics 2026\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring path = dir + L"a b  c.png";
    k.Command(ID_EDIT_IMAGE);  // no file yet: the save dialog comes first
    HWND dlg = WaitDialog(k);
    ASSERT_TRUE(dlg);
    ChooseFile(dlg, path);
    const std::wstring record = kvdrive::ScratchRoot() + L"record.txt";
    ASSERT_TRUE(WaitFor([&] { return Exists(record); }));
    // Written whole once the editor has closed it: until then it cannot be opened to share.
    ASSERT_TRUE(WaitFor([&] {
        HANDLE h = CreateFileW(record.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        const DWORD size = GetFileSize(h, nullptr);
        CloseHandle(h);
        return size > 0 && size != INVALID_FILE_SIZE;
    }));
    HANDLE f = CreateFileW(record.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    wchar_t buf[1024] = {};
    DWORD n = 0;
    ReadFile(f, buf, sizeof buf - 2, &n, nullptr);
    CloseHandle(f);
    const std::wstring text(buf);
    EXPECT_NE(text.find(L"\"a b  c.png\""), std::wstring::npos) << std::string(text.begin(), text.end());
    EXPECT_NE(text.find(dir.substr(0, dir.size() - 1)), std::wstring::npos);
    EXPECT_TRUE(k.Exit());
}

// The editor is started only on a file that was written: a save that fails (here over a
// read-only file, which Windows refuses to replace) is reported, the file keeps its bytes and
// no editor starts.
TEST_F(FileCommands, EditorAfterAFailedSaveStartsNothing) {
    const std::wstring recorder = kvdrive::ScratchRoot() + L"RecordArgs.exe";
    CopyFileW((kvdrive::ScratchRoot() + L"..\\RecordArgs.exe").c_str(), recorder.c_str(), FALSE);
    const std::wstring record = kvdrive::ScratchRoot() + L"record.txt";
    DeleteFileW(record.c_str());
    kvdrive::Karvo& k = Start(recorder);
    const std::wstring path = k.Folder() + L"只读.png";
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(f, "keep me", 7, &n, nullptr);
    CloseHandle(f);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    k.Command(ID_SNAP_FULLSCREEN);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) && IsWindowEnabled(k.Main()); }));
    k.Command(ID_EDIT_IMAGE);
    HWND dlg = WaitDialog(k);
    ASSERT_TRUE(dlg);
    ChooseFile(dlg, path);
    // The dialog asks whether to replace the file: yes.
    HWND ask = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (h != dlg && h != k.Main() && GetDlgItem(h, IDYES)) ask = h;
        return ask != nullptr;
    }));
    PostMessageW(ask, WM_COMMAND, IDYES, 0);
    HWND box = WaitMessage(k, L"无法保存图像文件");
    ASSERT_TRUE(box);
    EXPECT_NE(AllText(box).find(path), std::wstring::npos);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    kvdrive::SettleFor(500, "an editor started anyway would have written its record");
    EXPECT_FALSE(Exists(record)) << "the editor was started";
    char bytes[16] = {};
    HANDLE r = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ReadFile(r, bytes, sizeof bytes - 1, &n, nullptr);
    CloseHandle(r);
    EXPECT_STREQ(bytes, "keep me");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(k.Exit());
}

// A factor that would make the picture too large: the step is left out, the user is told once,
// and its switch goes off.
TEST_F(FileCommands, TooLargeStepIsReportedOnceAndSwitchedOff) {
    kvdrive::Karvo& k = App();
    k.WriteConfig(
        L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   0\n  </SnapDelayTime>\n"
        L" </Basic>\n <Image>\n  <XShearAmount>\n   1000000\n  </XShearAmount>\n </Image>\n</Dadodav>\n");
    ASSERT_TRUE(k.Launch());
    k.Command(ID_SNAP_FULLSCREEN);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) && IsWindowEnabled(k.Main()); }));
    k.Command(ID_OPTION_SHEARACROSS);
    HWND box = WaitMessage(k, L"图像太大");
    ASSERT_TRUE(box);
    EXPECT_NE(AllText(box).find(L"倾斜"), std::wstring::npos);
    Keep(L"too-large");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(WaitFor([&] { return IsDlgButtonChecked(k.Main(), IDC_CHECK_SHEARACROSS) == BST_UNCHECKED; }));
    // Nothing more to say: another capture runs without a message.
    k.Command(ID_SNAP_FULLSCREEN);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) && IsWindowEnabled(k.Main()); }));
    kvdrive::SettleFor(500, "a message after the capture would have opened");
    for (HWND h : kvdrive::TopWindows(k.Proc().Id())) EXPECT_FALSE(h != k.Main() && kvdrive::ClassName(h) == L"#32770");
    EXPECT_TRUE(k.Exit());
}

// "Open with" and a picture dropped on the program: the one argument opens in the main window;
// a file that does not open gets the usual message and the window still opens.
TEST_F(FileCommands, AFileNamedOnTheCommandLineOpens) {
    kvdrive::Karvo& k = App();
    k.WriteConfig(std::wstring(kConfig).replace(std::wstring(kConfig).find(L"%ls"), 3, L"mspaint.exe"));
    // A 3 × 2 bitmap file, bottom row first, rows padded to 4 bytes.
    const std::wstring path = k.Folder() + L"打开 我.bmp";
    const unsigned char bgr[2][3][3] = {{{0, 0, 255}, {0, 255, 0}, {255, 0, 0}}, {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}}};
    std::string file = "BM";
    const auto le32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) file += char(v >> (8 * i) & 0xFF); };
    const auto le16 = [&](unsigned v) { file += char(v & 0xFF), file += char(v >> 8); };
    le32(54 + 24), le32(0), le32(54), le32(40), le32(3), le32(2), le16(1), le16(24), le32(0), le32(24), le32(2835),
        le32(2835), le32(0), le32(0);
    for (const auto& row : bgr) {
        for (const auto& px : row) file.append(reinterpret_cast<const char*>(px), 3);
        file.append(3, '\0');
    }
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(f, file.data(), DWORD(file.size()), &n, nullptr);
    CloseHandle(f);
    ASSERT_TRUE(k.Launch(L"\"" + path + L"\""));
    const DWORD seq = kvdrive::ClipboardSequence();
    k.Command(ID_EDIT_COPY);
    kvdrive::Picture p;
    ASSERT_TRUE(WaitFor([&] { return kvdrive::ClipboardSequence() != seq && (p = kvdrive::ClipboardPicture()).width > 0; }));
    ASSERT_EQ(p.width, 3);
    ASSERT_EQ(p.height, 2);
    EXPECT_EQ(p.At(0, 0), RGB(30, 20, 10));  // the top row is the file's second
    EXPECT_EQ(p.At(2, 1), RGB(0, 0, 255));
    EXPECT_TRUE(k.Exit());

    const std::wstring bad = k.Folder() + L"坏.png";
    f = CreateFileW(bad.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    WriteFile(f, "no picture", 10, &n, nullptr);
    CloseHandle(f);
    ASSERT_TRUE(k.Launch(L"\"" + bad + L"\""));
    HWND box = WaitMessage(k, L"无法打开图像文件");
    ASSERT_TRUE(box);
    EXPECT_NE(AllText(box).find(bad), std::wstring::npos);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(IsWindowVisible(k.Main()));
    EXPECT_TRUE(k.Exit());
}

// A picture far over the limit named on the command line is refused at once as too large, with
// its size, and the window opens without it.
TEST_F(FileCommands, AHugeFileNamedOnTheCommandLineIsTooLarge) {
    kvdrive::Karvo& k = App();
    k.WriteConfig(std::wstring(kConfig).replace(std::wstring(kConfig).find(L"%ls"), 3, L"mspaint.exe"));
    const std::wstring path = k.Folder() + L"巨大.png";
    const std::string file = kvtest::BlackPng(20000, 20000);
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(f, file.data(), DWORD(file.size()), &n, nullptr);
    CloseHandle(f);
    ASSERT_TRUE(k.Launch(L"\"" + path + L"\""));
    HWND box = WaitMessage(k, L"图像太大");
    ASSERT_TRUE(box);
    const std::wstring text = AllText(box);
    EXPECT_NE(text.find(L"无法打开图像文件"), std::wstring::npos);
    EXPECT_NE(text.find(path), std::wstring::npos);
    EXPECT_NE(text.find(L"20000 × 20000 像素"), std::wstring::npos);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(IsWindowVisible(k.Main()));
    EXPECT_TRUE(k.Exit());
}

// The file dialogs are owned by the window that opened them and modal to it: the topmost main
// window (or the settings sheet) cannot cover them, and is disabled while they are open.
TEST_F(FileCommands, FileDialogsAreOwnedAndModal) {
    kvdrive::Karvo& k = Start();
    k.Command(ID_SNAP_FULLSCREEN);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) && IsWindowEnabled(k.Main()); }));
    for (UINT command : {UINT(ID_FILE_OPEN), UINT(ID_FILE_SAVE_AS)}) {
        SCOPED_TRACE(command);
        k.Command(command);
        HWND dlg = WaitDialog(k);
        ASSERT_TRUE(dlg);
        EXPECT_EQ(GetWindow(dlg, GW_OWNER), k.Main());
        EXPECT_FALSE(IsWindowEnabled(k.Main()));
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(dlg) && IsWindowEnabled(k.Main()); }));
    }
    // The editor's browse button on the settings sheet: owned by the sheet.
    k.Command(ID_OPTIONS);
    HWND sheet = WaitDialog(k, kvdrive::ResourceString(L"Karvo.exe", IDS_SETTINGS_CAPTION));
    ASSERT_TRUE(sheet);
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_BROWSE_EDITOR, BN_CLICKED), 0);
    HWND browse = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (h != sheet && h != k.Main() && kvdrive::ClassName(h) == L"#32770" && IsWindowVisible(h)) browse = h;
        return browse != nullptr;
    }));
    EXPECT_EQ(GetWindow(browse, GW_OWNER), sheet);
    EXPECT_FALSE(IsWindowEnabled(sheet));
    PostMessageW(browse, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(browse) && IsWindowEnabled(sheet); }));
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(sheet); }));
    EXPECT_TRUE(k.Exit());
}

// Automatic saving: after every capture a new file in the folder, named by the pattern, in the
// chosen format, with the capture's pixels; an existing name is never replaced (the next free
// " (2)" is taken); the counter survives the restart; a missing folder is reported once and the
// capture stays current.
TEST_F(FileCommands, AutoSaveAfterEveryCapture) {
    kvdrive::Karvo& k = App();
    const std::wstring dir = k.Folder() + L"自动 保存\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring config =
        L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   0\n  </SnapDelayTime>\n"
        L" </Basic>\n <Image>\n  <AutoCopy>\n   1\n  </AutoCopy>\n </Image>\n <Capture>\n  <AutoSave>\n   1\n  </AutoSave>\n"
        L"  <AutoSaveFolder>\n   " + dir + L"\n  </AutoSaveFolder>\n  <AutoSavePattern>\n   测试_{n}_{type}\n"
        L"  </AutoSavePattern>\n  <AutoSaveFormat>\n   bmp\n  </AutoSaveFormat>\n </Capture>\n</Dadodav>\n";
    k.WriteConfig(config);
    HANDLE f = CreateFileW((dir + L"测试_2_整个屏幕.bmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(f, "old", 3, &n, nullptr);
    CloseHandle(f);
    ASSERT_TRUE(k.Launch());
    const wchar_t* expected[] = {L"测试_1_整个屏幕.bmp", L"测试_2_整个屏幕 (2).bmp"};
    for (const wchar_t* name : expected) {
        SCOPED_TRACE(std::string(name, name + wcslen(name)).c_str());
        const DWORD seq = kvdrive::ClipboardSequence();
        if (name == expected[0]) {
            kvdrive::Press(VK_SNAPSHOT, {VK_CONTROL});  // the whole-screen hot key
        } else {
            k.Command(ID_SNAP_FULLSCREEN);
        }
        kvdrive::Picture shown;
        ASSERT_TRUE(WaitFor([&] { return kvdrive::ClipboardSequence() != seq && (shown = kvdrive::ClipboardPicture()).width > 0; }));
        ASSERT_TRUE(WaitFor([&] { return Exists(dir + name); }));
        const kvdrive::Picture saved = kvdrive::LoadPictureFile(dir + name);
        EXPECT_EQ(saved.width, shown.width);
        EXPECT_TRUE(saved.pixels == shown.pixels) << "the file is not the capture";
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) && IsWindowEnabled(k.Main()); }));
    }
    char old[8] = {};
    f = CreateFileW((dir + L"测试_2_整个屏幕.bmp").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ReadFile(f, old, 7, &n, nullptr);
    CloseHandle(f);
    EXPECT_STREQ(old, "old");
    ASSERT_TRUE(k.Exit());
    EXPECT_NE(k.ReadConfig().find(L"<AutoSaveCounter>\n   3\n"), std::wstring::npos);

    // The folder gone: reported once, the capture still current.
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((dir + fd.cFileName).c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    ASSERT_TRUE(RemoveDirectoryW(dir.c_str()));
    ASSERT_TRUE(k.Launch());
    const DWORD seq = kvdrive::ClipboardSequence();
    k.Command(ID_SNAP_FULLSCREEN);
    HWND box = WaitMessage(k, L"自动保存截图失败");
    ASSERT_TRUE(box);
    EXPECT_NE(AllText(box).find(L"自动 保存"), std::wstring::npos);
    Keep(L"autosave-failed");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(WaitFor([&] { return kvdrive::ClipboardSequence() != seq && kvdrive::ClipboardPicture().width > 0; }));
    kvdrive::SettleFor(500, "a second failure message would have opened");
    for (HWND other : kvdrive::TopWindows(k.Proc().Id())) EXPECT_FALSE(other != k.Main() && kvdrive::ClassName(other) == L"#32770");
    EXPECT_TRUE(k.Exit());
}

// The automatic-saving page: the next name follows the pattern as it is typed, a switch without
// an existing folder is refused, and the values reach config.xml.
TEST_F(FileCommands, AutoSavePage) {
    kvdrive::Karvo& k = Start();
    k.Command(ID_OPTIONS);
    HWND sheet = WaitDialog(k, kvdrive::ResourceString(L"Karvo.exe", IDS_SETTINGS_CAPTION));
    ASSERT_TRUE(sheet);
    SendMessageW(sheet, PSM_SETCURSEL, 3, 0);
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ASSERT_TRUE(GetDlgItem(page, IDC_EDIT_AUTOSAVE_PATTERN));
    SendMessageW(GetDlgItem(page, IDC_EDIT_AUTOSAVE_PATTERN), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"截图_{date}_{n}_{type}"));
    EXPECT_TRUE(WaitFor([&] { return kvdrive::Text(GetDlgItem(page, IDC_AUTOSAVE_EXAMPLE)).find(L"_1_选定区域.png") != std::wstring::npos; }));
    Keep(L"settings-autosave");
    SendMessageW(GetDlgItem(page, IDC_EDIT_AUTOSAVE_PATTERN), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"图{n}<{type}>"));
    EXPECT_TRUE(WaitFor([&] { return kvdrive::Text(GetDlgItem(page, IDC_AUTOSAVE_EXAMPLE)) == L"图1_选定区域_.png"; }))
        << std::string(kvdrive::Text(GetDlgItem(page, IDC_AUTOSAVE_EXAMPLE)).size(), '?');
    SendMessageW(GetDlgItem(page, IDC_CHECK_AUTOSAVE), BM_SETCHECK, BST_CHECKED, 0);
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (h != sheet && h != k.Main() && AllText(h).find(L"已经存在的文件夹") != std::wstring::npos) box = h;
        return box != nullptr;
    }));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(IsWindow(sheet));
    // With a folder, the pattern's < and > are refused (config.xml could not hold them).
    SendMessageW(GetDlgItem(page, IDC_EDIT_AUTOSAVE_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(k.Folder().c_str()));
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (h != sheet && h != k.Main() && AllText(h).find(L"不能含有") != std::wstring::npos) box = h;
        return box != nullptr;
    }));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    SendMessageW(GetDlgItem(page, IDC_EDIT_AUTOSAVE_PATTERN), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"图{n}-{type}"));
    EXPECT_TRUE(WaitFor([&] { return kvdrive::Text(GetDlgItem(page, IDC_AUTOSAVE_EXAMPLE)) == L"图1-选定区域.png"; }));
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(sheet); }));
    ASSERT_TRUE(k.Exit());
    const std::wstring cfg = k.ReadConfig();
    EXPECT_NE(cfg.find(L"<AutoSave>\n   1\n"), std::wstring::npos);
    EXPECT_NE(cfg.find(L"<AutoSavePattern>\n   图{n}-{type}\n"), std::wstring::npos);
}

TEST_F(FileCommands, MissingUpdaterIsReported) {
    kvdrive::Karvo& k = Start();
    k.Command(ID_CHECK_UPDATE);
    HWND box = WaitMessage(k, L"kv_webinst.exe");
    ASSERT_TRUE(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(k.Exit());
}

// A folder of any length in config.xml: the failure's message fits on the screen and shows the
// folder's start and end (before, 300 characters made a box wider than the screen, cut off at
// both sides).
TEST_F(FileCommands, LongFolderInTheAutoSaveMessageFitsOnTheScreen) {
    kvdrive::Karvo& k = App();
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    for (size_t n : {size_t(90), size_t(300), size_t(30000)}) {
        SCOPED_TRACE(n);
        const std::wstring folder = L"C:\\" + std::wstring(n, L'f') + L"\\";
        k.WriteConfig(L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   0\n"
                      L"  </SnapDelayTime>\n </Basic>\n <Capture>\n  <AutoSave>\n   1\n  </AutoSave>\n  <AutoSaveFolder>\n   " +
                      folder + L"\n  </AutoSaveFolder>\n </Capture>\n</Dadodav>\n");
        ASSERT_TRUE(k.Launch());
        k.Command(ID_SNAP_FULLSCREEN);
        HWND box = WaitMessage(k, L"自动保存截图失败");
        ASSERT_TRUE(box);
        const std::wstring shown = folder.size() <= 100 ? folder : folder.substr(0, 60) + L"…" + folder.substr(folder.size() - 39);
        EXPECT_NE(AllText(box).find(L"\n" + shown + L"\n"), std::wstring::npos);
        const RECT r = kvdrive::ScreenRect(box);
        EXPECT_TRUE(r.left >= screen.left && r.top >= screen.top && r.right <= screen.right && r.bottom <= screen.bottom)
            << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
        ASSERT_TRUE(k.Exit());
    }
}

}  // namespace

// The file and edit commands as a user runs them: the real save and open dialogs, the messages
// for a failed open and a failed save, the external editor's command line, and the updater.
#include "E2eTest.h"

#include <commctrl.h>
#include <prsht.h>

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
        WaitFor([] { return false; }, 300);
        kvdrive::TypeText(path);
        kvdrive::Press(VK_RETURN);
    }
    // The program's message box whose text holds `text`, or null.
    static HWND WaitMessage(kvdrive::Karvo& k, const std::wstring& text) {
        HWND box = nullptr;
        WaitFor([&] {
            box = WaitDialog(k, L"Velmor截图（Velmor科技作品）");
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
    WaitFor([] { return false; }, 300);
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
    WaitFor([] { return false; }, 200);
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
    WaitFor([] { return false; }, 500);
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
    WaitFor([] { return false; }, 500);
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
    WaitFor([] { return false; }, 500);
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
    HWND sheet = WaitDialog(k, L"参数设置");
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

TEST_F(FileCommands, MissingUpdaterIsReported) {
    kvdrive::Karvo& k = Start();
    k.Command(ID_CHECK_UPDATE);
    HWND box = WaitMessage(k, L"kv_webinst.exe");
    ASSERT_TRUE(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(k.Exit());
}

}  // namespace

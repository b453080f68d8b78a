// The main window as a user meets it: texts, controls, the preview, the option switches, the
// menus, minimise, the About box, and settings that reach config.xml at exit.
#include "E2eTest.h"

#include <commctrl.h>

#include <iterator>

#include "res/resource.h"

namespace {

using kvdrive::Text;

class MainWindow : public kvtest::E2eTest {};

TEST_F(MainWindow, ControlsTextsAndPlaceholder) {
    kvdrive::Karvo& k = App();
    ASSERT_TRUE(k.Launch());
    EXPECT_EQ(k.Diagnostic(kv::diag::kCaughtExceptions), 0) << "the program answers its diagnostics query, with nothing caught";
    struct Row {
        int id;
        const wchar_t* text;
    };
    const Row rows[] = {
        {ID_SNAP_NEW, L"新建截图(&N)\t"},   {ID_EDIT_COPY, L"复制到剪贴板(&C)"}, {ID_FILE_SAVE_AS, L"保存图像(&S)"},
        {ID_EDIT_IMAGE, L"编辑/浏览图像(&E)"}, {IDC_CHECK_GRAYSCALE, L"灰度级"},   {IDC_CHECK_NEGATE, L"反色"},
        {IDC_CHECK_FLIPHORZ, L"水平翻转"},   {IDC_CHECK_FLIPVERT, L"垂直翻转"},   {IDC_CHECK_ROTATE, L"旋转"},
        {IDC_CHECK_SCALE, L"缩放(改变大小)"}, {IDC_CHECK_SHEARACROSS, L"X向倾斜"}, {IDC_CHECK_SHEARDOWN, L"Y向倾斜"},
        {IDC_CHECK_BLUR, L"模糊"},           {IDC_CHECK_SHARPEN, L"锐化"},        {ID_HELP_FINDER, L"帮助(&H)"},
        {IDOK, L"退出(&X)"},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(k.Item(r.id)) << r.id;
        EXPECT_EQ(Text(k.Item(r.id)), r.text) << r.id;
    }
    HWND combo = k.Item(IDC_SNAP_TYPE);
    const wchar_t* types[] = {L"整个屏幕", L"活动程序窗口", L"当前窗口", L"活动程序客户区", L"界面对象/菜单", L"选定区域",
                             L"所有显示器", L"鼠标所在显示器"};
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), LRESULT(std::size(types)));
    for (int i = 0; i < int(std::size(types)); ++i) {
        wchar_t buf[64];
        SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(buf));
        EXPECT_STREQ(buf, types[i]);
    }
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(GetWindowLongW(k.Main(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    // The placeholder: stretched over the preview, its tile's red dot in the middle.
    const RECT pr = kvdrive::ScreenRect(k.Item(IDC_PREVIEW));
    const int cx = (pr.left + pr.right) / 2, dotY = pr.top + (pr.bottom - pr.top) * 150 / 320;
    EXPECT_TRUE(kvdrive::WaitFor([&] {
        const COLORREF c = kvdrive::ScreenPixel(cx, dotY);
        return GetRValue(c) > 200 && GetGValue(c) < 80 && GetBValue(c) < 80;
    }, 5000));
    Keep(L"main-window", nullptr);
    EXPECT_TRUE(k.Exit());
    EXPECT_EQ(k.Proc().ExitCode(), 0u);
}

TEST_F(MainWindow, OptionsFromBoxesAndMenuReachTheSettings) {
    kvdrive::Karvo& k = App();
    ASSERT_TRUE(k.Launch());
    kvdrive::ClickWindow(k.Item(IDC_CHECK_GRAYSCALE));
    ASSERT_TRUE(kvdrive::WaitFor([&] { return IsDlgButtonChecked(k.Main(), IDC_CHECK_GRAYSCALE) == BST_CHECKED; }));
    // The menu item flips the same flag and the box follows.
    k.Command(ID_OPTION_BLUR);
    ASSERT_TRUE(kvdrive::WaitFor([&] { return IsDlgButtonChecked(k.Main(), IDC_CHECK_BLUR) == BST_CHECKED; }));
    k.Command(ID_OPTION_GRAYSCALE);
    ASSERT_TRUE(kvdrive::WaitFor([&] { return IsDlgButtonChecked(k.Main(), IDC_CHECK_GRAYSCALE) == BST_UNCHECKED; }));
    k.Command(ID_AUTO_COPY);
    // Buttons whose commands are not there yet are disabled; the others are not.
    EXPECT_TRUE(IsWindowEnabled(k.Item(ID_SNAP_NEW)));
    EXPECT_TRUE(IsWindowEnabled(k.Item(IDOK)));
    ASSERT_TRUE(k.Exit());
    const std::wstring cfg = k.ReadConfig();
    EXPECT_NE(cfg.find(L"<Blur>\n   1\n"), std::wstring::npos);
    EXPECT_NE(cfg.find(L"<GrayScale>\n   0\n"), std::wstring::npos);
    EXPECT_NE(cfg.find(L"<AutoCopy>\n   1\n"), std::wstring::npos);
}

TEST_F(MainWindow, CaptionFromTheSettingsAndEscapeEnds) {
    kvdrive::Karvo& k = App();
    k.WriteConfig(L"<Dadodav>\n <AppName>\n  我的截图 Tool\n </AppName>\n <Image>\n  <Rotate>\n   1\n  </Rotate>\n </Image>\n</Dadodav>\n");
    ASSERT_TRUE(k.Launch(L"", L"我的截图 Tool"));
    EXPECT_EQ(IsDlgButtonChecked(k.Main(), IDC_CHECK_ROTATE), BST_CHECKED);
    SetForegroundWindow(k.Main());
    kvdrive::Press(VK_ESCAPE);
    EXPECT_TRUE(k.Proc().WaitExit());
    EXPECT_NE(k.ReadConfig().find(L"我的截图 Tool"), std::wstring::npos);
}

TEST_F(MainWindow, MinimiseHidesAndAboutBox) {
    kvdrive::Karvo& k = App();
    ASSERT_TRUE(k.Launch());
    PostMessageW(k.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(kvdrive::WaitFor([&] { return !IsWindowVisible(k.Main()); }));
    k.Command(ID_SHOW_HIDE);
    EXPECT_TRUE(kvdrive::WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));

    PostMessageW(k.Main(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = kvdrive::WaitTopWindow(k.Proc().Id(), kvdrive::DialogTitle(L"Karvo.exe", IDD_ABOUTBOX));
    ASSERT_TRUE(about);
    EXPECT_FALSE(IsWindowEnabled(k.Main()));  // modal
    Keep(L"about-box", nullptr);
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(kvdrive::WaitFor([&] { return !IsWindow(about); }));
    EXPECT_TRUE(kvdrive::WaitFor([&] { return IsWindowEnabled(k.Main()) != 0; }));
    k.Command(ID_APP_ABOUT);
    about = kvdrive::WaitTopWindow(k.Proc().Id(), kvdrive::DialogTitle(L"Karvo.exe", IDD_ABOUTBOX));
    ASSERT_TRUE(about);
    EXPECT_TRUE(GetDlgItem(about, IDC_LINK_SITE));
    PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(kvdrive::WaitFor([&] { return !IsWindow(about); }));
    EXPECT_TRUE(k.Exit());
}

// Settings that cannot be written are reported once at exit, naming the file.
TEST_F(MainWindow, UnwritableSettingsAreReported) {
    kvdrive::Karvo& k = App();
    CreateDirectoryW(k.ConfigPath().c_str(), nullptr);  // config.xml is a folder: the rename fails
    ASSERT_TRUE(k.Launch());
    PostMessageW(k.Main(), WM_COMMAND, IDOK, 0);
    HWND box = nullptr;
    ASSERT_TRUE(kvdrive::WaitFor([&] {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (h != k.Main() && kvdrive::ClassName(h) == L"#32770") box = h;
        return box != nullptr;
    }));
    const std::wstring all = kvtest::AllText(box);
    EXPECT_NE(all.find(L"无法保存设置文件"), std::wstring::npos);
    EXPECT_NE(all.find(k.ConfigPath()), std::wstring::npos);
    Keep(L"settings-not-saved", nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(k.Proc().WaitExit());
}

}  // namespace

namespace {

// Run by its own CTest entry in a prefix set to 144 DPI: the dialog grows with the font and is
// drawn at that size (the program is per-monitor DPI aware).
class HighDpi : public kvtest::E2eTest {};

TEST_F(HighDpi, SettingsPagesFit) {
    if (!GetEnvironmentVariableW(L"KV_EXPECT_DPI", nullptr, 0)) GTEST_SKIP() << "run in the 144 DPI prefix only";
    kvdrive::Karvo& k = App();
    ASSERT_TRUE(k.Launch());
    kvtest::CheckSettingsPagesFit(k, L"settings-fit-144dpi");
    EXPECT_TRUE(k.Exit());
}

TEST_F(HighDpi, MainWindowScales) {
    wchar_t want[16];
    if (!GetEnvironmentVariableW(L"KV_EXPECT_DPI", want, 16)) GTEST_SKIP() << "run in the 144 DPI prefix only";
    kvdrive::Karvo& k = App();
    ASSERT_TRUE(k.Launch());
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(dpi, _wtoi(want));
    // 257 dialog units of preview width: about 1.5 times its 96-DPI size (450 pixels there).
    const RECT pr = kvdrive::ScreenRect(k.Item(IDC_PREVIEW));
    EXPECT_GT(pr.right - pr.left, 600);
    Keep(L"main-window-144dpi");
    EXPECT_TRUE(k.Exit());
}

}  // namespace

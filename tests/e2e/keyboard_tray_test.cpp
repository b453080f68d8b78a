// The program from the keyboard, the settings sheet and the tray: default hot keys, a hot key
// changed in the sheet (at once and after a restart), a second instance, the sheet's values and
// refusals, and the tray icon's menu, double click and re-creation.
#include "E2eTest.h"

#include <commctrl.h>

#include "TestWindow.h"
#include "res/resource.h"

namespace {

// The library's settings caption (IDS_KV_SETTINGS_CAPTION)
constexpr UINT kLibrarySettingsCaption = 4100;

using kvdrive::WaitFor;
using kvtest::AllText;

const wchar_t kConfig[] =
    L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   0\n  </SnapDelayTime>\n </Basic>\n"
    L" <Image>\n  <AutoCopy>\n   1\n  </AutoCopy>\n </Image>\n</Dadodav>\n";

class Keyboard : public kvtest::E2eTest {
protected:
    kvdrive::Karvo& Start() {
        kvdrive::Karvo& k = App();
        if (GetFileAttributesW(k.ConfigPath().c_str()) == INVALID_FILE_ATTRIBUTES) k.WriteConfig(kConfig);
        EXPECT_TRUE(k.Launch());
        return k;
    }
    static int ComboType(kvdrive::Karvo& k) { return int(SendMessageW(k.Item(IDC_SNAP_TYPE), CB_GETCURSEL, 0, 0)); }
    static bool Captured(DWORD before, int width, int ms = 10000) {
        return WaitFor([&] {
            return kvdrive::ClipboardSequence() != before && kvdrive::ClipboardPicture().width == width;
        }, ms);
    }
    static HWND OtherDialog(kvdrive::Karvo& k, const std::wstring& title) {
        HWND found = nullptr;
        WaitFor([&] {
            for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
                if (h != k.Main() && kvdrive::Text(h) == title) found = h;
            return found != nullptr;
        });
        return found;
    }
};

TEST_F(Keyboard, DefaultHotKeys) {
    kvdrive::Karvo& k = Start();
    const int sw = GetSystemMetrics(SM_CXSCREEN);
    DWORD seq = kvdrive::ClipboardSequence();
    kvdrive::Press(VK_SNAPSHOT, {VK_CONTROL});  // whole screen
    EXPECT_TRUE(Captured(seq, sw));
    EXPECT_TRUE(WaitFor([&] { return ComboType(k) == 0 && IsWindowVisible(k.Main()); }));

    kvtest::TestWindow target(L"Karvo 热键", 200, 150, 300, 200);
    ASSERT_TRUE(target.WaitPainted());
    seq = kvdrive::ClipboardSequence();
    kvdrive::Press(VK_F4);  // current window
    EXPECT_TRUE(Captured(seq, 300));
    EXPECT_TRUE(WaitFor([&] { return ComboType(k) == 2; }));
    seq = kvdrive::ClipboardSequence();
    kvdrive::Press(VK_SNAPSHOT);  // new capture of the type now selected: current window again
    EXPECT_TRUE(Captured(seq, 300));

    kvdrive::Press(VK_F8);  // show/hide
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(k.Main()); }));
    kvdrive::Press(VK_F8);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));
    EXPECT_TRUE(k.Exit());
}

// A second instance cannot have the keys: one message per key, then it runs all the same.
TEST_F(Keyboard, SecondInstanceReportsEveryKey) {
    kvdrive::Karvo& first = Start();
    kvdrive::Karvo second(TestName() + L".second");
    second.WriteConfig(kConfig);
    kvdrive::Process& p = second.Proc();
    ASSERT_TRUE(kvdrive::Start(p, second.Folder() + L"Karvo.exe", L"", second.Folder()));
    const wchar_t* expect[8] = {L"注册<新建截图>热键失败,请更换热键",     L"注册捕捉<整个屏幕>热键失败,请更换热键",
                                L"注册捕捉<活动程序窗口>热键失败,请更换热键", L"注册捕捉<当前窗口>热键失败,请更换热键",
                                L"注册捕捉<活动程序客户区>热键失败,请更换热键", L"注册捕捉<界面对象>热键失败,请更换热键",
                                L"注册捕捉<选定区域>热键失败,请更换热键",   L"注册<显示隐藏窗口>热键失败,请更换热键"};
    for (int i = 0; i < 8; ++i) {
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            for (HWND h : kvdrive::TopWindows(p.Id()))
                if (kvdrive::ClassName(h) == L"#32770" && AllText(h).find(L"热键失败") != std::wstring::npos) box = h;
            return box != nullptr;
        })) << i;
        EXPECT_NE(AllText(box).find(expect[i]), std::wstring::npos) << i;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        WaitFor([&] { return !IsWindow(box); });
    }
    EXPECT_TRUE(kvdrive::WaitTopWindow(p.Id(), kvdrive::ProgramName()));
    p.Kill();
    EXPECT_TRUE(first.Exit());
}

TEST_F(Keyboard, SettingsSheetValuesAndAChangedHotKey) {
    kvdrive::Karvo& k = Start();
    k.Command(ID_OPTIONS);
    HWND sheet = OtherDialog(k, kvdrive::ResourceString(L"Karvo.exe", IDS_SETTINGS_CAPTION));
    ASSERT_TRUE(sheet);
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ASSERT_TRUE(GetDlgItem(page, IDC_EDIT_EDITOR));  // the sheet opens on the image page
    EXPECT_EQ(kvdrive::Text(GetDlgItem(page, IDC_EDIT_ROTATE)), L"45");
    Keep(L"settings-image");
    SendMessageW(GetDlgItem(page, IDC_EDIT_ROTATE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"-360"));
    // A trailing space is taken: "9 " is 9.
    SendMessageW(GetDlgItem(page, IDC_EDIT_SHARPEN), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"9 "));
    SendMessageW(GetDlgItem(page, IDC_EDIT_EDITOR), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"C:/tools/编辑.exe"));
    SendMessageW(sheet, PSM_SETCURSEL, 0, 0);
    page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ASSERT_TRUE(GetDlgItem(page, IDC_EDIT_DELAY));
    Keep(L"settings-basic");
    SendMessageW(GetDlgItem(page, IDC_EDIT_DELAY), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"15000"));
    SendMessageW(GetDlgItem(page, IDC_CHECK_KEEPONTOP), BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(SendMessageW(GetDlgItem(page, IDC_CHECK_POINTER), BM_GETCHECK, 0, 0), BST_UNCHECKED);  // off by default
    SendMessageW(GetDlgItem(page, IDC_CHECK_POINTER), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
    page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ASSERT_TRUE(GetDlgItem(page, IDC_HOTKEY_SHOWHIDE));
    Keep(L"settings-hotkeys");
    SendMessageW(GetDlgItem(page, IDC_HOTKEY_SHOWHIDE), HKM_SETHOTKEY, MAKEWORD(VK_F9, HOTKEYF_ALT), 0);
    SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(sheet); }));
    EXPECT_TRUE(WaitFor([&] { return !(GetWindowLongW(k.Main(), GWL_EXSTYLE) & WS_EX_TOPMOST); }));

    // The changed key works at once; the old one no longer does.
    kvdrive::Press(VK_F8);
    kvdrive::SettleFor(300, "the old key, still registered, would have hidden the window");
    EXPECT_TRUE(IsWindowVisible(k.Main()));
    kvdrive::Press(VK_F9, {VK_MENU});
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(k.Main()); }));
    kvdrive::Press(VK_F9, {VK_MENU});
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));
    ASSERT_TRUE(k.Exit());
    const std::wstring cfg = k.ReadConfig();
    EXPECT_NE(cfg.find(L"<RotateAngle>\n   -360\n"), std::wstring::npos);
    EXPECT_NE(cfg.find(L"<SharpenFactor>\n   9\n"), std::wstring::npos);
    EXPECT_NE(cfg.find(L"C:\\colontools\\colon编辑.exe"), std::wstring::npos);
    EXPECT_NE(cfg.find(L"<SnapDelayTime>\n   15000\n"), std::wstring::npos);
    EXPECT_NE(cfg.find(L"<KeepOnTop>\n   0\n"), std::wstring::npos);
    EXPECT_NE(cfg.find(L" <Capture>\n  <DrawPointer>\n   1\n  </DrawPointer>\n"), std::wstring::npos);
    EXPECT_NE(cfg.find(L"<ShowHideModifier>\n   4\n"), std::wstring::npos);
    EXPECT_NE(cfg.find(L"<ShowHideVk>\n   120\n"), std::wstring::npos);

    // And after a restart, from config.xml.
    ASSERT_TRUE(k.Launch());
    kvdrive::Press(VK_F9, {VK_MENU});
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(k.Main()); }));
    kvdrive::Press(VK_F9, {VK_MENU});
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));
    EXPECT_TRUE(k.Exit());
}

TEST_F(Keyboard, SettingsRefuseOutOfRangeAndCancelKeepsAll) {
    kvdrive::Karvo& k = Start();
    const std::wstring before = k.ReadConfig();
    k.Command(ID_OPTIONS);
    HWND sheet = OtherDialog(k, kvdrive::ResourceString(L"Karvo.exe", IDS_SETTINGS_CAPTION));
    ASSERT_TRUE(sheet);
    HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    SendMessageW(GetDlgItem(page, IDC_EDIT_ROTATE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"-361"));
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    // The library's message, under the library's caption for the sheet.
    const std::wstring caption = kvdrive::ResourceString(L"KarvoLib.dll", kLibrarySettingsCaption);
    HWND box = OtherDialog(k, caption);
    ASSERT_TRUE(WaitFor([&] {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (h != sheet && kvdrive::Text(h) == caption) box = h;
        return box && box != sheet;
    }));
    EXPECT_NE(AllText(box).find(L"-360"), std::wstring::npos);
    Keep(L"settings-refused");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(IsWindow(sheet));  // the sheet stays open on the bad field
    SendMessageW(GetDlgItem(page, IDC_EDIT_ROTATE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"12"));
    PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(sheet); }));
    ASSERT_TRUE(k.Exit());
    const std::wstring after = k.ReadConfig();
    EXPECT_NE(after.find(L"<RotateAngle>\n   45\n"), std::wstring::npos);
    EXPECT_NE(after.find(L"<SnapDelayTime>\n   0\n"), std::wstring::npos);
}

// The sheet gives its pages its own font: nothing on them is cut off.
TEST_F(Keyboard, SettingsPagesFit) {
    kvdrive::Karvo& k = Start();
    kvtest::CheckSettingsPagesFit(k, L"settings-fit");
    EXPECT_TRUE(k.Exit());
}

TEST_F(Keyboard, TrayIcon) {
    kvdrive::Karvo& k = Start();
    // No "could not create the tray icon" message: Shell_NotifyIconW succeeded.
    kvdrive::SettleFor(300, "a failed tray icon would have shown its message");
    for (HWND h : kvdrive::TopWindows(k.Proc().Id())) EXPECT_EQ(AllText(h).find(L"创建系统图标失败"), std::wstring::npos);
    PostMessageW(k.Main(), WM_TRAY_NOTIFY, IDR_TRAYMENU, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(k.Main()); }));
    PostMessageW(k.Main(), WM_TRAY_NOTIFY, IDR_TRAYMENU, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));

    // The menu: show/hide first, in bold; choosing a capture item runs it.
    kvdrive::MoveMouse(900, 500);
    PostMessageW(k.Main(), WM_TRAY_NOTIFY, IDR_TRAYMENU, WM_RBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        menu = FindWindowW(MAKEINTATOM(0x8000), nullptr);  // the menu class, #32768
        return menu != nullptr && IsWindowVisible(menu);
    }));
    Keep(L"tray-menu");
    const DWORD seq = kvdrive::ClipboardSequence();
    kvdrive::Press(VK_DOWN);  // onto the first item, show/hide
    kvdrive::Press(VK_DOWN);  // past the separator: the whole-screen capture
    kvdrive::Press(VK_RETURN);
    EXPECT_TRUE(Captured(seq, GetSystemMetrics(SM_CXSCREEN)));

    // The taskbar is re-created: the icon comes back, and still answers.
    PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    // Posted to the same queue after the broadcast, the double click is handled after it.
    PostMessageW(k.Main(), WM_TRAY_NOTIFY, IDR_TRAYMENU, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(k.Main()); }));
    PostMessageW(k.Main(), WM_TRAY_NOTIFY, IDR_TRAYMENU, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));
    EXPECT_TRUE(k.Exit());
}

}  // namespace

// The interface language as a user meets it: Karvo started under a Chinese and under an English
// Wine locale, without the setting (automatic: the locale's language) and with the setting naming
// the other language (it wins). Wine: a process takes its locale from the Unix environment of the
// Wine process that started it, not from the environment block it is given, so the locale is this
// test program's own: CTest runs it once as the suite does (LC_MESSAGES=zh_CN.UTF-8,
// e2e_language_zh) and once with LC_ALL=en_US.UTF-8 (e2e_language_en), each with its rows. The main window, its menus, the tray menu, the settings sheet and
// a message box all show the expected language; every expected text is read from the built
// program's resources in that language.
#include "E2eTest.h"
#include "MenuProbeClient.h"
#include "TestWindow.h"

#include <commctrl.h>

#include <map>
#include <memory>

#include "res/resource.h"

namespace {

using kvdrive::kChinese;
using kvdrive::kEnglish;
using kvdrive::WaitFor;

struct Row {
    const wchar_t* locale;   // the Wine locale (this process's, which the program inherits)
    const wchar_t* setting;  // <Interface><Language>, or null for a file without it
    LANGID expected;
};

std::string Narrow(const std::wstring& w) {
    std::string s(size_t(WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), s.data(), int(s.size()), nullptr, nullptr);
    return s;
}

std::string Name(const Row& r) {
    return Narrow(std::wstring(r.locale) + L" / " + (r.setting ? r.setting : L"(no setting)"));
}

// The label of a menu text: the text before the tab (the key after it follows the hot keys).
std::wstring Label(const std::wstring& text) { return text.substr(0, text.find(L'\t')); }

class Language : public kvtest::E2eTest {};

TEST_F(Language, FollowsTheLocaleAndTheSetting) {
    const Row rows[] = {
        {L"zh_CN.UTF-8", nullptr, kChinese},
        {L"en_US.UTF-8", nullptr, kEnglish},
        {L"zh_CN.UTF-8", L"en-US", kEnglish},
        {L"en_US.UTF-8", L"zh-CN", kChinese},
    };
    const bool chineseLocale = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE;
    int n = 0, ran = 0;
    for (const Row& r : rows) {
        if ((std::wstring(r.locale) == L"zh_CN.UTF-8") != chineseLocale) continue;  // the other run's
        ++ran;
        SCOPED_TRACE(Name(r));
        auto app = std::make_unique<kvdrive::Karvo>(TestName() + L"-" + std::to_wstring(n++));
        kvdrive::Karvo& k = *app;
        if (r.setting)
            k.WriteConfig(std::wstring(L"<Dadodav>\n <Interface>\n  <Language>\n   ") + r.setting +
                          L"\n  </Language>\n </Interface>\n</Dadodav>\n");
        const LANGID other = r.expected == kChinese ? kEnglish : kChinese;
        const std::wstring name = kvdrive::ProgramName(r.expected);
        ASSERT_FALSE(name.empty());
        ASSERT_NE(name, kvdrive::ProgramName(other));
        ASSERT_TRUE(k.Launch(L"", name)) << "no main window titled " << Narrow(name);
        // The README's English pictures, from the automatic English row.
        const bool shots = !r.setting && r.expected == kEnglish;
        const auto keep = [&](const wchar_t* picture) {
            if (shots) Keep(std::wstring(picture) + L"-en");
        };
        keep(L"main-window");

        // The main window's controls and its capture-type list.
        for (int id : {ID_SNAP_NEW, ID_EDIT_COPY, ID_FILE_SAVE_AS, ID_EDIT_IMAGE, IDC_CHECK_GRAYSCALE, IDC_CHECK_FLIPHORZ,
                       IDC_CHECK_SHEARACROSS, ID_HELP_FINDER, IDOK}) {
            SCOPED_TRACE(id);
            const std::wstring want = kvdrive::DialogText(L"Karvo.exe", IDD_KARVO_DIALOG, id, r.expected);
            EXPECT_FALSE(want.empty());
            EXPECT_EQ(Narrow(kvdrive::Text(k.Item(id))), Narrow(want));
        }
        EXPECT_EQ(Narrow(kvdrive::Text(k.Item(IDC_SNAP_TYPE))),
                  Narrow(kvdrive::ResourceString(L"Karvo.exe", IDS_SNAPTYPE_FIRST, r.expected)));

        // The tray menu and the first two menus of the menu bar, read inside the program.
        {
            MenuProbe probe(k.Main());
            ASSERT_TRUE(probe.Hooked());
            const auto menuShows = [] {
                HWND m = FindWindowW(MAKEINTATOM(0x8000), nullptr);
                return m && IsWindowVisible(m);
            };
            const auto closeMenu = [&] {
                EXPECT_TRUE(WaitFor(menuShows));
                kvdrive::SettleFor(200, "the menu loop takes the mouse a moment after the menu shows");
                kvdrive::Click(60, 60);
                EXPECT_TRUE(WaitFor([&] { return !menuShows(); }));
                kvdrive::SettleFor(300, "the menu loop has ended before the next menu opens");
            };
            kvdrive::MoveMouse(900, 500);
            PostMessageW(k.Main(), WM_TRAY_NOTIFY, IDR_TRAYMENU, WM_RBUTTONUP);
            const std::map<UINT, std::wstring> tray = probe.Next();
            EXPECT_TRUE(WaitFor(menuShows));
            if (shots) keep(L"tray-menu");
            // Esc ends the tray menu. A click on the desktop, as for the menu bar below, can leave
            // Wine with no foreground window once the row before has ended its program (the
            // program's thread still counts its window active, so nothing activates it again),
            // and the menu bar of a window that is not in the foreground then opens nothing.
            kvdrive::SettleFor(200, "the menu loop takes the keyboard a moment after the menu shows");
            kvdrive::Press(VK_ESCAPE);
            EXPECT_TRUE(WaitFor([&] { return !menuShows(); }));
            kvdrive::SettleFor(300, "the menu loop has ended before the next menu opens");
            for (UINT id : {UINT(ID_SHOW_HIDE), UINT(ID_SNAP_FULLSCREEN), UINT(ID_OPTIONS), UINT(ID_APP_EXIT)}) {
                SCOPED_TRACE(id);
                ASSERT_TRUE(tray.count(id)) << "not in the tray menu";
                EXPECT_EQ(Narrow(Label(tray.at(id))),
                          Narrow(Label(kvdrive::MenuItemText(L"Karvo.exe", IDR_TRAYMENU, id, r.expected))));
            }
            POINT bar{20, -GetSystemMetrics(SM_CYMENU) / 2};
            ClientToScreen(k.Main(), &bar);
            kvdrive::Click(bar.x, bar.y);
            const std::map<UINT, std::wstring> file = probe.Next();
            kvdrive::Press(VK_RIGHT);
            const std::map<UINT, std::wstring> edit = probe.Next();
            closeMenu();
            for (const auto& [menu, id] : {std::pair{&file, UINT(ID_FILE_OPEN)}, {&file, UINT(ID_APP_EXIT)},
                                           {&edit, UINT(ID_EDIT_COPY)}, {&edit, UINT(ID_EDIT_CLEAR)}}) {
                SCOPED_TRACE(id);
                ASSERT_TRUE(menu->count(id)) << "not in its menu";
                EXPECT_EQ(Narrow(menu->at(id)), Narrow(kvdrive::MenuItemText(L"Karvo.exe", IDR_MAINFRAME, id, r.expected)));
            }
        }

        // The settings sheet: its caption, the image page it opens on, the first page's language list.
        k.Command(ID_OPTIONS);
        const std::wstring sheetTitle = kvdrive::ResourceString(L"Karvo.exe", IDS_SETTINGS_CAPTION, r.expected);
        HWND sheet = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
                if (h != k.Main() && kvdrive::Text(h) == sheetTitle) sheet = h;
            return sheet != nullptr;
        })) << "no sheet titled " << Narrow(sheetTitle);
        HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        ASSERT_TRUE(page);
        keep(L"settings-image");
        EXPECT_EQ(Narrow(kvdrive::Text(GetDlgItem(page, IDC_BROWSE_EDITOR))),
                  Narrow(kvdrive::DialogText(L"Karvo.exe", IDD_OPTION_IMAGE, IDC_BROWSE_EDITOR, r.expected)));
        SendMessageW(sheet, PSM_SETCURSEL, 0, 0);
        page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        ASSERT_TRUE(page);
        EXPECT_EQ(Narrow(kvdrive::Text(GetDlgItem(page, IDC_CHECK_KEEPONTOP))),
                  Narrow(kvdrive::DialogText(L"Karvo.exe", IDD_OPTION_BASIC, IDC_CHECK_KEEPONTOP, r.expected)));
        const UINT chosen = !r.setting ? IDS_LANGUAGE_AUTO : std::wstring(r.setting) == L"zh-CN" ? IDS_LANGUAGE_CHINESE : IDS_LANGUAGE_ENGLISH;
        EXPECT_EQ(Narrow(kvdrive::Text(GetDlgItem(page, IDC_COMBO_LANGUAGE))),
                  Narrow(kvdrive::ResourceString(L"Karvo.exe", chosen, r.expected)));
        keep(L"settings-basic");
        if (shots) {
            SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
            keep(L"settings-hotkeys");
            SendMessageW(sheet, PSM_SETCURSEL, 3, 0);
            keep(L"settings-autosave");
        }
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(sheet); }));

        // The window list (a dialog of the library); for the picture, with two windows to list.
        std::unique_ptr<kvtest::TestWindow> listed[2];
        if (shots) {
            listed[0] = std::make_unique<kvtest::TestWindow>(L"Quarterly report", 20, 420, 280, 200, false);
            listed[1] = std::make_unique<kvtest::TestWindow>(L"Design notes", 980, 420, 280, 200, false);
        }
        k.Command(ID_SNAP_ACTIVEWIN);
        const std::wstring listTitle = kvdrive::DialogTitle(L"KarvoLib.dll", 4004, r.expected);  // IDD_ACTIVE_WIN
        ASSERT_FALSE(listTitle.empty());
        HWND list = kvdrive::WaitTopWindow(k.Proc().Id(), listTitle);
        ASSERT_TRUE(list) << "no window list titled " << Narrow(listTitle);
        EXPECT_EQ(Narrow(kvdrive::Text(GetDlgItem(list, IDCANCEL))),
                  Narrow(kvdrive::DialogText(L"KarvoLib.dll", 4004, IDCANCEL, r.expected)));
        keep(L"window-list");
        PostMessageW(list, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(list); }));
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));

        // A message box: its caption and its text (the missing updater).
        k.Command(ID_CHECK_UPDATE);
        const std::wstring pattern = kvdrive::ResourceString(L"Karvo.exe", IDS_NO_UPDATER, r.expected);
        const std::wstring start = pattern.substr(0, pattern.find(L"%1"));
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
                if (h != k.Main() && kvdrive::ClassName(h) == L"#32770" && kvdrive::Text(h) == name &&
                    kvtest::AllText(h).find(start) != std::wstring::npos)
                    box = h;
            return box != nullptr;
        })) << "no message box titled " << Narrow(name) << " saying " << Narrow(start);
        keep(L"message");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));

        // The rectangle selection's tip (the library's strings): its request for the press.
        k.Command(ID_SNAP_SELECTRECT);
        HWND sel = SelectionWindow(k);
        ASSERT_TRUE(sel);
        std::wstring asks = kvdrive::ResourceString(L"KarvoLib.dll", 4142, r.expected);  // IDS_KV_RECT_TIP_STATE0
        asks = asks.substr(0, asks.find(L"\r"));
        ASSERT_FALSE(asks.empty());
        EXPECT_TRUE(WaitFor([&] {
            return GetForegroundWindow() == sel && kvdrive::Text(GetDlgItem(sel, 1031)).find(asks) != std::wstring::npos;
        })) << Narrow(kvdrive::Text(GetDlgItem(sel, 1031)));
        // Its panel's picture, title and all, is the interface language's (the top rows, above
        // the text the tip writes over it).
        {
            int w = 0, h = 0;
            const std::vector<COLORREF> panel =
                kvdrive::ResourceBitmap(L"KarvoLib.dll", r.expected == kEnglish ? 4006 : 4002, r.expected, w, h);  // IDB_SNAP_TIP(_EN)
            ASSERT_GT(w, 0);
            const RECT tip = kvdrive::ScreenRect(GetDlgItem(sel, 1031));
            const RECT top{tip.left, tip.top, tip.left + w, tip.top + 30};
            int wrong = 0;
            EXPECT_TRUE(WaitFor([&] {
                const kvdrive::Picture shown = kvdrive::ScreenPicture(top);
                wrong = 0;
                for (int y = 0; y < 30; ++y)
                    for (int x = 0; x < w; ++x) wrong += shown.At(x, y) != panel[size_t(y) * size_t(w) + size_t(x)];
                return wrong == 0;
            })) << wrong << " pixels of the panel's title differ";
        }
        keep(L"selection");
        kvdrive::Press(VK_ESCAPE);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(sel); }));
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));
        EXPECT_EQ(k.CaughtExceptions(), 0);
        EXPECT_TRUE(k.Exit());
    }
    EXPECT_EQ(ran, 2);
}

}  // namespace

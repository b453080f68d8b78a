// The features added to the original program, as a user meets them: an automatic-saving failure
// told once per failing save and in one language, a folder whose name holds "\colon" and a counter
// at its top across restarts, a repeated rectangle that lies off the screen, the user's own
// pointer in a dragged rectangle, and the menus naming the hot keys really registered.
#include "E2eTest.h"
#include "MenuProbeClient.h"

#include <commctrl.h>

#include <deque>
#include <map>

#include "TestWindow.h"
#include "res/resource.h"

namespace {

using kvdrive::WaitFor;
using kvtest::AllText;

// The program's name, as its message boxes show it (from the built program).
const std::wstring kCaption = kvdrive::ProgramName();

// Quiet, no pause, automatic copy on; `capture` is the inside of the <Capture> section.
std::wstring Config(const std::wstring& capture = L"") {
    return L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   0\n"
           L"  </SnapDelayTime>\n </Basic>\n <Image>\n  <AutoCopy>\n   1\n  </AutoCopy>\n </Image>\n <Capture>\n" +
           capture + L" </Capture>\n</Dadodav>\n";
}

std::wstring Element(const std::wstring& name, const std::wstring& value) {
    return L"  <" + name + L">\n   " + value + L"\n  </" + name + L">\n";
}

class AddedFeatures : public kvtest::E2eTest {
protected:
    // The program's message box whose text holds `text`, or null.
    static HWND WaitMessage(kvdrive::Karvo& k, const std::wstring& text, int ms = 10000) {
        HWND box = nullptr;
        WaitFor([&] { return (box = FindMessage(k, text)) != nullptr; }, ms);
        return box;
    }
    static HWND FindMessage(kvdrive::Karvo& k, const std::wstring& text) {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (h != k.Main() && kvdrive::ClassName(h) == L"#32770" && kvdrive::Text(h) == kCaption &&
                AllText(h).find(text) != std::wstring::npos)
                return h;
        return nullptr;
    }
    static void Dismiss(HWND box) {
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    }
    // Every message the main thread had queued before this is done: the show/hide command is
    // posted behind them and has hidden the window (then it shows it again).
    static void AfterQueuedWork(kvdrive::Karvo& k) {
        PostMessageW(k.Main(), WM_COMMAND, ID_SHOW_HIDE, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(k.Main()); }));
        PostMessageW(k.Main(), WM_COMMAND, ID_SHOW_HIDE, 0);
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(k.Main()) != 0; }));
    }
    static bool Ready(kvdrive::Karvo& k) {
        return WaitFor([&] { return IsWindowVisible(k.Main()) && IsWindowEnabled(k.Main()); });
    }
    static HWND PickingTip(kvdrive::Karvo& k) {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (h != k.Main() && kvdrive::Text(h).empty() && kvdrive::ClassName(h) == L"#32770") return h;
        return nullptr;
    }
    static int ComboType(kvdrive::Karvo& k) { return int(SendMessageW(k.Item(IDC_SNAP_TYPE), CB_GETCURSEL, 0, 0)); }
    static bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }
    static HWND OpenSheetPage(kvdrive::Karvo& k, int page, HWND& sheet) {
        k.Command(ID_OPTIONS);
        sheet = nullptr;
        WaitFor([&] {
            for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
                if (h != k.Main() && kvdrive::Text(h) == kvdrive::ResourceString(L"Karvo.exe", IDS_SETTINGS_CAPTION)) sheet = h;
            return sheet != nullptr;
        });
        if (!sheet) return nullptr;
        SendMessageW(sheet, PSM_SETCURSEL, WPARAM(page), 0);
        return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    }
};

// With the folder missing every capture's save fails and is told once, with the system's reason
// in Chinese; a picking ended by a right click saves nothing and says nothing (it said the last
// failure again each time, and reported itself a capture); a picked object whose save fails is
// told once.
TEST_F(AddedFeatures, AutoSaveFailureToldOncePerFailingSave) {
    kvtest::TestWindow target(L"Karvo 自动保存", 120, 100, 400, 300);
    ASSERT_TRUE(target.WaitPainted());
    kvdrive::Karvo& k = App();
    const std::wstring missing = k.Folder() + L"不存在的文件夹\\";
    k.WriteConfig(Config(Element(L"AutoSave", L"1") + Element(L"AutoSaveFolder", missing) +
                         Element(L"AutoSaveFormat", L"bmp")));
    ASSERT_TRUE(k.Launch());

    k.Command(ID_SNAP_FULLSCREEN);
    HWND box = WaitMessage(k, L"自动保存截图失败");
    ASSERT_TRUE(box);
    const std::wstring text = AllText(box);
    EXPECT_NE(text.find(L"不存在的文件夹"), std::wstring::npos);
    EXPECT_NE(text.find(L"路径"), std::wstring::npos) << "the reason is not the system's Chinese text";
    EXPECT_EQ(text.find(L"not found"), std::wstring::npos) << "the system's English text in the message";
    Dismiss(box);
    ASSERT_TRUE(Ready(k));
    AfterQueuedWork(k);
    EXPECT_EQ(FindMessage(k, L"自动保存截图失败"), nullptr) << "one failing save told twice";

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        k.Command(ID_SNAP_WINOBJ);
        ASSERT_TRUE(WaitFor([&] { return PickingTip(k) != nullptr; }));
        kvdrive::MoveMouse(700, 500);
        kvdrive::SettleFor(600, "a tick of the picking timer (500 ms) finds the window under the pointer");
        kvdrive::Click(700, 500, true);
        ASSERT_TRUE(WaitFor([&] { return PickingTip(k) == nullptr; }));
        ASSERT_TRUE(Ready(k));
        AfterQueuedWork(k);
        HWND again = FindMessage(k, L"自动保存截图失败");
        EXPECT_EQ(again, nullptr) << "a cancelled picking told the old failure again";
        if (again) Dismiss(again);
        ASSERT_TRUE(Ready(k));
    }

    // A picked object: its own failure, once.
    const RECT tr = kvdrive::ScreenRect(target.hwnd());
    const POINT at{(tr.left + tr.right) / 2, (tr.top + tr.bottom) / 2};
    k.Command(ID_SNAP_WINOBJ);
    HWND tip = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (tip = PickingTip(k)) != nullptr; }));
    kvdrive::MoveMouse(at.x, at.y);
    wchar_t where[64];
    swprintf(where, 64, L"X:%d, Y:%d", int(at.x), int(at.y));
    ASSERT_TRUE(WaitFor([&] { return kvdrive::Text(GetDlgItem(tip, 4002)).find(where) != std::wstring::npos; }));
    kvdrive::SettleFor(600, "a tick of the picking timer (500 ms) finds the window there");
    const DWORD seq = kvdrive::ClipboardSequence();
    kvdrive::Click(at.x, at.y);
    box = WaitMessage(k, L"自动保存截图失败");
    ASSERT_TRUE(box) << "the picked capture's failure is not told";
    Dismiss(box);
    EXPECT_TRUE(WaitFor([&] { return kvdrive::ClipboardSequence() != seq && kvdrive::ClipboardPicture().width > 0; }));
    ASSERT_TRUE(Ready(k));
    AfterQueuedWork(k);
    EXPECT_EQ(FindMessage(k, L"自动保存截图失败"), nullptr);
    EXPECT_TRUE(k.Exit());
}

// A folder named "...\colon x" chosen on the page holds through a restart (it came back as
// ".../ x" and every save failed), and the counter goes from its top, 2147483647, to 1 (it went
// on to -2147483648).
TEST_F(AddedFeatures, ColonFolderAndTopCounterAcrossARestart) {
    kvdrive::Karvo& k = App();
    const std::wstring dir = k.Folder() + L"colon x";
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    k.WriteConfig(Config(Element(L"AutoSaveCounter", L"2147483646")));
    ASSERT_TRUE(k.Launch());
    HWND sheet = nullptr;
    HWND page = OpenSheetPage(k, 3, sheet);
    ASSERT_TRUE(page && GetDlgItem(page, IDC_EDIT_AUTOSAVE_FOLDER));
    SendMessageW(GetDlgItem(page, IDC_EDIT_AUTOSAVE_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(dir.c_str()));
    SendMessageW(GetDlgItem(page, IDC_EDIT_AUTOSAVE_PATTERN), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"{n}"));
    HWND combo = GetDlgItem(page, IDC_COMBO_AUTOSAVE_FORMAT);
    const LRESULT bmp = SendMessageW(combo, CB_FINDSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(L"BMP"));
    ASSERT_GE(bmp, 0);
    SendMessageW(combo, CB_SETCURSEL, WPARAM(bmp), 0);
    SendMessageW(GetDlgItem(page, IDC_CHECK_AUTOSAVE), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(sheet); }));

    const auto capture = [&](const std::wstring& name) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        const DWORD seq = kvdrive::ClipboardSequence();
        k.Command(ID_SNAP_FULLSCREEN);
        const kvdrive::Picture shown = NextPicture(seq);
        ASSERT_GT(shown.width, 0);
        ASSERT_TRUE(WaitFor([&] { return Exists(dir + L"\\" + name); })) << "no file in the folder";
        EXPECT_TRUE(kvdrive::LoadPictureFile(dir + L"\\" + name).pixels == shown.pixels);
        ASSERT_TRUE(Ready(k));
        EXPECT_EQ(FindMessage(k, L"自动保存截图失败"), nullptr);
    };
    capture(L"2147483646.bmp");
    capture(L"2147483647.bmp");
    ASSERT_TRUE(k.Exit());
    std::wstring cfg = k.ReadConfig();
    EXPECT_NE(cfg.find(L"<AutoSaveFolder>\n   " + k.Folder() + L"/colon x\n"), std::wstring::npos);  // "\/colon"
    EXPECT_NE(cfg.find(L"<AutoSaveCounter>\n   1\n"), std::wstring::npos);

    ASSERT_TRUE(k.Launch());
    capture(L"1.bmp");
    ASSERT_TRUE(k.Exit());
    cfg = k.ReadConfig();
    EXPECT_NE(cfg.find(L"<AutoSaveCounter>\n   2\n"), std::wstring::npos);
    EXPECT_EQ(cfg.find(L"<AutoSaveCounter>\n   -"), std::wstring::npos);
}

// A remembered rectangle wholly off the screen (the screen got smaller, or config.xml says so):
// the command, from the menu or its hot key, says so, and nothing else changes: no hiding, no
// copy, no recorded type, the region kept.
TEST_F(AddedFeatures, RepeatedRegionOffTheScreenIsTold) {
    struct Row {
        int left, top, right, bottom;
    };
    for (const Row& r : {Row{3000, 3000, 3200, 3100}, Row{-400, -300, -100, -50}, Row{0, 900, 300, 1000}}) {
        SCOPED_TRACE(std::to_string(r.left) + "," + std::to_string(r.top));
        kvdrive::Karvo& k = App();
        k.WriteConfig(Config(Element(L"LastRegionLeft", std::to_wstring(r.left)) +
                             Element(L"LastRegionTop", std::to_wstring(r.top)) +
                             Element(L"LastRegionRight", std::to_wstring(r.right)) +
                             Element(L"LastRegionBottom", std::to_wstring(r.bottom))));
        ASSERT_TRUE(k.Launch());
        ASSERT_TRUE(kvdrive::SetClipboardText(L"保持不变"));
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round ? "hot key" : "menu");
            if (round)
                kvdrive::Press(VK_F7, {VK_SHIFT});
            else
                k.Command(ID_SNAP_REPEATRECT);
            HWND box = WaitMessage(k, L"完全在屏幕之外");
            ASSERT_TRUE(box) << "nothing told";
            EXPECT_NE(AllText(box).find(L"左上角 " + std::to_wstring(r.left) + L", " + std::to_wstring(r.top)),
                      std::wstring::npos);
            EXPECT_TRUE(IsWindowVisible(k.Main())) << "the window was hidden";
            Dismiss(box);
            ASSERT_TRUE(Ready(k));
            AfterQueuedWork(k);
            EXPECT_EQ(kvdrive::ClipboardText(), L"保持不变");
            EXPECT_EQ(ComboType(k), 0);
        }
        ASSERT_TRUE(k.Exit());
        const std::wstring cfg = k.ReadConfig();
        EXPECT_NE(cfg.find(L"<LastRegionLeft>\n   " + std::to_wstring(r.left) + L"\n"), std::wstring::npos);
        EXPECT_NE(cfg.find(L"<LastRegionBottom>\n   " + std::to_wstring(r.bottom) + L"\n"), std::wstring::npos);
        EXPECT_NE(cfg.find(L"<SnapMode>\n   0\n"), std::wstring::npos);
    }
}

// With the pointer setting on, a dragged rectangle shows the user's own pointer where it was as
// the selection window opened, and nothing else differs from the screen: not the selection
// window's cross at the corner where the drag ended.
TEST_F(AddedFeatures, RectangleShowsTheUsersPointer) {
    // Not topmost: a click the window's thread (this one) handles late would raise a topmost
    // window above the selection window, both being topmost, and the drag would go to it.
    kvtest::TestWindow target(L"Karvo 指针", 970, 120, 300, 330, false);
    ASSERT_TRUE(target.WaitPainted());
    kvdrive::Karvo& k = App();
    k.WriteConfig(Config(Element(L"DrawPointer", L"1")));
    ASSERT_TRUE(k.Launch());
    const RECT cr = target.ClientOnScreen();
    const int cw = GetSystemMetrics(SM_CXCURSOR), ch = GetSystemMetrics(SM_CYCURSOR);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const POINT p0{cr.left + 60 + round * 25, cr.top + 70 + round * 20};
        kvdrive::MoveMouse(p0.x, p0.y);
        // Wine answers GetCursorPos from its server for 100 ms after the last pointer event a
        // process handled, and that can still be the last drag's end on a loaded machine; the
        // server's own record (GetCursorInfo) has to show the new place before the capture.
        ASSERT_TRUE(WaitFor([&] {
            CURSORINFO ci{sizeof ci};
            return GetCursorInfo(&ci) && ci.ptScreenPos.x == p0.x && ci.ptScreenPos.y == p0.y;
        }));
        k.Command(ID_SNAP_SELECTRECT);
        HWND sel = SelectionWindow(k);
        ASSERT_TRUE(sel);
        ASSERT_TRUE(SelectionReady(sel));
        const int x0 = cr.left + 10, y0 = cr.top + 15, x1 = cr.left + 250, y1 = cr.top + 300;
        const DWORD seq = kvdrive::ClipboardSequence();
        // Wine: a press can be lost right after the main window hid (see the rectangle tests);
        // the drag is then made again.
        // Each press waits until the window follows the mouse: its tip names the pixel under it.
        const COLORREF start = kvtest::PatternColour(x0 - cr.left, y0 - cr.top);
        const std::wstring pixel = TipPixel(start);
        for (int attempt = 0; attempt < 6 && IsWindow(sel); ++attempt) {
            if (attempt) {
                SetForegroundWindow(sel);
                WaitFor([&] { return GetForegroundWindow() == sel; }, 1000);
            }
            WaitFor([&] {
                kvdrive::MoveMouse(x0 + 1, y0);
                kvdrive::MoveMouse(x0, y0);
                return kvdrive::Text(GetDlgItem(sel, 1031)).find(pixel) != std::wstring::npos;
            }, 3000);
            // The press goes to the selection window: the system finds it there.
            WaitFor([&] {
                HWND under = WindowFromPoint(POINT{x0, y0});
                return under == sel || GetAncestor(under, GA_ROOT) == sel;
            });
            kvdrive::Drag(x0, y0, x1, y1);
            WaitFor([&] { return !IsWindow(sel); }, 1000);
        }
        const kvdrive::Picture p = NextPicture(seq);
        ASSERT_EQ(p.width, x1 - x0 + 2);
        ASSERT_EQ(p.height, y1 - y0 + 2);
        // The pointer's box: the cursor size from its hot spot back, at most.
        const int hx = p0.x - (x0 - 1), hy = p0.y - (y0 - 1);
        int inside = 0, outside = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                if (p.At(x, y) == kvtest::PatternColour(x0 - 1 + x - cr.left, y0 - 1 + y - cr.top)) continue;
                const bool in = x > hx - cw && x < hx + cw && y > hy - ch && y < hy + ch;
                (in ? inside : outside) += 1;
            }
        EXPECT_GT(inside, 10) << "no pointer where the user had it";
        EXPECT_EQ(outside, 0) << "the picture shows something else (the selection cross?)";
        if (inside <= 10 || outside)
            kvdrive::SavePicture(kvdrive::ScratchRoot() + L"pointer-" + std::to_wstring(round) + L".png", p);
        ASSERT_TRUE(Ready(k));
        // Wine: the main window's return activates it a moment later; a selection opened within
        // that moment loses the mouse capture to it.
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == k.Main(); }));
    }
    EXPECT_TRUE(k.Exit());
}

// Every hot-key command's menu item, in the tray menu and the main window's menus, names the key
// registered for it now: the default keys, then keys changed on the 热键 page, also after a
// restart (the texts named the default keys, Ctrl+1 and the like, whatever was registered).
TEST_F(AddedFeatures, MenusShowTheRegisteredHotKeys) {
    kvdrive::Karvo& k = App();
    k.WriteConfig(Config());
    ASSERT_TRUE(k.Launch());
    using Texts = std::map<UINT, std::wstring>;
    const auto menus = [&](MenuProbe& probe) {
        Texts all;
        // A click on the bare desktop, away from every menu, ends the menu whatever of it is open
        // (an Esc too many would reach the main window and end the program).
        const auto menuShows = [] {
            HWND m = FindWindowW(MAKEINTATOM(0x8000), nullptr);  // the menu class, #32768
            return m && IsWindowVisible(m);
        };
        const auto closeMenu = [&] {
            // The probe reports a menu as it is set up, before it shows; the menu loop takes the
            // mouse a moment after it shows (a click before that reaches the desktop and leaves
            // the menu open), and nothing outside tells when.
            EXPECT_TRUE(WaitFor(menuShows));
            kvdrive::SettleFor(200, "the menu loop takes the mouse");
            kvdrive::Click(60, 60);
            EXPECT_TRUE(WaitFor([&] { return !menuShows(); }));
            kvdrive::SettleFor(300, "the menu loop has ended before the next menu opens");
        };
        kvdrive::MoveMouse(900, 500);  // where the tray menu opens
        PostMessageW(k.Main(), WM_TRAY_NOTIFY, IDR_TRAYMENU, WM_RBUTTONUP);
        const Texts tray = probe.Next();
        closeMenu();
        for (const auto& [id, text] : tray) all[id] = text;
        // The menu bar: a click on its first item opens 文件, the right arrow then 编辑 and 捕捉.
        RECT client;
        GetClientRect(k.Main(), &client);
        POINT bar{20, -GetSystemMetrics(SM_CYMENU) / 2};
        ClientToScreen(k.Main(), &bar);
        kvdrive::Click(bar.x, bar.y);
        for (int popup = 0; popup < 3; ++popup) {
            if (popup) kvdrive::Press(VK_RIGHT);
            const Texts menu = probe.Next();
            EXPECT_FALSE(menu.empty()) << "popup " << popup << " of the menu bar did not open";
            for (const auto& [id, text] : menu) {
                // The same command shows the same key in both menus.
                if (all.count(id) && id) {
                    EXPECT_EQ(all[id], text) << id;
                }
                all[id] = text;
            }
        }
        closeMenu();
        return all;
    };
    struct Item {
        UINT id;
        std::wstring label;
    };
    const Item items[] = {
        {ID_SNAP_NEW, L"新建截图(&N)"},           {ID_SNAP_FULLSCREEN, L"整个屏幕(&F)"},
        {ID_SNAP_ACTIVEWIN, L"活动程序窗口(&A)"}, {ID_SNAP_CURRENTWIN, L"当前窗口(&W)"},
        {ID_SNAP_WINCLIENT, L"活动程序客户区(&C)"}, {ID_SNAP_WINOBJ, L"界面对象/菜单(&M)"},
        {ID_SNAP_SELECTRECT, L"选定区域(&R)..."}, {ID_SHOW_HIDE, L"显示/隐藏(&S)"},
        {ID_SNAP_REPEATRECT, L"重复上次选定区域(&L)"},
    };
    const auto check = [&](const Texts& seen, const std::wstring (&keys)[9]) {
        for (size_t i = 0; i < 9; ++i) {
            SCOPED_TRACE(std::string(keys[i].begin(), keys[i].end()));
            ASSERT_TRUE(seen.count(items[i].id)) << "item " << items[i].id << " not in the menus";
            EXPECT_EQ(seen.at(items[i].id), items[i].label + L"\t" + keys[i]);
        }
        // Items without a hot key keep their texts.
        EXPECT_EQ(seen.at(ID_FILE_OPEN), L"打开图像(&O)\tCtrl+O");
        EXPECT_EQ(seen.at(ID_OPTIONS), L"设置(&O)...");
    };
    {
        MenuProbe probe(k.Main());
        ASSERT_TRUE(probe.Hooked());
        const std::wstring defaults[9] = {L"PrintScreen", L"Ctrl+PrintScreen", L"F3", L"F4", L"F5",
                                          L"F6",          L"F7",               L"F8", L"Shift+F7"};
        check(menus(probe), defaults);
    }

    // Changed on the 热键 page: every one of the nine.
    HWND sheet = nullptr;
    HWND page = OpenSheetPage(k, 2, sheet);
    ASSERT_TRUE(page && GetDlgItem(page, IDC_HOTKEY_REPEATRECT));
    const struct {
        int control;
        WORD key;
    } changes[9] = {
        {IDC_HOTKEY_NEWSNAP, MAKEWORD('N', HOTKEYF_CONTROL | HOTKEYF_ALT)},
        {IDC_HOTKEY_FULLSCREEN, MAKEWORD(VK_F11, HOTKEYF_CONTROL)},
        {IDC_HOTKEY_ACTIVEWIN, MAKEWORD('A', HOTKEYF_CONTROL | HOTKEYF_SHIFT)},
        {IDC_HOTKEY_CURRENTWIN, MAKEWORD(VK_F12, HOTKEYF_ALT)},
        {IDC_HOTKEY_WINCLIENT, MAKEWORD(VK_NUMPAD5, HOTKEYF_CONTROL)},
        {IDC_HOTKEY_WINOBJ, MAKEWORD('6', HOTKEYF_CONTROL | HOTKEYF_SHIFT | HOTKEYF_ALT)},
        {IDC_HOTKEY_SELECTRECT, MAKEWORD(VK_F10, HOTKEYF_SHIFT)},
        {IDC_HOTKEY_SHOWHIDE, MAKEWORD(VK_F9, HOTKEYF_ALT)},
        {IDC_HOTKEY_REPEATRECT, MAKEWORD(VK_F9, HOTKEYF_SHIFT)},
    };
    for (const auto& c : changes) SendMessageW(GetDlgItem(page, c.control), HKM_SETHOTKEY, c.key, 0);
    SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(sheet); }));
    const std::wstring changed[9] = {L"Ctrl+Alt+N", L"Ctrl+F11", L"Ctrl+Shift+A",     L"Alt+F12", L"Ctrl+Num 5",
                                     L"Ctrl+Shift+Alt+6", L"Shift+F10", L"Alt+F9", L"Shift+F9"};
    {
        MenuProbe probe(k.Main());
        check(menus(probe), changed);
    }
    ASSERT_TRUE(k.Exit());
    ASSERT_TRUE(k.Launch());
    {
        MenuProbe probe(k.Main());
        ASSERT_TRUE(probe.Hooked());
        check(menus(probe), changed);
    }
    EXPECT_TRUE(k.Exit());
}

}  // namespace

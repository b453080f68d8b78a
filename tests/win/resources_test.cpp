// The built program's resources in their two languages, read from Karvo.exe and KarvoLib.dll as
// they are shipped: every string, dialog, control and menu command present in one language is
// in the other, with the same inserts and the same keys; every dialog's texts fit their controls
// in the dialog's font (run again in the 144 DPI prefix); and the Chinese texts the program shows
// are, character for character, those it showed before they moved into the string tables.
//
// A failure of the parity test names each missing row as "module: kind id (language)": that is
// the list of English (or Chinese) rows still to write.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/DialogTemplate.h"
#include "framework/Inserts.h"
#include "framework/PropertySheet.h"
#include "framework/UiText.h"

namespace {

using kv::fw::kLangChinese;
using kv::fw::kLangEnglish;

const wchar_t* const kModules[] = {L"Karvo.exe", L"KarvoLib.dll"};
const LANGID kLanguages[] = {kLangChinese, kLangEnglish};

std::string Narrow(const std::wstring& w) {
    std::string s(size_t(::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), nullptr, 0, nullptr, nullptr)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), s.data(), int(s.size()), nullptr, nullptr);
    return s;
}
std::string Narrow(const std::u16string& w) { return Narrow(std::wstring(w.begin(), w.end())); }
const char* LanguageName(LANGID l) { return l == kLangChinese ? "zh-CN" : l == kLangEnglish ? "en-US" : "other"; }

// The module as shipped, beside the test program, read as data (its code never runs).
HMODULE Module(const wchar_t* file) {
    static std::map<std::wstring, HMODULE> loaded;
    HMODULE& m = loaded[file];
    if (!m) m = ::LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return m;
}

std::vector<UINT> ResourceIds(HMODULE module, const wchar_t* type) {
    std::vector<UINT> ids;
    ::EnumResourceNamesW(
        module, type,
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
            if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<UINT>*>(param)->push_back(UINT(reinterpret_cast<ULONG_PTR>(name)));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

// Every string of the module in a language, by id.
std::map<UINT, std::wstring> Strings(HMODULE module, LANGID language) {
    std::map<UINT, std::wstring> out;
    for (UINT block : ResourceIds(module, RT_STRING))
        for (UINT i = 0; i < 16; ++i) {
            const UINT id = (block - 1) * 16 + i;
            if (std::wstring t = kv::fw::LoadTextIn(module, id, language); !t.empty()) out[id] = t;
        }
    return out;
}

// How often each insert %1 … %9 occurs ("%%" is no insert).
std::vector<int> Inserts(const std::wstring& t) {
    std::vector<int> n(9, 0);
    for (size_t i = 0; i + 1 < t.size(); ++i)
        if (t[i] == L'%') {
            if (t[i + 1] == L'%') ++i;
            else if (t[i + 1] >= L'1' && t[i + 1] <= L'9') ++n[size_t(t[i + 1] - L'1')];
        }
    return n;
}

bool HasChinese(const std::wstring& t) {
    for (wchar_t c : t)
        if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF)) return true;
    return false;
}

// A menu item: its text before the tab (with the mnemonic), the key after it.
struct MenuItem {
    std::wstring label, key;
    bool popup = false;
};
// Items by command id; popups by their path ("0/2": third popup of the first popup).
void ReadMenu(HMENU menu, const std::wstring& path, std::map<std::wstring, MenuItem>& out) {
    const int n = ::GetMenuItemCount(menu);
    for (int pos = 0; pos < n; ++pos) {
        wchar_t text[256] = {};
        MENUITEMINFOW mi{sizeof mi};
        mi.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING;
        mi.dwTypeData = text;
        mi.cch = 256;
        if (!::GetMenuItemInfoW(menu, UINT(pos), TRUE, &mi) || (mi.fType & MFT_SEPARATOR)) continue;
        MenuItem item;
        const std::wstring all = text;
        const size_t tab = all.find(L'\t');
        item.label = all.substr(0, tab);
        item.key = tab == std::wstring::npos ? L"" : all.substr(tab + 1);
        item.popup = mi.hSubMenu != nullptr;
        const std::wstring key = item.popup ? path + std::to_wstring(pos) + L"/" : L"#" + std::to_wstring(mi.wID);
        out[key] = item;
        if (mi.hSubMenu) ReadMenu(mi.hSubMenu, path + std::to_wstring(pos) + L"/", out);
    }
}

std::map<std::wstring, MenuItem> Menu(HMODULE module, UINT id, LANGID language) {
    std::map<std::wstring, MenuItem> out;
    const void* bytes = kv::fw::FindResourceIn(module, RT_MENU, id, language, nullptr);
    HMENU menu = bytes ? ::LoadMenuIndirectW(bytes) : nullptr;
    if (!menu) return out;
    ReadMenu(menu, L"", out);
    ::DestroyMenu(menu);
    return out;
}

// The mnemonic letter ("&x"; "&&" is a plain ampersand), 0 without one.
wchar_t Mnemonic(const std::wstring& label) {
    for (size_t i = 0; i + 1 < label.size(); ++i)
        if (label[i] == L'&') {
            if (label[i + 1] != L'&') return wchar_t(towlower(label[i + 1]));
            ++i;
        }
    return 0;
}

bool Template(HMODULE module, UINT id, LANGID language, kv::TemplateInfo& info) {
    DWORD size = 0;
    const auto* bytes = static_cast<const uint8_t*>(kv::fw::FindResourceIn(module, RT_DIALOG, id, language, &size));
    return bytes && kv::ReadTemplate(bytes, size, info);
}

// Strings that are right untranslated in English: the language's own name.
bool ChineseAllowedInEnglish(const wchar_t* module, UINT id) { return std::wstring(module) == L"Karvo.exe" && id == 2036; }

TEST(Resources, ParityBetweenLanguages) {
    std::vector<std::string> missing;  // every row to write, reported together
    const auto lack = [&](const wchar_t* module, const char* kind, UINT id, LANGID in, const std::string& what = "") {
        missing.push_back(Narrow(module) + ": " + kind + " " + std::to_string(id) + " has no " + LanguageName(in) + " row" +
                          (what.empty() ? "" : " (" + what + ")"));
    };
    for (const wchar_t* file : kModules) {
        SCOPED_TRACE(Narrow(file));
        HMODULE module = Module(file);
        ASSERT_NE(module, nullptr);

        // Strings: the same ids, the same inserts, English without Chinese.
        const auto zh = Strings(module, kLangChinese), en = Strings(module, kLangEnglish);
        EXPECT_FALSE(zh.empty());
        for (const auto& [id, text] : zh)
            if (!en.count(id)) lack(file, "string", id, kLangEnglish, Narrow(text));
        for (const auto& [id, text] : en)
            if (!zh.count(id)) lack(file, "string", id, kLangChinese, Narrow(text));
        for (const auto& [id, text] : zh) {
            if (!en.count(id)) continue;
            SCOPED_TRACE("string " + std::to_string(id));
            EXPECT_EQ(Inserts(text), Inserts(en.at(id))) << Narrow(text) << " | " << Narrow(en.at(id));
            const std::vector<int> n = Inserts(text);
            for (size_t k = 1; k < n.size(); ++k) {
                EXPECT_FALSE(n[k] && !n[k - 1]) << "insert %" << k + 1 << " without %" << k;
            }
            if (!ChineseAllowedInEnglish(file, id)) {
                EXPECT_FALSE(HasChinese(en.at(id))) << "untranslated: " << Narrow(en.at(id));
            }
        }

        // Dialogs: the same dialogs with the same control ids and kinds.
        for (UINT id : ResourceIds(module, RT_DIALOG)) {
            SCOPED_TRACE("dialog " + std::to_string(id));
            kv::TemplateInfo t[2];
            const bool has[2] = {Template(module, id, kLangChinese, t[0]), Template(module, id, kLangEnglish, t[1])};
            for (int l = 0; l < 2; ++l)
                if (!has[l]) lack(file, "dialog", id, kLanguages[l]);
            if (!has[0] || !has[1]) continue;
            EXPECT_EQ(t[0].style, t[1].style);
            EXPECT_EQ(t[0].cx, t[1].cx);
            EXPECT_EQ(t[0].cy, t[1].cy);
            EXPECT_EQ(t[0].title.empty(), t[1].title.empty());
            if (!t[1].title.empty()) {
                EXPECT_FALSE(HasChinese(std::wstring(t[1].title.begin(), t[1].title.end())));
            }
            std::multiset<std::pair<uint32_t, uint16_t>> controls[2];
            for (int l = 0; l < 2; ++l)
                for (const kv::TemplateControl& c : t[l].controls)
                    if (c.id != 0xFFFF && c.id != 0xFFFFFFFF) controls[l].insert({c.id, c.classAtom});
            for (int l = 0; l < 2; ++l)
                for (const auto& c : controls[l])
                    if (!controls[1 - l].count(c)) lack(file, "dialog", id, kLanguages[1 - l], "control " + std::to_string(c.first));
            for (const kv::TemplateControl& c : t[1].controls)
                EXPECT_FALSE(HasChinese(std::wstring(c.text.begin(), c.text.end()))) << "untranslated: " << Narrow(c.text);
        }

        // Menus: the same commands and popups, the same keys after the tab, a mnemonic in both
        // or in neither, and no mnemonic twice in one popup.
        for (UINT id : ResourceIds(module, RT_MENU)) {
            SCOPED_TRACE("menu " + std::to_string(id));
            const auto m0 = Menu(module, id, kLangChinese), m1 = Menu(module, id, kLangEnglish);
            if (m0.empty()) lack(file, "menu", id, kLangChinese);
            if (m1.empty()) lack(file, "menu", id, kLangEnglish);
            if (m0.empty() || m1.empty()) continue;
            for (const auto& [key, item] : m0)
                if (!m1.count(key)) lack(file, "menu", id, kLangEnglish, "item " + Narrow(key) + " " + Narrow(item.label));
            for (const auto& [key, item] : m1)
                if (!m0.count(key)) lack(file, "menu", id, kLangChinese, "item " + Narrow(key) + " " + Narrow(item.label));
            for (const auto& [key, item] : m0) {
                if (!m1.count(key)) continue;
                SCOPED_TRACE(Narrow(key) + " " + Narrow(item.label) + " | " + Narrow(m1.at(key).label));
                EXPECT_EQ(item.key, m1.at(key).key);
                EXPECT_EQ(Mnemonic(item.label) != 0, Mnemonic(m1.at(key).label) != 0);
                EXPECT_EQ(item.popup, m1.at(key).popup);
                if (item.label != L"Tray") {
                    EXPECT_FALSE(HasChinese(m1.at(key).label)) << "untranslated";
                }
            }
        }
    }
    for (const std::string& row : missing) ADD_FAILURE() << row;
}

// Mnemonics of one popup, language by language: none twice (the second could not be reached).
TEST(Resources, MenuMnemonicsAreUnique) {
    for (const wchar_t* file : kModules) {
        HMODULE module = Module(file);
        for (UINT id : ResourceIds(module, RT_MENU))
            for (LANGID l : kLanguages) {
                SCOPED_TRACE(Narrow(file) + " menu " + std::to_string(id) + " " + LanguageName(l));
                const void* bytes = kv::fw::FindResourceIn(module, RT_MENU, id, l, nullptr);
                HMENU menu = bytes ? ::LoadMenuIndirectW(bytes) : nullptr;
                if (!menu) continue;
                std::vector<HMENU> popups{menu};
                for (size_t p = 0; p < popups.size(); ++p) {
                    std::map<wchar_t, std::wstring> seen;
                    for (int pos = 0; pos < ::GetMenuItemCount(popups[p]); ++pos) {
                        wchar_t text[256] = {};
                        ::GetMenuStringW(popups[p], UINT(pos), text, 256, MF_BYPOSITION);
                        if (HMENU sub = ::GetSubMenu(popups[p], pos)) popups.push_back(sub);
                        std::wstring label = text;
                        label = label.substr(0, label.find(L'\t'));
                        if (const wchar_t m = Mnemonic(label)) {
                            EXPECT_EQ(seen.count(m), 0u) << Narrow(label) << " and " << Narrow(seen[m]);
                            seen[m] = label;
                        }
                    }
                }
                ::DestroyMenu(menu);
            }
    }
}

// ---- Fit -------------------------------------------------------------------------------------

INT_PTR CALLBACK QuietDialog(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

std::wstring Text(HWND h) {
    std::wstring t(size_t(::GetWindowTextLengthW(h)) + 1, L'\0');
    t.resize(size_t(::GetWindowTextW(h, t.data(), int(t.size()))));
    return t;
}

// Where a control's text does not fit: "" when it does.
std::string Misfit(HWND control, int dpi) {
    wchar_t cls[64] = {};
    ::GetClassNameW(control, cls, 64);
    const LONG style = LONG(::GetWindowLongW(control, GWL_STYLE));
    const std::wstring text = Text(control);
    if (text.empty()) return "";
    RECT client;
    ::GetClientRect(control, &client);
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    const auto measure = [&](UINT flags, int width) {
        RECT r{0, 0, width, 0};
        ::DrawTextW(dc, text.c_str(), int(text.size()), &r, flags | DT_CALCRECT);
        return r;
    };
    std::string why;
    const std::wstring name = cls;
    if (_wcsicmp(cls, L"Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) {
            const UINT flags = DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
            const RECT r = measure(flags, client.right);
            if (r.right > client.right || r.bottom > client.bottom)
                why = "needs " + std::to_string(r.right) + "x" + std::to_string(r.bottom) + " in " + std::to_string(client.right) +
                      "x" + std::to_string(client.bottom);
        } else if (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE) {
            const RECT r = measure(DT_SINGLELINE | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0), 0);
            if (r.right > client.right) why = "needs " + std::to_string(r.right) + " of " + std::to_string(client.right);
        }
    } else if (_wcsicmp(cls, L"Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        const RECT r = measure(DT_SINGLELINE, 0);
        int room = client.right;
        // Wine's button.c: a check box of 12 * dpi / 96 + 1 pixels, then half the width of "0".
        SIZE zero{};
        ::GetTextExtentPoint32W(dc, L"0", 1, &zero);
        switch (type) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON: room -= 2 * ::MulDiv(3, dpi, 96); break;  // the edge and the focus frame
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: room -= 12 * dpi / 96 + 1 + zero.cx / 2; break;
        case BS_GROUPBOX: room -= 2 * ::MulDiv(8, dpi, 96); break;  // the frame's corner on each side
        default: room = INT_MAX; break;
        }
        if (r.right > room) why = "needs " + std::to_string(r.right) + " of " + std::to_string(room);
        if (type != BS_GROUPBOX && room != INT_MAX && r.bottom > client.bottom)
            why += " height " + std::to_string(r.bottom) + " of " + std::to_string(client.bottom);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    return why;
}

int ExpectedDpi() {
    const char* v = std::getenv("KV_EXPECT_DPI");
    return v ? std::atoi(v) : 96;
}

// Every dialog of both modules, in both languages, created hidden as the program creates it
// (pages in the sheet's font, as the sheet lays them out): each static, button, check box and
// group box text measured in its control's font fits the control, and no control crosses the
// dialog's edge. At 96 DPI here, and at 144 in the DPI prefix (win_dialog_fit_144dpi).
TEST(Resources, DialogsFitTheirTexts) {
    ::SetProcessDPIAware();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_LINK_CLASS | ICC_HOTKEY_CLASS};
    ::InitCommonControlsEx(&icc);
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, ExpectedDpi()) << "the prefix's DPI";
    HWND host = ::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 3000, 3000, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    int dialogs = 0;
    for (const wchar_t* file : kModules) {
        HMODULE module = Module(file);
        ASSERT_NE(module, nullptr);
        for (UINT id : ResourceIds(module, RT_DIALOG))
            for (LANGID language : kLanguages) {
                SCOPED_TRACE(Narrow(file) + " dialog " + std::to_string(id) + " " + LanguageName(language) + " at " +
                             std::to_string(dpi) + " dpi");
                DWORD size = 0;
                const auto* bytes = static_cast<const uint8_t*>(kv::fw::FindResourceIn(module, RT_DIALOG, id, language, &size));
                if (!bytes) continue;  // the parity test names it
                kv::TemplateInfo info;
                ASSERT_TRUE(kv::ReadTemplate(bytes, size, info));
                const bool page = (info.style & WS_CHILD) != 0;
                std::vector<uint8_t> copy(bytes, bytes + size);
                if (page) {
                    kv::fw::SetUiLanguage(language);
                    copy = kv::fw::SheetPageTemplate(module, id);
                    kv::fw::SetUiLanguage(kLangChinese);
                }
                ASSERT_GE(copy.size(), 16u);
                const bool extended = copy[0] == 1 && copy[2] == 0xFF && copy[3] == 0xFF;
                copy[extended ? 12 + 3 : 3] &= uint8_t(~(WS_VISIBLE >> 24));  // the style's high byte
                HWND dlg = ::CreateDialogIndirectParamW(module, reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), page ? host : nullptr,
                                                        &QuietDialog, 0);
                ASSERT_NE(dlg, nullptr);
                ++dialogs;
                RECT edge;
                ::GetClientRect(dlg, &edge);
                int controls = 0;
                for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
                    ++controls;
                    RECT r;
                    ::GetWindowRect(c, &r);
                    ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
                    const std::string what = Narrow(Text(c)) + " (id " + std::to_string(::GetDlgCtrlID(c)) + ")";
                    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= edge.right && r.bottom <= edge.bottom)
                        << what << " at " << r.left << "," << r.top << "-" << r.right << "," << r.bottom << " crosses the edge "
                        << edge.right << "x" << edge.bottom;
                    const std::string misfit = Misfit(c, dpi);
                    EXPECT_EQ(misfit, "") << what;
                }
                EXPECT_GT(controls, 0);
                ::DestroyWindow(dlg);
            }
    }
    EXPECT_GE(dialogs, 2 * 9);
    ::DestroyWindow(host);
}

// ---- The Chinese texts as before --------------------------------------------------------------

// Each text the program composed in code before, as that code composed it for these values,
// against the Chinese string with the same values filled in.
TEST(Resources, ChineseTextsAsBefore) {
    struct Row {
        const wchar_t* module;
        UINT id;
        std::initializer_list<std::wstring> inserts;
        std::wstring before;
    };
    const std::wstring limit = std::to_wstring((1 << 26) / 10000);
    const std::wstring path = L"C:\\截图\\a.png", reason = L"拒绝访问。";
    const Row rows[] = {
        {L"Karvo.exe", 2000, {}, L"Velmor截图（Velmor科技作品）"},
        {L"Karvo.exe", 2001, {}, L"Karvo"},
        {L"Karvo.exe", 2002, {}, L"初始化GDI+失败"},
        {L"Karvo.exe", 2003, {}, L"错误：创建系统图标失败！"},
        {L"Karvo.exe", 2004, {path}, L"无法保存设置文件：\n" + path + L"\n\n本次运行中更改的设置将会丢失。"},
        {L"Karvo.exe", 2005, {path, reason}, L"无法保存设置文件：\n" + path + L"\n\n本次运行中更改的设置将会丢失。" + L"\n\n" + reason},
        {L"Karvo.exe", 2006, {}, L"点击访问Velmor科技官网"},
        {L"Karvo.exe", 2007, {}, L"参数设置"},
        {L"Karvo.exe", 2008, {}, limit + L" 万像素"},
        {L"Karvo.exe", 2014, {L"旋转、缩放", limit + L" 万像素"},
         L"图像太大：旋转、缩放之后的图像将超过 " + limit + L" 万像素，这一步没有执行，已被关闭。\n\n请在“设置”的“图像”页中减小它的参数。"},
        {L"Karvo.exe", 2015, {L"倾斜"}, L"图像为空：倾斜之后的图像将没有像素，这一步没有执行，已被关闭。\n\n请在“设置”的“图像”页中调整它的参数。"},
        {L"Karvo.exe", 2010, {}, L"旋转"},
        {L"Karvo.exe", 2011, {}, L"缩放"},
        {L"Karvo.exe", 2012, {}, L"倾斜"},
        {L"Karvo.exe", 2013, {}, L"、"},
        {L"Karvo.exe", 2016, {}, L"图像处理没有完成（内存不足），显示的是未经处理的图像。"},
        {L"Karvo.exe", 2017, {}, L"写入文件失败。"},
        {L"Karvo.exe", 2018, {path, reason},
         L"自动保存截图失败：\n" + path + L"\n\n" + reason + L"\n截图仍在窗口中，可以另行保存；请在“设置”的“自动保存”页中检查文件夹。"},
        {L"Karvo.exe", 2019, {L"-5000", L"20", L"300", L"200"},
         L"无法重复上次选定区域：上次选定的区域（左上角 -5000, 20，300 × 200 像素）完全在屏幕之外。\n\n请用“选定区域”重新选择一个区域。"},
        {L"Karvo.exe", 2020, {path}, L"找不到更新程序：\n" + path},
        {L"Karvo.exe", 2021, {path, L"20000", L"20000", limit + L" 万像素"},
         L"无法打开图像文件：\n" + path + L"\n\n图像太大（20000 × 20000 像素）。可以打开的图像最多 " + limit + L" 万像素。当前图像保持不变。"},
        {L"Karvo.exe", 2022, {path}, L"无法打开图像文件：\n" + path + L"\n\n文件不存在、无法读取，或不是支持的图像格式。当前图像保持不变。"},
        {L"Karvo.exe", 2023, {path}, L"无法保存图像文件：\n" + path + L"\n\n没有能写入这种格式的图像编码器，请换一个扩展名。"},
        {L"Karvo.exe", 2024, {path, reason}, L"无法保存图像文件：\n" + path + L"\n\n" + reason + L"\n文件没有被写入。"},
        {L"Karvo.exe", 2025, {}, L"无法复制到剪贴板：剪贴板正被其他程序占用，请稍后再试。"},
        {L"Karvo.exe", 2026, {L"9000", L"9000", limit + L" 万像素"},
         L"剪贴板中的图像太大（9000 × 9000 像素），无法粘贴。\n\n可以粘贴的图像最多 " + limit + L" 万像素。当前图像保持不变。"},
        {L"Karvo.exe", 2027, {L"a&b.png"}, L"无法用批处理编辑器打开这个文件：\na&b.png\n\n文件名中含有命令解释器的特殊字符。"},
        {L"Karvo.exe", 2030, {}, L"图像编辑程序(*.exe)|*.exe||"},
        {L"Karvo.exe", 2031, {}, L"请为自动保存选择一个已经存在的文件夹。"},
        {L"Karvo.exe", 2032, {}, L"文件名格式中不能含有 < 或 >。"},
        {L"Karvo.exe", 2033, {}, L"无标题 - 记事本"},
        {L"Karvo.exe", 2034, {}, L"选择自动保存截图的文件夹"},
        {L"Karvo.exe", 2040, {}, L"注册<新建截图>热键失败,请更换热键"},
        {L"Karvo.exe", 2041, {}, L"注册捕捉<整个屏幕>热键失败,请更换热键"},
        {L"Karvo.exe", 2042, {}, L"注册捕捉<活动程序窗口>热键失败,请更换热键"},
        {L"Karvo.exe", 2043, {}, L"注册捕捉<当前窗口>热键失败,请更换热键"},
        {L"Karvo.exe", 2044, {}, L"注册捕捉<活动程序客户区>热键失败,请更换热键"},
        {L"Karvo.exe", 2045, {}, L"注册捕捉<界面对象>热键失败,请更换热键"},
        {L"Karvo.exe", 2046, {}, L"注册捕捉<选定区域>热键失败,请更换热键"},
        {L"Karvo.exe", 2047, {}, L"注册<显示隐藏窗口>热键失败,请更换热键"},
        {L"Karvo.exe", 2048, {}, L"注册捕捉<重复上次选定区域>热键失败,请更换热键"},
        {L"Karvo.exe", 2099, {L"4660"}, L"系统错误（代码 4660）。"},
        {L"Karvo.exe", 2100, {}, L"系统找不到指定的文件。"},
        {L"Karvo.exe", 2101, {}, L"系统找不到指定的路径。"},
        {L"Karvo.exe", 2102, {}, L"拒绝访问。"},
        {L"Karvo.exe", 2103, {}, L"存储空间不足，无法处理此命令。"},
        {L"Karvo.exe", 2104, {}, L"存储空间不足，无法完成此操作。"},
        {L"Karvo.exe", 2105, {}, L"介质受写入保护。"},
        {L"Karvo.exe", 2106, {}, L"设备未就绪。"},
        {L"Karvo.exe", 2107, {}, L"系统无法写入指定的设备。"},
        {L"Karvo.exe", 2108, {}, L"另一个程序正在使用此文件，进程无法访问。"},
        {L"Karvo.exe", 2109, {}, L"磁盘已满。"},
        {L"Karvo.exe", 2110, {}, L"不支持该请求。"},
        {L"Karvo.exe", 2111, {}, L"文件存在。"},
        {L"Karvo.exe", 2112, {}, L"磁盘空间不足。"},
        {L"Karvo.exe", 2113, {}, L"文件名、目录名或卷标语法不正确。"},
        {L"Karvo.exe", 2114, {}, L"文件名或扩展名太长。"},
        {L"Karvo.exe", 2115, {}, L"文件或目录损坏且无法读取。"},
        {L"KarvoLib.dll", 4100, {}, L"参数设置"},
        {L"KarvoLib.dll", 4101, {L"-360", L"360"}, L"请输入一个介于 -360 和 360 之间的整数。"},
        {L"KarvoLib.dll", 4102, {}, L"请输入一个整数。"},
        {L"KarvoLib.dll", 4103, {}, L"另存为"},
        {L"KarvoLib.dll", 4104, {L"xyz"}, L"没有能写入“.xyz”格式的图像编码器。\n\n请换一个扩展名，或在“保存类型”中选择一种格式。"},
        {L"KarvoLib.dll", 4105, {}, L"确认另存为"},
        {L"KarvoLib.dll", 4106, {L"a.png"}, L"a.png 已存在。\n要替换它吗？"},
        {L"KarvoLib.dll", 4107, {}, L"所有支持的图像文件"},
        {L"KarvoLib.dll", 4108, {L"PNG", L"*.png"}, L"PNG 文件(*.png)"},
        {L"KarvoLib.dll", 4112, {}, L"整个屏幕"},
        {L"KarvoLib.dll", 4113, {}, L"活动程序窗口"},
        {L"KarvoLib.dll", 4114, {}, L"当前窗口"},
        {L"KarvoLib.dll", 4115, {}, L"活动程序客户区"},
        {L"KarvoLib.dll", 4116, {}, L"界面对象"},
        {L"KarvoLib.dll", 4117, {}, L"选定区域"},
        {L"KarvoLib.dll", 4140, {L"12", L"-3"}, L"·坐标(X:12, Y:-3)\r\n·左键点击截取图像\r\n·点击右键退出"},
        {L"KarvoLib.dll", 4141, {L"1", L"22", L"255"}, L"·像素RGB(1,22,255)\r\n"},
        {L"KarvoLib.dll", 4142, {}, L"·按下鼠标左键选择截取范围\r\n·按ESC键放弃"},
        {L"KarvoLib.dll", 4143, {}, L"·松开鼠标左键确定截取范围\r\n·按ESC键放弃"},
        {L"KarvoLib.dll", 4144, {}, L"·截取完成"},
        {L"KarvoLib.dll", 4145, {}, L"宋体"},
        {L"KarvoLib.dll", 4146, {}, L" 顶点位置 "},
        {L"KarvoLib.dll", 4147, {}, L" 矩形大小 "},
        {L"KarvoLib.dll", 4148, {}, L" 光标坐标 "},
        {L"KarvoLib.dll", 4149, {}, L"顶点位置  "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Narrow(r.module) + " string " + std::to_string(r.id));
        HMODULE module = Module(r.module);
        ASSERT_NE(module, nullptr);
        EXPECT_EQ(Narrow(kv::FillInserts(kv::fw::LoadTextIn(module, r.id, kLangChinese), r.inserts)), Narrow(r.before));
    }
}

// The language a setting names, and the explicit lookup with its fallback: a string missing in
// English comes in Chinese, one missing everywhere is empty.
TEST(Resources, LanguageChoiceAndFallback) {
    const LANGID automatic = PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_CHINESE ? kLangChinese : kLangEnglish;
    struct Row {
        std::wstring setting;
        LANGID language;
    };
    for (const Row& r : {Row{L"zh-CN", kLangChinese}, {L"en-US", kLangEnglish}, {L"auto", automatic}, {L"", automatic},
                         {L"fr-FR", automatic}, {L"EN-us", automatic}}) {
        SCOPED_TRACE(Narrow(r.setting));
        EXPECT_EQ(kv::fw::UiLanguageFor(r.setting), r.language);
    }
    HMODULE exe = Module(L"Karvo.exe");
    kv::fw::SetUiLanguage(kLangEnglish);
    EXPECT_EQ(kv::fw::LoadText(exe, 2007), L"Settings");
    EXPECT_EQ(kv::fw::LoadText(exe, 2036), L"简体中文");
    EXPECT_EQ(kv::fw::LoadText(exe, 9999), L"");
    kv::fw::SetUiLanguage(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL));
    EXPECT_EQ(kv::fw::GetUiLanguage(), kLangChinese);
    EXPECT_EQ(kv::fw::LoadText(exe, 2007), L"参数设置");
    kv::fw::SetUiLanguage(MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH));
    EXPECT_EQ(kv::fw::GetUiLanguage(), kLangEnglish);
    kv::fw::SetUiLanguage(kLangChinese);
}

}  // namespace

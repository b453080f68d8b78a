// The settings store: the default file byte for byte, round trips, the load rules, and saving
// that never loses the previous file.
#include <sys/mount.h>

#include <atomic>
#include <thread>

#include "SettingsTestUtil.h"
#include "settings/KarvoConfig.h"
#include "settings/XmlTree.h"

namespace {

// The sections of the settings added since the original file: pointer, last region, its hot key,
// automatic saving; the interface language.
const wchar_t kAddedSection[] =
    L" <Capture>\n  <DrawPointer>\n   0\n  </DrawPointer>\n  <LastRegionLeft>\n   0\n  </LastRegionLeft>\n"
    L"  <LastRegionTop>\n   0\n  </LastRegionTop>\n  <LastRegionRight>\n   0\n  </LastRegionRight>\n"
    L"  <LastRegionBottom>\n   0\n  </LastRegionBottom>\n  <RepeatRectModifier>\n   1\n  </RepeatRectModifier>\n"
    L"  <RepeatRectVk>\n   118\n  </RepeatRectVk>\n  <AutoSave>\n   0\n  </AutoSave>\n"
    L"  <AutoSaveFolder>\n  </AutoSaveFolder>\n  <AutoSavePattern>\n   Karvo_{date}_{time}_{n}\n"
    L"  </AutoSavePattern>\n  <AutoSaveFormat>\n   png\n  </AutoSaveFormat>\n  <AutoSaveCounter>\n   1\n"
    L"  </AutoSaveCounter>\n  <AllMonitorsModifier>\n   0\n  </AllMonitorsModifier>\n  <AllMonitorsVk>\n   0\n"
    L"  </AllMonitorsVk>\n  <PointerMonitorModifier>\n   0\n  </PointerMonitorModifier>\n  <PointerMonitorVk>\n   0\n"
    L"  </PointerMonitorVk>\n </Capture>\n";

// The interface language's section, after the editor's.
const wchar_t kInterfaceSection[] = L" <Interface>\n  <Language>\n   auto\n  </Language>\n </Interface>\n";

// The mark-up editor's section, after the capture section.
const wchar_t kEditorSection[] =
    L" <Editor>\n  <OpenAfterCapture>\n   0\n  </OpenAfterCapture>\n  <HotKeyModifier>\n   0\n  </HotKeyModifier>\n"
    L"  <HotKeyVk>\n   0\n  </HotKeyVk>\n  <Colour>\n   255\n  </Colour>\n  <RecentColours>\n  </RecentColours>\n"
    L"  <Width>\n   3\n  </Width>\n  <FontFace>\n   微软雅黑\n  </FontFace>\n  <FontSize>\n   20\n  </FontSize>\n"
    L"  <Dashed>\n   0\n  </Dashed>\n  <Filled>\n   0\n  </Filled>\n  <TwoHeads>\n   0\n  </TwoHeads>\n"
    L"  <TextBox>\n   0\n  </TextBox>\n  <WindowLeft>\n   0\n  </WindowLeft>\n  <WindowTop>\n   0\n  </WindowTop>\n"
    L"  <WindowRight>\n   0\n  </WindowRight>\n  <WindowBottom>\n   0\n  </WindowBottom>\n"
    L"  <WindowMaximized>\n   0\n  </WindowMaximized>\n </Editor>\n";

// The default file, built here from the layout: depth, element, value (null for a section
// start, "/" + name for its end).
std::string DefaultFileImage() {
    struct Line {
        int depth;
        const wchar_t* name;
        const wchar_t* value;
    };
    const Line layout[] = {
        {1, L"Author", L"Velmor科技"}, {1, L"Version", L"Ver 2.1.0.1"}, {1, L"URL", L"http:\\colon\\colonwww.velmor.example"},
        {1, L"Mail", L"support@velmor.example"}, {1, L"AppName", L"Velmor截图（Velmor科技作品）"},
        {1, L"Basic", nullptr}, {2, L"PlaySnapSound", L"1"}, {2, L"HideMainWnd", L"1"}, {2, L"SnapOnStart", L"0"},
        {2, L"SnapDelayTime", L"500"}, {2, L"KeepOnTop", L"1"}, {1, L"/Basic", nullptr},
        {1, L"Image", nullptr}, {2, L"GrayScale", L"0"}, {2, L"Negate", L"0"}, {2, L"Scale", L"0"}, {2, L"Rotate", L"0"},
        {2, L"FlipHorz", L"0"}, {2, L"FlipVert", L"0"}, {2, L"ShearDown", L"0"}, {2, L"ShearAcross", L"0"},
        {2, L"Blur", L"0"}, {2, L"Sharpen", L"0"}, {2, L"AutoCopy", L"0"}, {2, L"EditAppPath", L"mspaint.exe"},
        {2, L"RotateAngle", L"45"}, {2, L"XShearAmount", L"50"}, {2, L"YShearAmount", L"50"}, {2, L"BlurFactor", L"5"},
        {2, L"SharpenFactor", L"5"}, {1, L"/Image", nullptr},
        {1, L"HotKey", nullptr}, {2, L"NewSnapModifier", L"0"}, {2, L"NewSnapVk", L"44"}, {2, L"FullScreenModifier", L"2"},
        {2, L"FullScreenVk", L"44"}, {2, L"ActiveWinModifier", L"0"}, {2, L"ActiveWinVk", L"114"},
        {2, L"CurrentWinModifier", L"0"}, {2, L"CurrentWinVk", L"115"}, {2, L"WinClientModifier", L"0"},
        {2, L"WinClientVk", L"116"}, {2, L"WinObjModifier", L"0"}, {2, L"WinObjVk", L"117"},
        {2, L"SelectRectModifier", L"0"}, {2, L"SelectRectVk", L"118"}, {2, L"ShowHideModifier", L"0"},
        {2, L"ShowHideVk", L"119"}, {1, L"/HotKey", nullptr},
        {1, L"AppData", nullptr}, {2, L"SnapMode", L"0"}, {1, L"/AppData", nullptr},
    };
    std::wstring text = L"<Dadodav>\n";
    int elements = 1;
    for (const Line& l : layout) {
        const std::wstring pad(size_t(l.depth), L' ');
        if (!l.value) {
            text += pad + L"<" + l.name + L">\n";
            elements += l.name[0] != L'/';
            continue;
        }
        ++elements;
        text += pad + L"<" + l.name + L">\n" + pad + L" " + l.value + L"\n" + pad + L"</" + l.name + L">\n";
    }
    EXPECT_EQ(elements, 49);
    // The settings added since: a section of their own after all of the above.
    text += kAddedSection;
    text += kEditorSection;
    text += kInterfaceSection;
    text += L"</Dadodav>\n";
    return kvtest::Utf16(text);
}

// The file as written before the added settings existed: the same 49 elements, nothing after.
std::string OriginalFileImage() {
    std::string all = DefaultFileImage();
    for (const wchar_t* section : {kAddedSection, kEditorSection, kInterfaceSection}) {
        const std::string added = kvtest::Utf16(section);
        const size_t at = all.find(added);
        if (at != std::string::npos) all.erase(at, added.size());
    }
    return all;
}

// The file as written before the editor existed: everything up to the capture section.
std::string FileBeforeEditor() {
    std::string all = DefaultFileImage();
    const std::string added = kvtest::Utf16(kEditorSection);
    const size_t at = all.find(added);
    return at == std::string::npos ? all : all.erase(at, added.size());
}

TEST(SettingsConfig, DefaultFileByteForByte) {
    kvtest::ScratchDir dir;
    CKarvoConfig c;
    ASSERT_TRUE(c.SaveConfigTo(dir.wide("config.xml")));
    const std::string bytes = kvtest::ReadBytes(dir.path() / "config.xml");
    EXPECT_EQ(bytes, DefaultFileImage());
    EXPECT_EQ(bytes.substr(0, 6), std::string("<\0D\0a\0", 6));
}

// A file written before the added section reads with the added settings at their defaults; one
// that has them reads them.
TEST(SettingsConfig, AddedSectionIsOptional) {
    kvtest::ScratchDir dir;
    const std::string old = OriginalFileImage();
    ASSERT_NE(old, DefaultFileImage());
    kvtest::WriteBytes(dir.path() / "config.xml", old);
    CKarvoConfig c;  // as the engine loads it: a fresh store, so what the file lacks stays default
    c.LoadConfigFrom(dir.wide("config.xml"));
    EXPECT_EQ(c.GetDrawPointer(), 0);
    EXPECT_EQ(c.GetSnapDelayTime(), 500u);
    EXPECT_EQ(c.GetLanguage(), L"auto");
    std::string with = DefaultFileImage();
    const std::string zero = kvtest::Utf16(L"<DrawPointer>\n   0\n");
    with.replace(with.find(zero), zero.size(), kvtest::Utf16(L"<DrawPointer>\n   1\n"));
    kvtest::WriteBytes(dir.path() / "config.xml", with);
    c.LoadConfigFrom(dir.wide("config.xml"));
    EXPECT_EQ(c.GetDrawPointer(), 1);
}

// The interface language as files hold it: each value reads as stored (a value this version does
// not know means automatic to the program, and stays for a newer one), and is written back so.
TEST(SettingsConfig, LanguageReadsAsStored) {
    struct Row {
        std::wstring file;  // the <Interface> section, or none
        std::wstring read;
    };
    const Row rows[] = {
        {L"", L"auto"},
        {L"<Interface><Language>zh-CN</Language></Interface>", L"zh-CN"},
        {L"<Interface><Language>en-US</Language></Interface>", L"en-US"},
        {L"<Interface><Language>auto</Language></Interface>", L"auto"},
        {L"<Interface><Language>fr-FR</Language></Interface>", L"fr-FR"},
        {L"<Interface></Interface>", L"auto"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.file.begin(), r.file.end()));  // ASCII
        kvtest::ScratchDir dir;
        kvtest::WriteBytes(dir.path() / "config.xml", kvtest::Utf16(L"<Dadodav>" + r.file + L"</Dadodav>"));
        CKarvoConfig c;
        c.LoadConfigFrom(dir.wide("config.xml"));
        EXPECT_EQ(c.GetLanguage(), r.read);
        ASSERT_TRUE(c.SaveConfigTo(dir.wide("again.xml")));
        CKarvoConfig back;
        back.LoadConfigFrom(dir.wide("again.xml"));
        EXPECT_EQ(back.GetLanguage(), r.read);
    }
}

void SetEverything(CKarvoConfig& c) {
    c.SetAppName(L"截图 / Tool");
    c.SetPlaySnapSound(0);
    c.SetHideMainWnd(0);
    c.SetSnapOnStart(1);
    c.SetSnapDelayTime(1234);
    c.SetKeepOnTop(0);
    c.SetEditAppPath(L"C:/Program Files/编辑器/edit.exe " + std::wstring(5000, L'p'));
    c.SetGrayScale(1), c.SetNegate(1), c.SetScale(1), c.SetRotate(1), c.SetRotateAngle(-30);
    c.SetFlipHorz(1), c.SetFlipVert(1), c.SetShearDown(1), c.SetShearDownAmout(-7), c.SetShearAcross(1);
    c.SetShearAcrossAmout(99), c.SetBlur(1), c.SetBlurFactor(9), c.SetSharpen(1), c.SetSharpenFactor(2);
    c.SetAutoCopy(1), c.SetSnapMode(5);
    c.SetNewSnapHotkey(1, 0x41), c.SetFullScreenHotkey(3, 0x42), c.SetActiveWinHotkey(4, 0x43);
    c.SetCurrentWinHotkey(5, 0x44), c.SetWinClientHotkey(6, 0x45), c.SetWinObjHotkey(7, 0x46);
    c.SetSelectRectHotkey(0xFFFF, 0xFFFF), c.SetShowHideHotkey(2, 0x7B);
    c.m_strAuthor = L"a/b";
    c.m_strVersion = L"v";
    c.m_strURL = L"u";
    c.m_strMail = L"m";
}

TEST(SettingsConfig, RoundTripOfEveryStoredMember) {
    kvtest::ScratchDir dir;
    CKarvoConfig a;
    SetEverything(a);
    a.SetScaleFactor(77);  // not stored: 50 again after a restart
    ASSERT_TRUE(a.SaveConfigTo(dir.wide("config.xml")));
    CKarvoConfig b;
    b.LoadConfigFrom(dir.wide("config.xml"));
    CKarvoConfig expect = a;
    expect.SetScaleFactor(50);
    XML_Tree ta, tb;
    expect.BuildTree(ta);
    b.BuildTree(tb);
    EXPECT_EQ(XML_File::MakeFileImage(ta), XML_File::MakeFileImage(tb));
    EXPECT_EQ(b.GetEditAppPath(), a.GetEditAppPath());
    EXPECT_EQ(b.GetScaleFactor(), 50);
    CKarvoConfig::WORD16 m = 0, k = 0;
    b.GetSelectRectHotkey(m, k);
    EXPECT_EQ(m, 0xFFFF);
    EXPECT_EQ(k, 0xFFFF);
    // The slashes of the path are stored escaped.
    const std::wstring text = kvtest::FromUtf16(kvtest::ReadBytes(dir.path() / "config.xml"));
    EXPECT_NE(text.find(L"C:\\colonProgram Files\\colon编辑器\\colonedit.exe"), std::wstring::npos);
}

// Every text setting holds any folder or path as it was given, the text "\\colon" in it too,
// through a save and a restart.
TEST(SettingsConfig, TextSettingsSurviveARestart) {
    struct Setting {
        const char* name;
        void (*set)(CKarvoConfig&, const std::wstring&);
        std::wstring (*get)(const CKarvoConfig&);
    };
    const Setting settings[] = {
        {"AppName", [](CKarvoConfig& c, const std::wstring& v) { c.SetAppName(v); },
         [](const CKarvoConfig& c) { return c.GetAppName(); }},
        {"EditAppPath", [](CKarvoConfig& c, const std::wstring& v) { c.SetEditAppPath(v); },
         [](const CKarvoConfig& c) { return c.GetEditAppPath(); }},
        {"AutoSaveFolder", [](CKarvoConfig& c, const std::wstring& v) { c.SetAutoSaveFolder(v); },
         [](const CKarvoConfig& c) { return c.GetAutoSaveFolder(); }},
        {"AutoSavePattern", [](CKarvoConfig& c, const std::wstring& v) { c.SetAutoSavePattern(v); },
         [](const CKarvoConfig& c) { return c.GetAutoSavePattern(); }},
        {"AutoSaveFormat", [](CKarvoConfig& c, const std::wstring& v) { c.SetAutoSaveFormat(v); },
         [](const CKarvoConfig& c) { return c.GetAutoSaveFormat(); }},
    };
    const std::wstring values[] = {
        L"C:\\colon shots",  L"C:\\shots\\colon",   L"\\colon x",        L"C:\\\\colon\\x",  L"C:/shots/colon",
        L"C:\\/colon",       L"\\/colon\\colon/", L"D:\\colonel\\编辑.exe", L"http://a/\\colon/b",
    };
    for (const Setting& s : settings)
        for (const std::wstring& v : values) {
            SCOPED_TRACE(std::string(s.name) + " = " + std::string(v.begin(), v.end()));
            kvtest::ScratchDir dir;
            CKarvoConfig a;
            s.set(a, v);
            ASSERT_TRUE(a.SaveConfigTo(dir.wide("config.xml")));
            CKarvoConfig b;
            b.LoadConfigFrom(dir.wide("config.xml"));
            EXPECT_EQ(s.get(b), v);
            // And once more: what the restarted program writes is what it read.
            ASSERT_TRUE(b.SaveConfigTo(dir.wide("again.xml")));
            EXPECT_EQ(kvtest::ReadBytes(dir.path() / "again.xml"), kvtest::ReadBytes(dir.path() / "config.xml"));
        }
}

// The automatic-saving counter stays within 1 to 2147483647: after 2147483647 comes 1, and a
// file's number past the range (saturated when read) or below 1 (a hand edit, or the overflow
// of an earlier version) gives no negative number, in the name or in the file written after it.
TEST(SettingsConfig, AutoSaveCounterStaysInRange) {
    struct Row {
        std::wstring stored;  // config.xml's text
        int read;             // the counter after loading
        int next;             // after one file got its number
    };
    const Row rows[] = {
        {L"1", 1, 2},
        {L"2147483646", 2147483646, 2147483647},
        {L"2147483647", 2147483647, 1},
        {L"2147483648", 2147483647, 1},
        {L"99999999999", 2147483647, 1},
        {L"-2147483648", 1, 2},
        {L"-99999999999", 1, 2},
        {L"-1", 1, 2},
        {L"0", 1, 2},
        {L"abc", 1, 2},
        {L" 7x", 7, 8},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.stored.begin(), r.stored.end()));
        kvtest::ScratchDir dir;
        kvtest::WriteBytes(dir.path() / "config.xml",
                           kvtest::Utf16(L"<D><Capture><AutoSaveCounter>" + r.stored + L"</AutoSaveCounter></Capture></D>"));
        CKarvoConfig c;
        c.LoadConfigFrom(dir.wide("config.xml"));
        EXPECT_EQ(c.GetAutoSaveCounter(), r.read);
        c.AdvanceAutoSaveCounter();
        EXPECT_EQ(c.GetAutoSaveCounter(), r.next);
        ASSERT_TRUE(c.SaveConfigTo(dir.wide("config.xml")));
        const std::wstring text = kvtest::FromUtf16(kvtest::ReadBytes(dir.path() / "config.xml"));
        EXPECT_NE(text.find(L"<AutoSaveCounter>\n   " + std::to_wstring(r.next) + L"\n"), std::wstring::npos);
    }
    // Counted on from the top: 2147483646, 2147483647, 1, 2.
    CKarvoConfig c;
    c.SetAutoSaveCounter(2147483646);
    int seen[4];
    for (int& n : seen) n = c.GetAutoSaveCounter(), c.AdvanceAutoSaveCounter();
    EXPECT_EQ(seen[0], 2147483646);
    EXPECT_EQ(seen[1], 2147483647);
    EXPECT_EQ(seen[2], 1);
    EXPECT_EQ(seen[3], 2);
    c.SetAutoSaveCounter(-5);  // set, not read: numbered as 1, so 2 follows
    c.AdvanceAutoSaveCounter();
    EXPECT_EQ(c.GetAutoSaveCounter(), 2);
}

TEST(SettingsConfig, LoadRules) {
    struct Row {
        const char* what;
        std::wstring file;
        std::function<void(const CKarvoConfig&)> check;
    };
    const Row rows[] = {
        {"only Basic/SnapDelayTime", L"<X><Basic><SnapDelayTime>1000</SnapDelayTime></Basic></X>",
         [](const CKarvoConfig& c) {
             CKarvoConfig d;
             d.SetSnapDelayTime(1000);
             XML_Tree a, b;
             c.BuildTree(a);
             d.BuildTree(b);
             EXPECT_EQ(XML_File::MakeFileImage(a), XML_File::MakeFileImage(b));
         }},
        {"case differs", L"<D><basic><SnapDelayTime>1000</SnapDelayTime></basic><Basic><snapdelaytime>9</snapdelaytime></Basic></D>",
         [](const CKarvoConfig& c) { EXPECT_EQ(c.GetSnapDelayTime(), 500u); }},
        {"low 16 bits of a hot-key word", L"<D><HotKey><FullScreenVk>65580</FullScreenVk></HotKey></D>",
         [](const CKarvoConfig& c) {
             CKarvoConfig::WORD16 m, k;
             c.GetFullScreenHotkey(m, k);
             EXPECT_EQ(k, 44);
             EXPECT_EQ(m, 2);
         }},
        {"negative delay clamps to 0", L"<D><Basic><SnapDelayTime>-1</SnapDelayTime></Basic></D>",
         [](const CKarvoConfig& c) { EXPECT_EQ(c.GetSnapDelayTime(), 0u); }},
        {"huge delay clamps to 15000", L"<D><Basic><SnapDelayTime>4294967295</SnapDelayTime></Basic></D>",
         [](const CKarvoConfig& c) { EXPECT_EQ(c.GetSnapDelayTime(), 15000u); }},
        {"non-numeric text reads 0, digits first read as digits",
         L"<D><Image><RotateAngle>abc</RotateAngle><BlurFactor>7x</BlurFactor><XShearAmount>-999999</XShearAmount></Image></D>",
         [](const CKarvoConfig& c) {
             EXPECT_EQ(c.GetRotateAngle(), 0);
             EXPECT_EQ(c.GetBlurFactor(), 7);
             EXPECT_EQ(c.GetShearAcrossAmout(), -999999);  // stored as it comes
         }},
        {"AppName with blanks and escape", L"<D><AppName>  \\colon我的截图\\colon \n</AppName></D>",
         [](const CKarvoConfig& c) { EXPECT_EQ(c.GetAppName(), L"/我的截图/"); }},
        {"declaration line hides everything", L"<?xml?><Dadodav><Basic><SnapDelayTime>7</SnapDelayTime></Basic></Dadodav>",
         [](const CKarvoConfig& c) { EXPECT_EQ(c.GetSnapDelayTime(), 500u); }},
        {"garbage", L"<<<>>></></>>>\xD800\0<Basic>", [](const CKarvoConfig& c) { EXPECT_EQ(c.GetSnapDelayTime(), 500u); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        kvtest::ScratchDir dir;
        kvtest::WriteBytes(dir.path() / "config.xml", kvtest::Utf16(r.file));
        CKarvoConfig c;
        c.LoadConfigFrom(dir.wide("config.xml"));
        r.check(c);
    }
}

// The <Capture> section's values as a hand or another program may have left them: each reads
// as what it can mean, nothing else in the file changes, and the file written then holds the
// values read.
TEST(SettingsConfig, CaptureSectionValuesHeldToTheirMeanings) {
    struct Region {
        int left, top, right, bottom;
    };
    struct Row {
        const char* what;
        std::wstring capture;  // the elements inside <Capture>
        int pointer, autoSave;
        Region region;
        std::wstring format;
    };
    const auto el = [](const wchar_t* name, const std::wstring& v) {
        return std::wstring(L"<") + name + L">" + v + L"</" + name + L">";
    };
    const auto region = [&](const wchar_t* l, const wchar_t* t, const wchar_t* r, const wchar_t* b) {
        return el(L"LastRegionLeft", l) + el(L"LastRegionTop", t) + el(L"LastRegionRight", r) + el(L"LastRegionBottom", b);
    };
    const Row rows[] = {
        {"switches other than 0 and 1", el(L"DrawPointer", L"7") + el(L"AutoSave", L"-1"), 1, 1, {}, L"png"},
        {"switches past 32 bits", el(L"DrawPointer", L"99999999999") + el(L"AutoSave", L"-99999999999"), 1, 1, {}, L"png"},
        {"switches as text", el(L"DrawPointer", L"yes") + el(L"AutoSave", L"on"), 0, 0, {}, L"png"},
        {"a rectangle", region(L"10", L"20", L"300", L"200"), 0, 0, {10, 20, 300, 200}, L"png"},
        {"inverted", region(L"300", L"200", L"10", L"20"), 0, 0, {}, L"png"},
        {"no width", region(L"10", L"20", L"10", L"200"), 0, 0, {}, L"png"},
        {"no height", region(L"10", L"20", L"300", L"20"), 0, 0, {}, L"png"},
        {"far off the screen, negative", region(L"-5000", L"-4000", L"-4000", L"-3000"), 0, 0, {-5000, -4000, -4000, -3000}, L"png"},
        {"as wide as 32 bits hold", region(L"0", L"0", L"2147483647", L"2147483647"), 0, 0, {0, 0, INT32_MAX, INT32_MAX}, L"png"},
        {"wider than 32 bits hold", region(L"-2147483648", L"0", L"2147483647", L"10"), 0, 0, {}, L"png"},
        {"taller than 32 bits hold", region(L"0", L"-1", L"10", L"2147483647"), 0, 0, {}, L"png"},
        {"numbers past 32 bits", region(L"-99999999999", L"0", L"99999999999", L"10"), 0, 0, {}, L"png"},
        {"numbers past 32 bits, one side", region(L"0", L"0", L"99999999999", L"10"), 0, 0, {0, 0, INT32_MAX, 10}, L"png"},
        {"only two sides", el(L"LastRegionRight", L"300") + el(L"LastRegionBottom", L"200"), 0, 0, {0, 0, 300, 200}, L"png"},
        {"one side only", el(L"LastRegionLeft", L"30"), 0, 0, {}, L"png"},
        {"no format", el(L"AutoSaveFormat", L""), 0, 0, {}, L"png"},
        {"a format kept as it is", el(L"AutoSaveFormat", L"JPG"), 0, 0, {}, L"JPG"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        kvtest::ScratchDir dir;
        kvtest::WriteBytes(dir.path() / "config.xml",
                           kvtest::Utf16(L"<D><Basic><SnapDelayTime>1234</SnapDelayTime></Basic><Capture>" + r.capture +
                                         L"<AutoSavePattern>p_{n}</AutoSavePattern></Capture></D>"));
        CKarvoConfig c;
        c.LoadConfigFrom(dir.wide("config.xml"));
        const auto check = [&](const CKarvoConfig& k) {
            EXPECT_EQ(k.GetDrawPointer(), r.pointer);
            EXPECT_EQ(k.GetAutoSave(), r.autoSave);
            Region got{};
            k.GetLastRegion(got.left, got.top, got.right, got.bottom);
            EXPECT_EQ(got.left, r.region.left);
            EXPECT_EQ(got.top, r.region.top);
            EXPECT_EQ(got.right, r.region.right);
            EXPECT_EQ(got.bottom, r.region.bottom);
            EXPECT_EQ(k.GetAutoSaveFormat(), r.format);
            EXPECT_EQ(k.GetSnapDelayTime(), 1234u);  // nothing else lost
            EXPECT_EQ(k.GetAutoSavePattern(), L"p_{n}");
        };
        check(c);
        // Written and read again: the same values.
        ASSERT_TRUE(c.SaveConfigTo(dir.wide("again.xml")));
        CKarvoConfig again;
        again.LoadConfigFrom(dir.wide("again.xml"));
        check(again);
    }
}

// The editor's section: a file without it (written before the editor existed) reads as the
// defaults; values a hand may have left read as what they can mean; a written file reads back.
TEST(SettingsConfig, EditorSectionDefaultsAndHeldValues) {
    {
        kvtest::ScratchDir dir;
        kvtest::WriteBytes(dir.path() / "config.xml", FileBeforeEditor());
        CKarvoConfig c;
        c.SetEditorWidth(9), c.SetEditorFontFace(L"x");  // what the file lacks must come back as default
        c = CKarvoConfig();
        c.LoadConfigFrom(dir.wide("config.xml"));
        ASSERT_TRUE(c.SaveConfigTo(dir.wide("again.xml")));
        EXPECT_EQ(kvtest::ReadBytes(dir.path() / "again.xml"), DefaultFileImage());
    }
    struct Row {
        const char* what;
        std::wstring editor;  // the elements inside <Editor>
        int after, colour, width, fontSize, dashed;
        std::wstring face;
        int left, right;
    };
    const auto el = [](const wchar_t* name, const std::wstring& v) {
        return std::wstring(L"<") + name + L">" + v + L"</" + name + L">";
    };
    const Row rows[] = {
        {"none", L"", 0, 255, 3, 20, 0, L"微软雅黑", 0, 0},
        {"as written", el(L"OpenAfterCapture", L"1") + el(L"Colour", L"65280") + el(L"Width", L"12") +
             el(L"FontSize", L"36") + el(L"Dashed", L"1") + el(L"FontFace", L"宋体") + el(L"WindowLeft", L"-8") +
             el(L"WindowTop", L"10") + el(L"WindowRight", L"900") + el(L"WindowBottom", L"700"),
         1, 65280, 12, 36, 1, L"宋体", -8, 900},
        {"switches other than 0 and 1", el(L"OpenAfterCapture", L"5") + el(L"Dashed", L"-1"), 1, 255, 3, 20, 1, L"微软雅黑", 0, 0},
        {"colour with high bits", el(L"Colour", L"-1"), 0, 0xFFFFFF, 3, 20, 0, L"微软雅黑", 0, 0},
        {"width 0 and font huge", el(L"Width", L"0") + el(L"FontSize", L"5000"), 0, 255, 1, 200, 0, L"微软雅黑", 0, 0},
        {"width huge and font 0", el(L"Width", L"100000") + el(L"FontSize", L"0"), 0, 255, 64, 6, 0, L"微软雅黑", 0, 0},
        {"no font", el(L"FontFace", L""), 0, 255, 3, 20, 0, L"微软雅黑", 0, 0},
        {"inverted window", el(L"WindowLeft", L"500") + el(L"WindowTop", L"0") + el(L"WindowRight", L"100") +
             el(L"WindowBottom", L"300"), 0, 255, 3, 20, 0, L"微软雅黑", 0, 0},
        {"window wider than any screen", el(L"WindowLeft", L"-2147483648") + el(L"WindowTop", L"0") +
             el(L"WindowRight", L"2147483647") + el(L"WindowBottom", L"300"), 0, 255, 3, 20, 0, L"微软雅黑", 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        kvtest::ScratchDir dir;
        kvtest::WriteBytes(dir.path() / "config.xml",
                           kvtest::Utf16(L"<D><Basic><SnapDelayTime>1234</SnapDelayTime></Basic><Editor>" + r.editor +
                                         L"</Editor></D>"));
        CKarvoConfig c;
        c.LoadConfigFrom(dir.wide("config.xml"));
        const auto check = [&](const CKarvoConfig& k) {
            EXPECT_EQ(k.GetEditorAfterCapture(), r.after);
            EXPECT_EQ(k.GetEditorColour(), r.colour);
            EXPECT_EQ(k.GetEditorWidth(), r.width);
            EXPECT_EQ(k.GetEditorFontSize(), r.fontSize);
            EXPECT_EQ(k.GetEditorDashed(), r.dashed);
            EXPECT_EQ(k.GetEditorFontFace(), r.face);
            int left = 0, top = 0, right = 0, bottom = 0;
            k.GetEditorPlace(left, top, right, bottom);
            EXPECT_EQ(left, r.left);
            EXPECT_EQ(right, r.right);
            EXPECT_EQ(k.GetSnapDelayTime(), 1234u);  // nothing else lost
        };
        check(c);
        ASSERT_TRUE(c.SaveConfigTo(dir.wide("again.xml")));
        CKarvoConfig again;
        again.LoadConfigFrom(dir.wide("again.xml"));
        check(again);
    }
}

TEST(SettingsConfig, ResetImageOptionAndCopies) {
    CKarvoConfig c;
    c.SetBlur(1);
    c.SetBlurFactor(9);
    c.SetAutoCopy(1);
    c.SetRotateAngle(10);
    c.SetScaleFactor(200);
    c.SetSnapMode(3);
    c.ResetImageOption();
    EXPECT_EQ(c.GetBlur(), 0);
    EXPECT_EQ(c.GetBlurFactor(), 5);
    EXPECT_EQ(c.GetAutoCopy(), 1);
    EXPECT_EQ(c.GetRotateAngle(), 45);
    EXPECT_EQ(c.GetScaleFactor(), 50);
    EXPECT_EQ(c.GetSnapMode(), 3);
    CKarvoConfig copy(c), assigned;
    assigned = c;
    EXPECT_EQ(copy.GetAutoCopy(), 1);
    EXPECT_EQ(assigned.GetSnapMode(), 3);
    EXPECT_EQ(c.m_bEnableProcessing, 1);
    EXPECT_EQ(c.m_bReplaceColor, 0);
    EXPECT_EQ(c.m_bInterpolate, 1);
}

// A save that cannot complete keeps the previous file byte for byte and leaves no temporary.
TEST(SettingsConfig, FailedSaveKeepsTheOldFile) {
    kvtest::ScratchDir dir;
    CKarvoConfig c;
    // The target is a folder: the final rename fails.
    std::filesystem::create_directories(dir.path() / "config.xml" / "inside");
    EXPECT_FALSE(c.SaveConfigTo(dir.wide("config.xml")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "config.xml"));
    // A folder that does not exist.
    EXPECT_FALSE(c.SaveConfigTo(dir.wide("missing/config.xml")));
    size_t entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) entries += (void(e), 1);
    EXPECT_EQ(entries, 1u);
}

// A full disk: a 64 KiB tmpfs (needs root; skipped where mounting is not allowed).
TEST(SettingsConfig, FullDiskKeepsTheOldFile) {
    kvtest::ScratchDir dir;
    const std::string mnt = (dir.path() / "small").string();
    std::filesystem::create_directories(mnt);
    if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        std::string p;
        ~Unmount() { ::umount(p.c_str()); }
    } unmount{mnt};
    const std::wstring path = (std::filesystem::path(mnt) / "config.xml").wstring();
    CKarvoConfig small;
    ASSERT_TRUE(small.SaveConfigTo(path));
    const std::string old = kvtest::ReadBytes(std::filesystem::path(mnt) / "config.xml");
    CKarvoConfig big;
    big.SetEditAppPath(std::wstring(40000, L'e'));  // 80 KB: more than the disk holds
    EXPECT_FALSE(big.SaveConfigTo(path));
    EXPECT_EQ(kvtest::ReadBytes(std::filesystem::path(mnt) / "config.xml"), old);
    size_t entries = 0;
    for (auto& e : std::filesystem::directory_iterator(mnt)) entries += (void(e), 1);
    EXPECT_EQ(entries, 1u);
}

// While one thread saves again and again, another never finds the file missing or short.
TEST(SettingsConfig, ReadersNeverSeeAPartialFile) {
    kvtest::ScratchDir dir;
    CKarvoConfig c;
    const std::wstring path = dir.wide("config.xml");
    ASSERT_TRUE(c.SaveConfigTo(path));
    const std::string full = kvtest::ReadBytes(dir.path() / "config.xml");
    std::atomic<bool> done{false};
    std::atomic<int> bad{0}, reads{0};
    std::thread reader([&] {
        while (!done) {
            if (kvtest::ReadBytes(dir.path() / "config.xml") != full) ++bad;
            ++reads;
        }
    });
    for (int i = 0; i < 300; ++i) ASSERT_TRUE(c.SaveConfigTo(path));
    done = true;
    reader.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_GT(reads.load(), 0);
}

}  // namespace

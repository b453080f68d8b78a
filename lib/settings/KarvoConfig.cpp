// The settings store. One table gives every stored setting its section, element name and
// member; LoadFromTree and BuildTree both walk it, so the file layout is written in one place.
#include "settings/KarvoConfig.h"

#include <algorithm>
#include <variant>

#include "settings/Helper.h"
#include "settings/XmlTree.h"

namespace {

using Member = std::variant<std::wstring CKarvoConfig::*, int CKarvoConfig::*, unsigned int CKarvoConfig::*,
                            CKarvoConfig::WORD16 CKarvoConfig::*>;

struct Entry {
    const wchar_t* section;  // null: directly below the root
    const wchar_t* name;
    Member member;
};

using C = CKarvoConfig;
const Entry kLayout[] = {
    {nullptr, L"Author", &C::m_strAuthor},
    {nullptr, L"Version", &C::m_strVersion},
    {nullptr, L"URL", &C::m_strURL},
    {nullptr, L"Mail", &C::m_strMail},
    {nullptr, L"AppName", &C::m_strAppName},
    {L"Basic", L"PlaySnapSound", &C::m_bPlaySnapSound},
    {L"Basic", L"HideMainWnd", &C::m_bHideMainWnd},
    {L"Basic", L"SnapOnStart", &C::m_bSnapOnStart},
    {L"Basic", L"SnapDelayTime", &C::m_nSnapDelayTime},
    {L"Basic", L"KeepOnTop", &C::m_bKeepOnTop},
    {L"Image", L"GrayScale", &C::m_bGrayScale},
    {L"Image", L"Negate", &C::m_bNegate},
    {L"Image", L"Scale", &C::m_bScale},
    {L"Image", L"Rotate", &C::m_bRotate},
    {L"Image", L"FlipHorz", &C::m_bFlipHorz},
    {L"Image", L"FlipVert", &C::m_bFlipVert},
    {L"Image", L"ShearDown", &C::m_bShearDown},
    {L"Image", L"ShearAcross", &C::m_bShearAcross},
    {L"Image", L"Blur", &C::m_bBlur},
    {L"Image", L"Sharpen", &C::m_bSharpen},
    {L"Image", L"AutoCopy", &C::m_bAutoCopy},
    {L"Image", L"EditAppPath", &C::m_strEditAppPath},
    {L"Image", L"RotateAngle", &C::m_nRotateAngle},
    {L"Image", L"XShearAmount", &C::m_nShearAcrossAmout},
    {L"Image", L"YShearAmount", &C::m_nShearDownAmout},
    {L"Image", L"BlurFactor", &C::m_nBlurFactor},
    {L"Image", L"SharpenFactor", &C::m_nSharpenFactor},
    {L"HotKey", L"NewSnapModifier", &C::m_wNewSnapMod},
    {L"HotKey", L"NewSnapVk", &C::m_wNewSnapVk},
    {L"HotKey", L"FullScreenModifier", &C::m_wFullScreenMod},
    {L"HotKey", L"FullScreenVk", &C::m_wFullScreenVk},
    {L"HotKey", L"ActiveWinModifier", &C::m_wActiveWinMod},
    {L"HotKey", L"ActiveWinVk", &C::m_wActiveWinVk},
    {L"HotKey", L"CurrentWinModifier", &C::m_wCurrentWinMod},
    {L"HotKey", L"CurrentWinVk", &C::m_wCurrentWinVk},
    {L"HotKey", L"WinClientModifier", &C::m_wWinClientMod},
    {L"HotKey", L"WinClientVk", &C::m_wWinClientVk},
    {L"HotKey", L"WinObjModifier", &C::m_wWinObjMod},
    {L"HotKey", L"WinObjVk", &C::m_wWinObjVk},
    {L"HotKey", L"SelectRectModifier", &C::m_wSelectRectMod},
    {L"HotKey", L"SelectRectVk", &C::m_wSelectRectVk},
    {L"HotKey", L"ShowHideModifier", &C::m_wShowHideMod},
    {L"HotKey", L"ShowHideVk", &C::m_wShowHideVk},
    {L"AppData", L"SnapMode", &C::m_nSnapMode},
    // Added later, after everything the original file holds; a file without them reads as the
    // defaults.
    {L"Capture", L"DrawPointer", &C::m_bDrawPointer},
    {L"Capture", L"LastRegionLeft", &C::m_nLastRegionLeft},
    {L"Capture", L"LastRegionTop", &C::m_nLastRegionTop},
    {L"Capture", L"LastRegionRight", &C::m_nLastRegionRight},
    {L"Capture", L"LastRegionBottom", &C::m_nLastRegionBottom},
    {L"Capture", L"RepeatRectModifier", &C::m_wRepeatRectMod},
    {L"Capture", L"RepeatRectVk", &C::m_wRepeatRectVk},
    {L"Capture", L"AutoSave", &C::m_bAutoSave},
    {L"Capture", L"AutoSaveFolder", &C::m_strAutoSaveFolder},
    {L"Capture", L"AutoSavePattern", &C::m_strAutoSavePattern},
    {L"Capture", L"AutoSaveFormat", &C::m_strAutoSaveFormat},
    {L"Capture", L"AutoSaveCounter", &C::m_nAutoSaveCounter},
    {L"Capture", L"AllMonitorsModifier", &C::m_wAllMonitorsMod},
    {L"Capture", L"AllMonitorsVk", &C::m_wAllMonitorsVk},
    {L"Capture", L"PointerMonitorModifier", &C::m_wPointerMonitorMod},
    {L"Capture", L"PointerMonitorVk", &C::m_wPointerMonitorVk},
    {L"Editor", L"OpenAfterCapture", &C::m_bEditorAfterCapture},
    {L"Editor", L"HotKeyModifier", &C::m_wMarkupMod},
    {L"Editor", L"HotKeyVk", &C::m_wMarkupVk},
    {L"Editor", L"Colour", &C::m_nEditorColour},
    {L"Editor", L"RecentColours", &C::m_strEditorRecentColours},
    {L"Editor", L"Width", &C::m_nEditorWidth},
    {L"Editor", L"FontFace", &C::m_strEditorFontFace},
    {L"Editor", L"FontSize", &C::m_nEditorFontSize},
    {L"Editor", L"Dashed", &C::m_bEditorDashed},
    {L"Editor", L"Filled", &C::m_bEditorFilled},
    {L"Editor", L"TwoHeads", &C::m_bEditorTwoHeads},
    {L"Editor", L"TextBox", &C::m_bEditorTextBox},
    {L"Editor", L"WindowLeft", &C::m_nEditorLeft},
    {L"Editor", L"WindowTop", &C::m_nEditorTop},
    {L"Editor", L"WindowRight", &C::m_nEditorRight},
    {L"Editor", L"WindowBottom", &C::m_nEditorBottom},
    {L"Editor", L"WindowMaximized", &C::m_bEditorMaximized},
    // A section of its own, after everything older files hold; a file without it reads as "auto".
    {L"Interface", L"Language", &C::m_strLanguage},
};

template <class... Fs>
struct Overload : Fs... {
    using Fs::operator()...;
};
template <class... Fs>
Overload(Fs...) -> Overload<Fs...>;

// The <Capture> section is this program's own (no older file has it), so its values are held to
// what they can mean instead of being kept as they come: a switch is 0 or 1; a last rectangle
// that is no rectangle (empty, inverted, or wider or taller than a 32-bit number holds) is none,
// so the repeat opens the selection as it does before the first one; no format is the default
// (and so, for the engine, which knows the encoders, is a format none of them writes). A folder
// that is missing or a file is told when a capture is saved.
void HoldCaptureSettings(CKarvoConfig& c) {
    c.m_bDrawPointer = c.m_bDrawPointer != 0;
    c.m_bAutoSave = c.m_bAutoSave != 0;
    const int64_t width = int64_t(c.m_nLastRegionRight) - c.m_nLastRegionLeft;
    const int64_t height = int64_t(c.m_nLastRegionBottom) - c.m_nLastRegionTop;
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX)
        c.m_nLastRegionLeft = c.m_nLastRegionTop = c.m_nLastRegionRight = c.m_nLastRegionBottom = 0;
    if (c.m_strAutoSaveFormat.empty()) c.m_strAutoSaveFormat = CKarvoConfig::kDefaultAutoSaveFormat;
}

// The <Editor> section is this program's own too: switches are 0 or 1, a colour has no bits
// above its 24, width and font size stay in the ranges the editor offers, no font is the
// default one, and a window place that is no rectangle (or larger than any screen) is none.
void HoldEditorSettings(CKarvoConfig& c) {
    for (int* b : {&c.m_bEditorAfterCapture, &c.m_bEditorDashed, &c.m_bEditorFilled, &c.m_bEditorTwoHeads,
                   &c.m_bEditorTextBox, &c.m_bEditorMaximized})
        *b = *b != 0;
    c.m_nEditorColour &= 0xFFFFFF;
    c.m_nEditorWidth = std::clamp(c.m_nEditorWidth, 1, CKarvoConfig::kMaxEditorWidth);
    c.m_nEditorFontSize = std::clamp(c.m_nEditorFontSize, CKarvoConfig::kMinEditorFontSize, CKarvoConfig::kMaxEditorFontSize);
    if (c.m_strEditorFontFace.empty()) c.m_strEditorFontFace = CKarvoConfig::kDefaultEditorFont;
    const int64_t width = int64_t(c.m_nEditorRight) - c.m_nEditorLeft;
    const int64_t height = int64_t(c.m_nEditorBottom) - c.m_nEditorTop;
    if (width <= 0 || height <= 0 || width > 32767 || height > 32767)
        c.m_nEditorLeft = c.m_nEditorTop = c.m_nEditorRight = c.m_nEditorBottom = 0;
}

}  // namespace

CKarvoConfig::CKarvoConfig()
    : m_strAuthor(L"Velmor科技"),
      m_strVersion(L"Ver 2.1.0.1"),
      m_strURL(L"http://www.velmor.example"),
      m_strMail(L"support@velmor.example"),
      m_strAppName(L"Velmor截图（Velmor科技作品）"),
      m_bPlaySnapSound(1),
      m_bHideMainWnd(1),
      m_bSnapOnStart(0),
      m_nSnapDelayTime(500),
      m_bKeepOnTop(1),
      m_strEditAppPath(L"mspaint.exe"),
      m_bGrayScale(0),
      m_bNegate(0),
      m_bScale(0),
      m_nScaleFactor(50),
      m_bRotate(0),
      m_nRotateAngle(45),
      m_bFlipHorz(0),
      m_bFlipVert(0),
      m_bShearDown(0),
      m_nShearDownAmout(50),
      m_bShearAcross(0),
      m_nShearAcrossAmout(50),
      m_bBlur(0),
      m_nBlurFactor(5),
      m_bSharpen(0),
      m_nSharpenFactor(5),
      m_bAutoCopy(0),
      m_bEnableProcessing(1),
      m_bReplaceColor(0),
      m_bInterpolate(1),
      m_wNewSnapMod(0), m_wNewSnapVk(0x2C),
      m_wFullScreenMod(2), m_wFullScreenVk(0x2C),
      m_wActiveWinMod(0), m_wActiveWinVk(0x72),
      m_wCurrentWinMod(0), m_wCurrentWinVk(0x73),
      m_wWinClientMod(0), m_wWinClientVk(0x74),
      m_wWinObjMod(0), m_wWinObjVk(0x75),
      m_wSelectRectMod(0), m_wSelectRectVk(0x76),
      m_wShowHideMod(0), m_wShowHideVk(0x77),
      m_nSnapMode(0),
      m_bDrawPointer(0),
      m_nLastRegionLeft(0),
      m_nLastRegionTop(0),
      m_nLastRegionRight(0),
      m_nLastRegionBottom(0),
      m_wRepeatRectMod(1),    // Shift
      m_wRepeatRectVk(0x76),  // F7: Shift+F7, beside the rectangle capture's F7
      m_bAutoSave(0),
      m_strAutoSavePattern(L"Karvo_{date}_{time}_{n}"),
      m_strAutoSaveFormat(kDefaultAutoSaveFormat),
      m_nAutoSaveCounter(1),
      m_wAllMonitorsMod(0), m_wAllMonitorsVk(0),  // free: no key until the user gives one
      m_wPointerMonitorMod(0), m_wPointerMonitorVk(0),
      m_bEditorAfterCapture(0),
      m_wMarkupMod(0), m_wMarkupVk(0),  // no key: every free key is the user's to choose
      m_nEditorColour(0x0000FF),        // red
      m_nEditorWidth(3),
      m_strEditorFontFace(kDefaultEditorFont),
      m_nEditorFontSize(20),
      m_bEditorDashed(0), m_bEditorFilled(0), m_bEditorTwoHeads(0), m_bEditorTextBox(0),
      m_nEditorLeft(0), m_nEditorTop(0), m_nEditorRight(0), m_nEditorBottom(0),
      m_bEditorMaximized(0),
      m_strLanguage(L"auto") {}

void CKarvoConfig::ResetImageOption() {
    m_bGrayScale = m_bNegate = m_bScale = m_bRotate = m_bFlipHorz = m_bFlipVert = 0;
    m_bShearDown = m_bShearAcross = m_bBlur = m_bSharpen = 0;
    m_nBlurFactor = m_nSharpenFactor = 5;
    m_nScaleFactor = 50;
    m_nRotateAngle = 45;
    m_nShearDownAmout = m_nShearAcrossAmout = 50;
}

void CKarvoConfig::LoadFromTree(const XML_Tree& tree) {
    const XML_Node* root = tree.GetRoot();
    if (!root) return;
    for (const Entry& e : kLayout) {
        const XML_Node* parent = e.section ? root->GetSubItem(e.section) : root;
        const XML_Node* node = parent ? parent->GetSubItem(e.name) : nullptr;
        if (!node) continue;
        std::visit(Overload{
                       [&](std::wstring C::*m) { this->*m = node->GetValue(); },
                       [&](int C::*m) { this->*m = node->GetValueAsInt(); },
                       // A pause is held to 0…15000 ms: "-1" must not make every capture wait 49 days.
                       [&](unsigned int C::*m) { this->*m = unsigned(std::clamp(node->GetValueAsInt(), 0, kMaxSnapDelay)); },
                       [&](WORD16 C::*m) { this->*m = WORD16(node->GetValueAsInt() & 0xFFFF); },
                   },
                   e.member);
    }
    // The counter names files: a file's 0 or negative number (a hand edit, or an earlier version's
    // overflow past 2147483647) starts it again at 1.
    if (m_nAutoSaveCounter < 1) m_nAutoSaveCounter = 1;
    HoldCaptureSettings(*this);
    HoldEditorSettings(*this);
}

void CKarvoConfig::BuildTree(XML_Tree& tree) const {
    tree.AddElement(L"Dadodav");
    const wchar_t* open = nullptr;
    for (const Entry& e : kLayout) {
        if (open != e.section && (!open || !e.section || std::wstring(open) != e.section)) {
            if (open) tree.EndElement();
            if (e.section) tree.AddElement(e.section);
            open = e.section;
        }
        tree.AddElement(e.name);
        std::visit(Overload{
                       [&](std::wstring C::*m) { tree.AddValue(this->*m); },
                       [&](int C::*m) { tree.AddValue(this->*m); },
                       [&](unsigned int C::*m) { tree.AddValue(int(this->*m)); },
                       [&](WORD16 C::*m) { tree.AddValue(int(this->*m)); },
                   },
                   e.member);
        tree.EndElement();
    }
    if (open) tree.EndElement();
    tree.EndElement();
}

std::wstring CKarvoConfig::GetConfigPath() { return CHelper::GetAppPath() + L"config.xml"; }

void CKarvoConfig::LoadConfigFrom(const std::wstring& path) {
    XML_Tree tree;
    XML_File::ReadXMLFile(tree, path);
    LoadFromTree(tree);
}

bool CKarvoConfig::SaveConfigTo(const std::wstring& path) const {
    XML_Tree tree;
    BuildTree(tree);
    return XML_File::WriteXMLFile(tree, path);
}

void CKarvoConfig::LoadConfig() { LoadConfigFrom(GetConfigPath()); }

bool CKarvoConfig::SaveConfig() { return SaveConfigTo(GetConfigPath()); }

#pragma once
// CKarvoConfig: every setting of the program, with its default, and config.xml in the program
// folder. Accessors are plain reads and writes; the file is read by LoadConfig and written by
// SaveConfig, nothing else touches it.
#include <cstdint>
#include <string>

#include "Export.h"

class XML_Tree;

class KV_API CKarvoConfig {
public:
    using WORD16 = uint16_t;

    CKarvoConfig();
    CKarvoConfig(const CKarvoConfig&) = default;
    CKarvoConfig& operator=(const CKarvoConfig&) = default;
    virtual ~CKarvoConfig() = default;

    std::wstring GetAppName() const { return m_strAppName; }
    void SetAppName(const std::wstring& s) { m_strAppName = s; }
    int GetPlaySnapSound() const { return m_bPlaySnapSound; }
    void SetPlaySnapSound(int v) { m_bPlaySnapSound = v; }
    int GetHideMainWnd() const { return m_bHideMainWnd; }
    void SetHideMainWnd(int v) { m_bHideMainWnd = v; }
    int GetSnapOnStart() const { return m_bSnapOnStart; }
    void SetSnapOnStart(int v) { m_bSnapOnStart = v; }
    unsigned int GetSnapDelayTime() const { return m_nSnapDelayTime; }
    void SetSnapDelayTime(unsigned int v) { m_nSnapDelayTime = v; }
    int GetKeepOnTop() const { return m_bKeepOnTop; }
    void SetKeepOnTop(int v) { m_bKeepOnTop = v; }
    std::wstring GetEditAppPath() const { return m_strEditAppPath; }
    //! The interface language: "auto" (the user's display language), "zh-CN" or "en-US"; kept
    //! as stored, and anything else means automatic.
    const std::wstring& GetLanguage() const { return m_strLanguage; }
    void SetLanguage(const std::wstring& v) { m_strLanguage = v; }
    void SetEditAppPath(const std::wstring& s) { m_strEditAppPath = s; }

#define KV_INT_SETTING(Name, member) \
    int Get##Name() const { return member; } \
    void Set##Name(int v) { member = v; }
    KV_INT_SETTING(GrayScale, m_bGrayScale)
    KV_INT_SETTING(Negate, m_bNegate)
    KV_INT_SETTING(Scale, m_bScale)
    KV_INT_SETTING(ScaleFactor, m_nScaleFactor)
    KV_INT_SETTING(Rotate, m_bRotate)
    KV_INT_SETTING(RotateAngle, m_nRotateAngle)
    KV_INT_SETTING(FlipHorz, m_bFlipHorz)
    KV_INT_SETTING(FlipVert, m_bFlipVert)
    KV_INT_SETTING(ShearDown, m_bShearDown)
    KV_INT_SETTING(ShearDownAmout, m_nShearDownAmout)
    KV_INT_SETTING(ShearAcross, m_bShearAcross)
    KV_INT_SETTING(ShearAcrossAmout, m_nShearAcrossAmout)
    KV_INT_SETTING(Blur, m_bBlur)
    KV_INT_SETTING(BlurFactor, m_nBlurFactor)
    KV_INT_SETTING(Sharpen, m_bSharpen)
    KV_INT_SETTING(SharpenFactor, m_nSharpenFactor)
    KV_INT_SETTING(AutoCopy, m_bAutoCopy)
    KV_INT_SETTING(SnapMode, m_nSnapMode)
    //! Whether captures of the screen, a window, a client area or a rectangle show the pointer.
    KV_INT_SETTING(DrawPointer, m_bDrawPointer)
    //! The screen rectangle of the last rectangle capture (right and bottom exclusive); empty
    //! when there has been none.
    void GetLastRegion(int& left, int& top, int& right, int& bottom) const {
        left = m_nLastRegionLeft, top = m_nLastRegionTop, right = m_nLastRegionRight, bottom = m_nLastRegionBottom;
    }
    void SetLastRegion(int left, int top, int right, int bottom) {
        m_nLastRegionLeft = left, m_nLastRegionTop = top, m_nLastRegionRight = right, m_nLastRegionBottom = bottom;
    }
    //! Automatic saving after every capture: the switch, the folder, the name pattern (see
    //! NamePattern.h), the format as an extension an encoder lists, and the next counter value
    //! (1 to 2147483647; a file's value below 1 reads as 1).
    KV_INT_SETTING(AutoSave, m_bAutoSave)
    KV_INT_SETTING(AutoSaveCounter, m_nAutoSaveCounter)
    //! The counter after a file got its number (a value below 1 numbers as 1): one more, and 1
    //! again after 2147483647.
    void AdvanceAutoSaveCounter() { m_nAutoSaveCounter = NextAutoSaveCounter(m_nAutoSaveCounter); }
    static int NextAutoSaveCounter(int counter) {
        return counter < 1 ? 2 : counter == kMaxAutoSaveCounter ? 1 : counter + 1;
    }
    static constexpr int kMaxAutoSaveCounter = 2147483647;
    const std::wstring& GetAutoSaveFolder() const { return m_strAutoSaveFolder; }
    void SetAutoSaveFolder(const std::wstring& v) { m_strAutoSaveFolder = v; }
    const std::wstring& GetAutoSavePattern() const { return m_strAutoSavePattern; }
    void SetAutoSavePattern(const std::wstring& v) { m_strAutoSavePattern = v; }
    const std::wstring& GetAutoSaveFormat() const { return m_strAutoSaveFormat; }
    void SetAutoSaveFormat(const std::wstring& v) { m_strAutoSaveFormat = v; }
    //! The mark-up editor (section <Editor>): opened after every capture; the style it draws
    //! with (colour as 0x00BBGGRR, the last colours chosen as a list of such numbers, most recent
    //! first, separated by spaces; width 1…64 pixels; font face and size 6…200 pixels; dashed,
    //! filled, two heads, text on a box); its window's last place in screen pixels (right and
    //! bottom exclusive; all 0 when none) and whether it was maximised.
    KV_INT_SETTING(EditorAfterCapture, m_bEditorAfterCapture)
    KV_INT_SETTING(EditorColour, m_nEditorColour)
    KV_INT_SETTING(EditorWidth, m_nEditorWidth)
    KV_INT_SETTING(EditorFontSize, m_nEditorFontSize)
    KV_INT_SETTING(EditorDashed, m_bEditorDashed)
    KV_INT_SETTING(EditorFilled, m_bEditorFilled)
    KV_INT_SETTING(EditorTwoHeads, m_bEditorTwoHeads)
    KV_INT_SETTING(EditorTextBox, m_bEditorTextBox)
    KV_INT_SETTING(EditorMaximized, m_bEditorMaximized)
    const std::wstring& GetEditorRecentColours() const { return m_strEditorRecentColours; }
    void SetEditorRecentColours(const std::wstring& v) { m_strEditorRecentColours = v; }
    const std::wstring& GetEditorFontFace() const { return m_strEditorFontFace; }
    void SetEditorFontFace(const std::wstring& v) { m_strEditorFontFace = v; }
    void GetEditorPlace(int& left, int& top, int& right, int& bottom) const {
        left = m_nEditorLeft, top = m_nEditorTop, right = m_nEditorRight, bottom = m_nEditorBottom;
    }
    void SetEditorPlace(int left, int top, int right, int bottom) {
        m_nEditorLeft = left, m_nEditorTop = top, m_nEditorRight = right, m_nEditorBottom = bottom;
    }
    static constexpr int kMaxEditorWidth = 64;
    static constexpr int kMinEditorFontSize = 6, kMaxEditorFontSize = 200;
    static constexpr const wchar_t* kDefaultEditorFont = L"微软雅黑";
#undef KV_INT_SETTING

#define KV_HOTKEY_SETTING(Name, mod, vk) \
    void Get##Name##Hotkey(WORD16& modifiers, WORD16& key) const { modifiers = mod, key = vk; } \
    void Set##Name##Hotkey(WORD16 modifiers, WORD16 key) { mod = modifiers, vk = key; }
    KV_HOTKEY_SETTING(NewSnap, m_wNewSnapMod, m_wNewSnapVk)
    KV_HOTKEY_SETTING(FullScreen, m_wFullScreenMod, m_wFullScreenVk)
    KV_HOTKEY_SETTING(ActiveWin, m_wActiveWinMod, m_wActiveWinVk)
    KV_HOTKEY_SETTING(CurrentWin, m_wCurrentWinMod, m_wCurrentWinVk)
    KV_HOTKEY_SETTING(WinClient, m_wWinClientMod, m_wWinClientVk)
    KV_HOTKEY_SETTING(WinObj, m_wWinObjMod, m_wWinObjVk)
    KV_HOTKEY_SETTING(SelectRect, m_wSelectRectMod, m_wSelectRectVk)
    KV_HOTKEY_SETTING(ShowHide, m_wShowHideMod, m_wShowHideVk)
    KV_HOTKEY_SETTING(RepeatRect, m_wRepeatRectMod, m_wRepeatRectVk)
    KV_HOTKEY_SETTING(AllMonitors, m_wAllMonitorsMod, m_wAllMonitorsVk)
    KV_HOTKEY_SETTING(PointerMonitor, m_wPointerMonitorMod, m_wPointerMonitorVk)
    //! The mark-up editor's global hot key (none by default).
    KV_HOTKEY_SETTING(Markup, m_wMarkupMod, m_wMarkupVk)
#undef KV_HOTKEY_SETTING

    //! The image switches and factors back to their defaults (AutoCopy and the rest stay).
    void ResetImageOption();
    //! Reads config.xml from the program folder; missing or damaged parts keep their values.
    void LoadConfig();
    //! Writes config.xml into the program folder in one step; false when it could not be written
    //! (the previous file is then intact).
    bool SaveConfig();

    //! The same two against any path (tests, tools).
    void LoadConfigFrom(const std::wstring& path);
    bool SaveConfigTo(const std::wstring& path) const;
    //! Reads the members from a tree, and builds the tree of the file layout.
    void LoadFromTree(const XML_Tree& tree);
    void BuildTree(XML_Tree& tree) const;
    //! The path LoadConfig and SaveConfig use: the program folder + "config.xml".
    static std::wstring GetConfigPath();

    //! The range the pause before a capture is held to when it is read from the file.
    static constexpr int kMaxSnapDelay = 15000;
    //! The automatic-saving format when none is set (or, for the engine, none it can write).
    static constexpr const wchar_t* kDefaultAutoSaveFormat = L"png";

    // Members in the order of the settings table.
    std::wstring m_strAuthor;
    std::wstring m_strVersion;
    std::wstring m_strURL;
    std::wstring m_strMail;
    std::wstring m_strAppName;
    int m_bPlaySnapSound;
    int m_bHideMainWnd;
    int m_bSnapOnStart;
    unsigned int m_nSnapDelayTime;
    int m_bKeepOnTop;
    std::wstring m_strEditAppPath;
    int m_bGrayScale;
    int m_bNegate;
    int m_bScale;
    int m_nScaleFactor;
    int m_bRotate;
    int m_nRotateAngle;
    int m_bFlipHorz;
    int m_bFlipVert;
    int m_bShearDown;
    int m_nShearDownAmout;
    int m_bShearAcross;
    int m_nShearAcrossAmout;
    int m_bBlur;
    int m_nBlurFactor;
    int m_bSharpen;
    int m_nSharpenFactor;
    int m_bAutoCopy;
    int m_bEnableProcessing;
    int m_bReplaceColor;
    int m_bInterpolate;
    WORD16 m_wNewSnapMod, m_wNewSnapVk;
    WORD16 m_wFullScreenMod, m_wFullScreenVk;
    WORD16 m_wActiveWinMod, m_wActiveWinVk;
    WORD16 m_wCurrentWinMod, m_wCurrentWinVk;
    WORD16 m_wWinClientMod, m_wWinClientVk;
    WORD16 m_wWinObjMod, m_wWinObjVk;
    WORD16 m_wSelectRectMod, m_wSelectRectVk;
    WORD16 m_wShowHideMod, m_wShowHideVk;
    int m_nSnapMode;
    // Settings beyond the original file, in a section of their own after the others.
    int m_bDrawPointer;
    int m_nLastRegionLeft, m_nLastRegionTop, m_nLastRegionRight, m_nLastRegionBottom;
    WORD16 m_wRepeatRectMod, m_wRepeatRectVk;
    int m_bAutoSave;
    std::wstring m_strAutoSaveFolder;
    std::wstring m_strAutoSavePattern;
    std::wstring m_strAutoSaveFormat;
    int m_nAutoSaveCounter;
    WORD16 m_wAllMonitorsMod, m_wAllMonitorsVk;
    WORD16 m_wPointerMonitorMod, m_wPointerMonitorVk;
    // The mark-up editor's section, after the capture section.
    int m_bEditorAfterCapture;
    WORD16 m_wMarkupMod, m_wMarkupVk;
    int m_nEditorColour;
    std::wstring m_strEditorRecentColours;
    int m_nEditorWidth;
    std::wstring m_strEditorFontFace;
    int m_nEditorFontSize;
    int m_bEditorDashed, m_bEditorFilled, m_bEditorTwoHeads, m_bEditorTextBox;
    int m_nEditorLeft, m_nEditorTop, m_nEditorRight, m_nEditorBottom;
    int m_bEditorMaximized;
    std::wstring m_strLanguage;  // <Interface><Language>
};

#pragma once
// CKarvoDlg: the main window (template 102) and the program's main loop. It owns the capture
// engine, and through it the settings; every command ends in one call on one of them.
#include <array>

#include "Tray.h"
#include "engine/KarvoCore.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"

class CKarvoDlg : public CDialog {
public:
    CKarvoDlg();
    ~CKarvoDlg() override;

    //! A file to open as the current image once the window shows (from the command line).
    void OpenOnStart(const std::wstring& path) { m_strOpenOnStart = path; }
    //! TRUE: controls → fields → settings; FALSE: settings → fields → controls.
    void ExchangeImageOptions(BOOL toSettings);
    //! TRUE: print one page; FALSE: draw into the preview control.
    void DrawPreview(BOOL toPrinter);
    //! Unregisters the ten hot keys, then registers them again from the settings unless
    //! unregisterOnly; a key that cannot be registered gets its message. The menu bar then
    //! shows the registered keys.
    void RegisterHotkeys(BOOL unregisterOnly);
    static UINT HotkeyModifiers(WORD controlFlags);
    //! Writes into a menu's items of the hot-key commands the key each is registered with now
    //! (after the tab; nothing there when its key could not be registered). Sub-menus too.
    void ShowHotKeysInMenu(HMENU menu, int depth = 0);
    CKarvoCore& Engine() { return m_core; }
    //! The editor's save failed: told as the main window's own saves are.
    void ReportEditorSaveFailure() { ReportFileFailure(true); }

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(UINT id, UINT code, HWND hwndCtl) override;
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;
    BOOL PreTranslateMessage(MSG* msg) override;

private:
    struct Command;
    static const Command* FindCommand(UINT id);
    //! Fields ↔ controls.
    void UpdateData(BOOL fromControls);
    void OnPaint();
    void OnDestroy();
    void OnKickIdle();
    void UpdateMenu(HMENU menu, int depth);
    BOOL OnSysCommand(WPARAM cmd);
    BOOL OnSetCursor(HWND under);
    void PrintPreview();
    void PrinterSetup();

    // Commands (table in Commands.cpp).
    void OnOptionChecked();
    void ToggleOption(int index);
    //! Before a refresh after the image settings changed: true when it drops no marks, or the
    //! user agreed to lose them when asked with the text `textId` (a yes/no warning).
    bool MarksMayGo(UINT textId);
    void OnAutoCopy();
    void OnSnapNew();
    //! A capture of this type, then the preview and messages that follow every capture.
    void OnCaptureType(kv::CaptureType type);
    int CaptureTypeState(const kv::CaptureTypeRow& row);
    void OnSnapLastRegion();
    void AfterCapture(BOOL captured);
    void OnShowHide();
    void OnOptions();
    void OnHotKey(int id);
    void OnAbout();
    void OnHelp();
    void OnHomePage();
    void OnCheckUpdate();
    void OnPrint() { DrawPreview(TRUE); }
    void OnPrintSetup() { PrinterSetup(); }
    void OnExit() { EndDialog(IDOK); }
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFileSaveThumb();
    void OnEditCopy();
    void OnEditCopyThumb();
    void OnEditPaste();
    void OnEditClear();
    void OnEditImage();
    //! The mark-up editor on the current picture; the preview shows what it applied.
    void OnEditMarkup();
    void CopyToClipboard(int thumbnail);
    void ReportFileFailure(bool saving);
    //! Opens a file (an empty path asks for one) and shows it, or tells why it could not.
    void OpenImageFile(const std::wstring& path);
    //! Opens the file named on the command line (posted from the dialog's start).
    void OnOpenOnStart();
    //! Tells the user about image steps the last refresh left out, and switches them off.
    void ReportRefusedSteps();
    //! Tells the user that the automatic save of the capture just made failed, and why.
    void ReportAutoSaveFailure();
    int Message(const std::wstring& text, UINT icon);
    //! The program's name for captions: the stored name where a hand changed it, else the
    //! interface language's.
    std::wstring Title() const;
    //! A path as a message shows it: whole up to 100 characters, else its start, "…" and its end.
    static std::wstring ShownPath(const std::wstring& path);
    //! The system's reason for an error code, in Chinese (ErrorText.h); empty for 0.
    static std::wstring SystemErrorText(DWORD error);
    //! The program's string `id` in the interface language.
    static std::wstring Text(UINT id);
    int OptionState(int index);
    int AutoCopyState();

    std::array<bool, 12> m_hotKeyRegistered{};  // in the order of kv::app::kHotKeys
    int m_nSnapType = 0;
    CWnd m_wndPreview;
    std::wstring m_strOpenOnStart;
    std::array<BOOL, 10> m_options{};  // grey, negate, scale, rotate, flip h, flip v, shear down, shear across, blur, sharpen
    HICON m_hIcon;            // shared resource icon, not destroyed
    HCURSOR m_hCursorHand;    // shared resource cursor, not destroyed
    kv::UniqueHbitmap m_placeholder;
    uint32_t m_previewSerial = 0;  // the picture the preview last painted (the diagnostics query)
    CTrayNotifyIcon m_tray;
    HWND m_hTooltip = nullptr;  // child of the dialog, destroyed with it
    CKarvoCore m_core;
};

#pragma once
// The four pages of the settings sheet. They hold copies of the settings; the main dialog fills
// them before the sheet opens and copies them back after OK.
#include <array>
#include <string>
#include <vector>

#include "framework/PropertySheet.h"

class COptionBasic : public CPropertyPage {
public:
    COptionBasic();
    BOOL UpdateData(BOOL save) override;

    BOOL m_bPlaySound = TRUE;
    BOOL m_bHideMainWnd = TRUE;
    BOOL m_bSnapOnStart = TRUE;
    UINT m_nDelay = 500;
    BOOL m_bKeepOnTop = TRUE;
    BOOL m_bDrawPointer = FALSE;
    BOOL m_bEditorAfterCapture = FALSE;
    //! The interface language setting ("auto", "zh-CN", "en-US"; another value stays as it is
    //! unless a choice is made). Takes effect at the next start.
    std::wstring m_strLanguage = L"auto";

protected:
    BOOL OnInitDialog() override;

private:
    int m_shownLanguage = 0;  // the list's item when the page opened
};

class COptionImage : public CPropertyPage {
public:
    COptionImage();
    BOOL UpdateData(BOOL save) override;

    std::wstring m_strEditor;
    int m_nRotateAngle = 0;
    int m_nScaleFactor = 0;
    int m_nShearAcross = 0;
    int m_nShearDown = 0;
    int m_nBlurFactor = 0;
    int m_nSharpenFactor = 0;

protected:
    BOOL OnCommand(UINT id, UINT code, HWND hwndCtl) override;
};

class COptionAutoSave : public CPropertyPage {
public:
    COptionAutoSave();
    BOOL UpdateData(BOOL save) override;

    BOOL m_bAutoSave = FALSE;
    std::wstring m_strFolder;
    std::wstring m_strPattern;
    std::wstring m_strFormat;  // an extension an installed encoder lists
    int m_nCounter = 1;        // for the example of the next name

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(UINT id, UINT code, HWND hwndCtl) override;

private:
    void ShowExample();
    std::wstring Text(int id) const;
    std::vector<std::wstring> m_formats;  // the combo box's items' extensions
};

class COptionHotkey : public CPropertyPage {
public:
    COptionHotkey();
    BOOL UpdateData(BOOL save) override;

    //! (modifier word, key word), in the order new capture, whole screen, active window, current
    //! window, client area, object, region, show/hide, last region again, the mark-up editor, all
    //! monitors, the pointer's monitor.
    std::array<std::pair<WORD, WORD>, 12> m_keys;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

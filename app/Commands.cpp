// The command table of the main dialog: menu items, buttons, the tray menu and the hot keys all
// arrive here by command id. An entry may carry an update handler that gives its menu mark.
#include "MainDialog.h"

#include <shellapi.h>

#include <cstdint>
#include <cwctype>
#include <string>

#include "About.h"
#include "Editor.h"
#include "ErrorText.h"
#include "settings/Pages.h"
#include "Tables.h"
#include "framework/ModuleState.h"
#include "framework/UiText.h"
#include "res/resource.h"
#include "framework/ModuleState.h"
#include "settings/Helper.h"

namespace {

const wchar_t kHomePage[] = L"http://www.velmor.example";
const wchar_t kHelpPage[] = L"http://www.velmor.example/help/karvo";

}  // namespace

// Update results: -1 leaves the item alone; otherwise MF_CHECKED / MF_UNCHECKED, with
// MFT_RADIOCHECK added for a radio mark.
struct CKarvoDlg::Command {
    UINT id;
    void (CKarvoDlg::*run)();
    int (CKarvoDlg::*update)();
};

const CKarvoDlg::Command* CKarvoDlg::FindCommand(UINT id) {
    static const Command kCommands[] = {
        {ID_AUTO_COPY, &CKarvoDlg::OnAutoCopy, &CKarvoDlg::AutoCopyState},
        {ID_SNAP_NEW, &CKarvoDlg::OnSnapNew, nullptr},
        {ID_SNAP_REPEATRECT, &CKarvoDlg::OnSnapLastRegion, nullptr},
        {ID_FILE_PRINT, &CKarvoDlg::OnPrint, nullptr},
        {ID_FILE_PRINT_SETUP, &CKarvoDlg::OnPrintSetup, nullptr},
        {ID_APP_EXIT, &CKarvoDlg::OnExit, nullptr},
        {ID_SHOW_HIDE, &CKarvoDlg::OnShowHide, nullptr},
        {ID_OPTIONS, &CKarvoDlg::OnOptions, nullptr},
        {ID_APP_ABOUT, &CKarvoDlg::OnAbout, nullptr},
        {ID_HELP_FINDER, &CKarvoDlg::OnHelp, nullptr},
        {ID_HOMEPAGE, &CKarvoDlg::OnHomePage, nullptr},
        {IDC_PREVIEW, &CKarvoDlg::OnHomePage, nullptr},
        {ID_CHECK_UPDATE, &CKarvoDlg::OnCheckUpdate, nullptr},
        {ID_FILE_OPEN, &CKarvoDlg::OnFileOpen, nullptr},
        {ID_FILE_SAVE, &CKarvoDlg::OnFileSave, nullptr},
        {ID_FILE_SAVE_AS, &CKarvoDlg::OnFileSaveAs, nullptr},
        {ID_FILE_SAVE_THUMB, &CKarvoDlg::OnFileSaveThumb, nullptr},
        {ID_EDIT_COPY, &CKarvoDlg::OnEditCopy, nullptr},
        {ID_EDIT_COPY_THUMB, &CKarvoDlg::OnEditCopyThumb, nullptr},
        {ID_EDIT_PASTE, &CKarvoDlg::OnEditPaste, nullptr},
        {ID_EDIT_CLEAR, &CKarvoDlg::OnEditClear, nullptr},
        {ID_EDIT_IMAGE, &CKarvoDlg::OnEditImage, nullptr},
        {ID_EDIT_MARKUP, &CKarvoDlg::OnEditMarkup, nullptr},
    };
    for (const Command& c : kCommands)
        if (c.id == id) return &c;
    return nullptr;
}

BOOL CKarvoDlg::OnCommand(UINT id, UINT code, HWND hwndCtl) {
    // The tray menu stays reachable while the editor is open; its commands wait until it closes.
    if (MarkupEditorOpen()) return TRUE;
    if (const int option = kv::app::ImageSwitchIndex(id); option >= 0 && !hwndCtl) {
        ToggleOption(option);
        return TRUE;
    }
    // A check box of the ten switches: the boxes go to the settings and the image follows.
    if (const int box = kv::app::ImageSwitchIndex(id); box >= 0 && hwndCtl && code == BN_CLICKED) {
        OnOptionChecked();
        return TRUE;
    }
    if (id == IDC_PREVIEW && code != STN_CLICKED) return FALSE;
    if (hwndCtl && code != BN_CLICKED && id != IDC_PREVIEW) return FALSE;
    // The capture types' commands, from menus, tray and hot keys alike.
    if (const kv::CaptureTypeRow* row = kv::CaptureTypeForCommand(id)) {
        OnCaptureType(row->type);
        return TRUE;
    }
    if (const Command* c = FindCommand(id); c && c->run) {
        (this->*c->run)();
        return TRUE;
    }
    return CDialog::OnCommand(id, code, hwndCtl);
}

void CKarvoDlg::UpdateMenu(HMENU menu, int depth) {
    const int n = ::GetMenuItemCount(menu);
    for (int pos = 0; pos < n; ++pos) {
        if (HMENU sub = ::GetSubMenu(menu, pos)) {
            if (depth < 2) UpdateMenu(sub, depth + 1);
            continue;
        }
        const UINT id = ::GetMenuItemID(menu, pos);
        int state = -1;
        if (const int option = kv::app::ImageSwitchIndex(id); option >= 0)
            state = OptionState(option);
        else if (const kv::CaptureTypeRow* row = kv::CaptureTypeForCommand(id))
            state = CaptureTypeState(*row);
        else if (const Command* c = FindCommand(id); c && c->update)
            state = (this->*c->update)();
        if (state < 0) continue;
        MENUITEMINFOW mii{sizeof mii};
        mii.fMask = MIIM_FTYPE | MIIM_STATE;
        ::GetMenuItemInfoW(menu, UINT(pos), TRUE, &mii);
        mii.fType = (mii.fType & ~UINT(MFT_RADIOCHECK)) | (UINT(state) & MFT_RADIOCHECK);
        mii.fState = (mii.fState & ~UINT(MFS_CHECKED)) | (UINT(state) & MF_CHECKED ? MFS_CHECKED : 0);
        ::SetMenuItemInfoW(menu, UINT(pos), TRUE, &mii);
    }
}

// The check box has changed already: the settings still hold the switches as they were, and
// take them back from there when the user keeps the marks.
void CKarvoDlg::OnOptionChecked() {
    const CKarvoConfig before = m_core.m_config;
    ExchangeImageOptions(TRUE);
    if (!MarksMayGo(IDS_MARKS_SWITCH_DROPS)) {
        for (const kv::app::ImageSwitch& s : kv::app::kImageSwitches) (m_core.m_config.*s.set)((before.*s.get)());
        ExchangeImageOptions(FALSE);
        return;
    }
    m_core.RefreshImageData();
    ReportRefusedSteps();
    Invalidate(TRUE);
}

// A step the engine left out because its picture would be too large is switched off, so the
// user is told once and the switches show what the picture is.
void CKarvoDlg::ReportRefusedSteps() {
    const int refused = m_core.GetRefusedSteps();
    if (!refused) return;
    CKarvoConfig& c = m_core.m_config;
    // The names of the steps in `bits` (rotate, scale, shear), each switched off.
    const auto switchOff = [&](int bits) {
        std::wstring names;
        const auto add = [&](UINT name) { names += (names.empty() ? L"" : Text(IDS_STEP_SEPARATOR)) + Text(name); };
        if (bits & CKarvoCore::kRefusedRotate) add(IDS_STEP_ROTATE), c.SetRotate(0);
        if (bits & CKarvoCore::kRefusedScale) add(IDS_STEP_SCALE), c.SetScale(0);
        if (bits & CKarvoCore::kRefusedShear) add(IDS_STEP_SHEAR), c.SetShearDown(0), c.SetShearAcross(0);
        return names;
    };
    const int steps = CKarvoCore::kRefusedRotate | CKarvoCore::kRefusedScale | CKarvoCore::kRefusedShear;
    const std::wstring large = switchOff(refused & steps);
    const std::wstring noPixels = switchOff(refused >> CKarvoCore::kEmptyShift & steps);
    ExchangeImageOptions(FALSE);
    if (!large.empty())
        Message(kv::fw::FormatText(Text(IDS_STEP_TOO_LARGE), {large, Text(IDS_PIXEL_LIMIT)}), MB_ICONWARNING);
    if (!noPixels.empty())
        Message(kv::fw::FormatText(Text(IDS_STEP_EMPTY), {noPixels}), MB_ICONWARNING);
    if (refused & CKarvoCore::kChainFailed)
        Message(Text(IDS_CHAIN_FAILED), MB_ICONWARNING);
}

// A menu item flips its field, then the fields go to the controls and on to the settings; so a
// capture type chosen in the combo box and not yet used is set back to the field's value.
void CKarvoDlg::ToggleOption(int index) {
    m_options[size_t(index)] = !m_options[size_t(index)];
    UpdateData(FALSE);
    ExchangeImageOptions(TRUE);
    if (!MarksMayGo(IDS_MARKS_SWITCH_DROPS)) {
        m_options[size_t(index)] = !m_options[size_t(index)];
        UpdateData(FALSE);
        ExchangeImageOptions(TRUE);
        return;
    }
    m_core.RefreshImageData();
    ReportRefusedSteps();
    Invalidate(TRUE);
}

// Marks stay drawn where they are when the picture keeps its size (the engine keeps them);
// only a change of size drops them, and not without asking. "No" is the default button.
bool CKarvoDlg::MarksMayGo(UINT textId) {
    if (!m_core.RefreshDropsMarks()) return true;
    const std::wstring question = kv::fw::LoadText(kv::fw::GetInstanceHandle(), textId);
    return ::MessageBoxW(m_hWnd, question.c_str(), Title().c_str(),
                         MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

int CKarvoDlg::OptionState(int index) { return m_options[size_t(index)] ? MF_CHECKED : MF_UNCHECKED; }

void CKarvoDlg::OnAutoCopy() { m_core.m_config.SetAutoCopy(!m_core.m_config.GetAutoCopy()); }

int CKarvoDlg::AutoCopyState() { return m_core.m_config.GetAutoCopy() ? MF_CHECKED : MF_UNCHECKED; }

void CKarvoDlg::AfterCapture(BOOL captured) {
    if (captured) DrawPreview(FALSE);
    m_nSnapType = m_core.m_config.GetSnapMode();
    UpdateData(FALSE);
    if (captured) ReportRefusedSteps();
    if (captured && m_core.GetAutoSaveFailed()) ReportAutoSaveFailure();
    if (captured && m_core.m_config.GetEditorAfterCapture()) PostMessage(WM_OPEN_EDITOR, 0, 0);
}

// The editor's image operations flip the switches: the boxes show them afterwards.
void CKarvoDlg::OnEditMarkup() {
    RunMarkupEditor(this, m_core);
    ExchangeImageOptions(FALSE);
    ReportRefusedSteps();
    DrawPreview(FALSE);
    Invalidate(TRUE);
}

// Once for each capture whose automatic save failed; the capture itself is there to be saved.
void CKarvoDlg::ReportAutoSaveFailure() {
    std::wstring reason = SystemErrorText(m_core.GetAutoSaveError());
    if (reason.empty()) reason = Text(IDS_WRITE_FAILED);
    Message(kv::fw::FormatText(Text(IDS_AUTOSAVE_FAILED), {ShownPath(m_core.GetAutoSavePath()), reason}), MB_ICONWARNING);
}

void CKarvoDlg::OnCaptureType(kv::CaptureType type) { AfterCapture(m_core.SnapType(type)); }

// The menus mark the recorded capture type with a radio mark; picking's item has none.
int CKarvoDlg::CaptureTypeState(const kv::CaptureTypeRow& row) {
    if (row.choice == kv::CaptureChoice::Picking) return -1;
    return m_core.m_config.GetSnapMode() == int(row.type) ? (MF_CHECKED | MFT_RADIOCHECK) : (MF_UNCHECKED | MFT_RADIOCHECK);
}
// A remembered rectangle wholly off the screen is refused with a word to the user; the
// preview, the recorded type and the clipboard stay as they were.
void CKarvoDlg::OnSnapLastRegion() {
    const BOOL captured = m_core.SnapLastRegion();
    if (captured || !m_core.LastRegionOffScreen()) return AfterCapture(captured);
    int left = 0, top = 0, right = 0, bottom = 0;
    m_core.m_config.GetLastRegion(left, top, right, bottom);
    Message(kv::fw::FormatText(Text(IDS_REPEAT_OFF_SCREEN), {std::to_wstring(left), std::to_wstring(top),
                                                              std::to_wstring(int64_t(right) - left),
                                                              std::to_wstring(int64_t(bottom) - top)}),
            MB_ICONWARNING);
}

// The new-capture command repeats the type selected in the combo box (an index no type has
// does nothing).
void CKarvoDlg::OnSnapNew() {
    UpdateData(TRUE);
    if (const kv::CaptureTypeRow* row = kv::CaptureTypeRowOf(m_nSnapType)) OnCaptureType(row->type);
}

void CKarvoDlg::OnShowHide() { ShowWindow(IsWindowVisible() ? SW_HIDE : SW_SHOW); }

void CKarvoDlg::OnAbout() {
    CDlgAbout about;
    about.DoModal();
}

void CKarvoDlg::OnHelp() { ::ShellExecuteW(nullptr, L"open", kHelpPage, nullptr, L"", SW_SHOWMAXIMIZED); }

void CKarvoDlg::OnHomePage() { ::ShellExecuteW(nullptr, L"open", kHomePage, nullptr, L"", SW_SHOWMAXIMIZED); }

// The updater is not delivered with the program: when it is missing the user is told so.
void CKarvoDlg::OnCheckUpdate() {
    const std::wstring updater = CHelper::GetAppPath() + L"kv_webinst.exe";
    if (::GetFileAttributesW(updater.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Message(kv::fw::FormatText(Text(IDS_NO_UPDATER), {ShownPath(updater)}), MB_ICONINFORMATION);
        return;
    }
    ::ShellExecuteW(nullptr, L"open", updater.c_str(), nullptr, L"", SW_SHOWNORMAL);
}

// Wine: a message box is as wide as its longest line and does not break a line without spaces
// (a folder of 300 characters made one 1880 pixels wide, its text cut off at both sides of the
// screen); so a message shows at most 100 characters of a path: the first 60, "…", the last 39.
std::wstring CKarvoDlg::ShownPath(const std::wstring& path) {
    constexpr size_t kHead = 60, kTail = 39;
    if (path.size() <= kHead + 1 + kTail) return path;
    const auto high = [](wchar_t c) { return c >= 0xD800 && c < 0xDC00; };
    const auto low = [](wchar_t c) { return c >= 0xDC00 && c < 0xE000; };
    const size_t head = high(path[kHead - 1]) ? kHead - 1 : kHead;  // never half a surrogate pair
    size_t tail = path.size() - kTail;
    if (low(path[tail])) ++tail;
    return path.substr(0, head) + L"…" + path.substr(tail);
}

std::wstring CKarvoDlg::SystemErrorText(DWORD error) { return kv::app::SystemErrorText(error); }

std::wstring CKarvoDlg::Text(UINT id) { return kv::fw::LoadText(kv::fw::GetInstanceHandle(), id); }

int CKarvoDlg::Message(const std::wstring& text, UINT icon) {
    return ::MessageBoxW(m_hWnd, text.c_str(), Title().c_str(), MB_OK | icon);
}

// One message naming the file and the reason; a cancelled dialog or a missing image says nothing.
void CKarvoDlg::ReportFileFailure(bool saving) {
    using S = CKarvoCore::FileStatus;
    const S st = m_core.GetLastFileStatus();
    if (st == S::Ok || st == S::Cancelled || st == S::NoImage) return;
    const std::wstring path = ShownPath(m_core.GetLastFilePath());
    std::wstring text;
    if (!saving && st == S::TooLarge) {
        const CSize s = m_core.GetRefusedSize();
        text = kv::fw::FormatText(Text(IDS_OPEN_TOO_LARGE), {path, std::to_wstring(s.cx), std::to_wstring(s.cy), Text(IDS_PIXEL_LIMIT)});
    } else if (!saving) {
        text = kv::fw::FormatText(Text(IDS_OPEN_FAILED), {path});
    } else if (st == S::NoEncoder) {
        text = kv::fw::FormatText(Text(IDS_SAVE_NO_ENCODER), {path});
    } else {
        std::wstring reason = SystemErrorText(m_core.GetLastFileError());
        if (reason.empty()) reason = Text(IDS_WRITE_FAILED);
        text = kv::fw::FormatText(Text(IDS_SAVE_FAILED), {path, reason});
    }
    Message(text, MB_ICONWARNING);
}

void CKarvoDlg::OpenImageFile(const std::wstring& path) {
    if (m_core.OpenImage(path)) {
        ExchangeImageOptions(FALSE);  // opening switched every image operation off
        Invalidate(TRUE);
    } else {
        ReportFileFailure(false);
    }
}

void CKarvoDlg::OnFileOpen() { OpenImageFile(L""); }

// A file named on the command line opens as if chosen in the open dialog: on failure the usual
// message, and the window stays.
void CKarvoDlg::OnOpenOnStart() {
    const std::wstring path = m_strOpenOnStart;
    m_strOpenOnStart.clear();
    if (!path.empty()) OpenImageFile(path);
}

void CKarvoDlg::OnFileSave() {
    if (!m_core.SaveImage(m_core.GetPathName(), FALSE)) ReportFileFailure(true);
}

void CKarvoDlg::OnFileSaveAs() {
    if (!m_core.SaveImage(L"", FALSE)) ReportFileFailure(true);
}

void CKarvoDlg::OnFileSaveThumb() {
    if (!m_core.SaveImage(L"", TRUE)) ReportFileFailure(true);
}

void CKarvoDlg::CopyToClipboard(int thumbnail) {
    if (!m_core.CopyImageData(thumbnail) && m_core.GetLastFileStatus() == CKarvoCore::FileStatus::ClipboardBusy)
        Message(Text(IDS_CLIPBOARD_BUSY), MB_ICONWARNING);
}

void CKarvoDlg::OnEditCopy() { CopyToClipboard(0); }
void CKarvoDlg::OnEditCopyThumb() { CopyToClipboard(1); }

void CKarvoDlg::OnEditPaste() {
    if (m_core.PasteImageData()) {
        Invalidate(TRUE);
        ReportRefusedSteps();
    } else if (m_core.GetLastFileStatus() == CKarvoCore::FileStatus::TooLarge) {
        const CSize s = m_core.GetRefusedSize();
        Message(kv::fw::FormatText(Text(IDS_PASTE_TOO_LARGE), {std::to_wstring(s.cx), std::to_wstring(s.cy), Text(IDS_PIXEL_LIMIT)}),
                MB_ICONWARNING);
    }
}

void CKarvoDlg::OnEditClear() {
    m_core.ClearGdiplusImage();
    Invalidate(TRUE);
}

// The editor gets the file name quoted, so that no character of it starts another argument, and
// the folder is the path up to its last backslash. An editor that is a batch file runs through
// the command interpreter, which reads % ! ^ & | < > even inside quotes: such names are refused.
void CKarvoDlg::OnEditImage() {
    // A failed save is reported like any other; cancelled or failed, the editor is not started.
    if (m_core.GetPathName().empty() && !m_core.SaveImage(L"", FALSE)) return ReportFileFailure(true);
    const std::wstring path = m_core.GetPathName();
    if (path.empty()) return;
    const size_t slash = path.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? L"" : path.substr(0, slash);
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::wstring editor = m_core.m_config.GetEditAppPath();
    if (editor.empty()) return;
    std::wstring lower = editor;
    for (wchar_t& c : lower) c = wchar_t(towlower(c));
    const bool batch = lower.size() >= 4 && (lower.compare(lower.size() - 4, 4, L".bat") == 0 ||
                                             lower.compare(lower.size() - 4, 4, L".cmd") == 0);
    if (batch && name.find_first_of(L"%!^&|<>\"") != std::wstring::npos) {
        Message(kv::fw::FormatText(Text(IDS_BATCH_NAME), {ShownPath(name)}), MB_ICONWARNING);
        return;
    }
    const std::wstring params = L"\"" + name + L"\"";
    ::ShellExecuteW(nullptr, L"open", editor.c_str(), params.c_str(), folder.c_str(), SW_SHOWNORMAL);
}

// The settings sheet: copies in, the global hot keys released while it is open, copies back on
// OK, then hot keys, image and z-order follow the settings whatever closed it.
void CKarvoDlg::OnOptions() {
    CKarvoConfig& c = m_core.m_config;
    CPropertySheet sheet(Text(IDS_SETTINGS_CAPTION), this, 1);
    COptionBasic basic;
    COptionImage image;
    COptionHotkey hotkey;
    COptionAutoSave autosave;
    sheet.AddPage(&basic);
    sheet.AddPage(&image);
    sheet.AddPage(&hotkey);
    sheet.AddPage(&autosave);
    autosave.m_bAutoSave = c.GetAutoSave();
    autosave.m_strFolder = c.GetAutoSaveFolder();
    autosave.m_strPattern = c.GetAutoSavePattern();
    autosave.m_strFormat = c.GetAutoSaveFormat();
    autosave.m_nCounter = c.GetAutoSaveCounter();
    basic.m_bPlaySound = c.GetPlaySnapSound();
    basic.m_bHideMainWnd = c.GetHideMainWnd();
    basic.m_bSnapOnStart = c.GetSnapOnStart();
    basic.m_nDelay = c.GetSnapDelayTime();
    basic.m_bDrawPointer = c.GetDrawPointer();
    basic.m_bKeepOnTop = c.GetKeepOnTop();
    basic.m_bEditorAfterCapture = c.GetEditorAfterCapture();
    basic.m_strLanguage = c.GetLanguage();
    image.m_strEditor = c.GetEditAppPath();
    image.m_nRotateAngle = c.GetRotateAngle();
    image.m_nScaleFactor = c.GetScaleFactor();
    image.m_nShearAcross = c.GetShearAcrossAmout();
    image.m_nShearDown = c.GetShearDownAmout();
    image.m_nBlurFactor = c.GetBlurFactor();
    image.m_nSharpenFactor = c.GetSharpenFactor();
    for (size_t i = 0; i < kv::app::kHotKeyCount; ++i) {
        CKarvoConfig::WORD16 mod = 0, vk = 0;
        (c.*kv::app::kHotKeys[i].get)(mod, vk);
        hotkey.m_keys[i] = {mod, vk};
    }
    RegisterHotkeys(TRUE);
    const CKarvoConfig before = c;
    if (sheet.DoModal() == IDOK) {
        c.SetPlaySnapSound(basic.m_bPlaySound);
        c.SetHideMainWnd(basic.m_bHideMainWnd);
        c.SetSnapOnStart(basic.m_bSnapOnStart);
        c.SetSnapDelayTime(basic.m_nDelay);
        c.SetKeepOnTop(basic.m_bKeepOnTop);
        c.SetDrawPointer(basic.m_bDrawPointer);
        c.SetEditorAfterCapture(basic.m_bEditorAfterCapture);
        c.SetLanguage(basic.m_strLanguage);
        c.SetAutoSave(autosave.m_bAutoSave);
        c.SetAutoSaveFolder(autosave.m_strFolder);
        c.SetAutoSavePattern(autosave.m_strPattern);
        c.SetAutoSaveFormat(autosave.m_strFormat);
        c.SetEditAppPath(image.m_strEditor);
        c.SetRotateAngle(image.m_nRotateAngle);
        c.SetScaleFactor(image.m_nScaleFactor);
        c.SetShearAcrossAmout(image.m_nShearAcross);
        c.SetShearDownAmout(image.m_nShearDown);
        c.SetBlurFactor(image.m_nBlurFactor);
        c.SetSharpenFactor(image.m_nSharpenFactor);
        // The parameters that change the picture's size go back when the user keeps the marks.
        if (!MarksMayGo(IDS_MARKS_SETTINGS_DROP)) {
            c.SetRotateAngle(before.GetRotateAngle());
            c.SetScaleFactor(before.GetScaleFactor());
            c.SetShearAcrossAmout(before.GetShearAcrossAmout());
            c.SetShearDownAmout(before.GetShearDownAmout());
        }
        for (size_t i = 0; i < kv::app::kHotKeyCount; ++i) (c.*kv::app::kHotKeys[i].set)(hotkey.m_keys[i].first, hotkey.m_keys[i].second);
        ::SetWindowPos(m_hWnd, c.GetKeepOnTop() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    RegisterHotkeys(FALSE);
    m_core.RefreshImageData();
    ReportRefusedSteps();
    Invalidate(TRUE);
}

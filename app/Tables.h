#pragma once
// The program's two fixed lists, each written once: the ten image switches (field order of the
// main dialog: grey, negate, scale, rotate, flip h, flip v, shear down, shear across, blur,
// sharpen) with their setting, check box and menu item; and the global hot keys with
// their id, setting pair, command, hot-key control on the settings page and failure message
// (a string id).
// The dialog's exchange, the menu marks, the sheet's copy in and out and the registration loop
// all walk these.
#include <windows.h>
#include <commctrl.h>

#include "res/resource.h"
#include "settings/KarvoConfig.h"

namespace kv::app {

struct ImageSwitch {
    int box;   // check box in the main dialog
    UINT menu; // item of the options menu
    int (CKarvoConfig::*get)() const;
    void (CKarvoConfig::*set)(int);
};

inline constexpr ImageSwitch kImageSwitches[10] = {
    {IDC_CHECK_GRAYSCALE, ID_OPTION_GRAYSCALE, &CKarvoConfig::GetGrayScale, &CKarvoConfig::SetGrayScale},
    {IDC_CHECK_NEGATE, ID_OPTION_NEGATE, &CKarvoConfig::GetNegate, &CKarvoConfig::SetNegate},
    {IDC_CHECK_SCALE, ID_OPTION_SCALE, &CKarvoConfig::GetScale, &CKarvoConfig::SetScale},
    {IDC_CHECK_ROTATE, ID_OPTION_ROTATE, &CKarvoConfig::GetRotate, &CKarvoConfig::SetRotate},
    {IDC_CHECK_FLIPHORZ, ID_OPTION_FLIPHORZ, &CKarvoConfig::GetFlipHorz, &CKarvoConfig::SetFlipHorz},
    {IDC_CHECK_FLIPVERT, ID_OPTION_FLIPVERT, &CKarvoConfig::GetFlipVert, &CKarvoConfig::SetFlipVert},
    {IDC_CHECK_SHEARDOWN, ID_OPTION_SHEARDOWN, &CKarvoConfig::GetShearDown, &CKarvoConfig::SetShearDown},
    {IDC_CHECK_SHEARACROSS, ID_OPTION_SHEARACROSS, &CKarvoConfig::GetShearAcross, &CKarvoConfig::SetShearAcross},
    {IDC_CHECK_BLUR, ID_OPTION_BLUR, &CKarvoConfig::GetBlur, &CKarvoConfig::SetBlur},
    {IDC_CHECK_SHARPEN, ID_OPTION_SHARPEN, &CKarvoConfig::GetSharpen, &CKarvoConfig::SetSharpen},
};

//! The switch of a check box or menu item; -1 for any other id.
inline int ImageSwitchIndex(UINT id) {
    for (int i = 0; i < 10; ++i)
        if (UINT(kImageSwitches[i].box) == id || kImageSwitches[i].menu == id) return i;
    return -1;
}

struct HotKey {
    int id;
    int control;   // hot-key control on the settings page
    UINT command;  // 0: the new-capture command
    void (CKarvoConfig::*get)(CKarvoConfig::WORD16&, CKarvoConfig::WORD16&) const;
    void (CKarvoConfig::*set)(CKarvoConfig::WORD16, CKarvoConfig::WORD16);
    UINT failure;  // string: the registration failed
    bool noneAllowed = false;  // no key (0) is not registered and not a failure
    // The main window's own key for the command, shown in the menus while no hot key is
    // registered for it (0: none).
    WORD localModifiers = 0, localKey = 0;
};

inline constexpr HotKey kHotKeys[12] = {
    {1001, IDC_HOTKEY_NEWSNAP, 0, &CKarvoConfig::GetNewSnapHotkey, &CKarvoConfig::SetNewSnapHotkey, IDS_HOTKEY_FAILED_FIRST + 0},
    {1002, IDC_HOTKEY_FULLSCREEN, ID_SNAP_FULLSCREEN, &CKarvoConfig::GetFullScreenHotkey,
     &CKarvoConfig::SetFullScreenHotkey, IDS_HOTKEY_FAILED_FIRST + 1},
    {1003, IDC_HOTKEY_ACTIVEWIN, ID_SNAP_ACTIVEWIN, &CKarvoConfig::GetActiveWinHotkey, &CKarvoConfig::SetActiveWinHotkey, IDS_HOTKEY_FAILED_FIRST + 2},
    {1004, IDC_HOTKEY_CURRENTWIN, ID_SNAP_CURRENTWIN, &CKarvoConfig::GetCurrentWinHotkey,
     &CKarvoConfig::SetCurrentWinHotkey, IDS_HOTKEY_FAILED_FIRST + 3},
    {1005, IDC_HOTKEY_WINCLIENT, ID_SNAP_WINCLIENT, &CKarvoConfig::GetWinClientHotkey, &CKarvoConfig::SetWinClientHotkey, IDS_HOTKEY_FAILED_FIRST + 4},
    {1006, IDC_HOTKEY_WINOBJ, ID_SNAP_WINOBJ, &CKarvoConfig::GetWinObjHotkey, &CKarvoConfig::SetWinObjHotkey, IDS_HOTKEY_FAILED_FIRST + 5},
    {1007, IDC_HOTKEY_SELECTRECT, ID_SNAP_SELECTRECT, &CKarvoConfig::GetSelectRectHotkey,
     &CKarvoConfig::SetSelectRectHotkey, IDS_HOTKEY_FAILED_FIRST + 6},
    {1008, IDC_HOTKEY_SHOWHIDE, ID_SHOW_HIDE, &CKarvoConfig::GetShowHideHotkey, &CKarvoConfig::SetShowHideHotkey, IDS_HOTKEY_FAILED_FIRST + 7},
    // Added to the original eight: the last rectangle again.
    {1009, IDC_HOTKEY_REPEATRECT, ID_SNAP_REPEATRECT, &CKarvoConfig::GetRepeatRectHotkey,
     &CKarvoConfig::SetRepeatRectHotkey, IDS_HOTKEY_FAILED_FIRST + 8},
    // The mark-up editor's: no key by default, any free one when the user gives it.
    {1010, IDC_HOTKEY_MARKUP, ID_EDIT_MARKUP, &CKarvoConfig::GetMarkupHotkey, &CKarvoConfig::SetMarkupHotkey,
     IDS_MARKUP_HOTKEYFAIL, true, HOTKEYF_CONTROL, 'E'},
    // The monitors' capture types: no key until the user gives one.
    {1020, IDC_HOTKEY_ALLMONITORS, ID_SNAP_ALLMONITORS, &CKarvoConfig::GetAllMonitorsHotkey,
     &CKarvoConfig::SetAllMonitorsHotkey, IDS_HOTKEY_FAILED_ALLMONITORS, true},
    {1021, IDC_HOTKEY_MONITOR, ID_SNAP_MONITOR, &CKarvoConfig::GetPointerMonitorHotkey,
     &CKarvoConfig::SetPointerMonitorHotkey, IDS_HOTKEY_FAILED_MONITOR, true},
};
inline constexpr size_t kHotKeyCount = sizeof kHotKeys / sizeof kHotKeys[0];

}  // namespace kv::app

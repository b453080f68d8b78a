#pragma once
// The capture types, one row each: the number the settings file stores (SnapMode) and the main
// window's capture-type list orders by, the command-line word, the string of the list, the name
// automatic saving gives {type}, the command that runs it, whether the user chooses something
// in it, and the steps it runs in the capture frame and their order. Everything that lists
// capture types reads this table; it is free of the platform, so it is checked natively.
#include <cstddef>

namespace kv {

enum class CaptureType : int {
    Screen = 0,          // the primary monitor
    ActiveWindow = 1,    // a program window chosen from the list
    CurrentWindow = 2,   // the topmost titled window
    ClientArea = 3,      // a window's client area, chosen from the list
    Object = 4,          // an interface object picked with the mouse
    Rectangle = 5,       // a rectangle dragged over the frozen virtual screen
    AllMonitors = 6,     // the whole virtual screen
    PointerMonitor = 7,  // the monitor under the pointer
};

//! What a capture's "choose" step is: where the rectangle (or window) to grab comes from.
enum class CaptureChoice : int {
    PrimaryMonitor,  // nothing chosen: the primary monitor
    WindowList,      // a window from the window-list dialog, brought to the front
    TopWindow,       // the topmost titled window
    ClientList,      // a window from the window-list dialog, its client area
    Picking,         // an object picked with the mouse
    Selection,       // a rectangle dragged in the selection window
    VirtualScreen,   // nothing chosen: every monitor
    MonitorAtPointer,  // nothing chosen: the monitor under the pointer
};

//! The order of the first steps of the frame (hide the main window, record the type, choose,
//! pause); sound, grab, settle, show, automatic save and copy always follow in that order.
enum class StepOrder : int {
    HideRecordChoosePause,   // most types: the pause falls after the choice
    RecordHideChoosePause,   // the current window: the type is recorded before hiding
    HidePauseRecordChoose,   // whole screens and the rectangle: the pause comes before anything
};

struct CaptureTypeRow {
    CaptureType type;
    const wchar_t* word;      // /capture <word>
    unsigned uiString;        // string of the capture-type list (the program's STRINGTABLE)
    unsigned fileNameString;  // {type} in automatic saving's names (the library's STRINGTABLE)
    unsigned command;         // the program's command id
    bool interactive;         // the user chooses (a cancelled run exits 4 on the command line)
    CaptureChoice choice;
    StepOrder order;
    bool guarded;             // refused while another capture runs (the selection may run beside a dialog)
    //! The same steps for a rectangle given beforehand (the last one again, the command line's
    //! region): guarded, as every capture without a dialog of its own.
    constexpr CaptureTypeRow AsFixed() const {
        CaptureTypeRow r = *this;
        r.guarded = true;
        return r;
    }
};

//! The command ids of the capture types (the program's resource header gives the same values).
inline constexpr unsigned kCmdFullScreen = 32795, kCmdActiveWin = 32846, kCmdCurrentWin = 32847,
                          kCmdWinClient = 32848, kCmdWinObj = 32850, kCmdSelectRect = 32845,
                          kCmdAllMonitors = 32880, kCmdPointerMonitor = 32881;
//! The first string of the capture-type list; row i has string kCaptureTypeStringFirst + i.
inline constexpr unsigned kCaptureTypeStringFirst = 1100;
//! The first of the names automatic saving gives {type} (the library's resource header gives the
//! same value); row i has kCaptureTypeFileStringFirst + i.
inline constexpr unsigned kCaptureTypeFileStringFirst = 4112;

inline constexpr CaptureTypeRow kCaptureTypes[] = {
    {CaptureType::Screen, L"screen", kCaptureTypeStringFirst + 0, kCaptureTypeFileStringFirst + 0, kCmdFullScreen, false,
     CaptureChoice::PrimaryMonitor, StepOrder::HidePauseRecordChoose, true},
    {CaptureType::ActiveWindow, L"active", kCaptureTypeStringFirst + 1, kCaptureTypeFileStringFirst + 1, kCmdActiveWin, true,
     CaptureChoice::WindowList, StepOrder::HideRecordChoosePause, true},
    {CaptureType::CurrentWindow, L"current", kCaptureTypeStringFirst + 2, kCaptureTypeFileStringFirst + 2, kCmdCurrentWin, false,
     CaptureChoice::TopWindow, StepOrder::RecordHideChoosePause, true},
    {CaptureType::ClientArea, L"client", kCaptureTypeStringFirst + 3, kCaptureTypeFileStringFirst + 3, kCmdWinClient, true,
     CaptureChoice::ClientList, StepOrder::HideRecordChoosePause, true},
    {CaptureType::Object, L"object", kCaptureTypeStringFirst + 4, kCaptureTypeFileStringFirst + 4, kCmdWinObj, true, CaptureChoice::Picking,
     StepOrder::HideRecordChoosePause, true},
    {CaptureType::Rectangle, L"rect", kCaptureTypeStringFirst + 5, kCaptureTypeFileStringFirst + 5, kCmdSelectRect, true,
     CaptureChoice::Selection, StepOrder::HidePauseRecordChoose, false},
    {CaptureType::AllMonitors, L"all", kCaptureTypeStringFirst + 6, kCaptureTypeFileStringFirst + 6, kCmdAllMonitors, false,
     CaptureChoice::VirtualScreen, StepOrder::HidePauseRecordChoose, true},
    {CaptureType::PointerMonitor, L"monitor", kCaptureTypeStringFirst + 7, kCaptureTypeFileStringFirst + 7, kCmdPointerMonitor, false,
     CaptureChoice::MonitorAtPointer, StepOrder::HidePauseRecordChoose, true},
};
inline constexpr int kCaptureTypeCount = int(sizeof kCaptureTypes / sizeof kCaptureTypes[0]);

//! The row of a stored type value; null for a value no type has.
constexpr const CaptureTypeRow* CaptureTypeRowOf(int value) {
    return value >= 0 && value < kCaptureTypeCount ? &kCaptureTypes[value] : nullptr;
}
constexpr const CaptureTypeRow& RowOf(CaptureType t) { return kCaptureTypes[int(t)]; }
//! The row whose command is `command`; null for any other command.
constexpr const CaptureTypeRow* CaptureTypeForCommand(unsigned command) {
    for (const CaptureTypeRow& r : kCaptureTypes)
        if (r.command == command) return &r;
    return nullptr;
}

}  // namespace kv

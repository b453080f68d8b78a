#pragma once
// The six capture types, numbered as the settings file stores them (SnapMode), as the main
// window's capture-type list orders them and as the new-capture command dispatches on them.

namespace kv {

enum class CaptureType : int {
    Screen = 0,         // the whole screen
    ActiveWindow = 1,   // a program window chosen from the list
    CurrentWindow = 2,  // the topmost titled window
    ClientArea = 3,     // a window's client area, chosen from the list
    Object = 4,         // an interface object picked with the mouse
    Rectangle = 5,      // a rectangle dragged over the frozen screen
};
constexpr int kCaptureTypeCount = 6;

}  // namespace kv

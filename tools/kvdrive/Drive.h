#pragma once
// kvdrive: drives Karvo.exe from another process, as a user would. The raw layer finds windows,
// synthesizes input with SendInput and reads state back; the actions layer (Karvo.h) knows the
// program. Every wait polls with a deadline; nothing sleeps a fixed time.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kvdrive {

//! Polls cond every 20 ms until it holds or ms pass; whether it held.
bool WaitFor(const std::function<bool()>& cond, int ms = 10000);

//! For what no condition can show: that something does not happen. Pumps this thread's messages
//! for ms; what names what would have happened by then (for the reader; it is not printed).
void SettleFor(int ms, const char* what);
//! Waits until the thread that owns h holds no mouse capture (a drag, picking or a tracker over).
bool WaitNoCapture(HWND h, int ms = 10000);

//! The first visible top-level window of the process whose title equals title (empty: any) and
//! whose class equals cls (empty: any).
HWND FindTopWindow(DWORD pid, const std::wstring& title = L"", const std::wstring& cls = L"");
HWND WaitTopWindow(DWORD pid, const std::wstring& title = L"", const std::wstring& cls = L"", int ms = 15000);
std::vector<HWND> TopWindows(DWORD pid);

std::wstring Text(HWND h);
std::wstring ClassName(HWND h);
RECT ScreenRect(HWND h);

// Input, in screen coordinates.
void MoveMouse(int x, int y);
void Click(int x, int y, bool right = false, bool dbl = false);
void ClickWindow(HWND h);  //!< at its centre
//! A drag as a hand makes it: press at the start, steps moves, release at the end.
void Drag(int x0, int y0, int x1, int y1, int steps = 6);
//! The left (or right) button pressed or released where the pointer is.
void Button(bool down, bool right = false);
void Key(WORD vk, bool down);
void Press(WORD vk, std::initializer_list<WORD> modifiers = {});
void TypeText(const std::wstring& text);

//! Pixel of the screen as COLORREF.
COLORREF ScreenPixel(int x, int y);
//! The screen (or a rectangle of it) as a PNG file.
bool SaveScreenshot(const std::wstring& path, const RECT* area = nullptr);

struct Process {
    PROCESS_INFORMATION pi{};
    ~Process();
    DWORD Id() const { return pi.dwProcessId; }
    //! Exit code once ended; STILL_ACTIVE while running.
    DWORD ExitCode() const;
    bool WaitExit(int ms = 15000) const;
    void Kill();
};

//! Starts a program with a command line in a working folder.
bool Start(Process& p, const std::wstring& exe, const std::wstring& args, const std::wstring& folder);

}  // namespace kvdrive

namespace kvdrive {

// The clipboard, as another program sees it.
bool SetClipboardText(const std::wstring& text);
std::wstring ClipboardText();
struct Picture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;  // row by row, top first
    COLORREF At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};
//! A .bmp file's pixels, or an empty picture.
Picture LoadPictureFile(const std::wstring& path);
//! The clipboard's bitmap, or an empty picture.
Picture ClipboardPicture();
//! Clipboard sequence number (changes with every change of its content).
DWORD ClipboardSequence();
//! A rectangle of the screen as it is now.
Picture ScreenPicture(const RECT& r);
//! A picture as a PNG file.
bool SavePicture(const std::wstring& path, const Picture& p);

}  // namespace kvdrive

namespace kvdrive {

struct RunResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out, err;  // bytes as written
};
//! Runs a program to its end (at most ms) with standard output and error captured. While it
//! runs, onRunning (if given) is called every 50 ms with its process id.
RunResult RunCaptured(const std::wstring& exe, const std::wstring& args, const std::wstring& folder, int ms = 30000,
                      const std::function<void(DWORD)>& onRunning = nullptr);

}  // namespace kvdrive

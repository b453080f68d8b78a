#pragma once
// The actions layer: Karvo.exe in a program folder of its own (so its config.xml is the test's),
// its main window, its controls and commands, and the files it leaves.
#include <string>

#include "Drive.h"
#include "Resources.h"
#include "framework/Diagnostics.h"

namespace kvdrive {

class Karvo {
public:
    //! A fresh program folder named after the test, with Karvo.exe and its DLLs copied in from
    //! the folder of the running test program.
    explicit Karvo(const std::wstring& name);
    ~Karvo();

    const std::wstring& Folder() const { return m_folder; }
    std::wstring ConfigPath() const { return m_folder + L"config.xml"; }
    //! Writes config.xml (UTF-16 LE text) before the start.
    void WriteConfig(const std::wstring& text) const;
    //! config.xml as text, or empty.
    std::wstring ReadConfig() const;

    //! Starts the program and waits for its main window (by caption: by default the program's
    //! name in the Chinese resources, as the tests' Chinese desktop shows it).
    bool Launch(const std::wstring& args = L"", const std::wstring& caption = L"");

    HWND Main() const { return m_main; }
    HWND Item(int id) const { return GetDlgItem(m_main, id); }
    //! A command as the menu sends it (posted, so a modal loop it opens does not block us).
    void Command(int id) const { PostMessageW(m_main, WM_COMMAND, WPARAM(id), 0); }
    //! The main window's answer to a diagnostics query (framework/Diagnostics.h); -1 when it
    //! gives none within ms (busy in a capture, gone).
    LONG_PTR Diagnostic(kv::diag::Query query, int ms = 10000) const;
    //! Every diagnostics figure at once, in query order; -1 for one that got no answer.
    struct Figures {
        LONG_PTR value[kv::diag::kQueryCount];
        LONG_PTR operator[](kv::diag::Query q) const { return value[q]; }
    };
    Figures Diagnostics(int ms = 10000) const;
    //! Ends the program with its exit button; whether it ended.
    bool Exit(int ms = 15000);
    Process& Proc() { return m_proc; }
    //! Exceptions caught by every run of the program in this folder so far (the running one
    //! asked now, ended ones as they were asked before their end).
    int CaughtExceptions() const;

private:
    std::wstring m_folder;
    Process m_proc;
    HWND m_main = nullptr;
    int m_caughtBefore = 0;  // by runs that have ended
};

//! The build's scratch folder for e2e files (screenshots of failures among them).
std::wstring ScratchRoot();

}  // namespace kvdrive

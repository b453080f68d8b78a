// karvoc.exe: the command-line capture as a console program. Karvo.exe is a GUI program:
// started from cmd.exe or PowerShell it gets no console, the shell does not wait for it and
// never sees its exit code. This one is waited for, writes to the console and returns the exit
// codes of the capture run; the run itself is the same code (CommandLine.cpp).
#include <windows.h>

#include <string>
#include <vector>

#include "CommandLine.h"

int wmain(int argc, wchar_t** argv) {
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
    ::SetDllDirectoryW(L"");
    std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) args.push_back(L"/?");  // a console program called bare explains itself
    return RunCommandLine(args);
}

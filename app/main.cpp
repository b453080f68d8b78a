// Karvo.exe entry point.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "App.h"
#include "CommandLine.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // First of all: later DLLs load only from the system folder and the program folder, never
    // from the current folder.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
    ::SetDllDirectoryW(L"");
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    ::LocalFree(argv);
    if (!args.empty()) return RunCommandLine(args);  // a capture run: no window of its own
    CKarvoApp app;
    return app.Run();
}

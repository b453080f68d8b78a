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
    // One argument naming an existing file ("Open with", a picture dropped on the program)
    // opens it in the main window; anything else is a capture run with no window of its own.
    if (args.size() == 1 && !args[0].empty() && args[0][0] != L'/' && args[0][0] != L'-') {
        const DWORD a = ::GetFileAttributesW(args[0].c_str());
        if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) {
            wchar_t full[32768];
            const DWORD n = ::GetFullPathNameW(args[0].c_str(), 32768, full, nullptr);
            CKarvoApp app(n > 0 && n < 32768 ? std::wstring(full, n) : args[0]);
            return app.Run();
        }
    }
    if (!args.empty()) return RunCommandLine(args);
    CKarvoApp app;
    return app.Run();
}

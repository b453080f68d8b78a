// Karvo.exe entry point.
#include <windows.h>

#include "App.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // First of all: later DLLs load only from the system folder and the program folder, never
    // from the current folder.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
    ::SetDllDirectoryW(L"");
    CKarvoApp app;
    return app.Run();
}

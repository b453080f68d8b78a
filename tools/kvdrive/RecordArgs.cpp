// A stand-in external editor for the tests: writes its command line and working folder, one per
// line (UTF-16), into record.txt beside itself, then exits.
#include <windows.h>

#include <string>

int wmain() {
    wchar_t exe[MAX_PATH], cwd[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    GetCurrentDirectoryW(MAX_PATH, cwd);
    std::wstring out = exe;
    out = out.substr(0, out.rfind(L'\\') + 1) + L"record.txt";
    const std::wstring text = std::wstring(GetCommandLineW()) + L"\n" + cwd + L"\n";
    HANDLE h = CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(h, text.data(), DWORD(text.size() * sizeof(wchar_t)), &n, nullptr);
    CloseHandle(h);
    return 0;
}

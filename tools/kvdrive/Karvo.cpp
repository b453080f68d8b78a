#include "Karvo.h"

#include <cstdio>
#include <vector>

namespace kvdrive {

namespace {

std::wstring ExeFolder() {
    wchar_t buf[MAX_PATH];
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring p(buf);
    return p.substr(0, p.rfind(L'\\') + 1);
}

void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = dir + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\");
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

}  // namespace

std::wstring ScratchRoot() {
    const std::wstring root = ExeFolder() + L"e2e\\";
    CreateDirectoryW(root.c_str(), nullptr);
    return root;
}

Karvo::Karvo(const std::wstring& name) : m_folder(ScratchRoot() + name + L"\\") {
    RemoveTree(m_folder);
    CreateDirectoryW(m_folder.c_str(), nullptr);
    for (const wchar_t* f : {L"Karvo.exe", L"karvoc.exe", L"KarvoLib.dll", L"Hook.dll"})
        CopyFileW((ExeFolder() + f).c_str(), (m_folder + f).c_str(), FALSE);
}

Karvo::~Karvo() { m_proc.Kill(); }

void Karvo::WriteConfig(const std::wstring& text) const {
    HANDLE h = CreateFileW(ConfigPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(h, text.data(), DWORD(text.size() * 2), &n, nullptr);
    CloseHandle(h);
}

std::wstring Karvo::ReadConfig() const {
    HANDLE h = CreateFileW(ConfigPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::vector<wchar_t> buf(GetFileSize(h, nullptr) / 2);
    DWORD n = 0;
    ReadFile(h, buf.data(), DWORD(buf.size() * 2), &n, nullptr);
    CloseHandle(h);
    return std::wstring(buf.data(), n / 2);
}

bool Karvo::Launch(const std::wstring& args, const std::wstring& caption) {
    if (!Start(m_proc, m_folder + L"Karvo.exe", args, m_folder)) return false;
    const std::wstring title = caption.empty() ? ProgramName() : caption;
    // The main window, not a message box it opens at once under the same caption: the one with
    // the menu bar.
    m_main = nullptr;
    WaitFor([&] {
        for (HWND h : TopWindows(m_proc.Id()))
            if (Text(h) == title && GetMenu(h)) m_main = h;
        return m_main != nullptr;
    }, 15000);
    // Ready once the modal loop has run its first idle pass (buttons updated).
    return m_main && WaitFor([&] { return IsWindowVisible(m_main); });
}

LONG_PTR Karvo::Diagnostic(kv::diag::Query query, int ms) const {
    static const UINT msg = RegisterWindowMessageW(kv::diag::kMessageName);
    DWORD_PTR answer = 0;
    if (!m_main || !msg || !SendMessageTimeoutW(m_main, msg, WPARAM(query), 0, SMTO_NORMAL, UINT(ms), &answer)) return -1;
    return LONG_PTR(answer);
}

Karvo::Figures Karvo::Diagnostics(int ms) const {
    Figures f{};
    for (unsigned q = 0; q < kv::diag::kQueryCount; ++q) f.value[q] = Diagnostic(kv::diag::Query(q), ms);
    return f;
}

int Karvo::CaughtExceptions() const {
    const LONG_PTR now = Diagnostic(kv::diag::kCaughtExceptions, 5000);
    return m_caughtBefore + (now > 0 ? int(now) : 0);
}

bool Karvo::Exit(int ms) {
    if (!m_main) return false;
    if (const LONG_PTR caught = Diagnostic(kv::diag::kCaughtExceptions, 5000); caught > 0) m_caughtBefore += int(caught);
    if (!PostMessageW(m_main, WM_COMMAND, IDOK, 0))
        std::fprintf(stderr, "kvdrive: the exit command could not be posted (error %lu)\n", GetLastError());
    if (m_proc.WaitExit(ms)) return true;
    // Why, for the test's output (a failed wait names its error: a handle closed behind our back).
    const DWORD error = GetLastError();
    std::fprintf(stderr, "kvdrive: Karvo did not end within %d ms (last error %lu, main window %s, exit code %lu)\n", ms, error,
                 IsWindow(m_main) ? "still there" : "gone", static_cast<unsigned long>(m_proc.ExitCode()));
    return false;
}

}  // namespace kvdrive

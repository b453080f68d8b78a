// Win32 file access. Wine: ReplaceFileW is two moves with a moment in which the target does not
// exist, and it fails on relative paths; MoveFileExW with MOVEFILE_REPLACE_EXISTING is one
// rename, so the write goes to a temporary file beside the target, flushed, then moved over it.
#include <windows.h>

#include <atomic>
#include <vector>

#include "framework/Handles.h"
#include "settings/FileIO.h"
#include "settings/NamePattern.h"

namespace {

std::wstring FullPath(const std::wstring& path) {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetFullPathNameW(path.c_str(), DWORD(buf.size()), buf.data(), nullptr);
        if (n == 0) return path;
        if (n < buf.size()) return std::wstring(buf.data(), n);
        buf.resize(n + 1);
    }
}

// Windows and Wine refuse the rename while another process has the target open without
// FILE_SHARE_DELETE (a reader, a virus scanner, an editor); such a hold is usually brief, so the
// move is retried for up to two seconds before the save is given up.
bool MoveOver(const std::wstring& from, const std::wstring& to) {
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD err = ::GetLastError();
        if ((err != ERROR_ACCESS_DENIED && err != ERROR_SHARING_VIOLATION) || attempt >= 200) return false;
        ::Sleep(10);
    }
}

}  // namespace

namespace kv {

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
    kv::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) return false;
    bytes.clear();
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(f.get(), buf, sizeof buf, &n, nullptr)) return false;
        if (n == 0) return true;
        bytes.append(buf, n);
    }
}

bool WriteFileAtomic(const std::wstring& path, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    const std::wstring target = FullPath(path);
    // Windows refuses to rename over a read-only file (access denied); Wine replaces it. The
    // attribute is the user's say that the file must not change, so it is honoured here for both.
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::wstring temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = target + L".~" + std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(counter++) + L".tmp";
        h = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    kv::UniqueFile f(h);
    if (!f) return false;
    // The error is taken at the call that failed: closing the file afterwards may clear it
    // (Wine does), and a full disk must be reported as a full disk.
    DWORD err = 0;
    const auto fail = [&err](DWORD e) { return err = e ? e : ERROR_WRITE_FAULT, false; };
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!::WriteFile(f.get(), bytes.data() + done, chunk, &n, nullptr)) ok = fail(::GetLastError());
        else if (n != chunk) ok = fail(ERROR_DISK_FULL);  // a short write without an error
        done += n;
    }
    if (ok && !::FlushFileBuffers(f.get())) ok = fail(::GetLastError());
    // Closed here, not at scope exit: a close that fails (a network drive) fails the write.
    if (!::CloseHandle(f.release()) && ok) ok = fail(::GetLastError());
    if (ok && !MoveOver(temp, target)) ok = fail(::GetLastError());
    if (!ok) {
        ::DeleteFileW(temp.c_str());
        ::SetLastError(err);
    }
    return ok;
}

bool ReserveNewFile(const std::wstring& folder, const std::wstring& name, const std::wstring& ext, std::wstring& path,
                    unsigned long& error) {
    constexpr size_t kMaxPath = MAX_PATH - 1 - 32;  // the temporary name is up to 32 characters longer
    for (int k = 1;; ++k) {
        path = FitPath(folder, name, k == 1 ? L"" : L" (" + std::to_wstring(k) + L")", ext, kMaxPath);
        if (path.empty()) {
            error = ERROR_FILENAME_EXCED_RANGE;
            return false;
        }
        UniqueFile taken(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (taken) return true;
        error = ::GetLastError();
        if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || k >= 10000) return false;
    }
}

}  // namespace kv

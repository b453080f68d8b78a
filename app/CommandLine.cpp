// The command-line capture: parse, capture through the engine, write the file (or standard
// output, or the clipboard), print one JSON line, exit with a code a script can test.
#include "CommandLine.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <ctime>

#include "engine/CaptureArgs.h"
#include "engine/KarvoCore.h"
#include "framework/Handles.h"
#include "framework/Owners.h"
#include "framework/UiText.h"
#include "imaging/ScreenGrab.h"
#include "settings/FileDialogs.h"
#include "settings/FileIO.h"

namespace {

void Write(DWORD which, const std::string& bytes) {
    HANDLE h = ::GetStdHandle(which);
    if (!h || h == INVALID_HANDLE_VALUE) return;
    DWORD n = 0;
    for (size_t done = 0; done < bytes.size(); done += n)
        if (!::WriteFile(h, bytes.data() + done, DWORD(bytes.size() - done), &n, nullptr) || n == 0) return;
}

std::string Utf8(const std::wstring& s) {
    if (s.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

int Fail(int code, const std::wstring& message) {
    Write(STD_ERROR_HANDLE, "karvo: " + Utf8(message) + "\n");
    return code;
}

bool IsFolder(const std::wstring& p) {
    const DWORD a = ::GetFileAttributesW(p.c_str());
    return (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) || p.back() == L'\\' || p.back() == L'/';
}

// A new file in the folder, named by date, time and a counter, created with CREATE_NEW so no
// earlier capture is ever replaced, even by two captures within one second.
std::wstring ReserveName(std::wstring folder) {
    if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    wchar_t stamp[64];
    std::swprintf(stamp, 64, L"Karvo_%04u%02u%02u_%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    for (int n = 1; n < 10000; ++n) {
        const std::wstring path = folder + stamp + L"_" + std::to_wstring(n) + L".png";
        kv::UniqueFile created(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (created) return path;
        if (::GetLastError() != ERROR_FILE_EXISTS) return {};
    }
    return {};
}

// With automatic saving switched on in config.xml, the file in the folder is named by its
// pattern and has its format (" (2)", " (3)", ... on a collision), created the same way.
std::wstring ReservePatternName(const std::wstring& folder, const std::wstring& name, const std::wstring& ext) {
    std::wstring path;
    unsigned long error = 0;
    return kv::ReserveNewFile(folder, name, ext, path, error) ? path : std::wstring();
}

std::wstring ProcessName(HWND w) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(w, &pid);
    kv::UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return {};
    wchar_t buf[MAX_PATH];
    DWORD n = MAX_PATH;
    std::wstring name;
    if (::QueryFullProcessImageNameW(process.get(), 0, buf, &n)) {
        name.assign(buf, n);
        name = name.substr(name.find_last_of(L"\\/") + 1);
    }
    return name;
}

std::wstring WindowText(HWND w, bool cls) {
    wchar_t buf[512] = {};
    if (cls)
        ::GetClassNameW(w, buf, 512);
    else
        ::GetWindowTextW(w, buf, 512);
    return buf;
}

}  // namespace

int RunCommandLine(const std::vector<std::wstring>& args) {
    std::wstring error;
    const auto req = kv::ParseCaptureArgs(args, error);
    // Started from Explorer, a shortcut or "Open with", the program has no standard handles: the
    // words go to a message box instead, or nobody would see them.
    const auto hasHandle = [](DWORD which) {
        HANDLE h = ::GetStdHandle(which);
        return h && h != INVALID_HANDLE_VALUE;
    };
    if (!req) {
        if (!hasHandle(STD_ERROR_HANDLE)) {
            ::MessageBoxW(nullptr, (error + L"\n\n" + kv::CaptureUsage()).c_str(), L"Karvo", MB_OK | MB_ICONWARNING);
            return kv::kExitBadArguments;
        }
        Write(STD_ERROR_HANDLE, "karvo: " + Utf8(error) + "\n" + Utf8(kv::CaptureUsage()));
        return kv::kExitBadArguments;
    }
    if (req->help) {
        if (!hasHandle(STD_OUTPUT_HANDLE)) {
            ::MessageBoxW(nullptr, kv::CaptureUsage(), L"Karvo", MB_OK | MB_ICONINFORMATION);
            return kv::kExitOk;
        }
        Write(STD_OUTPUT_HANDLE, Utf8(kv::CaptureUsage()));
        return kv::kExitOk;
    }
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    kv::GdiPlusSession gdiplus;
    CWnd host, preview;
    host.CreateEx(WS_EX_TOOLWINDOW, L"Karvo", WS_POPUP, CRect(0, 0, 404, 304), nullptr, 0);
    preview.Create(L"", 0, CRect(0, 0, 404, 304), &host, 1005);
    CKarvoCore core;
    // The windows a capture may show (list, selection, tip) and {type} follow the interface
    // language; this program's own messages and JSON stay English.
    kv::fw::SetUiLanguage(kv::fw::UiLanguageFor(core.m_config.GetLanguage()));
    if (!core.InitForCommandLine(&host, &preview)) return Fail(kv::kExitCaptureFailed, L"the capture engine did not start");
    // The request goes to the engine as it is: its pause, sound and processing, nothing of the
    // settings changed (config.xml is not written by a capture run anyway).
    const bool interactive = !req->region && kv::RowOf(req->type).interactive;
    if (!req->region && req->monitor >= int(kv::DesktopLayout().Monitors().size())) {
        core.CloseWithoutSaving();
        return Fail(kv::kExitCaptureFailed, L"capture failed: there is no monitor " + std::to_wstring(req->monitor + 1));
    }
    core.Capture(*req);
    Gdiplus::Image* image = core.GetImage();
    if (!image) {
        core.CloseWithoutSaving();
        return interactive ? Fail(kv::kExitCancelled, L"cancelled: nothing was selected")
                           : Fail(kv::kExitCaptureFailed, L"capture failed: nothing of it lies on the screen");
    }

    int code = kv::kExitOk;
    std::wstring path, format = L"PNG";
    if (req->out == L"-") {
        std::string bytes;
        if (!core.EncodeImage(L"png", bytes)) code = Fail(kv::kExitWriteFailed, L"could not encode the image");
        else Write(STD_OUTPUT_HANDLE, bytes);
    } else {
        path = req->out.empty() ? L"." : req->out;
        bool reserved = false;
        if (IsFolder(path)) {
            const CKarvoConfig& c = core.m_config;
            path = c.GetAutoSave() ? ReservePatternName(path, core.AutoSaveName(), c.GetAutoSaveFormat()) : ReserveName(path);
            reserved = true;
            if (path.empty()) code = Fail(kv::kExitWriteFailed, L"cannot create a file in the folder " + req->out);
        }
        if (code == kv::kExitOk) {
            const kv::CodecList enc = kv::InstalledCodecs(false);
            const auto i = kv::CodecForExtension(enc, kv::FileExtension(path));
            if (i) format = enc[*i].GetFormat();
            if (!core.SaveImage(path, FALSE)) {
                if (reserved) ::DeleteFileW(path.c_str());
                code = core.GetLastFileStatus() == CKarvoCore::FileStatus::NoEncoder
                           ? Fail(kv::kExitNoEncoder, L"no encoder writes the format of " + path)
                           : Fail(kv::kExitWriteFailed, L"could not write " + path);
            } else {
                // The buffer as long as the path needs: with a smaller one the call only says so
                // and leaves the buffer as it was.
                std::wstring full(size_t(::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr)), L'\0');
                const DWORD n = full.empty() ? 0 : ::GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr);
                if (n > 0 && n < full.size()) path = full.substr(0, n);
            }
        }
    }
    if (code == kv::kExitOk && req->clipboard && !core.CopyImageData(0))
        code = Fail(kv::kExitWriteFailed, L"the clipboard is held by another program");

    if (code == kv::kExitOk && req->out != L"-") {
        const CRect r = core.GetLastSnapRect();
        char nums[256];
        std::snprintf(nums, sizeof nums, "\"width\":%u,\"height\":%u,\"type\":", image->GetWidth(), image->GetHeight());
        std::string json = "{\"path\":" + kv::JsonString(path) + ",\"format\":" + kv::JsonString(format) + "," + nums +
                           kv::JsonString(kv::CaptureName(*req));
        std::snprintf(nums, sizeof nums, ",\"rect\":{\"x\":%ld,\"y\":%ld,\"width\":%ld,\"height\":%ld}", r.left, r.top,
                      r.Width(), r.Height());
        json += nums;
        // The monitor holding most of the picture, numbered as monitor:N numbers them.
        const kv::MonitorLayout layout = kv::DesktopLayout();
        const int m = layout.LargestOverlap(kv::Rect{r.left, r.top, r.right, r.bottom});
        if (m >= 0) {
            const kv::Monitor& mon = layout.Monitors()[size_t(m)];
            std::snprintf(nums, sizeof nums, ",\"monitor\":{\"index\":%d,\"x\":%d,\"y\":%d,\"width\":%d,\"height\":%d,\"primary\":%s}",
                          m + 1, int(mon.bounds.left), int(mon.bounds.top), int(mon.bounds.Width()), int(mon.bounds.Height()),
                          mon.primary ? "true" : "false");
            json += nums;
        }
        HWND w = core.GetLastSnapWindow();
        if (w && w != ::GetDesktopWindow())
            json += ",\"window\":{\"title\":" + kv::JsonString(WindowText(w, false)) + ",\"class\":" +
                    kv::JsonString(WindowText(w, true)) + ",\"process\":" + kv::JsonString(ProcessName(w)) + "}";
        else
            json += ",\"window\":null";
        Write(STD_OUTPUT_HANDLE, json + "}\n");
    }
    core.CloseWithoutSaving();
    return code;
}

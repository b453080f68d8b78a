// The whole-screen hot key as a user presses it: Karvo.exe running in a program folder of its
// own with automatic copy on, no pause, no sound and its main window left shown; Ctrl+PrintScreen
// sent as input; the time from the press until this process (another one than Karvo) can read
// the new picture from the clipboard as a DIB. Median, best and worst of the presses.
// Usage: bench_hotkey [--presses N] [--out FILE]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "Karvo.h"

namespace {

const wchar_t kConfig[] =
    L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   0\n  </SnapDelayTime>\n"
    L"  <HideMainWnd>\n   0\n  </HideMainWnd>\n </Basic>\n <Image>\n  <AutoCopy>\n   1\n  </AutoCopy>\n </Image>\n</Dadodav>\n";

// Whether the clipboard holds a DIB this process can read now.
bool DibReadable() {
    if (!OpenClipboard(nullptr)) return false;
    bool ok = false;
    if (HGLOBAL h = GetClipboardData(CF_DIB)) {
        const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(h));
        ok = header && header->biWidth == GetSystemMetrics(SM_CXSCREEN);
        GlobalUnlock(h);
    }
    CloseClipboard();
    return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int presses = 20;
    std::wstring out;
    for (int i = 1; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--presses" && i + 1 < argc) presses = std::max(1, _wtoi(argv[++i]));
        if (std::wstring(argv[i]) == L"--out" && i + 1 < argc) out = argv[++i];
    }
    kvdrive::Karvo karvo(L"bench-hotkey");
    karvo.WriteConfig(kConfig);
    if (!karvo.Launch()) {
        std::fputs("bench_hotkey: Karvo did not start\n", stderr);
        return 1;
    }
    // The program's start (its first paint, the hot keys registered) is not what is measured.
    Sleep(1000);
    std::vector<double> times, changed;  // to the DIB readable; to the clipboard's change
    int missed = 0;
    for (int i = 0; i < presses; ++i) {
        const DWORD before = GetClipboardSequenceNumber();
        const auto t0 = std::chrono::steady_clock::now();
        kvdrive::Press(VK_SNAPSHOT, {VK_CONTROL});
        bool got = false, seen = false;
        while (std::chrono::steady_clock::now() - t0 < std::chrono::seconds(5)) {
            if (!seen && GetClipboardSequenceNumber() != before) {
                seen = true;
                changed.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
            }
            if (seen && DibReadable()) {
                got = true;
                break;
            }
        }
        const auto t1 = std::chrono::steady_clock::now();
        if (got)
            times.push_back(std::chrono::duration<double>(t1 - t0).count());
        else
            ++missed;
        // What follows the copy (the preview's repaint) ends before the next press, as between
        // a user's presses; 300 ms is far more than it takes.
        Sleep(300);
    }
    karvo.Exit();
    std::sort(times.begin(), times.end());
    std::sort(changed.begin(), changed.end());
    char buf[768];
    std::snprintf(buf, sizeof buf,
                  "\n| whole-screen hot key to the clipboard, %d×%d, %d presses | median ms | best ms | worst ms | missed |\n"
                  "|---|---:|---:|---:|---:|\n| Ctrl+PrintScreen → the clipboard changed | %.1f | %.1f | %.1f | |\n"
                  "| Ctrl+PrintScreen → a DIB readable by another process | %.1f | %.1f | %.1f | %d |\n",
                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), presses, kvbench::Median(changed) * 1e3,
                  changed.empty() ? 0 : changed.front() * 1e3, changed.empty() ? 0 : changed.back() * 1e3,
                  kvbench::Median(times) * 1e3, times.empty() ? 0 : times.front() * 1e3,
                  times.empty() ? 0 : times.back() * 1e3, missed);
    std::fputs(buf, stdout);
    if (!out.empty()) {
        if (FILE* f = _wfopen(out.c_str(), L"w")) {
            std::fputs(buf, f);
            std::fclose(f);
        }
    }
    return missed == presses ? 1 : 0;
}

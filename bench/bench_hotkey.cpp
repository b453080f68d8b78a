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
#include "res/resource.h"

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
    struct Result {
        std::vector<double> times, changed;  // to the DIB readable; to the clipboard's change
        std::vector<double> painted;         // to the preview painted with the new picture
        int missed = 0;
    };
    // This process listens for clipboard changes as a clipboard viewer does (polling the
    // sequence number and opening the clipboard in a loop measured slower: every call is a
    // request to the Wine server that Karvo's own calls queue behind).
    HWND listener = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    AddClipboardFormatListener(listener);
    auto measure = [&](auto trigger) {
        Result r;
        // The picture the preview shows, asked before the presses and after each (not just
        // before one: the question would wake Karvo's thread right before the key).
        LONG_PTR shown = karvo.Diagnostic(kv::diag::kPreviewSerial);
        for (int i = 0; i < presses; ++i) {
            const DWORD before = GetClipboardSequenceNumber();
            const auto t0 = std::chrono::steady_clock::now();
            trigger();
            bool got = false, seen = false;
            while (!got && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(5)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
                MSG msg;
                bool update = false;
                while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) update |= msg.message == WM_CLIPBOARDUPDATE;
                if (!update && GetClipboardSequenceNumber() == before) continue;
                if (!seen) {
                    seen = true;
                    r.changed.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
                }
                for (int tries = 0; tries < 200 && !(got = DibReadable()); ++tries) Sleep(1);
            }
            if (got)
                r.times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
            else
                ++r.missed;
            // The preview follows: the main window answers which picture it painted last.
            while (got && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(5)) {
                const LONG_PTR now = karvo.Diagnostic(kv::diag::kPreviewSerial, 1000);
                if (now > 0 && now != shown) {
                    shown = now;
                    r.painted.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
                    break;
                }
                Sleep(0);
            }
            // What follows the copy (the preview's repaint) ends before the next press, as
            // between a user's presses; 300 ms is far more than it takes.
            Sleep(300);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            }
        }
        std::sort(r.times.begin(), r.times.end());
        std::sort(r.changed.begin(), r.changed.end());
        std::sort(r.painted.begin(), r.painted.end());
        return r;
    };
    const Result key = measure([] {
        kvdrive::Key(VK_CONTROL, true);
        kvdrive::Key(VK_SNAPSHOT, true);
        kvdrive::Key(VK_SNAPSHOT, false);
        kvdrive::Key(VK_CONTROL, false);
    });
    // The same capture started by its menu command (posted to the main window): what the hot
    // key's delivery adds shows as the difference.
    const Result command = measure([&] { karvo.Command(ID_SNAP_FULLSCREEN); });
    RemoveClipboardFormatListener(listener);
    DestroyWindow(listener);
    karvo.Exit();
    std::string text;
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "\n| whole screen to the clipboard, %d×%d, %d presses | median ms | best ms | worst ms | missed |\n"
                  "|---|---:|---:|---:|---:|\n",
                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), presses);
    text += buf;
    auto row = [&](const char* name, const std::vector<double>& t, int missed) {
        std::snprintf(buf, sizeof buf, "| %s | %.1f | %.1f | %.1f | %d |\n", name, kvbench::Median(t) * 1e3,
                      t.empty() ? 0 : t.front() * 1e3, t.empty() ? 0 : t.back() * 1e3, missed);
        text += buf;
    };
    row("Ctrl+PrintScreen → the clipboard changed", key.changed, key.missed);
    row("Ctrl+PrintScreen → a DIB readable by another process", key.times, key.missed);
    row("Ctrl+PrintScreen → the preview painted", key.painted, presses - int(key.painted.size()));
    row("the menu command → the clipboard changed", command.changed, command.missed);
    row("the menu command → a DIB readable by another process", command.times, command.missed);
    row("the menu command → the preview painted", command.painted, presses - int(command.painted.size()));
    std::fputs(text.c_str(), stdout);
    if (!out.empty()) {
        if (FILE* f = _wfopen(out.c_str(), L"w")) {
            std::fputs(text.c_str(), f);
            std::fclose(f);
        }
    }
    return key.missed == presses ? 1 : 0;
}

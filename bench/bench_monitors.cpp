// The capture types of several monitors as a user starts them, on the three-monitor layout
// (tools/wine-env.sh: kv_multimon_start, virtual screen 3200 × 1800): Karvo.exe running in a
// program folder of its own with automatic copy on, no pause, no sound, its window left shown.
//  - F7 (rectangle selection) until the selection window covers the virtual screen, is visible
//    and its tip asks for the press (then Esc, and the window gone before the next press);
//  - Ctrl+F9 (所有显示器) until this process can read the 3200 × 1800 picture from the clipboard.
// Median, best and worst of the presses, and the median as a ratio to a memcpy of the frame.
// Usage: bench_monitors [--presses N] [--out FILE]
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
    L"  <HideMainWnd>\n   0\n  </HideMainWnd>\n </Basic>\n <Image>\n  <AutoCopy>\n   1\n  </AutoCopy>\n </Image>\n"
    L" <Capture>\n  <AllMonitorsModifier>\n   2\n  </AllMonitorsModifier>\n  <AllMonitorsVk>\n   120\n  </AllMonitorsVk>\n"
    L" </Capture>\n</Dadodav>\n";

RECT VirtualScreen() {
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool DibReadable(int width, int height) {
    if (!OpenClipboard(nullptr)) return false;
    bool ok = false;
    if (HGLOBAL h = GetClipboardData(CF_DIB)) {
        const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(h));
        ok = header && header->biWidth == width && std::abs(header->biHeight) == height;
        GlobalUnlock(h);
    }
    CloseClipboard();
    return ok;
}

HWND SelectionShown(DWORD pid, const RECT& v) {
    for (HWND h : kvdrive::TopWindows(pid)) {
        const RECT r = kvdrive::ScreenRect(h);
        if (EqualRect(&r, &v) && IsWindowVisible(h)) {
            HWND tip = GetDlgItem(h, 1031);
            if (tip && IsWindowVisible(tip) && kvdrive::Text(tip).find(L"按下鼠标左键") != std::wstring::npos) return h;
        }
    }
    return nullptr;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int presses = 10;
    std::wstring out;
    for (int i = 1; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--presses" && i + 1 < argc) presses = std::max(1, _wtoi(argv[++i]));
        if (std::wstring(argv[i]) == L"--out" && i + 1 < argc) out = argv[++i];
    }
    const RECT v = VirtualScreen();
    const int w = v.right - v.left, h = v.bottom - v.top;
    kvdrive::Karvo karvo(L"bench-monitors");
    karvo.WriteConfig(kConfig);
    if (!karvo.Launch()) {
        std::fputs("bench_monitors: Karvo did not start\n", stderr);
        return 1;
    }
    // The program's start (its first paint, the hot keys registered) is not what is measured.
    Sleep(1000);
    const DWORD pid = karvo.Proc().Id();
    std::vector<double> shown, copied;
    int missedShown = 0, missedCopied = 0;
    for (int i = 0; i < presses; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        kvdrive::Key(VK_F7, true);
        kvdrive::Key(VK_F7, false);
        HWND sel = nullptr;
        while (!(sel = SelectionShown(pid, v)) && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(5)) Sleep(1);
        if (sel)
            shown.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        else
            ++missedShown;
        kvdrive::Press(VK_ESCAPE);
        kvdrive::WaitFor([&] { return !sel || !IsWindow(sel); });
        // Wine without a virtual desktop: the closed window's focus change settles (about 2 s)
        // before the next press, as between a user's presses.
        Sleep(2500);
    }
    HWND listener = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    AddClipboardFormatListener(listener);
    for (int i = 0; i < presses; ++i) {
        const DWORD before = GetClipboardSequenceNumber();
        const auto t0 = std::chrono::steady_clock::now();
        kvdrive::Press(VK_F9, {VK_CONTROL});
        bool got = false;
        while (!got && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            Pump();
            if (GetClipboardSequenceNumber() == before) continue;
            for (int tries = 0; tries < 200 && !(got = DibReadable(w, h)); ++tries) Sleep(1);
        }
        if (got)
            copied.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        else
            ++missedCopied;
        // The preview's repaint after the copy ends before the next press.
        Sleep(500);
        Pump();
    }
    RemoveClipboardFormatListener(listener);
    DestroyWindow(listener);
    karvo.Exit();
    std::sort(shown.begin(), shown.end());
    std::sort(copied.begin(), copied.end());
    const double memcpy = kvbench::MemcpySeconds(size_t(w) * size_t(h) * 4, 20);
    std::string text;
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "\n| %d monitors, virtual screen %d×%d, %d presses | median ms | best ms | worst ms | median × memcpy of the frame | missed |\n"
                  "|---|---:|---:|---:|---:|---:|\n",
                  GetSystemMetrics(SM_CMONITORS), w, h, presses);
    text += buf;
    auto row = [&](const char* name, const std::vector<double>& t, int missed) {
        std::snprintf(buf, sizeof buf, "| %s | %.1f | %.1f | %.1f | %.0f | %d |\n", name, kvbench::Median(t) * 1e3,
                      t.empty() ? 0 : t.front() * 1e3, t.empty() ? 0 : t.back() * 1e3, kvbench::Median(t) / memcpy, missed);
        text += buf;
    };
    row("F7 → the selection window shown over every monitor", shown, missedShown);
    row("Ctrl+F9 (所有显示器) → a DIB readable by another process", copied, missedCopied);
    std::snprintf(buf, sizeof buf, "\nmemcpy of the frame (%d×%d×4 bytes): %.2f ms.\n", w, h, memcpy * 1e3);
    text += buf;
    std::fputs(text.c_str(), stdout);
    if (!out.empty()) {
        if (FILE* f = _wfopen(out.c_str(), L"w")) {
            std::fputs(text.c_str(), f);
            std::fclose(f);
        }
    }
    return missedShown == presses || missedCopied == presses ? 1 : 0;
}

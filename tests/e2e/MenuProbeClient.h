#pragma once
// The test's side of kvmenuprobe.dll (MenuProbe.cpp): a hook on the program's main thread loads
// the probe there, and each menu that opens reports its items' texts by command id.
#include <windows.h>

#include <deque>
#include <map>
#include <string>

#include "E2eTest.h"

// The texts of a menu of the program as it opens, read inside the program by kvmenuprobe.dll,
// which a hook on the program's main thread loads there.
class MenuProbe {
public:
    explicit MenuProbe(HWND main) {
        static const ATOM cls = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &SinkProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"KvMenuProbeSink";
            return RegisterClassW(&wc);
        }();
        (void)cls;
        s_received.clear();
        m_sink = CreateWindowExW(0, L"KvMenuProbeSink", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
        m_dll = LoadLibraryW(L"kvmenuprobe.dll");
        const auto hook = m_dll ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(m_dll, "KvMenuProbeHook"))) : nullptr;
        if (hook) m_hook = SetWindowsHookExW(WH_CALLWNDPROCRET, hook, m_dll, GetWindowThreadProcessId(main, nullptr));
    }
    ~MenuProbe() {
        if (m_hook) UnhookWindowsHookEx(m_hook);
        if (m_sink) DestroyWindow(m_sink);
        if (m_dll) FreeLibrary(m_dll);
    }
    MenuProbe(const MenuProbe&) = delete;
    MenuProbe& operator=(const MenuProbe&) = delete;
    bool Hooked() const { return m_hook != nullptr; }
    //! The next menu that opened (waiting for one); its items' texts by command id (empty if
    //! none opened).
    std::map<UINT, std::wstring> Next() {
        std::map<UINT, std::wstring> items;
        if (!kvdrive::WaitFor([] { return !s_received.empty(); })) return items;
        const std::wstring all = s_received.front();
        s_received.pop_front();
        size_t at = 0;
        for (size_t end; (end = all.find(L'\n', at)) != std::wstring::npos; at = end + 1) {
            const std::wstring line = all.substr(at, end - at);
            const size_t eq = line.find(L'=');
            items[UINT(std::stoul(line.substr(0, eq)))] = line.substr(eq + 1);
        }
        return items;
    }

private:
    static LRESULT CALLBACK SinkProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_COPYDATA) {
            const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
            s_received.emplace_back(static_cast<const wchar_t*>(cds->lpData), cds->cbData / sizeof(wchar_t));
            return TRUE;
        }
        return DefWindowProcW(h, msg, wp, lp);
    }
    static inline std::deque<std::wstring> s_received;  // the menus in the order they opened
    HWND m_sink = nullptr;
    HMODULE m_dll = nullptr;
    HHOOK m_hook = nullptr;
};

// kvmenuprobe.dll: loaded into Karvo.exe by the hook a test sets on its main thread, it reports
// what a menu shows as it opens. After the program has handled WM_INITMENUPOPUP (where it writes
// the hot keys in), every item of that menu goes as "id=text" lines to the test's window of
// class KvMenuProbeSink by WM_COPYDATA. Menus belong to their process (Wine: another process
// reads none of their items), so the texts are read inside it.
#include <windows.h>

#include <string>

extern "C" __declspec(dllexport) LRESULT CALLBACK KvMenuProbeHook(int code, WPARAM wp, LPARAM lp) {
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lp);
    if (code == HC_ACTION && m && m->message == WM_INITMENUPOPUP) {
        HMENU menu = reinterpret_cast<HMENU>(m->wParam);
        std::wstring all;
        const int n = GetMenuItemCount(menu);
        for (int pos = 0; pos < n; ++pos) {
            wchar_t text[256] = {};
            GetMenuStringW(menu, UINT(pos), text, 256, MF_BYPOSITION);
            all += std::to_wstring(GetMenuItemID(menu, pos)) + L"=" + text + L"\n";
        }
        if (HWND sink = FindWindowW(L"KvMenuProbeSink", nullptr)) {
            COPYDATASTRUCT cds{0x4B4D, DWORD(all.size() * sizeof(wchar_t)), all.data()};
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(sink, WM_COPYDATA, reinterpret_cast<WPARAM>(m->hwnd), reinterpret_cast<LPARAM>(&cds),
                                SMTO_ABORTIFHUNG, 5000, &ignored);
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

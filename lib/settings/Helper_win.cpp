// The program folder: the executable's full name cut after its last backslash.
#include <windows.h>

#include <vector>

#include "settings/Helper.h"

std::wstring CHelper::GetAppPath() {
    std::vector<wchar_t> buf(MAX_PATH);
    DWORD n = 0;
    for (;;) {
        n = ::GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
        if (n == 0) return L"\\";
        if (n < buf.size()) break;  // a full buffer means the name was cut: grow and ask again
        buf.resize(buf.size() * 2);
    }
    std::wstring path(buf.data(), n);
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? L"\\" : path.substr(0, slash + 1);
}

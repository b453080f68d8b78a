#include "settings/NamePattern.h"

#include <cwchar>
#include <cwctype>

namespace kv {

namespace {

std::wstring Pad(int v, int width) {
    wchar_t buf[16];
    std::swprintf(buf, 16, L"%0*d", width, v);
    return buf;
}

bool IsDeviceName(const std::wstring& name) {
    std::wstring base = name.substr(0, name.find(L'.'));
    for (wchar_t& c : base) c = wchar_t(std::towupper(c));
    static const wchar_t* const kFixed[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const wchar_t* d : kFixed)
        if (base == d) return true;
    return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) && base[3] >= L'1' &&
           base[3] <= L'9';
}

}  // namespace

// The pattern comes from the settings file, of any length: each "}" is looked for once (the
// first one after a "{" is the first one after every "{" before it too), and only a short text
// between the two can be a token, so a pattern of many "{" takes time in proportion to its
// length, not to its square.
std::wstring ExpandNamePattern(const std::wstring& pattern, const NameFields& f) {
    std::wstring out;
    size_t close = 0;  // the first "}" at or after the position where it was last looked for
    bool looked = false;
    for (size_t i = 0; i < pattern.size();) {
        if (pattern[i] == L'{') {
            if (!looked || (close != std::wstring::npos && close < i)) close = pattern.find(L'}', i), looked = true;
            constexpr size_t kLongestToken = 7;  // "process"
            if (close != std::wstring::npos && close - i - 1 <= kLongestToken) {
                const std::wstring token = pattern.substr(i + 1, close - i - 1);
                std::wstring value;
                bool known = true;
                if (token == L"yyyy") value = Pad(f.year, 4);
                else if (token == L"yy") value = Pad(f.year % 100, 2);
                else if (token == L"MM") value = Pad(f.month, 2);
                else if (token == L"dd") value = Pad(f.day, 2);
                else if (token == L"HH") value = Pad(f.hour, 2);
                else if (token == L"mm") value = Pad(f.minute, 2);
                else if (token == L"ss") value = Pad(f.second, 2);
                else if (token == L"date") value = Pad(f.year, 4) + Pad(f.month, 2) + Pad(f.day, 2);
                else if (token == L"time") value = Pad(f.hour, 2) + Pad(f.minute, 2) + Pad(f.second, 2);
                else if (token == L"n") value = std::to_wstring(f.counter);
                else if (token == L"type") value = f.type;
                else if (token == L"title") value = f.title;
                else if (token == L"process") value = f.process;
                else known = false;
                if (known) {
                    out += value;
                    i = close + 1;
                    continue;
                }
            }
        }
        out += pattern[i++];
    }
    for (wchar_t& c : out)
        if (c < 32 || std::wcschr(L"<>:\"/\\|?*", c)) c = L'_';
    while (!out.empty() && (out.back() == L'.' || out.back() == L' ')) out.pop_back();
    size_t lead = 0;
    while (lead < out.size() && out[lead] == L' ') ++lead;
    out.erase(0, lead);
    if (out.empty()) return L"Karvo";
    if (IsDeviceName(out)) out.insert(0, L"_");
    return out;
}

std::wstring FitPath(std::wstring folder, const std::wstring& name, const std::wstring& suffix, const std::wstring& ext,
                     size_t maxPath) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    const std::wstring tail = suffix + L"." + ext;
    if (folder.size() + tail.size() + 1 > maxPath) return {};
    std::wstring fitted = name.substr(0, maxPath - folder.size() - tail.size());
    // A high surrogate cut from its low one, or a name that now ends in a dot or space, is trimmed.
    if (!fitted.empty() && fitted.back() >= 0xD800 && fitted.back() <= 0xDBFF) fitted.pop_back();
    while (!fitted.empty() && (fitted.back() == L'.' || fitted.back() == L' ')) fitted.pop_back();
    if (fitted.empty()) fitted = L"K";
    return folder + fitted + tail;
}

}  // namespace kv

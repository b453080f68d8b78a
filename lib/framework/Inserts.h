#pragma once
// Numbered inserts in a message template: "%1" … "%9" stand for the inserts in order, "%%" for
// a percent sign. Word order differs between the languages, so every composed message is one
// template per language instead of pieces joined in code. Portable (the settings core uses it).
#include <initializer_list>
#include <string>

namespace kv {

//! `pattern` with %1 … %9 replaced by the inserts (one with no insert by nothing), %% by %.
inline std::wstring FillInserts(const std::wstring& pattern, std::initializer_list<std::wstring> inserts) {
    std::wstring out;
    out.reserve(pattern.size() + 64);
    for (size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t c = pattern[i];
        const wchar_t n = i + 1 < pattern.size() ? pattern[i + 1] : 0;
        if (c == L'%' && n == L'%') {
            out += L'%';
            ++i;
        } else if (c == L'%' && n >= L'1' && n <= L'9') {
            const size_t k = size_t(n - L'1');
            if (k < inserts.size()) out += inserts.begin()[k];
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace kv

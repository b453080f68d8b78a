#include "settings/CodecInfo.h"

#include <algorithm>
#include <cwctype>

#include "framework/Inserts.h"

namespace {

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = wchar_t(std::towlower(wint_t(c)));
    return s;
}

std::wstring Entries(const kv::CodecList& codecs, const kv::FilterTexts& texts) {
    std::wstring out;
    for (const CGdiplusCodecInfo& c : codecs)
        out += kv::FillInserts(texts.entry, {c.GetFormat(), c.GetExtensions()}) + L"|" + c.GetExtensions() + L"|";
    return out;
}

}  // namespace

CGdiplusCodecInfo::CGdiplusCodecInfo(const std::wstring& format, const std::wstring& extensions, const KvGuid& clsid)
    : m_strFormat(format), m_strExtensions(Lower(extensions)), m_clsid(clsid) {
    std::wstring first = m_strExtensions.substr(0, m_strExtensions.find(L';'));
    first.erase(std::remove_if(first.begin(), first.end(), [](wchar_t c) { return c == L'*' || c == L'.'; }), first.end());
    m_strDefExt = first;
}

bool CGdiplusCodecInfo::FindExtension(const std::wstring& ext) const {
    const std::wstring want = Lower(L"*." + ext);
    size_t start = 0;
    for (;;) {
        const size_t end = m_strExtensions.find(L';', start);
        if (m_strExtensions.compare(start, end == std::wstring::npos ? std::wstring::npos : end - start, want) == 0)
            return true;
        if (end == std::wstring::npos) return false;
        start = end + 1;
    }
}

namespace kv {

std::wstring MakeOpenFilter(const CodecList& codecs, const FilterTexts& texts) {
    std::wstring first = texts.allImages + L"|";
    for (size_t i = 0; i < codecs.size(); ++i) first += (i ? L";" : L"") + codecs[i].GetExtensions();
    return first + L"|" + Entries(codecs, texts) + L"|";
}

std::wstring MakeSaveFilter(const CodecList& codecs, const FilterTexts& texts) { return Entries(codecs, texts) + L"|"; }

void TranslateFilter(std::wstring& filter) { std::replace(filter.begin(), filter.end(), L'|', L'\0'); }

// A dot in a folder's name is no extension: C:\v1.2\shot has none.
std::wstring FileExtension(const std::wstring& name) {
    const size_t slash = name.find_last_of(L"\\/");
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return std::wstring();
    return name.substr(dot + 1);
}

std::optional<size_t> CodecForExtension(const CodecList& codecs, const std::wstring& ext) {
    for (size_t i = 0; i < codecs.size(); ++i)
        if (codecs[i].FindExtension(ext)) return i;
    return std::nullopt;
}

}  // namespace kv

#pragma once
// Codec descriptions and the filter rules of the image file dialogs, free of the platform: the
// lower-cased extension list, the default extension, the open and save filters, and which
// encoder a typed name selects.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Export.h"

#if defined(_WIN32)
#include <windows.h>
using KvGuid = GUID;
#else
struct KvGuid {
    uint32_t Data1;
    uint16_t Data2, Data3;
    uint8_t Data4[8];
};
#endif

class KV_API CGdiplusCodecInfo {
public:
    CGdiplusCodecInfo(const std::wstring& format, const std::wstring& extensions, const KvGuid& clsid);
    std::wstring GetFormat() const { return m_strFormat; }
    std::wstring GetExtensions() const { return m_strExtensions; }
    const wchar_t* GetDefExt() const { return m_strDefExt.c_str(); }
    KvGuid GetCLSID() const { return m_clsid; }
    //! Whether "*." + ext is one of the patterns, ignoring case.
    bool FindExtension(const std::wstring& ext) const;

protected:
    static void ConvertCopy(std::wstring& destination, const wchar_t* source) { destination = source ? source : L""; }

private:
    std::wstring m_strFormat;
    std::wstring m_strExtensions;
    std::wstring m_strDefExt;
    KvGuid m_clsid;
};

namespace kv {

using CodecList = std::vector<CGdiplusCodecInfo>;

//! The words of a filter, in the interface language: the first entry's name ("所有支持的图像
//!文件") and each format's entry, %1 the format and %2 its patterns ("%1 文件(%2)").
struct FilterTexts {
    std::wstring allImages;
    std::wstring entry;
};
//! "<all images>|<all patterns>|<entry>|pats|...|" — bars, not yet translated.
KV_API std::wstring MakeOpenFilter(const CodecList& codecs, const FilterTexts& texts);
//! "<entry>|pats|...|".
KV_API std::wstring MakeSaveFilter(const CodecList& codecs, const FilterTexts& texts);
//! Bars become NULs in place (the trailing "||" ends the list).
KV_API void TranslateFilter(std::wstring& filter);
//! The extension of a typed name: the text after its last ".", empty without one.
KV_API std::wstring FileExtension(const std::wstring& name);
//! The codec a typed extension selects: the first that lists it; none for an unknown one.
KV_API std::optional<size_t> CodecForExtension(const CodecList& codecs, const std::wstring& ext);

}  // namespace kv

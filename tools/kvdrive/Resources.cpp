#include "Resources.h"

#include <cstring>
#include <vector>

#include "framework/DialogTemplate.h"

namespace kvdrive {

namespace {

// The module beside the test program, read as data.
HMODULE Module(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path, n);
    file = file.substr(0, file.find_last_of(L"\\/") + 1) + name;
    return LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

const void* Find(HMODULE m, const wchar_t* type, UINT id, LANGID language, DWORD& size) {
    HRSRC r = m ? FindResourceExW(m, type, MAKEINTRESOURCEW(id), language) : nullptr;
    HGLOBAL g = r ? LoadResource(m, r) : nullptr;
    size = g ? SizeofResource(m, r) : 0;
    return g ? LockResource(g) : nullptr;
}

bool ReadDialog(const wchar_t* module, UINT id, LANGID language, kv::TemplateInfo& info) {
    HMODULE m = Module(module);
    DWORD size = 0;
    const auto* bytes = static_cast<const uint8_t*>(Find(m, RT_DIALOG, id, language, size));
    const bool ok = bytes && kv::ReadTemplate(bytes, size, info);
    if (m) FreeLibrary(m);
    return ok;
}

}  // namespace

std::wstring ResourceString(const wchar_t* module, UINT id, LANGID language) {
    HMODULE m = Module(module);
    DWORD size = 0;
    const auto* p = static_cast<const WCHAR*>(Find(m, RT_STRING, id / 16 + 1, language, size));
    std::wstring text;
    if (p) {
        const WCHAR* end = p + size / sizeof(WCHAR);
        for (UINT i = 0; i < id % 16 && p < end; ++i) p += 1 + *p;
        if (p < end && p + 1 + *p <= end) text.assign(p + 1, p + 1 + *p);
    }
    if (m) FreeLibrary(m);
    return text;
}

std::wstring DialogTitle(const wchar_t* module, UINT id, LANGID language) {
    kv::TemplateInfo t;
    return ReadDialog(module, id, language, t) ? std::wstring(t.title.begin(), t.title.end()) : std::wstring();
}

std::wstring DialogText(const wchar_t* module, UINT id, int control, LANGID language) {
    kv::TemplateInfo t;
    if (!ReadDialog(module, id, language, t)) return {};
    for (const kv::TemplateControl& c : t.controls)
        if (int(c.id) == control) return std::wstring(c.text.begin(), c.text.end());
    return {};
}

std::wstring MenuItemText(const wchar_t* module, UINT menu, UINT command, LANGID language) {
    HMODULE m = Module(module);
    DWORD size = 0;
    const void* bytes = Find(m, RT_MENU, menu, language, size);
    HMENU h = bytes ? LoadMenuIndirectW(bytes) : nullptr;
    wchar_t text[256] = {};
    if (h) GetMenuStringW(h, command, text, 256, MF_BYCOMMAND), DestroyMenu(h);
    if (m) FreeLibrary(m);
    return text;
}

std::wstring ProgramName(LANGID language) { return ResourceString(L"Karvo.exe", 2000, language); }

std::vector<COLORREF> ResourceBitmap(const wchar_t* module, UINT id, LANGID language, int& width, int& height) {
    width = height = 0;
    DWORD size = 0;
    const auto* bytes = static_cast<const uint8_t*>(Find(Module(module), RT_BITMAP, id, language, size));
    if (!bytes || size < sizeof(BITMAPINFOHEADER)) return {};
    BITMAPINFOHEADER h;
    std::memcpy(&h, bytes, sizeof h);
    if (h.biBitCount != 24 || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight == 0) return {};
    const int w = h.biWidth, ht = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    if (h.biSize + stride * size_t(ht) > size) return {};
    std::vector<COLORREF> px(size_t(w) * size_t(ht));
    for (int y = 0; y < ht; ++y) {
        const uint8_t* row = bytes + h.biSize + stride * size_t(h.biHeight < 0 ? y : ht - 1 - y);
        for (int x = 0; x < w; ++x) px[size_t(y) * size_t(w) + size_t(x)] = RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
    width = w, height = ht;
    return px;
}

}  // namespace kvdrive

#include "framework/PropertySheet.h"

#include <cwchar>

#include "framework/DialogTemplate.h"
#include "res/resource.h"
#include "framework/ModuleState.h"
#include "framework/UiText.h"

BOOL CPropertyPage::ExchangeInt(int id, int& value, bool save, long long lo, long long hi, bool checkRange) {
    HWND edit = GetDlgItem(id);
    if (!save) {
        ::SetWindowTextW(edit, std::to_wstring(value).c_str());
        return TRUE;
    }
    wchar_t buf[64] = {};
    ::GetWindowTextW(edit, buf, 64);
    wchar_t* end = nullptr;
    const long long v = std::wcstoll(buf, &end, 10);
    // Spaces after the digits are allowed (typed or pasted "12 "); anything else is refused.
    while (end && end != buf && *end == L' ') ++end;
    bool ok = buf[0] && end && end != buf && *end == 0 && v >= INT32_MIN && v <= INT32_MAX;
    if (ok && checkRange && (v < lo || v > hi)) ok = false;
    if (ok) {
        value = int(v);
        return TRUE;
    }
    const std::wstring msg = checkRange ? kv::fw::FormatText(kv::fw::LibraryText(IDS_KV_INT_RANGE), {std::to_wstring(lo), std::to_wstring(hi)})
                                        : kv::fw::LibraryText(IDS_KV_INT_ANY);
    ::MessageBoxW(m_hWnd, msg.c_str(), kv::fw::LibraryText(IDS_KV_SETTINGS_CAPTION).c_str(), MB_OK | MB_ICONEXCLAMATION);
    ::SetFocus(edit);
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    return FALSE;
}

INT_PTR CPropertyPage::DialogProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        switch (hdr->code) {
        case PSN_KILLACTIVE:  // leaving the page (or OK): take the data, or stay
            SetMsgResult(UpdateData(TRUE) ? FALSE : TRUE);
            return TRUE;
        case PSN_APPLY:
            OnOK();
            SetMsgResult(PSNRET_NOERROR);
            return TRUE;
        case PSN_SETACTIVE:
            SetMsgResult(0);
            return TRUE;
        default: break;
        }
    }
    return CDialog::DialogProc(msg, wp, lp);
}

// A page finds its object in the PROPSHEETPAGE that WM_INITDIALOG carries; the rest is the
// dialogs' own delivery.
INT_PTR CALLBACK CPropertyPage::PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    CDialog* init = msg == WM_INITDIALOG ? reinterpret_cast<CPropertyPage*>(reinterpret_cast<PROPSHEETPAGEW*>(lp)->lParam) : nullptr;
    return Deliver(hwnd, msg, wp, lp, init);
}

CPropertySheet::CPropertySheet(const std::wstring& caption, CWnd* parent, UINT startPage)
    : m_caption(caption), m_pParent(parent), m_startPage(startPage) {}

int CALLBACK CPropertySheet::SheetCallback(HWND, UINT, LPARAM) noexcept { return 0; }

namespace {

// The font the sheet lays its pages out in: that of the common controls' own sheet template
// (1006), "MS Shell Dlg" 8 where it cannot be read.
const kv::TemplateFont& SheetFont() {
    static const kv::TemplateFont font = [] {
        kv::TemplateFont f;
        f.face = u"MS Shell Dlg";
        f.points = 8;
        f.weight = FW_NORMAL;
        f.charset = DEFAULT_CHARSET;
        HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
        HRSRC res = comctl ? ::FindResourceW(comctl, MAKEINTRESOURCEW(1006), RT_DIALOG) : nullptr;
        HGLOBAL data = res ? ::LoadResource(comctl, res) : nullptr;
        const auto* bytes = data ? static_cast<const uint8_t*>(::LockResource(data)) : nullptr;
        kv::TemplateFont read;
        if (bytes && kv::ReadTemplateFont(bytes, ::SizeofResource(comctl, res), read) && !read.face.empty() && read.points) {
            f.face = read.face;
            f.points = read.points;
            if (read.weight) f.weight = read.weight;
        }
        return f;
    }();
    return font;
}

}  // namespace

// The page's template in the interface language and in the sheet's font, as the platform's
// framework gives it (the template as it is when it already uses that font or its font cannot
// be read); empty when there is none.
std::vector<uint8_t> kv::fw::SheetPageTemplate(HINSTANCE module, UINT id) {
    DWORD size = 0;
    const auto* bytes = static_cast<const uint8_t*>(kv::fw::FindUiDialog(module, id, &size));
    if (!bytes) return {};
    kv::TemplateFont own;
    const kv::TemplateFont& sheet = SheetFont();
    if (kv::ReadTemplateFont(bytes, size, own) && !(own.face == sheet.face && own.points == sheet.points))
        if (std::vector<uint8_t> changed = kv::WithTemplateFont(bytes, size, sheet); !changed.empty()) return changed;
    return std::vector<uint8_t>(bytes, bytes + size);
}

INT_PTR CPropertySheet::DoModal() {
    std::vector<HPROPSHEETPAGE> handles;
    for (CPropertyPage* p : m_pages) {
        PROPSHEETPAGEW& psp = p->m_psp;
        psp = PROPSHEETPAGEW{};
        psp.dwSize = sizeof psp;
        psp.dwFlags = PSP_DEFAULT;  // no help button
        psp.hInstance = kv::fw::GetResourceHandle();
        psp.pszTemplate = MAKEINTRESOURCEW(p->GetTemplateId());
        p->m_template = kv::fw::SheetPageTemplate(psp.hInstance, p->GetTemplateId());
        if (!p->m_template.empty()) {
            psp.dwFlags |= PSP_DLGINDIRECT;
            psp.pResource = reinterpret_cast<LPCDLGTEMPLATEW>(p->m_template.data());
        }
        psp.pfnDlgProc = &CPropertyPage::PageProc;
        psp.lParam = reinterpret_cast<LPARAM>(p);
        handles.push_back(::CreatePropertySheetPageW(&psp));
    }
    PROPSHEETHEADERW psh{};
    psh.dwSize = sizeof psh;
    psh.dwFlags = m_dwFlags;
    psh.hwndParent = m_pParent ? m_pParent->GetSafeHwnd() : nullptr;
    psh.hInstance = kv::fw::GetResourceHandle();
    psh.pszCaption = m_caption.c_str();
    psh.nPages = UINT(handles.size());
    psh.nStartPage = m_startPage;
    psh.phpage = handles.data();
    const INT_PTR r = ::PropertySheetW(&psh);
    return r > 0 ? IDOK : IDCANCEL;
}

#include "settings/FileDialogs.h"

#include <commdlg.h>

#include <memory>

#include "framework/GdiPlus.h"
#include "framework/UiText.h"
#include "res/resource.h"
#include "framework/App.h"

namespace kv {

CodecList InstalledCodecs(bool decoders) {
    CodecList list;
    UINT n = 0, bytes = 0;
    if ((decoders ? Gdiplus::GetImageDecodersSize(&n, &bytes) : Gdiplus::GetImageEncodersSize(&n, &bytes)) != Gdiplus::Ok ||
        bytes == 0)
        return list;
    std::vector<BYTE> buf(bytes);
    auto* records = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buf.data());
    if ((decoders ? Gdiplus::GetImageDecoders(n, bytes, records) : Gdiplus::GetImageEncoders(n, bytes, records)) != Gdiplus::Ok)
        return list;
    for (UINT i = 0; i < n; ++i)
        list.emplace_back(records[i].FormatDescription ? records[i].FormatDescription : L"",
                          records[i].FilenameExtension ? records[i].FilenameExtension : L"", records[i].Clsid);
    return list;
}

}  // namespace kv

CGdiplusFileDialog::CGdiplusFileDialog(BOOL open, const wchar_t* fileName, DWORD flags, CWnd* parent)
    : m_bOpen(open), m_file(32768, L'\0') {
    if (fileName) wcsncpy(m_file.data(), fileName, m_file.size() - 1);
    m_ofn.lStructSize = sizeof m_ofn;
    m_hParent = parent ? parent->GetSafeHwnd() : nullptr;
    m_ofn.lpstrFile = m_file.data();
    m_ofn.nMaxFile = DWORD(m_file.size());
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
    m_ofn.lpfnHook = &CGdiplusFileDialog::HookProc;
    m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrDefExt = m_defExt;
}

CGdiplusFileDialog::~CGdiplusFileDialog() = default;

void CGdiplusFileDialog::FillCodecs(bool decoders) { m_codecs = kv::InstalledCodecs(decoders); }

void CGdiplusFileDialog::TranslateFilter() {
    if (m_strFilter.empty()) return;
    kv::TranslateFilter(m_strFilter);
    m_ofn.lpstrFilter = m_strFilter.c_str();
}

INT_PTR CGdiplusFileDialog::DoModal() {
    // Probe GDI+: without it there are no codecs to offer.
    Gdiplus::Bitmap probe(1, 1, PixelFormat32bppARGB);
    if (probe.GetLastStatus() == Gdiplus::GdiplusNotInitialized) return IDCANCEL;
    FillCodecInfoArray();
    ConstructMFCStyleFilter();
    m_ofn.hwndOwner = AfxGetSafeOwner(m_hParent);  // owned and modal, never underneath
    if (INT_PTR result = IDCANCEL; m_bVistaStyle && RunItemDialog(m_ofn.hwndOwner, result)) {
        m_codecs.clear();
        return result;
    }
    TranslateFilter();
    const BOOL ok = m_bOpen ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn);
    m_hDialog = nullptr;
    m_codecs.clear();  // the descriptions live as long as the dialog window
    return ok ? IDOK : IDCANCEL;
}

std::wstring CGdiplusFileDialog::GetPathName() const { return m_file.data(); }

std::wstring CGdiplusFileDialog::GetFileName() const {
    const std::wstring path = m_file.data();
    if (m_ofn.nFileOffset > 0 && m_ofn.nFileOffset < path.size()) return path.substr(m_ofn.nFileOffset);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

UINT_PTR CALLBACK CGdiplusFileDialog::HookProc(HWND hdlg, UINT msg, WPARAM, LPARAM lp) noexcept {
    if (msg == WM_INITDIALOG) {
        auto* ofn = reinterpret_cast<OPENFILENAMEW*>(lp);
        ::SetWindowLongPtrW(hdlg, DWLP_USER, ofn->lCustData);
        return 0;
    }
    auto* self = reinterpret_cast<CGdiplusFileDialog*>(::GetWindowLongPtrW(hdlg, DWLP_USER));
    if (!self || msg != WM_NOTIFY) return 0;
    const auto* n = reinterpret_cast<const OFNOTIFYW*>(lp);
    self->m_hDialog = ::GetParent(hdlg);
    if (n->lpOFN) self->m_ofn.nFilterIndex = n->lpOFN->nFilterIndex;
    switch (n->hdr.code) {
    case CDN_INITDONE: self->OnInitDone(); break;
    case CDN_TYPECHANGE: self->OnTypeChange(); break;
    case CDN_FILEOK:
        ::SetWindowLongPtrW(hdlg, DWLP_MSGRESULT, self->OnFileNameOK() ? 0 : 1);
        return 1;
    default: break;
    }
    return 0;
}

void CGdiplusFileSaveAsDialog::SetDefaultExt() {
    const size_t i = m_ofn.nFilterIndex;
    if (i < 1 || i > m_codecs.size()) return;
    SetDialogDefExt(m_codecs[i - 1].GetDefExt());
}

void CGdiplusFileSaveAsDialog::SetCurrentCodecCLSID() {
    const size_t i = m_ofn.nFilterIndex;
    if (i >= 1 && i <= m_codecs.size()) m_clsid = m_codecs[i - 1].GetCLSID();
}

void CGdiplusFileSaveAsDialog::OnInitDone() {
    SetDefaultExt();
    SetCurrentCodecCLSID();
}

void CGdiplusFileSaveAsDialog::OnTypeChange() {
    SetDefaultExt();
    SetCurrentCodecCLSID();
}

kv::FilterTexts CGdiplusFileDialog::UiFilterTexts() {
    return {kv::fw::LibraryText(IDS_KV_FILTER_ALL_IMAGES), kv::fw::LibraryText(IDS_KV_FILTER_ENTRY)};
}

std::wstring CGdiplusFileSaveAsDialog::GetFileExt() const { return kv::FileExtension(TypedName()); }

BOOL CGdiplusFileSaveAsDialog::OnFileNameOK() {
    SetCurrentCodecCLSID();
    const std::wstring ext = GetFileExt();
    if (ext.empty()) return TRUE;
    if (const auto i = kv::CodecForExtension(m_codecs, ext)) {
        m_clsid = m_codecs[*i].GetCLSID();
        return TRUE;
    }
    // An extension no encoder writes: the user corrects it or cancels.
    const std::wstring text = kv::fw::FormatText(kv::fw::LibraryText(IDS_KV_NO_ENCODER), {ext});
    ::MessageBoxW(DialogWindow(), text.c_str(), kv::fw::LibraryText(IDS_KV_SAVE_AS_CAPTION).c_str(), MB_OK | MB_ICONWARNING);
    return FALSE;
}

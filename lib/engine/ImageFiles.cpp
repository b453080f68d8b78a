// Image files and the clipboard. A file is read into memory and decoded from there, so the file
// is not held open while it is the current image (GDI+ would keep it locked, and saving back to
// the same name would fail). A save writes a temporary file beside the target and renames it over
// the target only once the encoder has written all of it.
#include <memory>

#include "engine/KarvoCore.h"
#include "framework/Owners.h"
#include "settings/FileDialogs.h"
#include "settings/FileIO.h"

namespace {

// The clipboard may be held by another program for a moment: a few tries over half a second.
bool OpenClipboardPatiently(HWND owner) {
    for (int i = 0; i < 10; ++i) {
        if (::OpenClipboard(owner)) return true;
        ::Sleep(50);
    }
    return false;
}

Gdiplus::Image* LoadDetached(const std::wstring& path) {
    std::string bytes;
    if (!kv::ReadFileBytes(path, bytes) || bytes.empty()) return nullptr;
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!mem) return nullptr;
    memcpy(::GlobalLock(mem), bytes.data(), bytes.size());
    ::GlobalUnlock(mem);
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(mem, TRUE, &stream))) {
        ::GlobalFree(mem);
        return nullptr;
    }
    Gdiplus::Image* image = Gdiplus::Image::FromStream(stream);
    stream->Release();  // the image keeps its own reference while it needs the data
    if (image && image->GetLastStatus() != Gdiplus::Ok) {
        delete image;
        image = nullptr;
    }
    return image;
}

}  // namespace

BOOL CKarvoCore::OpenImage(const std::wstring& pathIn) {
    std::wstring path = pathIn, name;
    if (path.empty()) {
        CGdiplusFileOpenDialog dlg(nullptr, OFN_EXPLORER | OFN_HIDEREADONLY, nullptr);
        if (dlg.DoModal() == IDOK) path = dlg.GetPathName(), name = dlg.GetFileName();
    }
    m_strLastFilePath = path;
    if (path.empty()) return m_lastFileStatus = FileStatus::Cancelled, FALSE;
    Gdiplus::Image* image = LoadDetached(path);
    if (!image) return m_lastFileStatus = FileStatus::LoadFailed, FALSE;
    // Only a picture that loaded replaces the current one.
    m_config.ResetImageOption();
    ClearGdiplusImage();
    m_pImage = image;
    SetThubImage(m_pImage);
    std::unique_ptr<CImageBitmap> bmp(ConvertImage(m_pImage));
    if (bmp && bmp->GetSafeHandle()) {
        m_bmpRaw.CopyImage(bmp->GetSafeHandle());
        m_bmpProcessed.CopyImage(&m_bmpRaw);
    }
    m_strPathName = path;
    m_strFileName = name;
    m_lastFileStatus = FileStatus::Ok;
    return TRUE;
}

BOOL CKarvoCore::SaveImage(const std::wstring& pathIn, int bThubImage) {
    Gdiplus::Image* image = bThubImage ? m_pThubImage : m_pImage;
    m_strLastFilePath = pathIn;
    m_dwLastFileError = 0;
    if (!image) return m_lastFileStatus = FileStatus::NoImage, FALSE;
    std::wstring path = pathIn, name;
    CLSID encoder{};
    bool haveEncoder = false;
    if (path.empty()) {
        CGdiplusFileSaveAsDialog dlg(L"", OFN_EXPLORER | OFN_OVERWRITEPROMPT, m_pMainWnd);
        if (dlg.DoModal() == IDOK) {
            encoder = dlg.GetCodecCLSID();
            path = dlg.GetPathName();
            name = dlg.GetFileName();
            haveEncoder = true;
        }
    } else {
        // A supplied path: the encoder that lists its extension.
        const kv::CodecList encoders = kv::InstalledCodecs(false);
        if (const auto i = kv::CodecForExtension(encoders, kv::FileExtension(path))) {
            encoder = encoders[*i].GetCLSID();
            haveEncoder = true;
        }
    }
    m_strLastFilePath = path;
    if (path.empty()) return m_lastFileStatus = FileStatus::Cancelled, FALSE;
    if (!haveEncoder) return m_lastFileStatus = FileStatus::NoEncoder, FALSE;

    const std::wstring temp = path + L".~kv" + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    const Gdiplus::Status st = image->Save(temp.c_str(), &encoder, nullptr);
    bool ok = st == Gdiplus::Ok;
    if (!ok) m_dwLastFileError = ::GetLastError();
    // The written file must read back as a picture of the same size before it takes the name.
    // Wine: its GIF encoder reports success after writing only the file's header.
    if (ok) {
        std::unique_ptr<Gdiplus::Image> check(LoadDetached(temp));
        if (!check || check->GetWidth() != image->GetWidth() || check->GetHeight() != image->GetHeight()) {
            ok = false;
            m_dwLastFileError = ERROR_FILE_CORRUPT;
        }
    }
    if (ok && !::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        m_dwLastFileError = ::GetLastError();
    }
    if (!ok) {
        ::DeleteFileW(temp.c_str());  // a full disk leaves a partial temporary file
        m_lastFileStatus = st == Gdiplus::UnknownImageFormat ? FileStatus::NoEncoder : FileStatus::WriteFailed;
        return FALSE;
    }
    if (!bThubImage) {
        m_strPathName = path;
        m_strFileName = name;
    }
    m_lastFileStatus = FileStatus::Ok;
    return TRUE;
}

BOOL CKarvoCore::CopyImageData(int bThubImage) {
    std::unique_ptr<CImageBitmap> bmp(ConvertImage(bThubImage ? m_pThubImage : m_pImage));
    if (!bmp) return m_lastFileStatus = FileStatus::NoImage, FALSE;
    if (!OpenClipboardPatiently(m_pPreviewWnd ? m_pPreviewWnd->GetSafeHwnd() : nullptr))
        return m_lastFileStatus = FileStatus::ClipboardBusy, FALSE;
    ::EmptyClipboard();
    const bool put = ::SetClipboardData(CF_BITMAP, bmp->GetSafeHandle()) != nullptr;
    ::CloseClipboard();
    if (put) bmp->Detach();  // the clipboard owns the bitmap now
    m_lastFileStatus = put ? FileStatus::Ok : FileStatus::ClipboardBusy;
    return put;
}

BOOL CKarvoCore::PasteImageData() {
    if (!OpenClipboardPatiently(nullptr)) return m_lastFileStatus = FileStatus::ClipboardBusy, FALSE;
    BOOL result = FALSE;
    if (::IsClipboardFormatAvailable(CF_BITMAP)) {
        if (HBITMAP h = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP))) {
            if (m_bmpRaw.CopyImage(h)) {
                m_bmpProcessed.CopyImage(&m_bmpRaw);
                RefreshImageData();
                result = TRUE;
            }
        }
    }
    ::CloseClipboard();
    m_lastFileStatus = result ? FileStatus::Ok : FileStatus::NoBitmap;
    return result;
}

BOOL CKarvoCore::EncodeImage(const std::wstring& ext, std::string& bytes) {
    if (!m_pImage) return m_lastFileStatus = FileStatus::NoImage, FALSE;
    const kv::CodecList encoders = kv::InstalledCodecs(false);
    const auto i = kv::CodecForExtension(encoders, ext);
    if (!i) return m_lastFileStatus = FileStatus::NoEncoder, FALSE;
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return m_lastFileStatus = FileStatus::WriteFailed, FALSE;
    const CLSID clsid = encoders[*i].GetCLSID();
    BOOL ok = m_pImage->Save(stream, &clsid, nullptr) == Gdiplus::Ok;
    if (ok) {
        HGLOBAL mem = nullptr;
        ::GetHGlobalFromStream(stream, &mem);
        STATSTG st{};
        stream->Stat(&st, STATFLAG_NONAME);
        const void* p = mem ? ::GlobalLock(mem) : nullptr;
        if (p) {
            bytes.assign(static_cast<const char*>(p), size_t(st.cbSize.QuadPart));
            ::GlobalUnlock(mem);
        }
        ok = p != nullptr && !bytes.empty();
    }
    stream->Release();
    m_lastFileStatus = ok ? FileStatus::Ok : FileStatus::WriteFailed;
    return ok;
}

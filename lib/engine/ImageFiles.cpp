// Image files and the clipboard. A file is read into memory and decoded from there, so the file
// is not held open while it is the current image (GDI+ would keep it locked, and saving back to
// the same name would fail). A save writes a temporary file beside the target and renames it over
// the target only once the encoder has written all of it.
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/ImageDocument.h"
#include "engine/KarvoCore.h"
#include "framework/ByteStream.h"
#include "framework/Handles.h"
#include "framework/Owners.h"
#include "framework/UiText.h"
#include "framework/UniqueCom.h"
#include "imaging/BitmapOps.h"
#include "imaging/Palette.h"
#include "imaging/PictureSize.h"
#include "imaging/Pixels24.h"
#include "res/resource.h"
#include "settings/CaptureType.h"
#include "settings/FileDialogs.h"
#include "settings/FileIO.h"
#include "settings/NamePattern.h"

namespace {

// The clipboard may be held by another program for a moment: a few tries over half a second.
constexpr int kClipboardTries = 10;
constexpr DWORD kClipboardWaitMs = 50;

// What a load came to: the image, or none, and then whether the picture was too large and its
// size.
struct Loaded {
    std::unique_ptr<Gdiplus::Image> image;
    bool tooLarge = false;
    CSize size;
};

LONG Saturated(int64_t side) { return LONG(std::min<int64_t>(side, LONG_MAX)); }

// Decoded from our own stream over the bytes: a decoder that follows an offset past the end gets
// a clean error there. A picture larger than the engine takes is refused from its header, before
// anything decodes its pixels (a 20000 × 20000 PNG of 7.5 MB cost GDI+ 11 s and 2.3 GB under
// Wine, only to be refused then); one whose header is not read here is refused once decoded.
Loaded LoadFromBytes(std::string bytes) {
    Loaded result;
    if (bytes.empty()) return result;
    if (const auto s = kv::ReadPictureSize(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        s && kv::ExceedsPictureLimit(s->width, s->height)) {
        result.tooLarge = true;
        result.size = CSize(Saturated(s->width), Saturated(s->height));
        return result;
    }
    const kv::UniqueCom<IStream> stream(kv::CreateByteStream(std::move(bytes)));
    if (!stream) return result;
    std::unique_ptr<Gdiplus::Image> image(Gdiplus::Image::FromStream(stream.get()));  // takes its own reference
    if (!image || image->GetLastStatus() != Gdiplus::Ok) return result;
    const int64_t w = image->GetWidth(), h = image->GetHeight();
    if (kv::ExceedsPictureLimit(w, h)) {
        result.tooLarge = true;
        result.size = CSize(Saturated(w), Saturated(h));
    } else if (w > 0 && h > 0) {
        result.image = std::move(image);
    }
    return result;
}

Loaded LoadDetached(const std::wstring& path) {
    std::string bytes;
    if (!kv::ReadFileBytes(path, bytes)) return {};
    return LoadFromBytes(std::move(bytes));
}

bool IsGifEncoder(const CLSID& clsid) {
    for (const CGdiplusCodecInfo& codec : kv::InstalledCodecs(false))
        if (codec.GetCLSID() == clsid) return codec.FindExtension(L"gif");
    return false;
}

// GIF holds 8-bit indexed pixels. Handed a 24- or 32-bit image, the encoder is left to reduce it
// itself, and Wine's writes only a header then; so the image is reduced here, to the fixed web
// palette with greys (imaging/Palette.h).
std::unique_ptr<Gdiplus::Bitmap> ToIndexed(Gdiplus::Image* image) {
    if (image->GetType() != Gdiplus::ImageTypeBitmap) return nullptr;
    auto* source = static_cast<Gdiplus::Bitmap*>(image);
    const UINT w = image->GetWidth(), h = image->GetHeight();
    auto indexed = std::make_unique<Gdiplus::Bitmap>(INT(w), INT(h), PixelFormat8bppIndexed);
    if (indexed->GetLastStatus() != Gdiplus::Ok) return nullptr;
    std::vector<BYTE> paletteBytes(sizeof(Gdiplus::ColorPalette) + 255 * sizeof(Gdiplus::ARGB));
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(paletteBytes.data());
    palette->Flags = 0;
    palette->Count = 256;
    for (int i = 0; i < 256; ++i) {
        const kv::PaletteColour c = kv::WebPaletteEntry(i);
        palette->Entries[i] = Gdiplus::Color::MakeARGB(255, c.r, c.g, c.b);
    }
    if (indexed->SetPalette(palette) != Gdiplus::Ok) return nullptr;
    const Gdiplus::Rect all(0, 0, INT(w), INT(h));
    Gdiplus::BitmapData in{}, out{};
    if (source->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &in) != Gdiplus::Ok) return nullptr;
    const bool locked = indexed->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat8bppIndexed, &out) == Gdiplus::Ok;
    if (locked) {
        kv::QuantiseToWebPalette(static_cast<const uint8_t*>(in.Scan0), in.Stride, static_cast<uint8_t*>(out.Scan0),
                                 out.Stride, INT(w), INT(h));
        indexed->UnlockBits(&out);
    }
    source->UnlockBits(&in);
    return locked ? std::move(indexed) : nullptr;
}

// The image encoded in memory, then read back: only bytes that decode to a picture of the same
// size count as written. Wine: its GIF encoder reports success after writing only a header.
Gdiplus::Status EncodeToBytes(Gdiplus::Image* image, const CLSID& encoder, std::string& bytes) {
    std::unique_ptr<Gdiplus::Bitmap> indexed;
    Gdiplus::Image* toWrite = image;
    if (IsGifEncoder(encoder)) {
        indexed = ToIndexed(image);
        if (!indexed) return Gdiplus::OutOfMemory;
        toWrite = indexed.get();
    }
    kv::UniqueCom<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()))) return Gdiplus::OutOfMemory;
    Gdiplus::Status st = toWrite->Save(stream.get(), &encoder, nullptr);
    if (st == Gdiplus::Ok) {
        HGLOBAL mem = nullptr;
        STATSTG stat{};
        const void* p = SUCCEEDED(::GetHGlobalFromStream(stream.get(), &mem)) && SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME))
                            ? ::GlobalLock(mem)
                            : nullptr;
        if (p) {
            bytes.assign(static_cast<const char*>(p), size_t(stat.cbSize.QuadPart));
            ::GlobalUnlock(mem);
        } else {
            st = Gdiplus::OutOfMemory;
        }
    }
    stream.reset();
    if (st != Gdiplus::Ok) return st;
    const std::unique_ptr<Gdiplus::Image> check = LoadFromBytes(bytes).image;
    if (!check || check->GetWidth() != image->GetWidth() || check->GetHeight() != image->GetHeight())
        return Gdiplus::Win32Error;
    return Gdiplus::Ok;
}

}  // namespace

BOOL CKarvoCore::OpenImage(const std::wstring& pathIn) {
    std::wstring path = pathIn, name;
    if (path.empty()) {
        CGdiplusFileOpenDialog dlg(nullptr, OFN_EXPLORER | OFN_HIDEREADONLY, nullptr);
        if (dlg.DoModal() == IDOK) path = dlg.GetPathName(), name = dlg.GetFileName();
    }
    m_doc->lastFilePath = path;
    if (path.empty()) return m_doc->lastFileStatus = FileStatus::Cancelled, FALSE;
    Loaded loaded = LoadDetached(path);
    if (loaded.tooLarge) m_doc->sizeRefused = loaded.size;
    if (!loaded.image) return m_doc->lastFileStatus = loaded.tooLarge ? FileStatus::TooLarge : FileStatus::LoadFailed, FALSE;
    // Only a picture that loaded replaces the current one.
    m_config.ResetImageOption();
    NewPicture();
    ClearGdiplusImage();
    m_pImage = loaded.image.release();
    SetThubImage(m_pImage);
    std::unique_ptr<CImageBitmap> bmp(ConvertImage(m_pImage));
    if (bmp && bmp->GetSafeHandle()) {
        m_bmpRaw.CopyImage(bmp->GetSafeHandle());
        m_bmpProcessed.CopyImage(&m_bmpRaw);
        ++m_doc->serial;
        CSize size;
        if (kv::bitmap::GetSize(m_bmpProcessed.GetSafeHandle(), &size)) m_doc->Follow(size);
    }
    m_strPathName = path;
    m_strFileName = name;
    m_doc->lastFileStatus = FileStatus::Ok;
    return TRUE;
}

BOOL CKarvoCore::SaveImage(const std::wstring& pathIn, int bThubImage) {
    Gdiplus::Image* image = bThubImage ? m_pThubImage : m_pImage;
    m_doc->lastFilePath = pathIn;
    m_doc->lastFileError = 0;
    if (!image) return m_doc->lastFileStatus = FileStatus::NoImage, FALSE;
    std::wstring name;
    if (!SaveImageOf(image, pathIn, m_pMainWnd, &name)) return FALSE;
    if (!bThubImage) {
        m_strPathName = m_doc->lastFilePath;
        m_strFileName = name;
    }
    return TRUE;
}

// The save itself, for the current image and for the editor's marked picture alike.
BOOL CKarvoCore::SaveImageOf(Gdiplus::Image* image, const std::wstring& pathIn, CWnd* owner, std::wstring* nameOut) {
    m_doc->lastFilePath = pathIn;
    m_doc->lastFileError = 0;
    std::wstring path = pathIn, name;
    CLSID encoder{};
    bool haveEncoder = false;
    if (path.empty()) {
        CGdiplusFileSaveAsDialog dlg(L"", OFN_EXPLORER | OFN_OVERWRITEPROMPT, owner);
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
    m_doc->lastFilePath = path;
    if (path.empty()) return m_doc->lastFileStatus = FileStatus::Cancelled, FALSE;
    if (!haveEncoder) return m_doc->lastFileStatus = FileStatus::NoEncoder, FALSE;

    std::string bytes;
    const Gdiplus::Status st = EncodeToBytes(image, encoder, bytes);
    if (st != Gdiplus::Ok) {
        m_doc->lastFileError = st == Gdiplus::Win32Error ? ERROR_FILE_CORRUPT : ERROR_NOT_ENOUGH_MEMORY;
        m_doc->lastFileStatus = st == Gdiplus::UnknownImageFormat ? FileStatus::NoEncoder : FileStatus::WriteFailed;
        return FALSE;
    }
    // The file takes the name in one step, or not at all; the system's reason is kept (a full
    // disk, a read-only file, a missing folder).
    if (!kv::WriteFileAtomic(path, bytes)) {
        m_doc->lastFileError = ::GetLastError();
        m_doc->lastFileStatus = FileStatus::WriteFailed;
        return FALSE;
    }
    if (nameOut) *nameOut = name;
    m_doc->lastFileStatus = FileStatus::Ok;
    return TRUE;
}

namespace {

// The picture as a 24-bit bottom-up DIB in clipboard memory, packed straight from one of our
// bitmaps' pixels; null when it is not one of ours or memory is short. Drawing the 24-bit image
// into a screen bitmap through GDI+ for CF_BITMAP cost about twelve BitBlts of the screen
// under Wine (measured 1280×800: 24 ms) and made most of the time from the hot key to the
// clipboard; this is one pass over the pixels. Programs asking for CF_BITMAP get it from this
// DIB, made by the system on request.
kv::UniqueHglobal Dib24(HBITMAP h) {
    CSize size;
    const RGBX* px = kv::bitmap::Pixels(h);
    if (!px || !kv::bitmap::GetSize(h, &size) || size.cx <= 0 || size.cy <= 0) return {};
    const ptrdiff_t stride = (ptrdiff_t(size.cx) * 3 + 3) & ~ptrdiff_t(3);
    const size_t bits = size_t(stride) * size_t(size.cy);
    kv::UniqueHglobal mem(::GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + bits));
    if (!mem) return {};
    auto* header = static_cast<BITMAPINFOHEADER*>(::GlobalLock(mem.get()));
    if (!header) return {};
    *header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), size.cx, size.cy, 1, 24, BI_RGB, DWORD(bits), 0, 0, 0, 0};
    auto* rows = reinterpret_cast<uint8_t*>(header + 1);
    const ptrdiff_t pad = stride - ptrdiff_t(size.cx) * 3;
    for (int y = 0; pad > 0 && y < size.cy; ++y) std::memset(rows + ptrdiff_t(y) * stride + stride - pad, 0, size_t(pad));
    const bool packed = kv::PackRows24(px, size, rows + ptrdiff_t(size.cy - 1) * stride, -stride);
    ::GlobalUnlock(mem.get());
    return packed ? std::move(mem) : kv::UniqueHglobal();
}

}  // namespace

// The current picture goes on the clipboard as a DIB made from its own pixels (the same
// colours the 24-bit image has); the thumbnail, and a picture whose pixels are not ours, as a
// screen bitmap drawn from their image.
BOOL CKarvoCore::CopyImageData(int bThubImage) {
    Gdiplus::Image* image = bThubImage ? m_pThubImage : m_pImage;
    if (!image) return m_doc->lastFileStatus = FileStatus::NoImage, FALSE;
    const BOOL put = CopyImageOf(image, bThubImage ? nullptr : CurrentPixels());
    if (put) {
        m_doc->copiedPicture = m_doc->pictureId;
        m_doc->copiedThumbnail = bThubImage != 0;
        m_doc->copiedSequence = ::GetClipboardSequenceNumber();
    }
    return put;
}

BOOL CKarvoCore::CopyImageOf(Gdiplus::Image* image, HBITMAP pixels) {
    CSize size;
    kv::UniqueHglobal dib;
    if (pixels && kv::bitmap::GetSize(pixels, &size) && UINT(size.cx) == image->GetWidth() &&
        UINT(size.cy) == image->GetHeight())
        dib = Dib24(pixels);
    std::unique_ptr<CImageBitmap> bmp(dib ? nullptr : ConvertImage(image));
    if (!dib && !bmp) return m_doc->lastFileStatus = FileStatus::NoImage, FALSE;
    bool put = false;
    {
        kv::ClipboardSession clip(m_pPreviewWnd ? m_pPreviewWnd->GetSafeHwnd() : nullptr, kClipboardTries, kClipboardWaitMs);
        if (!clip) return m_doc->lastFileStatus = FileStatus::ClipboardBusy, FALSE;
        ::EmptyClipboard();
        put = dib ? ::SetClipboardData(CF_DIB, dib.get()) != nullptr : ::SetClipboardData(CF_BITMAP, bmp->GetSafeHandle()) != nullptr;
    }
    // The clipboard owns the memory or the bitmap now.
    if (put && dib) dib.release();
    if (put && bmp) bmp->Detach();
    m_doc->lastFileStatus = put ? FileStatus::Ok : FileStatus::ClipboardBusy;
    return put;
}

void CKarvoCore::RenewCopies() {
    kv::ImageDocument& d = *m_doc;
    if (d.copiedPicture == d.pictureId && ::GetClipboardSequenceNumber() == d.copiedSequence) {
        const FileStatus status = d.lastFileStatus;
        CopyImageData(d.copiedThumbnail ? 1 : 0);
        d.lastFileStatus = status;
    }
    if (d.autoSavedPicture != d.pictureId || d.autoSaveFailed || d.autoSavePath.empty() || !m_pImage) return;
    std::string bytes;
    d.autoSaveError = 0;
    if (EncodeToBytes(m_pImage, d.autoSaveEncoder, bytes) != Gdiplus::Ok) {
        d.autoSaveError = ERROR_NOT_ENOUGH_MEMORY;
    } else if (!kv::WriteFileAtomic(d.autoSavePath, bytes)) {
        d.autoSaveError = ::GetLastError() ? ::GetLastError() : ERROR_WRITE_FAULT;
    }
    d.autoSaveFailed = d.autoSaveError != 0;
}

namespace {

// The size of the clipboard's bitmap, read from the format its owner put there: a DIB's header,
// or the bitmap object itself. Asking for a format the system synthesizes converts the whole
// picture first (seconds and gigabytes for a huge one), so that is left until the size is known.
bool ClipboardBitmapSize(LONG& width, LONG& height) {
    for (UINT f = ::EnumClipboardFormats(0); f; f = ::EnumClipboardFormats(f)) {
        if (f == CF_BITMAP) {
            BITMAP bm{};
            HGDIOBJ h = ::GetClipboardData(CF_BITMAP);
            if (!h || !::GetObjectW(h, sizeof bm, &bm)) return false;
            width = bm.bmWidth, height = bm.bmHeight;
            return true;
        }
        if (f == CF_DIB || f == CF_DIBV5) {
            HGLOBAL mem = ::GetClipboardData(f);
            const SIZE_T size = mem ? ::GlobalSize(mem) : 0;
            const auto* header = size >= sizeof(BITMAPINFOHEADER) ? static_cast<const BITMAPINFOHEADER*>(::GlobalLock(mem)) : nullptr;
            if (!header) return false;
            width = header->biWidth;
            height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
            ::GlobalUnlock(mem);
            return true;
        }
    }
    return false;
}

}  // namespace

// The clipboard is held only while the bitmap is measured and copied: the refresh (the whole
// chain, up to a second or more for a large picture) runs after it is closed, so other programs
// are not kept waiting to open it.
BOOL CKarvoCore::PasteImageData() {
    FileStatus status = FileStatus::NoBitmap;
    LONG w = 0, h = 0;
    {
        kv::ClipboardSession clip(nullptr, kClipboardTries, kClipboardWaitMs);
        if (!clip) return m_doc->lastFileStatus = FileStatus::ClipboardBusy, FALSE;
        if (::IsClipboardFormatAvailable(CF_BITMAP) && ClipboardBitmapSize(w, h)) {
            if (w <= 0 || h <= 0) {
                // No pixels (the system would hand out a 1 × 1 bitmap for it): not a picture to take.
            } else if (kv::ExceedsPictureLimit(w, h)) {
                status = FileStatus::TooLarge;
            } else if (HBITMAP bmp = static_cast<HBITMAP>(::GetClipboardData(CF_BITMAP)); bmp && m_bmpRaw.CopyImage(bmp)) {
                NewPicture();
                status = FileStatus::Ok;  // the pixels are ours now; the handle stays the clipboard's
            }
        }
    }
    if (status == FileStatus::Ok) RefreshImageData();  // makes the processed image
    m_doc->lastFileStatus = status;
    m_doc->lastFilePath.clear();
    if (status == FileStatus::TooLarge) m_doc->sizeRefused = CSize(w, h);
    return status == FileStatus::Ok;
}

BOOL CKarvoCore::EncodeImage(const std::wstring& ext, std::string& bytes) {
    if (!m_pImage) return m_doc->lastFileStatus = FileStatus::NoImage, FALSE;
    const kv::CodecList encoders = kv::InstalledCodecs(false);
    const auto i = kv::CodecForExtension(encoders, ext);
    if (!i) return m_doc->lastFileStatus = FileStatus::NoEncoder, FALSE;
    const CLSID clsid = encoders[*i].GetCLSID();
    const bool ok = EncodeToBytes(m_pImage, clsid, bytes) == Gdiplus::Ok && !bytes.empty();
    m_doc->lastFileStatus = ok ? FileStatus::Ok : FileStatus::WriteFailed;
    return ok;
}

// The capture types' names for file names, as the main window's list shows them.
static_assert(IDS_KV_TYPE_FIRST == kv::kCaptureTypeFileStringFirst);
std::wstring CKarvoCore::CaptureTypeName(int type) {
    const kv::CaptureTypeRow* row = kv::CaptureTypeRowOf(type);
    return row ? kv::fw::LibraryText(row->fileNameString) : std::wstring();
}

namespace {


std::wstring ProgramOf(HWND w) {
    DWORD pid = 0;
    if (!w || !::GetWindowThreadProcessId(w, &pid)) return {};
    kv::UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    wchar_t buf[MAX_PATH];
    DWORD n = MAX_PATH;
    if (!process || !::QueryFullProcessImageNameW(process.get(), 0, buf, &n)) return {};
    std::wstring name(buf, n);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".exe") == 0) name.resize(name.size() - 4);
    return name;
}

}  // namespace

std::wstring CKarvoCore::AutoSaveName() const {
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    kv::NameFields f;
    f.year = t.wYear, f.month = t.wMonth, f.day = t.wDay, f.hour = t.wHour, f.minute = t.wMinute, f.second = t.wSecond;
    f.counter = unsigned(std::max(m_config.GetAutoSaveCounter(), 1));
    const int type = int(m_lastCaptureType);
    f.type = CaptureTypeName(type);
    HWND w = m_hLastSnapWnd && m_hLastSnapWnd != ::GetDesktopWindow() ? m_hLastSnapWnd : nullptr;
    if (w) {
        std::vector<wchar_t> title(size_t(::GetWindowTextLengthW(w)) + 1);
        title.resize(size_t(::GetWindowTextW(w, title.data(), int(title.size()))));
        f.title.assign(title.begin(), title.end());
        f.process = ProgramOf(w);
    }
    return kv::ExpandNamePattern(m_config.GetAutoSavePattern(), f);
}

// A new file, never one that exists: the name is taken with CREATE_NEW (" (2)", " (3)", ... on a
// collision), then written over in one step as the save command writes, so no partial file ever
// stands under it. A failure is kept for the program to report; the image stays current.
void CKarvoCore::ForgetAutoSave() {
    m_doc->autoSaveFailed = false;
    m_doc->autoSaveError = 0;
    m_doc->autoSavePath.clear();
}

void CKarvoCore::AutoSaveCapture() {
    ForgetAutoSave();
    if (m_run.active || !m_config.GetAutoSave() || !m_pImage) return;
    const auto fail = [this](DWORD error) {
        m_doc->autoSaveFailed = true;
        m_doc->autoSaveError = error ? error : ERROR_WRITE_FAULT;
    };
    const std::wstring folder = m_config.GetAutoSaveFolder();
    m_doc->autoSavePath = folder;
    const DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return fail(ERROR_PATH_NOT_FOUND);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return fail(ERROR_DIRECTORY);  // a file of that name
    const kv::CodecList encoders = kv::InstalledCodecs(false);
    const auto codec = kv::CodecForExtension(encoders, m_config.GetAutoSaveFormat());
    if (!codec) return fail(ERROR_NOT_SUPPORTED);
    std::wstring path;
    DWORD error = 0;
    const bool reserved = kv::ReserveNewFile(folder, AutoSaveName(), m_config.GetAutoSaveFormat(), path, error);
    m_doc->autoSavePath = path.empty() ? folder : path;
    if (!reserved) return fail(error);
    std::string bytes;
    const CLSID clsid = encoders[*codec].GetCLSID();
    if (EncodeToBytes(m_pImage, clsid, bytes) != Gdiplus::Ok) {
        ::DeleteFileW(path.c_str());
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    if (!kv::WriteFileAtomic(path, bytes)) {
        error = ::GetLastError();
        ::DeleteFileW(path.c_str());  // the name taken, empty: given back
        return fail(error);
    }
    m_doc->autoSavedPicture = m_doc->pictureId;
    m_doc->autoSaveEncoder = clsid;
    m_config.AdvanceAutoSaveCounter();
}

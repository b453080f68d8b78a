// Loading bitmaps from image files and resources: bitmap files through the bitmap loader, icons,
// JPEG and GIF through the OLE picture decoder, drawn at their natural size at the screen's
// resolution over an optional matte colour. A picture larger than the library takes is refused
// from its header first: a 3 MB bitmap file of run-length rows claiming 20000 × 20000 pixels
// became a bitmap of that size under Wine, in 3.5 s and 3 GB.
#include <ole2.h>
#include <olectl.h>

#include <string>
#include <vector>

#include "framework/Gdi.h"
#include "framework/UniqueCom.h"
#include "imaging/ImageBitmap.h"
#include "imaging/PictureSize.h"
#include "settings/FileIO.h"

namespace {

bool TooLarge(const void* bytes, size_t length) {
    const auto s = kv::ReadPictureSize(static_cast<const uint8_t*>(bytes), length);
    return s && kv::ExceedsPictureLimit(s->width, s->height);
}

}  // namespace

HBITMAP CImageBitmap::ExtractBitmap(IPicture* picture, DWORD matte) {
    if (!picture) return nullptr;
    kv::WindowDc screen = kv::GetDc(::GetDesktopWindow());
    kv::UniqueHdc mem = kv::CreateCompatibleDc(screen.get());
    if (!screen || !mem) return nullptr;
    OLE_XSIZE_HIMETRIC hw = 0;
    OLE_YSIZE_HIMETRIC hh = 0;
    picture->get_Width(&hw);
    picture->get_Height(&hh);
    const int w = ::MulDiv(hw, ::GetDeviceCaps(screen.get(), LOGPIXELSX), 2540);
    const int h = ::MulDiv(hh, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 2540);
    kv::UniqueHbitmap bmp(::CreateCompatibleBitmap(screen.get(), w, h));
    if (!bmp) return nullptr;
    {
        kv::ScopedSelect sel(mem.get(), bmp.get());
        if (matte != 0xFFFFFFFF) {
            kv::UniqueHbrush brush(::CreateSolidBrush(matte));
            const RECT all{0, 0, w, h};
            ::FillRect(mem.get(), &all, brush.get());
        }
        picture->Render(mem.get(), 0, 0, w, h, 0, hh, hw, -hh, nullptr);
    }
    return bmp.release();
}

HBITMAP CImageBitmap::LoadImageFile(const std::wstring& path, DWORD matte) {
    const int type = GetFileType(path);
    if (type == 4) return nullptr;
    std::string bytes;
    if (!kv::ReadFileBytes(path, bytes) || TooLarge(bytes.data(), bytes.size())) return nullptr;
    if (type == 0)
        return static_cast<HBITMAP>(::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    kv::UniqueCom<IPicture> picture;
    if (FAILED(::OleLoadPicturePath(const_cast<LPOLESTR>(path.c_str()), nullptr, 0, matte, IID_IPicture, picture.put_void())) ||
        !picture)
        return nullptr;
    return ExtractBitmap(picture.get(), matte);
}

IPicture* CImageBitmap::LoadFromBuffer(const BYTE* bytes, int length) {
    if (!bytes || length <= 0 || TooLarge(bytes, size_t(length))) return nullptr;
    kv::UniqueHglobal mem(::GlobalAlloc(GMEM_MOVEABLE, SIZE_T(length)));
    void* copy = mem ? ::GlobalLock(mem.get()) : nullptr;
    if (!copy) return nullptr;
    memcpy(copy, bytes, size_t(length));
    ::GlobalUnlock(mem.get());
    kv::UniqueCom<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(mem.get(), TRUE, stream.put()))) return nullptr;
    mem.release();  // the stream frees it
    kv::UniqueCom<IPicture> picture;
    if (FAILED(::OleLoadPicture(stream.get(), length, FALSE, IID_IPicture, picture.put_void()))) return nullptr;
    return picture.release();
}

int CImageBitmap::GetResource(const wchar_t* name, const wchar_t* type, HMODULE module, void* buffer, int& length) {
    HRSRC res = ::FindResourceW(module, name, type);
    HGLOBAL loaded = res ? ::LoadResource(module, res) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return 0;
    const int size = int(::SizeofResource(module, res));
    int result = 0;
    if (!buffer) {
        length = size;
        result = 1;
    } else if (length >= size) {
        memcpy(buffer, data, size_t(size));
        result = 1;
    }
    ::FreeResource(loaded);
    return result;
}

HBITMAP CImageBitmap::LoadImageResource(UINT id, const wchar_t* type, HMODULE module, DWORD matte) {
    const wchar_t* name = MAKEINTRESOURCEW(id & 0xFFFF);
    int length = 0;
    if (!GetResource(name, type, module, nullptr, length) || length <= 0) return nullptr;
    std::vector<BYTE> bytes(static_cast<size_t>(length));
    if (!GetResource(name, type, module, bytes.data(), length)) return nullptr;
    const kv::UniqueCom<IPicture> picture(LoadFromBuffer(bytes.data(), length));
    if (!picture) return nullptr;
    return ExtractBitmap(picture.get(), matte);
}

int CImageBitmap::LoadImageW(UINT id, const wchar_t* type, HMODULE module, DWORD matte) {
    if (m_hObject) return 0;
    HBITMAP h = LoadImageResource(id, type, module, matte == 0xFFFFFFFF ? m_clrBackground : matte);
    return h ? Attach(h) : 0;
}

int CImageBitmap::LoadImageW(const std::wstring& path, DWORD matte) {
    if (m_hObject) return 0;
    HBITMAP h = LoadImageFile(path, matte == 0xFFFFFFFF ? m_clrBackground : matte);
    return h ? Attach(h) : 0;
}

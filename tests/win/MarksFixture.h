#pragma once
// The engine with a picture and its marks, for the mark tests: the composed picture as the
// marks show it, the clipboard's DIB and files read back as pixels.
#include <gtest/gtest.h>

#include <string>

#include "CoreFixture.h"
#include "markup/MarkDocument.h"
#include "settings/FileIO.h"

namespace kvtest {

//! The picture a surface holds, reserved bytes cleared.
inline ref::Img SurfaceImage(const kv::markup::Surface& s) {
    ref::Img img(s.width, s.height);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) img.at(x, y) = s.Row(y)[x];
    return Opaque(img);
}

//! The processed picture with the marks as they are now (the editor's view of it).
inline ref::Img ComposedNow(CKarvoCore& core) {
    kv::markup::CMarkDocument* marks = core.GetMarks();
    if (!marks) return {};
    const CSize o = marks->OutputSize();
    ref::Img out(o.cx, o.cy);
    const kv::markup::Surface s{out.px.data(), o.cx, o.cy, ptrdiff_t(o.cx) * 4};
    marks->Compose(core.GetPicture(), s, s.Area());
    return Opaque(out);
}

//! The clipboard's CF_DIB (24-bit bottom-up, as the engine puts it) as pixels; empty when none.
inline ref::Img ClipboardDib(std::string* bytes = nullptr) {
    ref::Img img;
    if (!OpenClipboard(nullptr)) return img;
    if (HGLOBAL mem = GetClipboardData(CF_DIB)) {
        const auto* h = static_cast<const BITMAPINFOHEADER*>(GlobalLock(mem));
        if (h && h->biBitCount == 24 && h->biHeight > 0) {
            img = ref::Img(h->biWidth, h->biHeight);
            const int stride = (h->biWidth * 3 + 3) & ~3;
            const auto* rows = reinterpret_cast<const uint8_t*>(h + 1);
            for (int y = 0; y < img.h; ++y)
                for (int x = 0; x < img.w; ++x) {
                    const uint8_t* p = rows + ptrdiff_t(img.h - 1 - y) * stride + 3 * x;
                    img.at(x, y) = RGBX{p[0], p[1], p[2], 0};
                }
            if (bytes) bytes->assign(reinterpret_cast<const char*>(h), GlobalSize(mem));
        }
        GlobalUnlock(mem);
    }
    CloseClipboard();
    return img;
}

inline ref::Img DecodeFile(const std::wstring& path) {
    Gdiplus::Bitmap bmp(path.c_str());
    if (bmp.GetLastStatus() != Gdiplus::Ok) return {};
    return ImagePixels(&bmp);
}

inline std::string FileBytes(const std::wstring& path) {
    std::string b;
    return kv::ReadFileBytes(path, b) ? b : std::string();
}

//! A box mark of a kind in one colour.
inline kv::markup::Mark BoxMark(kv::markup::MarkKind kind, kv::Rect box, COLORREF colour) {
    kv::markup::Mark m;
    m.kind = kind;
    m.box = box;
    m.style.colour = colour;
    m.style.filled = true;
    return m;
}

class MarksTest : public CoreWithImage {
protected:
    void Start(const wchar_t* name, const ref::Img& image) { CoreWithImage::Start(name, Opaque(image)); }
    //! A new picture, as a capture makes one.
    void Picture(const ref::Img& image) { SetPicture(Opaque(image)); }
};

}  // namespace kvtest

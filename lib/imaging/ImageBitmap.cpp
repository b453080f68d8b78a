// The portable half of CImageBitmap: ownership, Fill, the deep copy and the chain runner.
// The platform bitmap is reached only through the operations of BitmapOps.h.
#include "imaging/ImageBitmap.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "imaging/BitmapOps.h"

namespace {

using PixelArray = std::unique_ptr<RGBX[]>;

PixelArray AllocPixels(int64_t count) {
    if (count < 0) return nullptr;
    return PixelArray(new (std::nothrow) RGBX[size_t(std::max<int64_t>(count, 1))]);
}

// The chain runner's two buffers are kept for the next call on this thread: a fresh 4K buffer
// costs about 30× a memcpy of it in first-touch page faults alone, and the engine rebuilds the
// image at every switch. Buffers above kRetainPixels (two 4K frames) are not kept.
constexpr int64_t kRetainPixels = int64_t(3840) * 2160 * 2;

struct ScratchPool {
    PixelArray buffer[2];
    int64_t capacity[2] = {0, 0};
};
thread_local ScratchPool t_pool;

struct PooledPair {
    PixelArray in, out;
    int64_t capacity;
    explicit PooledPair(int64_t need) : capacity(need) {
        for (int i = 0; i < 2; ++i) {
            PixelArray& mine = i == 0 ? in : out;
            if (t_pool.capacity[i] >= need) {
                mine = std::move(t_pool.buffer[i]);
                t_pool.capacity[i] = 0;
            } else {
                mine = AllocPixels(need);
            }
        }
    }
    ~PooledPair() {
        if (capacity > kRetainPixels) return;
        for (int i = 0; i < 2; ++i) {
            PixelArray& mine = i == 0 ? in : out;
            if (mine && capacity > t_pool.capacity[i]) {
                t_pool.buffer[i] = std::move(mine);
                t_pool.capacity[i] = capacity;
            }
        }
    }
};

}  // namespace

CImageBitmap::CImageBitmap(DWORD background) : m_clrBackground(background) {}

CImageBitmap::~CImageBitmap() { DeleteObject(); }

int CImageBitmap::Attach(HBITMAP h) {
    if (m_hObject || !h) return 0;
    m_hObject = h;
    return 1;
}

HBITMAP CImageBitmap::Detach() { return std::exchange(m_hObject, nullptr); }

int CImageBitmap::DeleteObject() {
    if (!m_hObject) return 0;
    kv::bitmap::Delete(std::exchange(m_hObject, nullptr));
    return 1;
}

int CImageBitmap::Fill(RGBX* pBuffer, CSize size, DWORD colour) {
    if (!pBuffer) return 0;
    const int64_t n = kv::CheckedPixelCount(size.cx, size.cy);
    if (n <= 0) return 1;
    if (colour == 0) {
        std::memset(pBuffer, 0, size_t(n) * 4);
    } else if (colour == 0xFFFFFF || colour == 0xFFFFFFFF) {
        std::memset(pBuffer, 0xFF, size_t(n) * 4);
    } else {
        // Doubling block copies: the first row from its first pixel, then the rows from the first.
        const int cx = size.cx, cy = size.cy;
        pBuffer[0] = kv::PixelFromColor(colour);
        for (int64_t s = 1; s <= cx; s *= 2) std::memcpy(pBuffer + s, pBuffer, size_t(std::min<int64_t>(cx - s, s)) * 4);
        for (int64_t s = 1; s <= cy; s *= 2)
            std::memcpy(pBuffer + s * cx, pBuffer, size_t(std::min<int64_t>(cy - s, s) * cx) * 4);
    }
    return 1;
}

RGBX* CImageBitmap::GetDIBits32() {
    CSize size;
    if (!m_hObject || !kv::bitmap::GetSize(m_hObject, &size) || size.cy == 0) return nullptr;
    PixelArray px = AllocPixels(kv::CheckedPixelCount(size.cx, size.cy));
    if (!px || !kv::bitmap::ReadPixels(m_hObject, px.get(), size)) return nullptr;
    return px.release();
}

int CImageBitmap::CopyImage(HBITMAP hSource) {
    CSize size;
    if (!hSource || !kv::bitmap::GetSize(hSource, &size) || size.cy == 0) return 0;
    PixelArray px = AllocPixels(kv::CheckedPixelCount(size.cx, size.cy));
    if (!px || !kv::bitmap::ReadPixels(hSource, px.get(), size)) return 0;
    HBITMAP copy = kv::bitmap::CreateScreenCompatible(size);
    if (!copy) return 0;
    if (!kv::bitmap::WritePixels(copy, px.get(), size)) {
        kv::bitmap::Delete(copy);
        return 0;
    }
    DeleteObject();
    m_hObject = copy;
    return 1;
}

int CImageBitmap::CopyImage(const CImageBitmap* pSource) { return pSource ? CopyImage(pSource->m_hObject) : 0; }

int CImageBitmap::ProcessImage(CImage32BitProcessor* pProcessor) {
    CProcessorChain chain{pProcessor};
    return pProcessor ? ProcessImage(chain) : 0;
}

// Two buffers, both sized once for the largest intermediate image (and reused across calls). After each step the output
// becomes the next input by swapping the two, rather than by copying it back; before each step
// the output area is filled with the background colour, so whatever a processor leaves
// unwritten (the corners of a rotation or shear) shows that colour even where an earlier, larger
// step wrote pixels into the same buffer.
int CImageBitmap::ProcessImage(CProcessorChain& chain) {
    if (!m_hObject) return 0;
    if (chain.empty()) return 1;
    return RunChain(m_hObject, chain);
}

int CImageBitmap::ProcessImageFrom(const CImageBitmap& source, CProcessorChain& chain) {
    if (!source.m_hObject) return 0;
    if (chain.empty()) return CopyImage(source.m_hObject);
    return RunChain(source.m_hObject, chain);
}

int CImageBitmap::RunChain(HBITMAP input, CProcessorChain& chain) {
    CSize size0;
    if (!kv::bitmap::GetSize(input, &size0) || size0.cx <= 0 || size0.cy <= 0) return 0;

    int64_t maxW = size0.cx, maxH = size0.cy;
    CSize s = size0;
    for (CImage32BitProcessor* p : chain) {
        if (!p) return 0;
        s = p->CalcDestSize(s);
        maxW = std::max<int64_t>(maxW, s.cx);
        maxH = std::max<int64_t>(maxH, s.cy);
    }
    const int64_t capacity = kv::CheckedPixelCount(maxW, maxH);
    if (capacity <= 0) return 0;

    PooledPair buffers(capacity);
    PixelArray& in = buffers.in;
    PixelArray& out = buffers.out;
    if (!in || !out || !kv::bitmap::ReadPixels(input, in.get(), size0)) return 0;

    CSize inSize = size0, outSize;
    for (CImage32BitProcessor* p : chain) {
        outSize = p->CalcDestSize(inSize);
        if (outSize.cx < 0 || outSize.cy < 0 || int64_t(outSize.cx) * outSize.cy > capacity) return 0;
        Fill(out.get(), outSize, m_clrBackground);
        if (!p->ProcessPixels(in.get(), inSize, out.get(), outSize)) return 0;
        std::swap(in, out);
        inSize = outSize;
    }

    // The result is in 'in' now. A screen-compatible bitmap has the display's colour format.
    HBITMAP result = kv::bitmap::CreateScreenCompatible(inSize);
    if (!result) return 0;
    if (inSize.cx <= 0 || inSize.cy <= 0 || !kv::bitmap::WritePixels(result, in.get(), inSize)) {
        kv::bitmap::Delete(result);
        return 0;
    }
    DeleteObject();
    m_hObject = result;
    return 1;
}

int CImageBitmap::RotateImage(int degrees, int interpolate) {
    CImageRotator p(degrees, interpolate);
    return ProcessImage(&p);
}
int CImageBitmap::ShearImage(int horizontal, int vertical, int interpolate) {
    CImageShearer p(horizontal, vertical, interpolate);
    return ProcessImage(&p);
}
int CImageBitmap::ResizeImage(double factor) {
    CImageResizer p(factor);
    return ProcessImage(&p);
}
int CImageBitmap::FlipImage(int horizontal, int vertical) {
    CImageFlipper p(horizontal, vertical);
    return ProcessImage(&p);
}
int CImageBitmap::GrayImage() {
    CImageGrayer p;
    return ProcessImage(&p);
}
int CImageBitmap::NegateImage() {
    CImageNegator p;
    return ProcessImage(&p);
}
int CImageBitmap::BlurImage(int factor) {
    CImageBlurrer p(factor);
    return ProcessImage(&p);
}
int CImageBitmap::SharpenImage(int factor) {
    CImageSharpener p(factor);
    return ProcessImage(&p);
}
int CImageBitmap::ReplaceColor(DWORD from, DWORD to) {
    CImageColorReplacer p(from, to);
    return ProcessImage(&p);
}

int CImageBitmap::GetFileType(const std::wstring& path) {
    std::wstring upper = path;
    for (wchar_t& c : upper)
        if (c >= L'a' && c <= L'z') c = wchar_t(c - L'a' + L'A');
    auto has = [&](const wchar_t* marker) {
        const size_t at = upper.find(marker);
        return at != std::wstring::npos && at > 0;
    };
    if (has(L".BMP")) return 0;
    if (has(L".ICO")) return 1;
    if (has(L".JPG") || has(L".JPEG")) return 2;
    if (has(L".GIF")) return 3;
    return 4;
}

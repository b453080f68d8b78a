// The portable half of CImageBitmap: ownership, Fill, the deep copy and the chain runner.
// The platform bitmap is reached only through the operations of BitmapOps.h.
#include "imaging/ImageBitmap.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <typeinfo>
#include <utility>
#include <vector>

#include "imaging/BitmapOps.h"

namespace {

using PixelArray = std::unique_ptr<RGBX[]>;

PixelArray AllocPixels(int64_t count) {
    if (count < 0) return nullptr;
    return PixelArray(new (std::nothrow) RGBX[size_t(std::max<int64_t>(count, 1))]);
}

// The chain runner reads the source bitmap's pixels in place and writes its last step straight
// into its result; only the steps between need buffers of their own, two that take turns. Both
// are kept for the next call on this thread: a fresh buffer costs about 30× a memcpy of it in
// first-touch page faults, the engine rebuilds the image at every switch, and with one kept and
// the limit at one 4K frame the nine steps at 3840×2160 (a turn makes 4245×4245) made both anew
// each time. Up to three 4K frames a buffer.
constexpr int64_t kRetainPixels = int64_t(3) * 3840 * 2160;
struct ScratchPool {
    PixelArray buffer[2];
    int64_t capacity[2] = {0, 0};
};
thread_local ScratchPool t_pool;

// A buffer of at least `need` pixels: a kept one when one is large enough (the smallest such),
// else a new one; given back to the pool at the end of the run.
struct PooledBuffer {
    PixelArray px;
    int64_t capacity = 0;
    PooledBuffer() = default;
    PooledBuffer(const PooledBuffer&) = delete;
    PooledBuffer& operator=(const PooledBuffer&) = delete;
    bool Get(int64_t need) {
        int best = -1;
        for (int i = 0; i < 2; ++i)
            if (t_pool.buffer[i] && t_pool.capacity[i] >= need && (best < 0 || t_pool.capacity[i] < t_pool.capacity[best]))
                best = i;
        if (best >= 0) {
            px = std::move(t_pool.buffer[best]);
            capacity = std::exchange(t_pool.capacity[best], 0);
        } else {
            px = AllocPixels(need);
            capacity = px ? need : 0;
        }
        return px != nullptr;
    }
    ~PooledBuffer() {
        if (!px || capacity > kRetainPixels) return;
        // Into an empty slot, else in place of the smaller kept buffer when this one is larger.
        int slot = !t_pool.buffer[0] ? 0 : !t_pool.buffer[1] ? 1 : t_pool.capacity[0] <= t_pool.capacity[1] ? 0 : 1;
        if (t_pool.buffer[slot] && t_pool.capacity[slot] >= capacity) return;
        t_pool.buffer[slot] = std::move(px);
        t_pool.capacity[slot] = capacity;
    }
};

// Steps that write every byte of an output of their input's size, whatever it held, need no
// background under them: grey, colour replacement and the flips (the others keep the
// destination's reserved byte, or leave corners unwritten). Exact types only: a derived
// processor may do otherwise.
bool WritesEveryPixel(const CImage32BitProcessor& p, CSize in, CSize out) {
    if (!(in == out)) return false;
    const std::type_info& t = typeid(p);
    return t == typeid(CImageGrayer) || t == typeid(CImageColorReplacer) || t == typeid(CImageFlipper);
}

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
    m_spare.reset();
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
    // One of ours: one copy, straight into this bitmap's pixels when it has the same size (a new
    // 4K bitmap costs about fifteen copies of it in first-touch page faults), else a new one's.
    if (const RGBX* from = kv::bitmap::Pixels(hSource)) {
        if (RGBX* to = ReusablePixels(size); to && hSource != m_hObject) {
            std::memcpy(to, from, size_t(size.cx) * size_t(size.cy) * sizeof(RGBX));
            return 1;
        }
        HBITMAP copy = kv::bitmap::CreateScreenCompatible(size);
        RGBX* to = copy ? kv::bitmap::Pixels(copy) : nullptr;
        if (to) {
            std::memcpy(to, from, size_t(size.cx) * size_t(size.cy) * sizeof(RGBX));
            DeleteObject();
            m_hObject = copy;
            return 1;
        }
        kv::bitmap::Delete(copy);
    }
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

// The first step reads the bitmap's own pixels and the last writes the new bitmap's; the steps
// between alternate two buffers sized for the largest intermediate image. Before each step the
// output area is filled with the background colour (unless the step overwrites all of it), so
// whatever a processor leaves unwritten (the corners of a rotation or shear) shows that colour
// even where an earlier, larger step or the previous run wrote pixels into the same buffer.
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
    // Sizes of every step, checked before anything is allocated.
    std::vector<CSize> sizes{size0};
    int64_t scratch[2] = {0, 0};  // the largest image each of the two buffers holds
    for (CImage32BitProcessor* p : chain) {
        if (!p) return 0;
        const CSize next = p->CalcDestSize(sizes.back());
        const int64_t n = kv::CheckedPixelCount(next.cx, next.cy);
        if (next.cx < 0 || next.cy < 0 || n < 0) return 0;
        sizes.push_back(next);
        const size_t step = sizes.size() - 2;  // the step just sized
        if (step + 1 < chain.size()) scratch[step % 2] = std::max(scratch[step % 2], n);  // an intermediate
    }
    const CSize finalSize = sizes.back();
    if (finalSize.cx <= 0 || finalSize.cy <= 0) return 0;

    // The source: its own pixels when it is one of ours, else a transferred copy.
    PixelArray copied;
    const RGBX* source = kv::bitmap::Pixels(input);
    if (!source) {
        copied = AllocPixels(kv::CheckedPixelCount(size0.cx, size0.cy));
        if (!copied || !kv::bitmap::ReadPixels(input, copied.get(), size0)) return 0;
        source = copied.get();
    }
    // The result goes into a bitmap other than this one, so that a step that fails leaves this
    // bitmap as it was: the spare that the previous run replaced, when it has the size (its
    // pages are touched already; a new 4K bitmap cost about ten memcpys of it in first-touch page
    // faults, measured 3840×2160: chain with grey alone 24 ms against a 2.2 ms memcpy), else a new
    // one.
    kv::bitmap::UniqueDib result = m_spare && m_spare.size() == finalSize ? std::move(m_spare)
                                                                         : kv::bitmap::UniqueDib::Create(finalSize);
    // Between the first and the last step the images ping-pong between two buffers.
    PooledBuffer a, b;
    if (!result || (chain.size() >= 2 && !a.Get(scratch[0])) || (chain.size() >= 3 && !b.Get(scratch[1]))) {
        KeepSpare(std::move(result));
        return 0;
    }
    const RGBX* in = source;
    for (size_t i = 0; i < chain.size(); ++i) {
        RGBX* out = i + 1 == chain.size() ? result.pixels() : (i % 2 == 0 ? a.px.get() : b.px.get());
        if (!WritesEveryPixel(*chain[i], sizes[i], sizes[i + 1])) Fill(out, sizes[i + 1], m_clrBackground);
        // Processors take a non-const source (their interface); none writes to it.
        if (!chain[i]->ProcessPixels(const_cast<RGBX*>(in), sizes[i], out, sizes[i + 1])) {
            KeepSpare(std::move(result));
            return 0;
        }
        in = out;
    }
    KeepSpare(kv::bitmap::UniqueDib::Adopt(std::exchange(m_hObject, result.release())));
    return 1;
}

// A bitmap of ours up to two 4K frames is kept for the next run; any other is deleted.
void CImageBitmap::KeepSpare(kv::bitmap::UniqueDib dib) {
    constexpr int64_t kSparePixels = int64_t(2) * 3840 * 2160;
    if (dib && dib.pixels() && int64_t(dib.size().cx) * dib.size().cy <= kSparePixels) m_spare = std::move(dib);
}

RGBX* CImageBitmap::ReusablePixels(CSize size) const {
    CSize own;
    if (!m_hObject || !kv::bitmap::GetSize(m_hObject, &own) || !(own == size)) return nullptr;
    return kv::bitmap::Pixels(m_hObject);
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

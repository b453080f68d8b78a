// Mirroring: whole pixels, rows walked with a negative stride for the vertical flip and reversed
// four pixels at a time for the horizontal one.
#include <emmintrin.h>

#include "imaging/Processor.h"
#include "imaging/processors/Kernels.h"

using namespace kv::detail;

namespace {

void ReverseRow(RGBX* dst, const RGBX* src, int w) {
    // dst[w - 1 - x] = src[x]
    int x = 0;
    RGBX* d = dst + w;
    for (; x + 4 <= w; x += 4) {
        d -= 4;
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_shuffle_epi32(v, _MM_SHUFFLE(0, 1, 2, 3)));
    }
    for (; x < w; ++x) *--d = src[x];
}

// A row copy with streaming stores where the destination allows (see kStreamingBytes).
void StreamRow(RGBX* dst, const RGBX* src, int w) {
    int x = 0;
    for (; x < w && (reinterpret_cast<uintptr_t>(dst + x) & 15); ++x) dst[x] = src[x];
    for (; x + 4 <= w; x += 4)
        _mm_stream_si128(reinterpret_cast<__m128i*>(dst + x), _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x)));
    for (; x < w; ++x) dst[x] = src[x];
}

}  // namespace

int CImageFlipper::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    const int w = std::min(sizeSrc.cx, sizeDst.cx), h = std::min(sizeSrc.cy, sizeDst.cy);
    if (w <= 0 || h <= 0) return 1;
    // Mirrored columns are counted from the destination's right edge, rows from its bottom.
    const int dw = sizeDst.cx;
    const bool streaming = int64_t(w) * h * 4 >= kStreamingBytes;
    for (int y = 0; y < h; ++y) {
        const RGBX* s = Row(pSrc, sizeSrc.cx, y);
        RGBX* d = Row(pDst, dw, m_bVert ? sizeDst.cy - 1 - y : y);
        if (m_bHorz)
            ReverseRow(d + (dw - w), s, w);
        else if (streaming)
            StreamRow(d, s, w);
        else
            CopyPixels(d, s, w);
    }
    if (streaming) _mm_sfence();
    return 1;
}

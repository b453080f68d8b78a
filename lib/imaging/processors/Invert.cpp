// Colour inversion and exact colour replacement: per-pixel maps that keep the image size.
#include <emmintrin.h>

#include "imaging/Processor.h"
#include "imaging/processors/Kernels.h"

using namespace kv::detail;

namespace {

// Runs fn(dstRow, srcRow, w) over the rows both images share.
template <class Fn>
void ForSharedRows(RGBX* src, CSize ss, RGBX* dst, CSize ds, Fn fn) {
    const int w = std::min(ss.cx, ds.cx), h = std::min(ss.cy, ds.cy);
    if (w <= 0 || h <= 0) return;
    if (ss == ds) {
        fn(dst, src, int64_t(w) * h);
        return;
    }
    for (int y = 0; y < h; ++y) fn(Row(dst, ds.cx, y), Row(src, ss.cx, y), w);
}

}  // namespace

int CImageNegator::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    // Blue, green and red are complemented; the destination keeps its own reserved byte.
    ForSharedRows(pSrc, sizeSrc, pDst, sizeDst, [](RGBX* d, const RGBX* s, int64_t n) {
        const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
        int64_t i = 0;
        for (; i + 4 <= n; i += 4) {
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
            const __m128i r = _mm_or_si128(_mm_andnot_si128(sv, colour), _mm_andnot_si128(colour, dv));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), r);
        }
        for (; i < n; ++i) {
            d[i].blue = uint8_t(~s[i].blue);
            d[i].green = uint8_t(~s[i].green);
            d[i].red = uint8_t(~s[i].red);
        }
    });
    return 1;
}

int CImageColorReplacer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (m_clrFrom == m_clrTo) return CImage32BitProcessor::ProcessPixels(pSrc, sizeSrc, pDst, sizeDst);
    const RGBX fromPx = kv::PixelFromColor(m_clrFrom), toPx = kv::PixelFromColor(m_clrTo);
    uint32_t from, to;
    std::memcpy(&from, &fromPx, 4);
    std::memcpy(&to, &toPx, 4);
    ForSharedRows(pSrc, sizeSrc, pDst, sizeDst, [from, to](RGBX* d, const RGBX* s, int64_t n) {
        // Reserved byte and from's top byte take no part in the comparison.
        const __m128i mask = _mm_set1_epi32(0x00FFFFFF);
        const __m128i fromV = _mm_set1_epi32(int(from)), toV = _mm_set1_epi32(int(to));
        int64_t i = 0;
        for (; i + 4 <= n; i += 4) {
            const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            const __m128i hit = _mm_cmpeq_epi32(_mm_and_si128(sv, mask), fromV);
            const __m128i r = _mm_or_si128(_mm_and_si128(hit, toV), _mm_andnot_si128(hit, sv));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), r);
        }
        for (; i < n; ++i) {
            uint32_t v;
            std::memcpy(&v, s + i, 4);
            v = (v & 0x00FFFFFF) == from ? to : v;
            std::memcpy(d + i, &v, 4);
        }
    });
    return 1;
}

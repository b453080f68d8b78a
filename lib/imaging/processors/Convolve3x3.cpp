// The two 3×3 filters. Both run their interior four pixels at a time in 16-bit lanes and leave
// the destination's reserved byte alone; divisions by the per-call constant are exact
// multiply-highs (the multiplier is checked over the whole input range before use, with a
// plain division as the fallback). Border pixels take the plain path.
//
// Blur: centre 55 − 5·factor, neighbours 1, positions outside the image dropped, integer sum
// over weight sum. Sharpen: centre 2, edge neighbours −e/(4(1+e)), diagonals −1/(4(1+e)),
// e = 51 − 5·factor. It is evaluated exactly, as 2P − ceil((e·E + D) / (4(1+e))) with E and D
// the integer sums of the edge and diagonal neighbours: the limit that any floating evaluation
// of the same weights approaches, so a uniform area stays exactly as it is.
#include <emmintrin.h>

#include "imaging/Parallel.h"
#include "imaging/Processor.h"
#include "imaging/processors/Kernels.h"

using namespace kv::detail;

namespace {

// floor(x / d) == (mulhi(x, mul) >> shift) for every x in [0, maxX].
struct Divider {
    int d = 1;
    int mul = 0;
    int shift = 0;
    bool fast = false;
    Divider(int divisor, int maxX) : d(divisor) {
        for (int s = 0; s < 16 && !fast; ++s) {
            const int64_t m = ((int64_t(1) << (16 + s)) + divisor - 1) / divisor;
            if (m > 0xFFFF) break;
            bool ok = true;
            for (int x = 0; x <= maxX && ok; ++x) ok = ((int64_t(x) * m) >> (16 + s)) == x / divisor;
            if (ok) mul = int(m), shift = s, fast = true;
        }
    }
    __m128i Apply(__m128i x) const {
        return _mm_srl_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(short(mul))), _mm_cvtsi32_si128(shift));
    }
};

inline __m128i Lo16(__m128i v) { return _mm_unpacklo_epi8(v, _mm_setzero_si128()); }
inline __m128i Hi16(__m128i v) { return _mm_unpackhi_epi8(v, _mm_setzero_si128()); }
inline __m128i Load(const RGBX* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Writes four pixels' colour bytes, keeping the reserved bytes already in d.
inline void StoreColour(RGBX* d, __m128i lo16, __m128i hi16) {
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    const __m128i v = _mm_packus_epi16(lo16, hi16);
    const __m128i r = _mm_or_si128(_mm_and_si128(v, colour), _mm_andnot_si128(colour, Load(d)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), r);
}

inline int Chan(const RGBX& p, int c) { return c == 0 ? p.blue : c == 1 ? p.green : p.red; }
inline void SetChan(RGBX& p, int c, int v) { (c == 0 ? p.blue : c == 1 ? p.green : p.red) = uint8_t(v); }

// --- blur ---------------------------------------------------------------------------------

void BlurPixel(const RGBX* src, int w, int h, int x, int y, int centre, RGBX& out) {
    int sum[3] = {0, 0, 0}, wsum = 0;
    for (int yy = y - 1; yy <= y + 1; ++yy) {
        if (yy < 0 || yy >= h) continue;
        for (int xx = x - 1; xx <= x + 1; ++xx) {
            if (xx < 0 || xx >= w) continue;
            const int wt = (xx == x && yy == y) ? centre : 1;
            const RGBX& p = Row(src, w, yy)[xx];
            for (int c = 0; c < 3; ++c) sum[c] += wt * Chan(p, c);
            wsum += wt;
        }
    }
    for (int c = 0; c < 3; ++c) SetChan(out, c, std::min(sum[c] / wsum, 255));
}

void BlurInteriorRow(const RGBX* up, const RGBX* mid, const RGBX* down, RGBX* d, int w, int centre,
                     const Divider& div) {
    int x = 1;
    if (div.fast) {
        const __m128i extra = _mm_set1_epi16(short(centre - 1));
        for (; x + 4 <= w - 1; x += 4) {
            __m128i lo = _mm_setzero_si128(), hi = _mm_setzero_si128();
            for (const RGBX* r : {up, mid, down})
                for (int k = -1; k <= 1; ++k) {
                    const __m128i v = Load(r + x + k);
                    lo = _mm_add_epi16(lo, Lo16(v));
                    hi = _mm_add_epi16(hi, Hi16(v));
                }
            const __m128i m = Load(mid + x);
            lo = _mm_add_epi16(lo, _mm_mullo_epi16(Lo16(m), extra));
            hi = _mm_add_epi16(hi, _mm_mullo_epi16(Hi16(m), extra));
            StoreColour(d + x, div.Apply(lo), div.Apply(hi));
        }
    }
    const int wsum = centre + 8;
    for (; x < w - 1; ++x)
        for (int c = 0; c < 3; ++c) {
            int s = (centre - 1) * Chan(mid[x], c);
            for (const RGBX* r : {up, mid, down}) s += Chan(r[x - 1], c) + Chan(r[x], c) + Chan(r[x + 1], c);
            SetChan(d[x], c, s / wsum);
        }
}

// --- sharpen ------------------------------------------------------------------------------

struct SharpenWeights {
    int e;  // 51 − 5·factor
    int q;  // 4(1 + e)
};

inline int SharpenValue(int p, int edges, int diagonals, SharpenWeights k) {
    const int n = k.e * edges + diagonals;
    const int ceilQuot = (n + k.q - 1) / k.q;
    return std::clamp(2 * p - ceilQuot, 0, 255);
}

void SharpenInteriorRow(const RGBX* up, const RGBX* mid, const RGBX* down, RGBX* d, int w, SharpenWeights k,
                        const Divider& div) {
    int x = 1;
    if (div.fast) {
        const __m128i e = _mm_set1_epi16(short(k.e)), bias = _mm_set1_epi16(short(k.q - 1));
        auto half = [&](__m128i (*pick)(__m128i), int xo) {
            const __m128i edges = _mm_add_epi16(_mm_add_epi16(pick(Load(up + xo)), pick(Load(down + xo))),
                                                _mm_add_epi16(pick(Load(mid + xo - 1)), pick(Load(mid + xo + 1))));
            const __m128i diag = _mm_add_epi16(_mm_add_epi16(pick(Load(up + xo - 1)), pick(Load(up + xo + 1))),
                                               _mm_add_epi16(pick(Load(down + xo - 1)), pick(Load(down + xo + 1))));
            const __m128i n = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(edges, e), diag), bias);
            const __m128i p = pick(Load(mid + xo));
            return _mm_sub_epi16(_mm_add_epi16(p, p), div.Apply(n));
        };
        for (; x + 4 <= w - 1; x += 4) StoreColour(d + x, half(Lo16, x), half(Hi16, x));
    }
    for (; x < w - 1; ++x)
        for (int c = 0; c < 3; ++c) {
            const int edges = Chan(up[x], c) + Chan(down[x], c) + Chan(mid[x - 1], c) + Chan(mid[x + 1], c);
            const int diag = Chan(up[x - 1], c) + Chan(up[x + 1], c) + Chan(down[x - 1], c) + Chan(down[x + 1], c);
            SetChan(d[x], c, SharpenValue(Chan(mid[x], c), edges, diag, k));
        }
}

}  // namespace

CImageBlurrer::CImageBlurrer(int factor) : CImage32BitProcessor(0), m_nFactor(std::clamp(factor, 0, 10)) {}

int CImageBlurrer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (m_nFactor == 0 || !(sizeSrc == sizeDst))
        return CImage32BitProcessor::ProcessPixels(pSrc, sizeSrc, pDst, sizeDst);
    const int w = sizeSrc.cx, h = sizeSrc.cy;
    if (w <= 0 || h <= 0) return 1;
    const int8_t centre = int8_t(55 - 5 * m_nFactor);  // the weight table holds signed bytes
    const Divider div(centre + 8, 255 * (centre + 8));
    return ForRows(h, w, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            RGBX* d = Row(pDst, w, y);
            if (y == 0 || y == h - 1 || w < 3) {
                for (int x = 0; x < w; ++x) BlurPixel(pSrc, w, h, x, y, centre, d[x]);
                continue;
            }
            BlurPixel(pSrc, w, h, 0, y, centre, d[0]);
            BlurInteriorRow(Row(pSrc, w, y - 1), Row(pSrc, w, y), Row(pSrc, w, y + 1), d, w, centre, div);
            BlurPixel(pSrc, w, h, w - 1, y, centre, d[w - 1]);
        }
        return true;
    }) ? 1 : 0;
}

CImageSharpener::CImageSharpener(int factor) : CImage32BitProcessor(0), m_nFactor(std::clamp(factor, 0, 10)) {}

int CImageSharpener::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (m_nFactor == 0 || !(sizeSrc == sizeDst))
        return CImage32BitProcessor::ProcessPixels(pSrc, sizeSrc, pDst, sizeDst);
    const int w = sizeSrc.cx, h = sizeSrc.cy;
    if (w <= 0 || h <= 0) return 1;
    const SharpenWeights k{51 - 5 * m_nFactor, 4 * (52 - 5 * m_nFactor)};
    const Divider div(k.q, k.e * 1020 + 1020 + k.q - 1);
    return ForRows(h, w, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            RGBX* d = Row(pDst, w, y);
            const RGBX* s = Row(pSrc, w, y);
            if (y == 0 || y == h - 1 || w < 3) {
                CopyPixels(d, s, w);  // the outermost rows and columns are copied whole
                continue;
            }
            d[0] = s[0];
            SharpenInteriorRow(Row(pSrc, w, y - 1), s, Row(pSrc, w, y + 1), d, w, k, div);
            d[w - 1] = s[w - 1];
        }
        return true;
    }) ? 1 : 0;
}

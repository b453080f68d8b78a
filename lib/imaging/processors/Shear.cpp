// Shear along both axes at once. The horizontal offset depends on the row only and the
// vertical one on the column only, so both are tabled once and the image is walked row by row.
#include <cstdlib>

#include "imaging/Parallel.h"
#include "imaging/Processor.h"
#include "imaging/kernels/RowKernels.h"
#include "imaging/processors/Kernels.h"
#include "imaging/processors/Scratch.h"

using namespace kv::detail;

CImageShearer::CImageShearer(int horizontal, int vertical, int interpolate)
    : CImage32BitProcessor(interpolate), m_nHorz(horizontal), m_nVert(vertical) {}

CSize CImageShearer::CalcDestSize(CSize sizeSrc) {
    // In 64 bits: abs(INT_MIN) and w + abs(h) overflow an int; the result saturates instead.
    return CSize(kv::SaturateInt32(int64_t(sizeSrc.cx) + std::llabs(int64_t(m_nHorz))),
                 kv::SaturateInt32(int64_t(sizeSrc.cy) + std::llabs(int64_t(m_nVert))));
}

int CImageShearer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (m_nHorz == 0 && m_nVert == 0) return CImage32BitProcessor::ProcessPixels(pSrc, sizeSrc, pDst, sizeDst);
    const int sw = sizeSrc.cx, sh = sizeSrc.cy, dw = sizeDst.cx, dh = sizeDst.cy;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return 1;
    const double hv = m_nHorz, vv = m_nVert;

    Scratch<double> colOy(dw);
    if (!colOy) return 0;
    for (int x = 0; x < dw; ++x)
        colOy[x] = vv > 0 ? vv * x / dw : vv < 0 ? double(dw - x) * -vv / dw : 0.0;

    const bool interpolate = m_bInterpolate != 0;
    auto rowOffset = [&](int y) { return hv < 0 ? -hv * y / dh : hv > 0 ? double(dh - y) * hv / dh : 0.0; };
    const int tileW = TileWidth(double(vv) / dw, dw);
    return ForRows(dh, dw, [&](int y0, int y1) {
        // The sampled columns of each row: x − ox rises with x and the tabled vertical offset is
        // monotone, so they are one span.
        Scratch<Span> spans(y1 - y0);
        if (!spans) return false;
        for (int y = y0; y < y1; ++y) {
            const double ox = rowOffset(y);
            spans[y - y0] = Intersect(MonotoneSpan(dw, 0, sw, [&](int x) { return kv::SaturatingTrunc(x - ox); }),
                                      MonotoneSpan(dw, 0, sh, [&](int x) { return kv::SaturatingTrunc(y - colOy[x]); }));
        }
        for (int by = y0; by < y1; by += kTileRows)
            for (int bx = 0; bx < dw; bx += tileW)
                for (int y = by; y < std::min(y1, by + kTileRows); ++y) {
                    const Span span = Intersect(spans[y - y0], Span{bx, std::min(dw, bx + tileW)});
                    if (span.first >= span.last) continue;
                    const double ox = rowOffset(y);
                    RGBX* d = Row(pDst, dw, y);
                    RunWidest(&RowKernels::shearRow, span.last - span.first, [&](auto kernel, int64_t done) {
                        const int x = span.first + int(done);
                        return kernel(ShearRow{pSrc, sw, sh, colOy.get() + x, ox, x, y, interpolate}, d + x, span.last - x);
                    });
                }
        return true;
    }) ? 1 : 0;
}

// Rotation by any angle into a destination grown to hold the turned picture. Each destination
// pixel is mapped back to the source once; cosine and sine are taken once per call, and the
// per-column (xx·C, −xx·S) and per-row (yy·S, yy·C) products are tabled, which gives the same
// doubles as evaluating u = xx·C + yy·S and v = −xx·S + yy·C directly.
#include <cmath>
#include <cstdlib>

#include "imaging/Parallel.h"
#include "imaging/Processor.h"
#include "imaging/kernels/RowKernels.h"
#include "imaging/processors/Kernels.h"
#include "imaging/processors/Scratch.h"

using namespace kv::detail;

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

}  // namespace

CImageRotator::CImageRotator(int degrees, int interpolate) : CImage32BitProcessor(interpolate) {
    int64_t d = degrees;
    if (d >= 360)
        d %= 360;
    else if (d < 0)
        d += 360 * (((-1 - d) / 360) + 1);  // int64: INT_MIN would overflow an int here
    m_dAngle = double(d) * kPi / 180;
}

CImageRotator::CImageRotator(double radians) : CImage32BitProcessor(0) {
    if (!std::isfinite(radians)) radians = kTwoPi;
    // The loops below take one step per turn; far-off angles are brought near first so that a
    // huge value cannot hang the constructor.
    if (std::fabs(radians) > 1e6) radians = std::fmod(radians, kTwoPi);
    while (radians >= kTwoPi) radians -= kTwoPi;
    while (radians <= 0) radians += kTwoPi;
    m_dAngle = radians;
}

CSize CImageRotator::CalcDestSize(CSize sizeSrc) {
    if (m_dAngle == 0 || sizeSrc.cx == 0 || sizeSrc.cy == 0) return sizeSrc;
    const double c = std::cos(m_dAngle), s = std::sin(m_dAngle);
    const double a = sizeSrc.cx / 2.0, b = sizeSrc.cy / 2.0;
    const double xs[4] = {a * c - b * s, a * c + b * s, -a * c - b * s, -a * c + b * s};
    const double ys[4] = {a * s + b * c, a * s - b * c, -a * s + b * c, -a * s - b * c};
    int64_t mx = 0, my = 0;
    for (int i = 0; i < 4; ++i) {
        mx = std::max<int64_t>(mx, std::llabs(kv::SaturatingTrunc(xs[i])));
        my = std::max<int64_t>(my, std::llabs(kv::SaturatingTrunc(ys[i])));
    }
    return CSize(kv::SaturateInt32(2 * mx + 2), kv::SaturateInt32(2 * my + 2));
}

int CImageRotator::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (m_dAngle == 0) return CImage32BitProcessor::ProcessPixels(pSrc, sizeSrc, pDst, sizeDst);
    const int sw = sizeSrc.cx, sh = sizeSrc.cy, dw = sizeDst.cx, dh = sizeDst.cy;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return 1;
    const double c = std::cos(m_dAngle), s = std::sin(m_dAngle);
    const int hdW = dw / 2 + dw % 2, hdH = dh / 2 + dh % 2;
    const int hsW = sw / 2 + sw % 2, hsH = sh / 2 + sh % 2;
    // Sampled truncated offsets: [-hsW, sw - 1 - hsW) and [-hsH, sh - 1 - hsH).
    const int uLo = -hsW, uHi = sw - 1 - hsW, vLo = -hsH, vHi = sh - 1 - hsH;

    Scratch<double> colU(dw), colV(dw);
    if (!colU || !colV) return 0;
    for (int x = 0; x < dw; ++x) {
        const int xx = x - hdW;
        colU[x] = xx * c;
        colV[x] = -xx * s;
    }
    const bool interpolate = m_bInterpolate != 0;
    const int tileW = TileWidth(s, dw, kRotateTileRows, kRotateTileColumns);  // v moves by −s a column
    return ForRows(dh, dw, [&](int y0, int y1) {
        // The sampled span of each row of this range and, blended, the part of it whose three
        // pixels are inside the source at positions of 1 or more: there a row kernel without
        // clamps runs. Truncated offsets from lo + 2 put the position above 1 (trunc moves a
        // negative offset up by less than one), and below hi − 1 its p10 and p01 inside.
        Scratch<Span> spans(y1 - y0), inner(y1 - y0);
        if (!spans || !inner) return false;
        for (int y = y0; y < y1; ++y) {
            const int yy = y - hdH;
            const double rowU = yy * s, rowV = yy * c;
            auto u = [&](int x) { return kv::SaturatingTrunc(colU[x] + rowU); };
            auto v = [&](int x) { return kv::SaturatingTrunc(colV[x] + rowV); };
            spans[y - y0] = Intersect(MonotoneSpan(dw, uLo, uHi, u), MonotoneSpan(dw, vLo, vHi, v));
            inner[y - y0] = interpolate ? Intersect(MonotoneSpan(dw, uLo + 2, uHi - 1, u), MonotoneSpan(dw, vLo + 2, vHi - 1, v))
                                        : Span{0, 0};
        }
        for (int by = y0; by < y1; by += kRotateTileRows)
            for (int bx = 0; bx < dw; bx += tileW)
                for (int y = by; y < std::min(y1, by + kRotateTileRows); ++y) {
                    const Span tile{bx, std::min(dw, bx + tileW)};
                    const Span span = Intersect(spans[y - y0], tile);
                    if (span.first >= span.last) continue;
                    const int yy = y - hdH;
                    const double rowU = yy * s, rowV = yy * c;
                    RGBX* d = Row(pDst, dw, y);
                    auto run = [&](auto member, int first, int last) {
                        RunWidest(member, last - first, [&](auto kernel, int64_t done) {
                            const int x = first + int(done);
                            const RotateRow row{pSrc, sw, sh, colU.get() + x, colV.get() + x, rowU, rowV, hsW, hsH, interpolate};
                            return kernel(row, d + x, last - x);
                        });
                    };
                    const Span in = Intersect(inner[y - y0], span);
                    if (in.first >= in.last) {
                        run(&RowKernels::rotateRow, span.first, span.last);
                        continue;
                    }
                    run(&RowKernels::rotateRow, span.first, in.first);
                    run(&RowKernels::rotateInnerRow, in.first, in.last);
                    run(&RowKernels::rotateRow, in.last, span.last);
                }
        return true;
    }) ? 1 : 0;
}

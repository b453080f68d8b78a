#pragma once
// Plain implementations of the image operations, written from their formulas one pixel at a
// time, for byte-for-byte comparison with the optimised kernels. Nothing here is shared with
// the library's code.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "imaging/PixelTypes.h"

namespace ref {

struct Img {
    int w = 0, h = 0;
    std::vector<RGBX> px;
    Img() = default;
    Img(int width, int height, RGBX fill = {0, 0, 0, 0}) : w(width), h(height), px(size_t(std::max(0, width)) * std::max(0, height), fill) {}
    RGBX& at(int x, int y) { return px[size_t(y) * w + x]; }
    const RGBX& at(int x, int y) const { return px[size_t(y) * w + x]; }
};

inline RGBX Px(COLORREF c) { return RGBX{uint8_t((c >> 16) & 0xFF), uint8_t((c >> 8) & 0xFF), uint8_t(c & 0xFF), 0}; }

// The destination every processor starts from: the background colour, with reserved 0xFF for
// white (a byte fill) and 0 otherwise.
inline Img Background(int w, int h, COLORREF bg) {
    RGBX p = Px(bg);
    if (bg == 0xFFFFFF || bg == 0xFFFFFFFF) p = RGBX{255, 255, 255, 255};
    return Img(w, h, p);
}

inline int Ch(const RGBX& p, int c) { return c == 0 ? p.blue : c == 1 ? p.green : p.red; }
inline void SetCh(RGBX& p, int c, int v) { (c == 0 ? p.blue : c == 1 ? p.green : p.red) = uint8_t(v); }

inline RGBX Blend(const Img& s, double x, double y) {
    if (x < 0 || y < 0) return s.at(std::max(0, int(x)), std::max(0, int(y)));
    int ix = int(x), iy = int(y);
    double dx = x - ix, dy = y - iy;
    const RGBX& p00 = s.at(ix, iy);
    const RGBX& p10 = s.at(std::min(ix + 1, s.w - 1), iy);
    const RGBX& p01 = s.at(ix, std::min(iy + 1, s.h - 1));
    RGBX r{0, 0, 0, 0};
    for (int c = 0; c < 3; ++c)
        SetCh(r, c, int(0.5 * (Ch(p00, c) * (1 - dx) + Ch(p10, c) * dx + Ch(p00, c) * (1 - dy) + Ch(p01, c) * dy)));
    return r;
}

inline double RotatorAngleFromDegrees(int d0) {
    long long d = d0;
    if (d >= 360) d %= 360;
    else if (d < 0) d += 360 * (((-1 - d) / 360) + 1);
    return d * 3.141592653589793 / 180;
}

inline CSize RotatedSize(int w, int h, double t) {
    if (t == 0 || w == 0 || h == 0) return CSize(w, h);
    double C = std::cos(t), S = std::sin(t), a = w / 2.0, b = h / 2.0;
    long long xs[4] = {(long long)(a * C - b * S), (long long)(a * C + b * S), (long long)(-a * C - b * S),
                       (long long)(-a * C + b * S)};
    long long ys[4] = {(long long)(a * S + b * C), (long long)(a * S - b * C), (long long)(-a * S + b * C),
                       (long long)(-a * S - b * C)};
    long long mx = 0, my = 0;
    for (int i = 0; i < 4; ++i) mx = std::max(mx, std::llabs(xs[i])), my = std::max(my, std::llabs(ys[i]));
    return CSize(int(2 * mx + 2), int(2 * my + 2));
}

inline Img Rotate(const Img& s, double t, bool interp, COLORREF bg) {
    CSize ds = RotatedSize(s.w, s.h, t);
    Img d = Background(ds.cx, ds.cy, bg);
    if (t == 0) return s;
    double C = std::cos(t), S = std::sin(t);
    int hdW = d.w / 2 + d.w % 2, hdH = d.h / 2 + d.h % 2, hsW = s.w / 2 + s.w % 2, hsH = s.h / 2 + s.h % 2;
    for (int y = 0; y < d.h; ++y)
        for (int x = 0; x < d.w; ++x) {
            int xx = x - hdW, yy = y - hdH;
            double u = xx * C + yy * S, v = -xx * S + yy * C;
            int iu = int(u), iv = int(v);
            if (!(-hsW <= iu && iu < s.w - 1 - hsW && -hsH <= iv && iv < s.h - 1 - hsH)) continue;
            d.at(x, y) = interp ? Blend(s, hsW + u, hsH + v) : s.at(iu + hsW, iv + hsH);
        }
    return d;
}

inline Img Shear(const Img& s, int H, int V, bool interp, COLORREF bg) {
    Img d = Background(s.w + std::abs(H), s.h + std::abs(V), bg);
    if (H == 0 && V == 0) return s;
    for (int x = 0; x < d.w; ++x) {
        double oy = V > 0 ? double(V) * x / d.w : V < 0 ? double(d.w - x) * -double(V) / d.w : 0;
        for (int y = 0; y < d.h; ++y) {
            double ox = H < 0 ? -double(H) * y / d.h : H > 0 ? double(d.h - y) * H / d.h : 0;
            double sx = x - ox, sy = y - oy;
            int ix = int(sx), iy = int(sy);
            if (0 <= ix && ix < s.w && 0 <= iy && iy < s.h) d.at(x, y) = interp ? Blend(s, sx, sy) : s.at(ix, iy);
        }
    }
    return d;
}

inline Img Enlarge(const Img& s, double f, COLORREF bg) {
    Img d = Background(int(s.w * f), int(s.h * f), bg);
    double step = 1 / f, sx = 0;
    for (int x = 0; x < d.w; ++x, sx += step) {
        double sy = 0;
        for (int y = 0; y < d.h; ++y, sy += step) d.at(x, y) = Blend(s, sx, sy);
    }
    return d;
}

inline Img Shrink(const Img& s, double f, COLORREF bg) {
    Img d = Background(int(s.w * f), int(s.h * f), bg);
    double step = 1 / f, cpos = -0.5 * step;
    int cStart = 0;
    for (int j = 0; j < d.w; ++j) {
        cpos += step;
        int cEnd = std::min(s.w - 1, int(cpos) + 1);
        double rpos = -0.5 * step;
        int rStart = 0;
        for (int k = 0; k < d.h; ++k) {
            rpos += step;
            int rEnd = std::min(s.h - 1, int(rpos) + 1);
            if (cStart <= cEnd && rStart <= rEnd) {
                long long sum[3] = {0, 0, 0}, n = 0;
                for (int y = rStart; y <= rEnd; ++y)
                    for (int x = cStart; x <= cEnd; ++x, ++n)
                        for (int c = 0; c < 3; ++c) sum[c] += Ch(s.at(x, y), c);
                for (int c = 0; c < 3; ++c) SetCh(d.at(j, k), c, int(sum[c] / n));
            }
            rStart = rEnd + 1;
        }
        cStart = cEnd + 1;
    }
    return d;
}

inline Img Flip(const Img& s, bool hz, bool vt) {
    Img d(s.w, s.h);
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) d.at(hz ? s.w - 1 - x : x, vt ? s.h - 1 - y : y) = s.at(x, y);
    return d;
}

inline Img Grey(const Img& s) {
    Img d(s.w, s.h);
    for (size_t i = 0; i < s.px.size(); ++i) {
        uint8_t g = uint8_t((3 * s.px[i].red + 6 * s.px[i].green + s.px[i].blue) / 10);
        d.px[i] = RGBX{g, g, g, 0};
    }
    return d;
}

inline Img Negate(const Img& s, COLORREF bg) {
    Img d = Background(s.w, s.h, bg);
    for (size_t i = 0; i < s.px.size(); ++i)
        for (int c = 0; c < 3; ++c) SetCh(d.px[i], c, 255 - Ch(s.px[i], c));
    return d;
}

inline Img Replace(const Img& s, COLORREF from, COLORREF to) {
    Img d = s;
    if (from == to) return d;
    for (auto& p : d.px)
        if (p.red == (from & 0xFF) && p.green == ((from >> 8) & 0xFF) && p.blue == ((from >> 16) & 0xFF)) p = Px(to);
    return d;
}

inline Img Blur(const Img& s, int factor, COLORREF bg) {
    factor = std::clamp(factor, 0, 10);
    if (factor == 0) return s;
    Img d = Background(s.w, s.h, bg);
    int centre = 55 - 5 * factor;
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
            int sum[3] = {0, 0, 0}, ws = 0;
            for (int j = y - 1; j <= y + 1; ++j)
                for (int i = x - 1; i <= x + 1; ++i) {
                    if (i < 0 || j < 0 || i >= s.w || j >= s.h) continue;
                    int wt = (i == x && j == y) ? centre : 1;
                    for (int c = 0; c < 3; ++c) sum[c] += wt * Ch(s.at(i, j), c);
                    ws += wt;
                }
            for (int c = 0; c < 3; ++c) SetCh(d.at(x, y), c, std::min(255, sum[c] / ws));
        }
    return d;
}

// Sharpen with its weights as exact fractions: edge −e/(4(1+e)), diagonal −1/(4(1+e)), centre 2;
// the weighted sum is a fraction num/den, clamped to 0..255 and truncated.
inline Img Sharpen(const Img& s, int factor, COLORREF bg) {
    factor = std::clamp(factor, 0, 10);
    if (factor == 0) return s;
    Img d = Background(s.w, s.h, bg);
    long long e = 51 - 5 * factor, den = 4 * (1 + e);
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
            if (x == 0 || y == 0 || x == s.w - 1 || y == s.h - 1) {
                d.at(x, y) = s.at(x, y);
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                long long num = 0;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i) {
                        long long wnum = (i == 0 && j == 0) ? 2 * den : (i == 0 || j == 0) ? -e : -1;
                        num += wnum * Ch(s.at(x + i, y + j), c);
                    }
                long long v = num < 0 ? 0 : std::min<long long>(255, num / den);
                SetCh(d.at(x, y), c, int(v));
            }
        }
    return d;
}

// The same sharpen evaluated the floating way, nine products summed in row order.
inline int SharpenDouble(const Img& s, int x, int y, int c, int factor) {
    double e = 51 - 5 * factor, f = 1 / e, g = 1 / ((f + 1) * 4);
    double sum = 0;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            double w = (i == 0 && j == 0) ? 2 : (i == 0 || j == 0) ? -g : -(f * g);
            sum += w * Ch(s.at(x + i, y + j), c);
        }
    return int(std::clamp(sum, 0.0, 255.0));
}

// The 8-bit palette for GIF: the colour cube with channel steps 0, 51, ..., 255 (index
// 36·r + 6·g + b of the steps), then the 40 greys round(255·i/41), i = 1..40.
inline std::vector<RGBX> WebPalette() {
    std::vector<RGBX> p;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) p.push_back(RGBX{uint8_t(b * 51), uint8_t(g * 51), uint8_t(r * 51), 0});
    for (int i = 1; i <= 40; ++i) {
        const auto v = uint8_t(std::lround(255.0 * i / 41));
        p.push_back(RGBX{v, v, v, 0});
    }
    return p;
}

// Each pixel replaced by the nearest palette colour (squared distance, the first on a tie).
inline Img QuantiseWeb(const Img& s) {
    static const std::vector<RGBX> pal = WebPalette();
    Img d(s.w, s.h);
    for (size_t i = 0; i < s.px.size(); ++i) {
        int best = 0, bestDist = 1 << 30;
        for (size_t k = 0; k < pal.size(); ++k) {
            int dist = 0;
            for (int c = 0; c < 3; ++c) dist += (Ch(s.px[i], c) - Ch(pal[k], c)) * (Ch(s.px[i], c) - Ch(pal[k], c));
            if (dist < bestDist) best = int(k), bestDist = dist;
        }
        d.px[i] = pal[size_t(best)];
    }
    return d;
}

}  // namespace ref

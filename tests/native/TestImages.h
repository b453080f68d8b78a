#pragma once
// Helpers for the imaging tests: seeded random images, running one processor the way the chain
// does, and a comparison that names the first differing pixel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "imaging/Processor.h"
#include "reference/Reference.h"

namespace kvtest {

// Case i of a randomized test uses seed i; KV_CASE=i runs that case alone.
inline bool CaseSelected(int i) {
    const char* only = std::getenv("KV_CASE");
    return !only || std::atoi(only) == i;
}

inline ref::Img RandomImage(int w, int h, uint32_t seed) {
    ref::Img img(w, h);
    std::mt19937 rng(seed);
    // Mostly random bytes, with runs of repeated pixels so flat areas occur too.
    for (size_t i = 0; i < img.px.size(); ++i) {
        if (i > 0 && rng() % 4 == 0) {
            img.px[i] = img.px[i - 1];
            continue;
        }
        const uint32_t v = rng();
        img.px[i] = RGBX{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    }
    return img;
}

inline ref::Img Run(CImage32BitProcessor& p, const ref::Img& src, COLORREF bg, int* result = nullptr) {
    const CSize ds = p.CalcDestSize(CSize(src.w, src.h));
    ref::Img dst = ref::Background(ds.cx, ds.cy, bg);
    ref::Img in = src;
    const int r = p.ProcessPixels(in.px.data(), CSize(src.w, src.h), dst.px.data(), ds);
    if (result) *result = r;
    return dst;
}

inline std::string PixelText(const RGBX& p) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "(b%d g%d r%d x%d)", p.blue, p.green, p.red, p.reserved);
    return buf;
}

inline ::testing::AssertionResult SameImage(const ref::Img& expected, const ref::Img& actual) {
    if (expected.w != actual.w || expected.h != actual.h)
        return ::testing::AssertionFailure() << "size " << actual.w << "x" << actual.h << ", expected " << expected.w
                                             << "x" << expected.h;
    for (int y = 0; y < expected.h; ++y)
        for (int x = 0; x < expected.w; ++x) {
            const RGBX& e = expected.at(x, y);
            const RGBX& a = actual.at(x, y);
            if (e.blue != a.blue || e.green != a.green || e.red != a.red || e.reserved != a.reserved)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << PixelText(a)
                                                     << ", expected " << PixelText(e);
        }
    return ::testing::AssertionSuccess();
}

//! The processor succeeds on src over a bg background and gives exactly `want`.
inline ::testing::AssertionResult Gives(CImage32BitProcessor& p, const ref::Img& src, COLORREF bg, const ref::Img& want) {
    int result = 0;
    const ref::Img got = Run(p, src, bg, &result);
    if (result != 1) return ::testing::AssertionFailure() << "ProcessPixels returned " << result;
    return SameImage(want, got);
}

}  // namespace kvtest

// The preview's thumbnail scaling: every result pixel against the mean of its source block,
// computed here pixel by pixel; a copy at the same size; refused sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "TestImages.h"
#include "imaging/Parallel.h"
#include "imaging/Thumbnail.h"
#include "reference/Reference.h"

namespace {

TEST(Thumbnail, AreaMeansOfTheBlocks) {
    struct Row {
        int sw, sh, dw, dh;
    };
    for (Row r : {Row{8, 8, 4, 4}, {7, 5, 3, 2}, {1, 9, 1, 4}, {640, 480, 213, 160}, {5, 5, 5, 5}, {97, 13, 96, 1}, {300, 2, 7, 2}}) {
        SCOPED_TRACE(::testing::Message() << r.sw << "x" << r.sh << " -> " << r.dw << "x" << r.dh);
        std::mt19937 rng(unsigned(r.sw * 31 + r.dw));
        ref::Img src(r.sw, r.sh);
        for (RGBX& p : src.px) p = RGBX{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
        ref::Img dst(r.dw, r.dh);
        ASSERT_TRUE(kv::ScaleDownArea(reinterpret_cast<const uint8_t*>(src.px.data()), r.sw * 4, r.sw, r.sh,
                                      reinterpret_cast<uint8_t*>(dst.px.data()), r.dw * 4, r.dw, r.dh));
        for (int threads : {1, 2, 3}) {  // the same bytes whatever the number of threads
            kv::SetImagingThreads(threads);
            ref::Img other(r.dw, r.dh);
            kv::ScaleDownArea(reinterpret_cast<const uint8_t*>(src.px.data()), r.sw * 4, r.sw, r.sh,
                              reinterpret_cast<uint8_t*>(other.px.data()), r.dw * 4, r.dw, r.dh);
            EXPECT_TRUE(kvtest::SameImage(dst, other)) << threads << " threads";
        }
        kv::SetImagingThreads(0);
        int bad = 0;
        for (int y = 0; y < r.dh; ++y)
            for (int x = 0; x < r.dw; ++x) {
                const int x0 = x * r.sw / r.dw, x1 = (x + 1) * r.sw / r.dw, y0 = y * r.sh / r.dh, y1 = (y + 1) * r.sh / r.dh;
                for (int c = 0; c < 3; ++c) {
                    double sum = 0;
                    for (int sy = y0; sy < y1; ++sy)
                        for (int sx = x0; sx < x1; ++sx) sum += ref::Ch(src.at(sx, sy), c);
                    const int n = (x1 - x0) * (y1 - y0);
                    const int want = int(std::floor(sum / n + 0.5));
                    bad += ref::Ch(dst.at(x, y), c) != want;
                }
                bad += dst.at(x, y).reserved != 0xFF;
                if (r.sw == r.dw && r.sh == r.dh)  // the same size is a copy of the colours
                    bad += ref::Ch(dst.at(x, y), 0) != ref::Ch(src.at(x, y), 0);
            }
        EXPECT_EQ(bad, 0);
    }
    uint8_t px[64] = {};
    EXPECT_FALSE(kv::ScaleDownArea(px, 8, 2, 2, px, 12, 3, 2));  // never up
    EXPECT_FALSE(kv::ScaleDownArea(px, 8, 2, 2, px, 8, 0, 2));
    EXPECT_FALSE(kv::ScaleDownArea(nullptr, 8, 2, 2, px, 8, 1, 1));
}

}  // namespace

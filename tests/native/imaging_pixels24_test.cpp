// The 32- to 24-bit packing against the plain per-pixel rule (blue, green, red; the reserved
// byte dropped), for every kernel set, on 1 to 3 threads, at widths around each kernel's step
// at strides wider than a row, whose padding must stay as it was, and bottom-up.
#include <algorithm>
#include <vector>

#include "TestImages.h"
#include "imaging/Parallel.h"
#include "imaging/Pixels24.h"
#include "imaging/kernels/RowKernels.h"

namespace {

using kv::detail::RowKernels;

std::vector<uint8_t> Reference24(const ref::Img& src, ptrdiff_t stride, uint8_t padding) {
    std::vector<uint8_t> out(size_t(stride) * size_t(src.h), padding);
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            const RGBX p = src.at(x, y);
            uint8_t* d = &out[size_t(y) * size_t(stride) + size_t(x) * 3];
            d[0] = p.blue, d[1] = p.green, d[2] = p.red;
        }
    return out;
}

TEST(ImagingPixels24, PackMatchesPlainRuleOnEveryKernelSet) {
    const RowKernels* sets[3];
    const int nSets = kv::detail::RunnableKernels(sets);
    const CSize sizes[] = {{1, 1}, {3, 2}, {4, 3}, {7, 5}, {8, 2}, {9, 4}, {15, 3}, {16, 1}, {17, 9}, {33, 70}, {1, 300}, {257, 131}};
    int caseNo = 0;
    for (int k = 0; k < nSets; ++k)
        for (CSize size : sizes)
            for (int extra : {0, 1, 5, -1})  // -1: bottom-up rows, as a DIB holds them
                for (int threads : {1, 2, 3}) {
                    const int i = caseNo++;
                    if (!kvtest::CaseSelected(i)) continue;
                    SCOPED_TRACE(testing::Message() << "KV_CASE=" << i << " " << sets[k]->name << " " << size.cx << "x"
                                                    << size.cy << " stride +" << extra << " threads " << threads);
                    kv::detail::UseKernelsForTests(sets[k]);
                    kv::SetImagingThreads(threads);
                    const ref::Img src = kvtest::RandomImage(size.cx, size.cy, uint32_t(i));
                    const ptrdiff_t stride = ptrdiff_t(size.cx) * 3 + std::max(extra, 0);
                    std::vector<uint8_t> got(size_t(stride) * size_t(size.cy), 0xA5);
                    if (extra >= 0) {
                        EXPECT_TRUE(kv::PackRows24(src.px.data(), size, got.data(), stride));
                        EXPECT_EQ(got, Reference24(src, stride, 0xA5));
                    } else {
                        uint8_t* top = got.data() + (size.cy - 1) * stride;
                        EXPECT_TRUE(kv::PackRows24(src.px.data(), size, top, -stride));
                        ref::Img flipped(size.cx, size.cy);
                        for (int y = 0; y < size.cy; ++y)
                            for (int x = 0; x < size.cx; ++x) flipped.at(x, y) = src.at(x, size.cy - 1 - y);
                        EXPECT_EQ(got, Reference24(flipped, stride, 0xA5));
                    }
                }
    kv::detail::UseKernelsForTests(nullptr);
    kv::SetImagingThreads(0);
}

TEST(ImagingPixels24, RefusesWhatCannotBePacked) {
    const RGBX px[4] = {};
    uint8_t out[16] = {};
    struct Row {
        const char* name;
        const RGBX* src;
        CSize size;
        uint8_t* dst;
        ptrdiff_t stride;
    };
    const Row rows[] = {
        {"null source", nullptr, {2, 2}, out, 6},
        {"null target", px, {2, 2}, nullptr, 6},
        {"negative width", px, {-1, 2}, out, 6},
        {"negative height", px, {2, -1}, out, 6},
        {"stride below a row", px, {2, 2}, out, 5},
        {"upward stride below a row", px, {2, 2}, out + 8, -5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(kv::PackRows24(r.src, r.size, r.dst, r.stride));
    }
    for (uint8_t b : out) EXPECT_EQ(b, 0);
}

}  // namespace

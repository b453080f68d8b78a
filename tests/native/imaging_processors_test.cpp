// Every processor against the plain formulas, on seeded random images of awkward sizes and on
// three backgrounds (white fills the reserved byte with 0xFF, other colours with 0).
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TestImages.h"
#include "imaging/Parallel.h"
#include "imaging/kernels/RowKernels.h"

namespace {

struct Case {
    const char* name;
    std::function<std::unique_ptr<CImage32BitProcessor>()> make;
    std::function<ref::Img(const ref::Img&, COLORREF)> reference;
};

const Case kCases[] = {
    {"grey", [] { return std::make_unique<CImageGrayer>(); }, [](const ref::Img& s, COLORREF) { return ref::Grey(s); }},
    {"negate", [] { return std::make_unique<CImageNegator>(); }, [](const ref::Img& s, COLORREF bg) { return ref::Negate(s, bg); }},
    {"replace black", [] { return std::make_unique<CImageColorReplacer>(0, 255); },
     [](const ref::Img& s, COLORREF) { return ref::Replace(s, 0, 255); }},
    {"replace same", [] { return std::make_unique<CImageColorReplacer>(0x123456, 0x123456); },
     [](const ref::Img& s, COLORREF) { return ref::Replace(s, 0x123456, 0x123456); }},
    {"flip h", [] { return std::make_unique<CImageFlipper>(1, 0); }, [](const ref::Img& s, COLORREF) { return ref::Flip(s, true, false); }},
    {"flip v", [] { return std::make_unique<CImageFlipper>(0, 1); }, [](const ref::Img& s, COLORREF) { return ref::Flip(s, false, true); }},
    {"flip hv", [] { return std::make_unique<CImageFlipper>(1, 1); }, [](const ref::Img& s, COLORREF) { return ref::Flip(s, true, true); }},
    {"flip none", [] { return std::make_unique<CImageFlipper>(0, 0); }, [](const ref::Img& s, COLORREF) { return ref::Flip(s, false, false); }},
    {"rotate 30 nearest", [] { return std::make_unique<CImageRotator>(30, 0); },
     [](const ref::Img& s, COLORREF bg) { return ref::Rotate(s, ref::RotatorAngleFromDegrees(30), false, bg); }},
    {"rotate 45 blend", [] { return std::make_unique<CImageRotator>(45, 1); },
     [](const ref::Img& s, COLORREF bg) { return ref::Rotate(s, ref::RotatorAngleFromDegrees(45), true, bg); }},
    {"rotate -100 blend", [] { return std::make_unique<CImageRotator>(-100, 1); },
     [](const ref::Img& s, COLORREF bg) { return ref::Rotate(s, ref::RotatorAngleFromDegrees(-100), true, bg); }},
    {"rotate 90 nearest", [] { return std::make_unique<CImageRotator>(90, 0); },
     [](const ref::Img& s, COLORREF bg) { return ref::Rotate(s, ref::RotatorAngleFromDegrees(90), false, bg); }},
    {"rotate 180 blend", [] { return std::make_unique<CImageRotator>(180, 1); },
     [](const ref::Img& s, COLORREF bg) { return ref::Rotate(s, ref::RotatorAngleFromDegrees(180), true, bg); }},
    {"rotate 1 blend", [] { return std::make_unique<CImageRotator>(1, 1); },
     [](const ref::Img& s, COLORREF bg) { return ref::Rotate(s, ref::RotatorAngleFromDegrees(1), true, bg); }},
    {"rotate 0.0 rad", [] { return std::make_unique<CImageRotator>(0.0); },
     [](const ref::Img& s, COLORREF bg) { return ref::Rotate(s, 6.283185307179586, false, bg); }},
    // The other quadrants: rows whose source coordinates fall as well as rise.
    {"rotate 135 nearest", [] { return std::make_unique<CImageRotator>(135, 0); },
     [](const ref::Img& s, COLORREF bg) { return ref::Rotate(s, ref::RotatorAngleFromDegrees(135), false, bg); }},
    {"rotate 300 blend", [] { return std::make_unique<CImageRotator>(300, 1); },
     [](const ref::Img& s, COLORREF bg) { return ref::Rotate(s, ref::RotatorAngleFromDegrees(300), true, bg); }},
    {"rotate 2.5 rad", [] { return std::make_unique<CImageRotator>(2.5); },
     [](const ref::Img& s, COLORREF bg) { return ref::Rotate(s, 2.5, false, bg); }},
    // Blended turns whose rows have long inner spans (all three pixels inside the source), which
    // a kernel without clamps computes, between edge parts that the clamping one does.
    {"rotate 10 blend", [] { return std::make_unique<CImageRotator>(10, 1); },
     [](const ref::Img& s, COLORREF bg) { return ref::Rotate(s, ref::RotatorAngleFromDegrees(10), true, bg); }},
    {"rotate 260 blend", [] { return std::make_unique<CImageRotator>(260, 1); },
     [](const ref::Img& s, COLORREF bg) { return ref::Rotate(s, ref::RotatorAngleFromDegrees(260), true, bg); }},
    {"shear 7,0 blend", [] { return std::make_unique<CImageShearer>(7, 0, 1); },
     [](const ref::Img& s, COLORREF bg) { return ref::Shear(s, 7, 0, true, bg); }},
    {"shear -5,3 nearest", [] { return std::make_unique<CImageShearer>(-5, 3, 0); },
     [](const ref::Img& s, COLORREF bg) { return ref::Shear(s, -5, 3, false, bg); }},
    {"shear 4,-9 blend", [] { return std::make_unique<CImageShearer>(4, -9, 1); },
     [](const ref::Img& s, COLORREF bg) { return ref::Shear(s, 4, -9, true, bg); }},
    // Steep shears: rows cross many source rows and are walked in tiles.
    {"shear 40,-120 blend", [] { return std::make_unique<CImageShearer>(40, -120, 1); },
     [](const ref::Img& s, COLORREF bg) { return ref::Shear(s, 40, -120, true, bg); }},
    {"shear -60,250 nearest", [] { return std::make_unique<CImageShearer>(-60, 250, 0); },
     [](const ref::Img& s, COLORREF bg) { return ref::Shear(s, -60, 250, false, bg); }},
    {"enlarge 2", [] { return std::make_unique<CImageResizer>(2.0); }, [](const ref::Img& s, COLORREF bg) { return ref::Enlarge(s, 2.0, bg); }},
    {"enlarge 4 (whole 128ths)", [] { return std::make_unique<CImageResizer>(4.0); },
     [](const ref::Img& s, COLORREF bg) { return ref::Enlarge(s, 4.0, bg); }},
    {"enlarge 1.6 (whole 128ths)", [] { return std::make_unique<CImageResizer>(1.6); },
     [](const ref::Img& s, COLORREF bg) { return ref::Enlarge(s, 1.6, bg); }},
    {"enlarge 1.37", [] { return std::make_unique<CImageResizer>(1.37); },
     [](const ref::Img& s, COLORREF bg) { return ref::Enlarge(s, 1.37, bg); }},
    {"enlarge 1.5", [] { return std::make_unique<CImageResizer>(1.5); },
     [](const ref::Img& s, COLORREF bg) { return ref::Enlarge(s, 1.5, bg); }},
    {"enlarge 1.07", [] { return std::make_unique<CImageResizer>(1.07); },
     [](const ref::Img& s, COLORREF bg) { return ref::Enlarge(s, 1.07, bg); }},
    {"enlarge 3.3", [] { return std::make_unique<CImageResizer>(3.3); },
     [](const ref::Img& s, COLORREF bg) { return ref::Enlarge(s, 3.3, bg); }},
    // More than eight destination rows on one source row: the vector kernel takes them in passes.
    {"enlarge 9.5", [] { return std::make_unique<CImageResizer>(9.5); },
     [](const ref::Img& s, COLORREF bg) { return ref::Enlarge(s, 9.5, bg); }},
    {"shrink 0.5", [] { return std::make_unique<CImageResizer>(0.5); }, [](const ref::Img& s, COLORREF bg) { return ref::Shrink(s, 0.5, bg); }},
    {"shrink 0.3", [] { return std::make_unique<CImageResizer>(0.3); }, [](const ref::Img& s, COLORREF bg) { return ref::Shrink(s, 0.3, bg); }},
    {"shrink 0.77", [] { return std::make_unique<CImageResizer>(0.77); },
     [](const ref::Img& s, COLORREF bg) { return ref::Shrink(s, 0.77, bg); }},
    {"blur 1", [] { return std::make_unique<CImageBlurrer>(1); }, [](const ref::Img& s, COLORREF bg) { return ref::Blur(s, 1, bg); }},
    {"blur 5", [] { return std::make_unique<CImageBlurrer>(5); }, [](const ref::Img& s, COLORREF bg) { return ref::Blur(s, 5, bg); }},
    {"blur 10", [] { return std::make_unique<CImageBlurrer>(10); }, [](const ref::Img& s, COLORREF bg) { return ref::Blur(s, 10, bg); }},
    {"blur 25 as 10", [] { return std::make_unique<CImageBlurrer>(25); }, [](const ref::Img& s, COLORREF bg) { return ref::Blur(s, 10, bg); }},
    {"blur -3 copies", [] { return std::make_unique<CImageBlurrer>(-3); }, [](const ref::Img& s, COLORREF) { return s; }},
    {"sharpen 1", [] { return std::make_unique<CImageSharpener>(1); }, [](const ref::Img& s, COLORREF bg) { return ref::Sharpen(s, 1, bg); }},
    {"sharpen 5", [] { return std::make_unique<CImageSharpener>(5); }, [](const ref::Img& s, COLORREF bg) { return ref::Sharpen(s, 5, bg); }},
    {"sharpen 10", [] { return std::make_unique<CImageSharpener>(10); }, [](const ref::Img& s, COLORREF bg) { return ref::Sharpen(s, 10, bg); }},
    {"sharpen 0 copies", [] { return std::make_unique<CImageSharpener>(0); }, [](const ref::Img& s, COLORREF) { return s; }},
};

const CSize kSizes[] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 3}, {5, 4}, {17, 9}, {64, 3}, {257, 131}};
const COLORREF kBackgrounds[] = {0xFFFFFF, 0x336699, 0};

// Every kernel set of the table this processor can run (AVX-512, AVX2, the baseline), each chosen
// for the processors in turn.
using kv::detail::RowKernels;
std::vector<const RowKernels*> KernelSets() {
    const RowKernels* sets[3];
    return std::vector<const RowKernels*>(sets, sets + kv::detail::RunnableKernels(sets));
}

TEST(ImagingProcessors, MatchPlainFormulasOnRandomImages) {
    int caseNo = 0;
    for (const RowKernels* kernels : KernelSets())
    for (const Case& c : kCases)
        for (CSize size : kSizes)
            for (COLORREF bg : kBackgrounds) {
                const int i = caseNo++;
                if (!kvtest::CaseSelected(i)) continue;
                kv::detail::UseKernelsForTests(kernels);
                SCOPED_TRACE(testing::Message() << "KV_CASE=" << i << " " << kernels->name << " " << c.name << " " << size.cx << "x" << size.cy
                                                << " bg " << std::hex << bg);
                const ref::Img src = kvtest::RandomImage(size.cx, size.cy, uint32_t(i));
                EXPECT_TRUE(kvtest::Gives(*c.make(), src, bg, c.reference(src, bg)));
                kv::detail::UseKernelsForTests(nullptr);
            }
}

// Rows spread over threads: 1, 2 and 3 threads give exactly the plain formulas' bytes on images
// large enough to be split (and on a tall, thin one), vector and scalar kernels alike.
TEST(ImagingProcessors, SameBytesOnAnyNumberOfThreads) {
    const CSize sizes[] = {{121, 67}, {23, 301}, {200, 3}};
    int caseNo = 0;
    for (const Case& c : kCases) {
        if (std::string(c.name).find("rotate") == std::string::npos && std::string(c.name).find("shear") == std::string::npos &&
            std::string(c.name).find("large") == std::string::npos && std::string(c.name).find("shrink") == std::string::npos &&
            std::string(c.name).find("blur") == std::string::npos && std::string(c.name).find("sharpen") == std::string::npos)
            continue;
        for (CSize size : sizes) {
            const int i = caseNo++;
            if (!kvtest::CaseSelected(i)) continue;
            const ref::Img src = kvtest::RandomImage(size.cx, size.cy, uint32_t(1000 + i));
            const ref::Img want = c.reference(src, 0x336699);
            for (const RowKernels* kernels : KernelSets())
                for (int threads : {1, 2, 3}) {
                    SCOPED_TRACE(testing::Message() << "KV_CASE=" << i << " " << c.name << " " << size.cx << "x" << size.cy
                                                    << " threads " << threads << " " << kernels->name);
                    kv::SetImagingThreads(threads);
                    kv::detail::UseKernelsForTests(kernels);
                    EXPECT_TRUE(kvtest::Gives(*c.make(), src, 0x336699, want));
                }
        }
    }
    kv::detail::UseKernelsForTests(nullptr);
    kv::SetImagingThreads(0);
}

// Turns of pictures wide enough that the rotation walks its rows in tiles (a row crossing more
// source rows than a tile holds), on every kernel set and on one and two threads.
TEST(ImagingProcessors, TurnsWalkedInTilesMatchPlainFormulas) {
    struct Turn {
        int degrees, interpolate;
    };
    const Turn turns[] = {{45, 1}, {135, 0}, {10, 1}, {300, 1}};
    const ref::Img src = kvtest::RandomImage(701, 389, 77);
    for (const Turn& t : turns) {
        const ref::Img want = ref::Rotate(src, ref::RotatorAngleFromDegrees(t.degrees), t.interpolate != 0, 0x336699);
        for (const RowKernels* kernels : KernelSets())
            for (int threads : {1, 2}) {
                SCOPED_TRACE(testing::Message() << t.degrees << (t.interpolate ? " blend " : " nearest ") << kernels->name
                                                << " threads " << threads);
                kv::SetImagingThreads(threads);
                kv::detail::UseKernelsForTests(kernels);
                CImageRotator p(t.degrees, t.interpolate);
                EXPECT_TRUE(kvtest::Gives(p, src, 0x336699, want));
            }
    }
    kv::detail::UseKernelsForTests(nullptr);
    kv::SetImagingThreads(0);
}

// Runs long enough that the grey is written past the caches (2 MB and more) give the same bytes
// as short ones, on every kernel set, into a destination on a 32-byte boundary and one pixel off
// it; and a whole large frame on one, two and three threads.
TEST(ImagingProcessors, GreyOfALargeFrameMatchesPlainFormula) {
    const ref::Img src = kvtest::RandomImage(2048, 2049, 91);
    const ref::Img want = ref::Grey(src);
    const int64_t n = int64_t(src.px.size());
    std::vector<RGBX> out(size_t(n) + 16);
    RGBX* aligned = out.data();
    while (reinterpret_cast<uintptr_t>(aligned) & 31) ++aligned;
    for (const RowKernels* kernels : KernelSets())
        for (int offset : {0, 1}) {
            SCOPED_TRACE(testing::Message() << kernels->name << " offset " << offset);
            kv::detail::UseKernelsForTests(kernels);
            RGBX* dst = aligned + offset;
            std::fill(dst, dst + n, RGBX{1, 2, 3, 4});
            const int64_t done = kv::detail::RunWidest(&RowKernels::greyRun, n,
                                                       [&](auto kernel, int64_t at) { return kernel(src.px.data() + at, dst + at, n - at); });
            EXPECT_EQ(done, n);
            EXPECT_EQ(std::memcmp(dst, want.px.data(), size_t(n) * sizeof(RGBX)), 0);
            for (int threads : {1, 2, 3}) {
                SCOPED_TRACE(threads);
                kv::SetImagingThreads(threads);
                CImageGrayer grey;
                EXPECT_TRUE(kvtest::Gives(grey, src, 0xFFFFFF, want));
            }
            kv::SetImagingThreads(0);
        }
    kv::detail::UseKernelsForTests(nullptr);
}

// The exact evaluation of the sharpen weights against the floating nine-term sum: they may
// differ only where the exact value is a whole number, and then by one.
TEST(ImagingProcessors, SharpenAgreesWithFloatingEvaluation) {
    const ref::Img src = kvtest::RandomImage(61, 47, 7);
    for (int factor = 1; factor <= 10; ++factor) {
        SCOPED_TRACE(factor);
        CImageSharpener p(factor);
        const ref::Img got = kvtest::Run(p, src, 0xFFFFFF);
        int differ = 0;
        for (int y = 1; y < src.h - 1; ++y)
            for (int x = 1; x < src.w - 1; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int exact = ref::Ch(got.at(x, y), c), fl = ref::SharpenDouble(src, x, y, c, factor);
                    if (exact != fl) {
                        ++differ;
                        EXPECT_EQ(exact - 1, fl) << x << "," << y;
                    }
                }
        EXPECT_LT(differ, src.w * src.h / 4);
    }
}

}  // namespace

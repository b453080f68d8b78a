// CImageBitmap on real GDI bitmaps: the four platform operations, the 32-bit description, deep
// copies and the chain written back into a screen-compatible bitmap.
#include <gtest/gtest.h>

#include <memory>

#include "TestImages.h"
#include "WinTestUtil.h"
#include "imaging/ImageBitmap.h"
#include "imaging/kernels/RowKernels.h"

namespace {

static_assert(sizeof(CSize) == sizeof(SIZE) && offsetof(CSize, cx) == offsetof(SIZE, cx) &&
              offsetof(CSize, cy) == offsetof(SIZE, cy));
static_assert(sizeof(RGBX) == sizeof(RGBQUAD));

class TestBitmap : public CImageBitmap {
public:
    using CImageBitmap::CImageBitmap;
    using CImageBitmap::GetDIBits32;
    using CImageBitmap::PrepareBitmapInfo32;
};

using kvtest::MakeBitmap;
using kvtest::Opaque;
ref::Img ReadBitmap(HBITMAP h) { return kvtest::BitmapPixels(h); }

TEST(ImagingGdi, PrepareBitmapInfo32) {
    const ref::Img src = kvtest::RandomImage(13, 7, 1);
    TestBitmap bmp;
    ASSERT_EQ(bmp.Attach(MakeBitmap(src)), 1);
    BITMAPINFO info{};
    info.bmiHeader.biXPelsPerMeter = 99;
    ASSERT_EQ(bmp.PrepareBitmapInfo32(info, nullptr), 7);
    const BITMAPINFOHEADER& h = info.bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 13);
    EXPECT_EQ(h.biHeight, -7);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 32);
    EXPECT_EQ(h.biCompression, DWORD(BI_RGB));
    EXPECT_EQ(h.biSizeImage, 13u * 7 * 4);
    EXPECT_EQ(h.biClrUsed, 0u);

    BITMAPINFO untouched{};
    untouched.bmiHeader.biWidth = 1234;
    TestBitmap empty;
    EXPECT_EQ(empty.PrepareBitmapInfo32(untouched, nullptr), 0);
    EXPECT_EQ(untouched.bmiHeader.biWidth, 1234);
}

TEST(ImagingGdi, GetDIBits32AndCopy) {
    const ref::Img src = kvtest::RandomImage(31, 17, 2);
    HBITMAP h = MakeBitmap(src);
    TestBitmap bmp;
    ASSERT_EQ(bmp.CopyImage(h), 1);
    EXPECT_NE(bmp.GetSafeHandle(), h);
    EXPECT_TRUE(kvtest::SameImage(Opaque(src), ReadBitmap(h)));  // the source is left as it was
    DeleteObject(h);
    std::unique_ptr<RGBX[]> px(bmp.GetDIBits32());
    ASSERT_TRUE(px);
    ref::Img got(31, 17);
    std::copy(px.get(), px.get() + got.px.size(), got.px.begin());
    EXPECT_TRUE(kvtest::SameImage(Opaque(src), Opaque(got)));

    TestBitmap none;
    EXPECT_EQ(none.GetDIBits32(), nullptr);
    const HBITMAP kept = bmp.GetSafeHandle();
    EXPECT_EQ(bmp.CopyImage(static_cast<HBITMAP>(nullptr)), 0);
    EXPECT_EQ(bmp.CopyImage(reinterpret_cast<HBITMAP>(GetStockObject(WHITE_BRUSH))), 0);
    EXPECT_EQ(bmp.GetSafeHandle(), kept);
}

TEST(ImagingGdi, ChainWritesBackIntoAScreenBitmap) {
    const ref::Img src = kvtest::RandomImage(40, 25, 3);
    TestBitmap bmp;
    ASSERT_EQ(bmp.Attach(MakeBitmap(src)), 1);
    const HBITMAP old = bmp.GetSafeHandle();
    CImageGrayer g;
    CImageRotator r(30, 1);
    CImageShearer s(5, -4, 1);
    CProcessorChain chain{&g, &r, &s};
    ASSERT_EQ(bmp.ProcessImage(chain), 1);
    EXPECT_EQ(GetObjectType(old), 0u);  // the old bitmap is deleted once the new one exists
    const ref::Img expect =
        ref::Shear(ref::Rotate(ref::Grey(src), ref::RotatorAngleFromDegrees(30), true, 0xFFFFFF), 5, -4, true, 0xFFFFFF);
    EXPECT_TRUE(kvtest::SameImage(Opaque(expect), ReadBitmap(bmp.GetSafeHandle())));
}

// The library as built for Windows runs the same kernels as the native tests check, from
// another compiler and calling convention: the kernel set it chose gives the plain formulas'
// bytes. The test runs once with the widest set and once per narrower set named by KV_KERNELS
// (tests/win/CMakeLists.txt), which the library must have taken where the processor has it.
TEST(ImagingGdi, KernelsOfTheLibraryMatchPlainFormulas) {
    const char* wanted = std::getenv("KV_KERNELS");
    __builtin_cpu_init();
    const bool have = !wanted || std::string(wanted) == "scalar" ||
                      (std::string(wanted) == "avx2" && __builtin_cpu_supports("avx2")) ||
                      (std::string(wanted) == "avx512" && __builtin_cpu_supports("avx512bw"));
    if (wanted && have) {
        EXPECT_STREQ(kv::KernelSetName(), wanted);
    }
    struct Case {
        const char* name;
        std::unique_ptr<CImage32BitProcessor> (*make)();
        ref::Img (*reference)(const ref::Img&);
    };
    const Case cases[] = {
        {"rotate 45 blend", [] { return std::unique_ptr<CImage32BitProcessor>(new CImageRotator(45, 1)); },
         [](const ref::Img& s) { return ref::Rotate(s, ref::RotatorAngleFromDegrees(45), true, 0x336699); }},
        {"rotate 135 nearest", [] { return std::unique_ptr<CImage32BitProcessor>(new CImageRotator(135, 0)); },
         [](const ref::Img& s) { return ref::Rotate(s, ref::RotatorAngleFromDegrees(135), false, 0x336699); }},
        {"shear 40,-120 blend", [] { return std::unique_ptr<CImage32BitProcessor>(new CImageShearer(40, -120, 1)); },
         [](const ref::Img& s) { return ref::Shear(s, 40, -120, true, 0x336699); }},
        {"shear 9,4 blend", [] { return std::unique_ptr<CImage32BitProcessor>(new CImageShearer(9, 4, 1)); },
         [](const ref::Img& s) { return ref::Shear(s, 9, 4, true, 0x336699); }},
        {"enlarge 1.5", [] { return std::unique_ptr<CImage32BitProcessor>(new CImageResizer(1.5)); },
         [](const ref::Img& s) { return ref::Enlarge(s, 1.5, 0x336699); }},
        {"enlarge 2", [] { return std::unique_ptr<CImage32BitProcessor>(new CImageResizer(2.0)); },
         [](const ref::Img& s) { return ref::Enlarge(s, 2.0, 0x336699); }},
    };
    const ref::Img src = kvtest::RandomImage(97, 61, 11);
    for (const Case& c : cases) {
        const ref::Img want = c.reference(src);
        SCOPED_TRACE(testing::Message() << c.name << " kernel set " << kv::KernelSetName());
        EXPECT_TRUE(kvtest::Gives(*c.make(), src, 0x336699, want));
    }
}

TEST(ImagingGdi, FailedChainKeepsBitmap) {
    const ref::Img src = kvtest::RandomImage(8, 8, 4);
    TestBitmap bmp;
    ASSERT_EQ(bmp.Attach(MakeBitmap(src)), 1);
    const HBITMAP old = bmp.GetSafeHandle();
    EXPECT_EQ(bmp.ResizeImage(0), 0);
    EXPECT_EQ(bmp.ShearImage(INT_MAX, 1, 1), 0);
    EXPECT_EQ(bmp.ResizeImage(100000), 0);
    EXPECT_EQ(bmp.ResizeImage(0.05), 0);  // 0 × 0: nothing to write back
    EXPECT_EQ(bmp.GetSafeHandle(), old);
    EXPECT_TRUE(kvtest::SameImage(Opaque(src), ReadBitmap(old)));
}

}  // namespace

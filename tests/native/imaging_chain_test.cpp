// CImageBitmap over in-memory bitmaps: Fill, deep copies and the chain runner, including the
// sizes that cannot be allocated.
#include <climits>
#include <memory>

#include "TestImages.h"
#include "imaging/BitmapOps.h"
#include "imaging/ImageBitmap.h"

namespace {

class TestBitmap : public CImageBitmap {
public:
    using CImageBitmap::CImageBitmap;
    using CImageBitmap::GetDIBits32;

    void Set(const ref::Img& img) {
        HBITMAP h = kv::bitmap::CreateScreenCompatible(CSize(img.w, img.h));
        ASSERT_TRUE(h);
        ASSERT_TRUE(kv::bitmap::WritePixels(h, img.px.data(), CSize(img.w, img.h)));
        DeleteObject();
        Attach(h);
    }
    ref::Img Get() {
        CSize size;
        if (!GetSafeHandle() || !kv::bitmap::GetSize(GetSafeHandle(), &size)) return {};
        ref::Img img(size.cx, size.cy);
        std::unique_ptr<RGBX[]> px(GetDIBits32());
        if (px) std::copy(px.get(), px.get() + img.px.size(), img.px.begin());
        return img;
    }
};

TEST(ImagingFill, ColoursAndShapes) {
    struct Row {
        DWORD colour;
        RGBX expect;
    };
    const Row colours[] = {{0, {0, 0, 0, 0}}, {0xFFFFFF, {255, 255, 255, 255}}, {0xFFFFFFFF, {255, 255, 255, 255}},
                           {0x123456, {0x12, 0x34, 0x56, 0}}, {0xAB000001, {0, 0, 1, 0}}};
    const CSize sizes[] = {{1, 1}, {1, 9}, {9, 1}, {5, 3}, {64, 33}, {0, 4}};
    for (const Row& c : colours)
        for (CSize s : sizes) {
            SCOPED_TRACE(testing::Message() << std::hex << c.colour << std::dec << " " << s.cx << "x" << s.cy);
            const size_t n = size_t(s.cx) * s.cy;
            std::vector<RGBX> buf(n + 2, RGBX{7, 7, 7, 7});  // one guard pixel past the end
            ASSERT_EQ(CImageBitmap::Fill(buf.data(), s, c.colour), 1);
            for (size_t i = 0; i < n; ++i)
                ASSERT_TRUE(buf[i].blue == c.expect.blue && buf[i].green == c.expect.green &&
                            buf[i].red == c.expect.red && buf[i].reserved == c.expect.reserved)
                    << i;
            EXPECT_EQ(buf[n].blue, 7);
        }
    EXPECT_EQ(CImageBitmap::Fill(nullptr, CSize(3, 3), 0x123456), 0);
}

TEST(ImagingChain, EmptyChainAndEmptyObject) {
    TestBitmap none;
    CProcessorChain empty;
    CImageGrayer g;
    CProcessorChain one{&g};
    EXPECT_EQ(none.ProcessImage(empty), 0);
    EXPECT_EQ(none.ProcessImage(one), 0);
    EXPECT_EQ(none.GetDIBits32(), nullptr);

    TestBitmap bmp;
    const ref::Img src = kvtest::RandomImage(5, 4, 1);
    bmp.Set(src);
    const HBITMAP before = bmp.GetSafeHandle();
    EXPECT_EQ(bmp.ProcessImage(empty), 1);
    EXPECT_EQ(bmp.GetSafeHandle(), before);
    EXPECT_TRUE(kvtest::SameImage(src, bmp.Get()));
}

// Rotate → shrink → shear: the corners the shear leaves show only the background, although the
// rotation wrote a larger image into the same buffer before.
TEST(ImagingChain, BackgroundInUncoveredCorners) {
    const COLORREF bg = 0x336699;
    TestBitmap bmp(bg);
    const ref::Img src(40, 30, RGBX{1, 2, 3, 0});
    bmp.Set(src);
    CImageRotator rot(45, 1);
    CImageResizer shrink(0.5);
    CImageShearer shear(10, 6, 1);
    CProcessorChain chain{&rot, &shrink, &shear};
    ASSERT_EQ(bmp.ProcessImage(chain), 1);
    const ref::Img expect =
        ref::Shear(ref::Shrink(ref::Rotate(src, ref::RotatorAngleFromDegrees(45), true, bg), 0.5, bg), 10, 6, true, bg);
    EXPECT_TRUE(kvtest::SameImage(expect, bmp.Get()));
    const RGBX corner = bmp.Get().at(0, bmp.Get().h - 1);
    EXPECT_TRUE(corner.blue == 0x33 && corner.green == 0x66 && corner.red == 0x99);
}

TEST(ImagingChain, ChainEqualsStepsAndOneProcessorTwice) {
    TestBitmap a, b;
    const ref::Img src = kvtest::RandomImage(33, 21, 2);
    a.Set(src);
    b.Set(src);
    CImageGrayer g;
    CImageFlipper f(1, 0);
    CImageRotator r(90, 0);
    CImageBlurrer bl(3);
    CProcessorChain chain{&g, &f, &r, &f, &bl};
    ASSERT_EQ(a.ProcessImage(chain), 1);
    ASSERT_EQ(b.GrayImage(), 1);
    ASSERT_EQ(b.FlipImage(1, 0), 1);
    ASSERT_EQ(b.RotateImage(90, 0), 1);
    ASSERT_EQ(b.FlipImage(1, 0), 1);
    ASSERT_EQ(b.BlurImage(3), 1);
    EXPECT_TRUE(kvtest::SameImage(b.Get(), a.Get()));
}

// Every failure keeps the old bitmap: a resizer of 0, a zero-height result, and sizes whose
// byte counts cannot be allocated or would overflow.
TEST(ImagingChain, FailuresKeepTheBitmap) {
    struct Row {
        const char* name;
        std::function<int(CImageBitmap&)> op;
    };
    const Row rows[] = {
        {"resize 0", [](CImageBitmap& b) { return b.ResizeImage(0); }},
        {"resize -1", [](CImageBitmap& b) { return b.ResizeImage(-1); }},
        {"resize 1e12", [](CImageBitmap& b) { return b.ResizeImage(1e12); }},
        {"resize 0.01 to nothing", [](CImageBitmap& b) { return b.ResizeImage(0.01); }},
        {"shear INT_MAX", [](CImageBitmap& b) { return b.ShearImage(INT_MAX, 0, 1); }},
        {"shear INT_MIN", [](CImageBitmap& b) { return b.ShearImage(INT_MIN, INT_MIN, 0); }},
        {"shear 2^16 both", [](CImageBitmap& b) { return b.ShearImage(65536, 65536, 1); }},
        {"scale then rotate", [](CImageBitmap& b) {
             CImageResizer big(3000);
             CImageRotator r(45, 1);
             CProcessorChain c{&big, &r};
             return b.ProcessImage(c);
         }},
    };
    const ref::Img src = kvtest::RandomImage(6, 5, 3);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TestBitmap bmp;
        bmp.Set(src);
        const HBITMAP before = bmp.GetSafeHandle();
        EXPECT_EQ(r.op(bmp), 0);
        EXPECT_EQ(bmp.GetSafeHandle(), before);
        EXPECT_TRUE(kvtest::SameImage(src, bmp.Get()));
    }
}

TEST(ImagingChain, CopyImage) {
    TestBitmap a, b;
    const ref::Img src = kvtest::RandomImage(7, 3, 5);
    a.Set(src);
    EXPECT_EQ(b.CopyImage(&a), 1);
    EXPECT_NE(b.GetSafeHandle(), a.GetSafeHandle());
    EXPECT_TRUE(kvtest::SameImage(src, b.Get()));
    const HBITMAP kept = b.GetSafeHandle();
    TestBitmap empty;
    EXPECT_EQ(b.CopyImage(&empty), 0);
    EXPECT_EQ(b.CopyImage(static_cast<HBITMAP>(nullptr)), 0);
    EXPECT_EQ(b.GetSafeHandle(), kept);
    EXPECT_TRUE(kvtest::SameImage(src, b.Get()));
}

}  // namespace

namespace {

// Processing from another bitmap is a copy followed by processing, without touching the source.
TEST(ImagingChain, ProcessFromAnotherBitmap) {
    TestBitmap raw, a, b;
    const ref::Img src = kvtest::RandomImage(29, 17, 8);
    raw.Set(src);
    CImageRotator rot(30, 1);
    CImageGrayer grey;
    CProcessorChain chain{&grey, &rot};
    ASSERT_EQ(a.ProcessImageFrom(raw, chain), 1);
    ASSERT_EQ(b.CopyImage(&raw), 1);
    ASSERT_EQ(b.ProcessImage(chain), 1);
    EXPECT_TRUE(kvtest::SameImage(b.Get(), a.Get()));
    EXPECT_TRUE(kvtest::SameImage(src, raw.Get()));
    CProcessorChain empty;
    ASSERT_EQ(a.ProcessImageFrom(raw, empty), 1);  // an empty chain copies
    EXPECT_TRUE(kvtest::SameImage(src, a.Get()));
    CImageResizer zero(0);
    CProcessorChain failing{&zero};
    const HBITMAP kept = a.GetSafeHandle();
    EXPECT_EQ(a.ProcessImageFrom(raw, failing), 0);
    EXPECT_EQ(a.GetSafeHandle(), kept);
    TestBitmap none;
    EXPECT_EQ(a.ProcessImageFrom(none, chain), 0);
}

}  // namespace

namespace {

// A long run of refreshes as the engine makes them (the processed image rebuilt from the raw one
// at every switch): each result is exact, though it is written into the bitmap an earlier run
// left behind (a grey, an inverted picture, a rotation's corners); results of one size take
// turns between two bitmaps instead of a new one each time; a failed run keeps the image; and
// no bitmap is left over, nor is one more made than the image and its spare.
TEST(ImagingChain, RefreshesReuseOneSpareAndLeaveNoBitmap) {
    const int64_t before = kv::bitmap::LiveSections();
    {
        const ref::Img src = kvtest::RandomImage(37, 23, 12);
        TestBitmap raw, processed(0xFFFFFF);
        raw.Set(src);
        CImageGrayer grey;
        CImageNegator negate;
        CImageRotator rotate(30, 1);
        CImageFlipper flip(1, 1);
        CImageColorReplacer replace(0, 0xFFFFFF);
        CImageResizer zero(0);
        struct Step {
            const char* name;
            CProcessorChain chain;
            ref::Img want;
        };
        const Step steps[] = {
            {"grey", {&grey}, ref::Grey(src)},
            {"negate", {&negate}, ref::Negate(src, 0xFFFFFF)},
            {"rotate", {&rotate}, ref::Rotate(src, ref::RotatorAngleFromDegrees(30), true, 0xFFFFFF)},
            {"flip", {&flip}, ref::Flip(src, true, true)},
            {"grey negate", {&grey, &negate}, ref::Negate(ref::Grey(src), 0xFFFFFF)},
            {"replace", {&replace}, ref::Replace(src, 0, 0xFFFFFF)},
            {"negate rotate", {&negate, &rotate},
             ref::Rotate(ref::Negate(src, 0xFFFFFF), ref::RotatorAngleFromDegrees(30), true, 0xFFFFFF)},
            // Both buffers between the steps, kept from the runs before with their pixels.
            {"rotate flip negate grey", {&rotate, &flip, &negate, &grey},
             ref::Grey(ref::Negate(ref::Flip(ref::Rotate(src, ref::RotatorAngleFromDegrees(30), true, 0xFFFFFF), true, true),
                                   0xFFFFFF))},
        };
        HBITMAP last[2] = {nullptr, nullptr};  // the results of the last two runs of the same size
        for (int i = 0; i < 300; ++i) {
            const Step& s = steps[i % 8];
            SCOPED_TRACE(testing::Message() << "run " << i << " " << s.name);
            CProcessorChain chain = s.chain;
            // White fills the reserved byte with 0xFF, which grey and the flips do not keep: a
            // step writing into an earlier result must have its background under it.
            ASSERT_EQ(processed.ProcessImageFrom(raw, chain), 1);
            EXPECT_TRUE(kvtest::SameImage(s.want, processed.Get()));
            // At most the raw image, the processed one and its spare.
            EXPECT_LE(kv::bitmap::LiveSections(), before + 3);
            const HBITMAP now = processed.GetSafeHandle();
            if (s.name == std::string("grey")) {
                // grey, then negate at the same size: the third same-sized result is the first's bitmap.
                last[0] = now;
            } else if (s.name == std::string("negate")) {
                last[1] = now;
                EXPECT_NE(last[1], last[0]);
                CProcessorChain again{&grey};
                ASSERT_EQ(processed.ProcessImageFrom(raw, again), 1);
                EXPECT_EQ(processed.GetSafeHandle(), last[0]);
                EXPECT_TRUE(kvtest::SameImage(ref::Grey(src), processed.Get()));
                CProcessorChain failing{&negate, &zero};
                const HBITMAP kept = processed.GetSafeHandle();
                EXPECT_EQ(processed.ProcessImageFrom(raw, failing), 0);
                EXPECT_EQ(processed.GetSafeHandle(), kept);
                EXPECT_TRUE(kvtest::SameImage(ref::Grey(src), processed.Get()));
            }
        }
    }
    EXPECT_EQ(kv::bitmap::LiveSections(), before);
}

}  // namespace

// Exact sizes and pixel values of the processors on small hand-made images.
#include <climits>
#include <cmath>

#include "TestImages.h"

namespace {

RGBX Red(int r) { return RGBX{0, 0, uint8_t(r), 0}; }
RGBX Grey(int v) { return RGBX{uint8_t(v), uint8_t(v), uint8_t(v), 0}; }

TEST(ImagingValues, DestinationSizes) {
    struct Row {
        const char* name;
        CImage32BitProcessor* p;
        CSize in, out;
    };
    CImageRotator r30(30, 1), r45(45, 1), r90(90, 0), r180(180, 0), r1(1, 1), r0(0, 1), r360(360, 0), rRad0(0.0);
    CImageShearer sh50(50, 0, 1), shm20(0, -20, 0), sh00(0, 0, 1);
    CImageResizer half(0.5), twice(2.0);
    CImageFlipper flip(1, 1);
    const Row rows[] = {
        {"rotate 30", &r30, {100, 50}, {112, 94}},   {"rotate 45", &r45, {100, 50}, {108, 108}},
        {"rotate 90", &r90, {100, 50}, {52, 102}},   {"rotate 180", &r180, {100, 50}, {102, 52}},
        {"rotate 1", &r1, {100, 50}, {102, 52}},     {"rotate 0", &r0, {100, 50}, {100, 50}},
        {"rotate 360", &r360, {100, 50}, {100, 50}}, {"rotate 0.0 rad", &rRad0, {100, 50}, {102, 52}},
        {"rotate empty", &r30, {0, 50}, {0, 50}},    {"shear 50,0", &sh50, {100, 50}, {150, 50}},
        {"shear 0,-20", &shm20, {100, 50}, {100, 70}}, {"shear 0,0", &sh00, {100, 50}, {100, 50}},
        {"shrink 101x51", &half, {101, 51}, {50, 25}}, {"enlarge 3x3", &twice, {3, 3}, {6, 6}},
        {"flip", &flip, {7, 3}, {7, 3}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const CSize got = r.p->CalcDestSize(r.in);
        EXPECT_EQ(got.cx, r.out.cx);
        EXPECT_EQ(got.cy, r.out.cy);
    }
}

TEST(ImagingValues, RotatorNormalisesAngles) {
    const double kPi = 3.141592653589793;
    struct Row {
        int degrees;
        int normal;
    };
    for (Row r : {Row{-1, 359}, {-360, 0}, {-361, 359}, {725, 5}, {360, 0}, {0, 0}, {-90, 270}, {INT_MIN, 232},
                  {INT_MAX, 127}}) {
        SCOPED_TRACE(r.degrees);
        EXPECT_EQ(CImageRotator(r.degrees, 0).GetAngle(), r.normal * kPi / 180);
    }
    EXPECT_EQ(CImageRotator(0.0).GetAngle(), 6.283185307179586);
    EXPECT_EQ(CImageRotator(-6.283185307179586).GetAngle(), 6.283185307179586);
    EXPECT_GT(CImageRotator(1e300).GetAngle(), 0.0);  // far-off angles end quickly, inside (0, 2π]
    EXPECT_LE(CImageRotator(-1e300).GetAngle(), 6.283185307179586);
    EXPECT_EQ(CImageRotator(std::nan("")).GetAngle(), 6.283185307179586);
}

TEST(ImagingValues, MinusNinetyEqualsTwoSeventy) {
    const ref::Img src = kvtest::RandomImage(9, 5, 3);
    CImageRotator a(-90, 1), b(270, 1);
    EXPECT_TRUE(kvtest::SameImage(kvtest::Run(a, src, 0xFFFFFF), kvtest::Run(b, src, 0xFFFFFF)));
}

TEST(ImagingValues, NearestRotationUsesOnlySourceAndBackgroundColours) {
    ref::Img src(20, 10);
    for (int i = 0; i < 200; ++i) src.px[i] = (i % 3) ? RGBX{10, 20, 30, 0} : RGBX{200, 100, 50, 0};
    CImageRotator nearest(33, 0), blended(33, 1);
    int foreign = 0;
    for (const RGBX& p : kvtest::Run(nearest, src, 0xFFFFFF).px)
        foreign += !(p.blue == 10 && p.green == 20) && !(p.blue == 200 && p.green == 100) && p.blue != 255;
    EXPECT_EQ(foreign, 0);
    foreign = 0;
    for (const RGBX& p : kvtest::Run(blended, src, 0xFFFFFF).px)
        foreign += !(p.blue == 10 && p.green == 20) && !(p.blue == 200 && p.green == 100) && p.blue != 255;
    EXPECT_GT(foreign, 0);
}

TEST(ImagingValues, Blend) {
    ref::Img img(4, 2, Red(0));
    img.at(2, 0) = Red(100);
    img.at(3, 0) = Red(200);
    img.at(2, 1) = Red(100);
    img.at(0, 0) = RGBX{1, 2, 3, 77};
    CImage32BitProcessor p;
    const CSize size(4, 2);
    EXPECT_EQ(p.CalcWeightedColor(img.px.data(), size, 2.5, 0).red, 125);
    // At the last column the right neighbour is that column itself: 0.5·(200·0.5 + 200·0.5 + 200 + 0).
    EXPECT_EQ(p.CalcWeightedColor(img.px.data(), size, 3.5, 0).red, 200);
    const RGBX neg = p.CalcWeightedColor(img.px.data(), size, -0.5, 0);
    EXPECT_EQ(neg.blue, 1);
    EXPECT_EQ(neg.reserved, 77);  // unblended: the whole pixel
    EXPECT_EQ(p.CalcWeightedColor(img.px.data(), size, 2.0, 0).reserved, 0);
}

TEST(ImagingValues, ShearPlacesRows) {
    ref::Img src(100, 50, RGBX{0, 0, 0, 0});
    CImageShearer right(50, 0, 0);
    const ref::Img d = kvtest::Run(right, src, 0xFFFFFF);
    auto firstBlack = [&](int y) {
        for (int x = 0; x < d.w; ++x)
            if (d.at(x, y).blue == 0) return x;
        return -1;
    };
    EXPECT_EQ(firstBlack(0), 50);
    EXPECT_EQ(firstBlack(49), 1);

    CImageShearer down(0, -20, 0);
    const ref::Img v = kvtest::Run(down, src, 0xFFFFFF);
    ASSERT_EQ(v.h, 70);
    auto firstBlackRow = [&](int x) {
        for (int y = 0; y < v.h; ++y)
            if (v.at(x, y).blue == 0) return y;
        return -1;
    };
    EXPECT_EQ(firstBlackRow(0), 20);
    EXPECT_EQ(firstBlackRow(99), 0);
}

TEST(ImagingValues, ScaleExamples) {
    ref::Img s3(3, 3);
    for (int i = 0; i < 9; ++i) s3.px[i] = Red(20 * i + 7);
    CImageResizer twice(2.0);
    const ref::Img e = kvtest::Run(twice, s3, 0xFFFFFF);
    EXPECT_EQ(e.at(1, 0).red, int(0.5 * (7 * 0.5 + 27 * 0.5 + 7)));

    ref::Img s4(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) s4.at(x, y) = Red(40 * x);
    CImageResizer half(0.5);
    const ref::Img sh = kvtest::Run(half, s4, 0xFFFFFF);
    ASSERT_EQ(sh.w, 2);
    ASSERT_EQ(sh.h, 1);
    EXPECT_EQ(sh.at(0, 0).red, 40);
    EXPECT_EQ(sh.at(1, 0).red, 120);
    EXPECT_EQ(sh.at(0, 0).reserved, 255);  // not written: the white fill stays

    int result = -1;
    CImageResizer zero(0), negative(-2), nan(std::nan(""));
    kvtest::Run(zero, s4, 0xFFFFFF, &result);
    EXPECT_EQ(result, 0);
    kvtest::Run(negative, ref::Img(2, 2), 0xFFFFFF, &result);
    EXPECT_EQ(result, 0);
    kvtest::Run(nan, s4, 0xFFFFFF, &result);
    EXPECT_EQ(result, 0);
}

TEST(ImagingValues, ColourProcessors) {
    struct Row {
        RGBX in;
        int grey;
    };
    CImageGrayer g;
    for (Row r : {Row{{0, 0, 255, 9}, 76}, {{0, 255, 0, 9}, 153}, {{255, 0, 0, 9}, 25}, {{255, 255, 255, 9}, 255},
                  {{0, 0, 0, 9}, 0}}) {
        const ref::Img d = kvtest::Run(g, ref::Img(1, 1, r.in), 0xFFFFFF);
        EXPECT_EQ(d.px[0].red, r.grey);
        EXPECT_EQ(d.px[0].green, r.grey);
        EXPECT_EQ(d.px[0].reserved, 0);
    }
    CImageColorReplacer rep(0, 255);
    const ref::Img in(2, 1, RGBX{0, 0, 0, 200});
    ref::Img two = in;
    two.px[1] = RGBX{0, 0, 1, 0};
    const ref::Img d = kvtest::Run(rep, two, 0xFFFFFF);
    EXPECT_TRUE(d.px[0].red == 255 && d.px[0].blue == 0 && d.px[0].reserved == 0);
    EXPECT_TRUE(d.px[1].red == 1 && d.px[1].blue == 0);
    // The top byte of 'from' takes no part in the comparison.
    CImageColorReplacer rep2(0xFF000000, 255);
    EXPECT_EQ(kvtest::Run(rep2, in, 0xFFFFFF).px[0].red, 255);
}

TEST(ImagingValues, BlurAndSharpen) {
    ref::Img dot(3, 3, Grey(0));
    dot.at(1, 1) = Grey(255);
    CImageBlurrer b10(10);
    const ref::Img bd = kvtest::Run(b10, dot, 0);
    EXPECT_EQ(bd.at(1, 1).red, 98);
    EXPECT_EQ(bd.at(0, 0).red, 255 / 8);  // a corner is normalised by centre + 3 = 8
    ref::Img big(5, 5, Grey(0));
    big.at(2, 2) = Grey(255);
    const ref::Img bb = kvtest::Run(b10, big, 0);
    EXPECT_EQ(bb.at(2, 2).red, 98);
    EXPECT_EQ(bb.at(1, 1).red, 19);
    EXPECT_EQ(bb.at(3, 2).red, 19);

    const ref::Img flat = ref::Img(9, 6, RGBX{17, 130, 250, 3});
    CImageBlurrer b5(5);
    const ref::Img bf = kvtest::Run(b5, flat, 0xFFFFFF);
    for (const RGBX& p : bf.px) EXPECT_TRUE(p.blue == 17 && p.green == 130 && p.red == 250 && p.reserved == 255);

    ref::Img peak(3, 3, Grey(100)), pit(3, 3, Grey(100));
    peak.at(1, 1) = Grey(200);
    pit.at(1, 1) = Grey(0);
    CImageSharpener s5(5);
    EXPECT_EQ(kvtest::Run(s5, peak, 0).at(1, 1).red, 255);
    EXPECT_EQ(kvtest::Run(s5, pit, 0).at(1, 1).red, 0);
    // A uniform area stays exactly as it is, and images under 3 pixels are copied.
    const ref::Img sf = kvtest::Run(s5, flat, 0xFFFFFF);
    for (const RGBX& p : sf.px) EXPECT_TRUE(p.blue == 17 && p.green == 130 && p.red == 250);
    const ref::Img thin = kvtest::RandomImage(2, 9, 4);
    EXPECT_TRUE(kvtest::SameImage(thin, kvtest::Run(s5, thin, 0)));
}

// Grey and inversion are functions of (R, G, B): all 2^24 colours, with varied reserved bytes.
TEST(ImagingValues, GreyAndNegateExhaustive) {
    ref::Img all(4096, 4096);
    for (uint32_t i = 0; i < (1u << 24); ++i) all.px[i] = RGBX{uint8_t(i), uint8_t(i >> 8), uint8_t(i >> 16), uint8_t(i * 7)};
    CImageGrayer g;
    const ref::Img grey = kvtest::Run(g, all, 0x336699);
    CImageNegator n;
    const ref::Img neg = kvtest::Run(n, all, 0xFFFFFF);
    int bad = 0;
    for (uint32_t i = 0; i < (1u << 24) && bad < 5; ++i) {
        const RGBX s = all.px[i], a = grey.px[i], b = neg.px[i];
        const int gv = (3 * s.red + 6 * s.green + s.blue) / 10;
        if (a.blue != gv || a.green != gv || a.red != gv || a.reserved != 0) ++bad, ADD_FAILURE() << "grey " << i;
        if (b.blue != 255 - s.blue || b.green != 255 - s.green || b.red != 255 - s.red || b.reserved != 255)
            ++bad, ADD_FAILURE() << "negate " << i;
    }
    const ref::Img back = kvtest::Run(n, neg, 0);
    for (uint32_t i = 0; i < (1u << 24); i += 4099) EXPECT_EQ(back.px[i].green, all.px[i].green);
}

}  // namespace

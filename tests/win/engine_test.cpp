// The engine in-process on the virtual screen: start and close, the processing chain and the
// thumbnail, the screen grab, and no handle left behind after many refreshes.
#include <gtest/gtest.h>

#include <memory>

#include "TestImages.h"
#include "WinTestUtil.h"
#include "engine/KarvoCore.h"
#include "framework/Handles.h"
#include "imaging/BitmapOps.h"
#include "settings/Helper.h"

namespace {

class TestCore : public CKarvoCore {
public:
    using CKarvoCore::ConvertImage;
    using CKarvoCore::ResetBitmapData;
    using CKarvoCore::SetThubImage;
    using CKarvoCore::SnapRect;
    using CKarvoCore::m_bmpRaw;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileW(CKarvoConfig::GetConfigPath().c_str());
        ASSERT_TRUE(main.CreateEx(0, L"engine test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(100, 100, 700, 600), nullptr, 0));
        ASSERT_TRUE(preview.Create(L"", WS_VISIBLE, CRect(10, 10, 410, 310), &main, 1001));  // 400 × 300 client
        kvtest::Pump();
    }
    void TearDown() override {
        DeleteFileW(CKarvoConfig::GetConfigPath().c_str());
    }
    kvtest::PatternWindow main, preview;
};

TEST_F(EngineTest, InitCreatesTheEngineWindowAndCloseSaves) {
    {
        TestCore core;
        ASSERT_TRUE(core.InitDadodav(&main, &preview));
        HWND engine = GetDlgItem(main, 100);
        EXPECT_EQ(engine, core.GetSafeHwnd());
        EXPECT_FALSE(IsWindowVisible(engine));
        EXPECT_EQ(GetParent(engine), main.GetSafeHwnd());
        core.m_config.SetSnapDelayTime(1234);
        core.m_config.SetAppName(L"测试/名字");
        core.CloseDadodav();
        EXPECT_TRUE(core.GetConfigSaved());
        EXPECT_FALSE(IsWindow(engine));
    }
    CKarvoCore second;
    ASSERT_TRUE(second.InitDadodav(&main, &preview));
    EXPECT_EQ(second.m_config.GetSnapDelayTime(), 1234u);
    EXPECT_EQ(second.m_config.GetAppName(), L"测试/名字");
    second.CloseDadodav();

    CKarvoCore noWindow;
    EXPECT_FALSE(noWindow.InitDadodav(&main, nullptr));
    noWindow.CloseDadodav();
}

TEST_F(EngineTest, RefreshRunsTheChainAndFitsTheThumbnail) {
    TestCore core;
    ASSERT_TRUE(core.InitDadodav(&main, &preview));
    int x = -1, y = -1;
    core.RefreshImageData();  // nothing captured yet: nothing changes
    EXPECT_EQ(core.GetImage(), nullptr);
    EXPECT_EQ(core.GetThubImage(x, y), nullptr);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    const ref::Img src = kvtest::Opaque(kvtest::RandomImage(1920, 1080, 11));
    HBITMAP h = kvtest::MakeBitmap(src);
    core.ResetBitmapData(h);
    DeleteObject(h);
    core.SetPathName(L"C:\\x.png");
    core.RefreshImageData();
    EXPECT_EQ(core.GetPathName(), L"");
    ASSERT_TRUE(core.GetImage());
    EXPECT_TRUE(kvtest::SameImage(src, kvtest::ImagePixels(core.GetImage())));
    Gdiplus::Image* thumb = core.GetThubImage(x, y);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->GetWidth(), 396u);
    EXPECT_EQ(thumb->GetHeight(), 222u);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 39);

    // Switch grey and a flip on, off and on again: the same picture each time it is on.
    core.m_config.SetGrayScale(1);
    core.m_config.SetFlipHorz(1);
    core.RefreshImageData();
    const ref::Img on = kvtest::ImagePixels(core.GetImage());
    EXPECT_TRUE(kvtest::SameImage(ref::Flip(ref::Grey(src), true, false), on));
    core.m_config.SetGrayScale(0);
    core.m_config.SetFlipHorz(0);
    core.RefreshImageData();
    EXPECT_TRUE(kvtest::SameImage(src, kvtest::ImagePixels(core.GetImage())));
    core.m_config.SetGrayScale(1);
    core.m_config.SetFlipHorz(1);
    core.RefreshImageData();
    EXPECT_TRUE(kvtest::SameImage(on, kvtest::ImagePixels(core.GetImage())));

    // Rotation, resize and shear change the size as their processors say.
    core.m_config.SetGrayScale(0), core.m_config.SetFlipHorz(0);
    core.m_config.SetRotate(1), core.m_config.SetRotateAngle(90);
    core.m_config.SetScale(1), core.m_config.SetScaleFactor(50);
    core.m_config.SetShearAcross(1), core.m_config.SetShearAcrossAmout(20);
    core.RefreshImageData();
    ASSERT_TRUE(core.GetImage());
    EXPECT_EQ(core.GetImage()->GetWidth(), 1082u / 2 + 20);
    EXPECT_EQ(core.GetImage()->GetHeight(), 1922u / 2);

    int lastX = 0, lastY = 0;
    core.GetThubImage(lastX, lastY);
    core.ClearGdiplusImage();
    EXPECT_EQ(core.GetImage(), nullptr);
    EXPECT_EQ(core.GetThubImage(x, y), nullptr);
    EXPECT_EQ(x, lastX);  // the last offsets stay
    EXPECT_EQ(y, lastY);
    core.RefreshImageData();  // the last capture comes back
    EXPECT_TRUE(core.GetImage());
    core.CloseDadodav();
}

TEST_F(EngineTest, ThumbnailExamples) {
    TestCore core;
    ASSERT_TRUE(core.InitDadodav(&main, &preview));
    struct Row {
        int w, h, tw, th, left, top;
    };
    for (Row r : {Row{800, 600, 394, 296, 3, 2}, {300, 200, 300, 200, 50, 50}, {1280, 1024, 370, 296, 15, 2},
                  {1, 5000, 1, 296, 199, 2}, {5000, 1, 396, 1, 2, 149}}) {
        SCOPED_TRACE(r.w);
        Gdiplus::Bitmap image(r.w, r.h, PixelFormat24bppRGB);
        core.SetThubImage(&image);
        int x = 0, y = 0;
        Gdiplus::Image* t = core.GetThubImage(x, y);
        ASSERT_TRUE(t);
        EXPECT_EQ(int(t->GetWidth()), r.tw);
        EXPECT_EQ(int(t->GetHeight()), r.th);
        EXPECT_EQ(x, r.left);
        EXPECT_EQ(y, r.top);
    }
    core.SetThubImage(nullptr);
    // A thin capture (or step result): the thumbnail made from its pixels is one pixel wide,
    // each pixel the mean of its block of rows.
    for (Row r : {Row{1, 450, 1, 296, 199, 2}, {5000, 1, 396, 1, 2, 149}}) {
        SCOPED_TRACE(r.w);
        ref::Img thin(r.w, r.h);
        for (int i = 0; i < r.w * r.h; ++i) thin.px[size_t(i)] = RGBX{uint8_t(i % 2 ? 200 : 100), 0, 0, 0};
        HBITMAP h = kvtest::MakeBitmap(thin);
        core.ResetBitmapData(h);
        DeleteObject(h);
        core.RefreshImageData();
        int x = 0, y = 0;
        Gdiplus::Image* t = core.GetThubImage(x, y);
        ASSERT_TRUE(t);
        ASSERT_EQ(int(t->GetWidth()), r.tw);
        ASSERT_EQ(int(t->GetHeight()), r.th);
        EXPECT_EQ(x, r.left);
        EXPECT_EQ(y, r.top);
        const ref::Img got = kvtest::ImagePixels(t);
        int bad = 0;
        for (int i = 0; i < r.tw * r.th; ++i) {
            const int n = r.w * r.h, first = int(int64_t(i) * n / (r.tw * r.th)), end = int(int64_t(i + 1) * n / (r.tw * r.th));
            int sum = 0;
            for (int k = first; k < end; ++k) sum += k % 2 ? 200 : 100;
            bad += got.px[size_t(i)].blue != (sum + (end - first) / 2) / (end - first);
        }
        EXPECT_EQ(bad, 0);
    }
    core.CloseDadodav();
}

TEST_F(EngineTest, SnapBitmapGrabsExactPixels) {
    SetWindowPos(main, HWND_TOP, 100, 100, 600, 500, SWP_SHOWWINDOW);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    // On the screen once both have painted: a pixel of the window outside the preview child and
    // the first one grabbed below, inside the child (which paints the same function from its own
    // corner at client (10, 10)).
    ASSERT_TRUE(kvtest::PumpUntil([&] {
        HDC screen = GetDC(nullptr);
        const COLORREF outside = GetPixel(screen, origin.x + 5, origin.y + 5);
        const COLORREF inside = GetPixel(screen, origin.x + 20, origin.y + 15);
        ReleaseDC(nullptr, screen);
        return outside == main.colour(5, 5) && inside == main.colour(10, 5);
    }));
    // 50 × 40 pixels from client (20, 15): the painted function of client coordinates.
    std::unique_ptr<CImageBitmap> grab(
        CKarvoCore::SnapBitmap(GetDesktopWindow(), CRect(origin.x + 20, origin.y + 15, origin.x + 70, origin.y + 55)));
    ASSERT_TRUE(grab);
    ASSERT_TRUE(grab->GetSafeHandle());
    const ref::Img got = kvtest::BitmapPixels(grab->GetSafeHandle());
    ref::Img expect(50, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) {
            // (20, 15) lies in the preview child at client (10, 10); skip it: it is painted by the child.
            const int cx = x + 20, cy = y + 15;
            const bool inPreview = cx >= 10 && cx < 410 && cy >= 10 && cy < 310;
            const COLORREF c = inPreview ? main.colour(cx - 10, cy - 10) : main.colour(cx, cy);
            expect.at(x, y) = RGBX{GetBValue(c), GetGValue(c), GetRValue(c), 0};
        }
    EXPECT_TRUE(kvtest::SameImage(expect, got));

    // The whole desktop with an empty rectangle is the primary screen.
    std::unique_ptr<CImageBitmap> screen(CKarvoCore::SnapBitmap(GetDesktopWindow(), CRect()));
    ASSERT_TRUE(screen && screen->GetSafeHandle());
    BITMAP bm{};
    GetObjectW(screen->GetSafeHandle(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(bm.bmHeight, GetSystemMetrics(SM_CYSCREEN));

    // Wholly off the primary screen, or no window: nothing.
    EXPECT_EQ(CKarvoCore::SnapBitmap(GetDesktopWindow(), CRect(5000, 0, 5100, 100)), nullptr);
    EXPECT_EQ(CKarvoCore::SnapBitmap(nullptr, CRect()), nullptr);

    // A window whose left edge is at −100 is grabbed from its own corner, on-screen width only.
    SetWindowPos(main, nullptr, -100, 50, 300, 200, SWP_NOZORDER);
    kvtest::Pump();
    std::unique_ptr<CImageBitmap> left(CKarvoCore::SnapBitmap(main, CRect()));
    ASSERT_TRUE(left && left->GetSafeHandle());
    GetObjectW(left->GetSafeHandle(), sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 200);
    EXPECT_EQ(bm.bmHeight, 200);
}

TEST_F(EngineTest, FullScreenCaptureAndFailedGrab) {
    TestCore core;
    ASSERT_TRUE(core.InitDadodav(&main, &preview));
    core.m_config.SetSnapDelayTime(0);
    core.m_config.SetPlaySnapSound(0);
    core.m_config.SetSnapMode(3);
    ASSERT_TRUE(core.SnapFullScreen());
    EXPECT_EQ(core.m_config.GetSnapMode(), 0);
    ASSERT_TRUE(core.GetImage());
    EXPECT_EQ(int(core.GetImage()->GetWidth()), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_TRUE(IsWindowVisible(main));  // shown again after the capture
    Gdiplus::Image* before = core.GetImage();
    // A grab of nothing: FALSE and the previous image stays current.
    EXPECT_FALSE(core.SnapRect(GetDesktopWindow(), CRect(9000, 9000, 9100, 9100)));
    EXPECT_EQ(core.GetImage(), before);

    // Grabs of one size fill the raw image before the last one again (the third capture takes
    // the first one's bitmap): each shows the screen as it is then, here with the window moved
    // between the captures, pixel for pixel what a fresh grab shows.
    core.m_config.SetHideMainWnd(0);
    const HBITMAP first = core.m_bmpRaw.GetSafeHandle();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        SetWindowPos(main, nullptr, 100 + 40 * i, 100 + 30 * i, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        POINT origin{0, 0};
        ClientToScreen(main, &origin);
        ASSERT_TRUE(kvtest::PumpUntil([&] {
            HDC screen = GetDC(nullptr);
            const COLORREF c = GetPixel(screen, origin.x + 5, origin.y + 5);
            ReleaseDC(nullptr, screen);
            return c == main.colour(5, 5);
        }));
        ASSERT_TRUE(core.SnapFullScreen());
        if (i == 1) {
            EXPECT_EQ(core.m_bmpRaw.GetSafeHandle(), first);  // the first capture's bitmap again
        }
        std::unique_ptr<CImageBitmap> fresh(CKarvoCore::SnapBitmap(GetDesktopWindow(), CRect()));
        ASSERT_TRUE(fresh && fresh->GetSafeHandle());
        EXPECT_TRUE(kvtest::SameImage(kvtest::BitmapPixels(fresh->GetSafeHandle()), kvtest::BitmapPixels(core.m_bmpRaw.GetSafeHandle())));
    }
    core.CloseDadodav();
}

// Also no DIB section of the library's: a refresh keeps the raw image, the processed one, at
// most one spare of the chain's and one of the grab's, and grabs of the screen replace the raw
// image without leaving the old ones.
TEST_F(EngineTest, NoHandleLeftAfterManyRefreshes) {
    const long owners = kv::LiveOwnerCount().load();
    const int64_t sections = kv::bitmap::LiveSections();
    {
        TestCore core;
        ASSERT_TRUE(core.InitDadodav(&main, &preview));
        const ref::Img src = kvtest::Opaque(kvtest::RandomImage(64, 48, 5));
        HBITMAP h = kvtest::MakeBitmap(src);
        core.ResetBitmapData(h);
        DeleteObject(h);
        core.m_config.SetRotate(1);
        core.m_config.SetBlur(1);
        std::vector<HBITMAP> seen;
        for (int i = 0; i < 1000; ++i) {
            core.m_config.SetRotateAngle(i);
            core.RefreshImageData();
            std::unique_ptr<CImageBitmap> ddb(core.ConvertImage(core.GetImage()));
            ASSERT_TRUE(ddb);
            if (i % 100 == 0) seen.push_back(ddb->GetSafeHandle());
            if (i % 50 == 25) {
                ASSERT_TRUE(core.SnapRect(GetDesktopWindow(), CRect(0, 0, 60 + i % 7, 40 + i % 5)));
            }
            ASSERT_LE(kv::bitmap::LiveSections(), sections + 4) << "refresh " << i;
        }
        for (HBITMAP old : seen) EXPECT_EQ(GetObjectType(old), 0u);  // released bitmaps are gone
        core.CloseDadodav();
    }
    EXPECT_EQ(kv::LiveOwnerCount().load(), owners);
    EXPECT_EQ(kv::bitmap::LiveSections(), sections);
}

}  // namespace

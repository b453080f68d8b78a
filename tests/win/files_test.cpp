// Image files and the clipboard through the engine, in-process: save/open round trips in every
// installed format, failures that change nothing, the clipboard in both directions, and the
// bitmap loaders.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "CoreFixture.h"
#include "settings/FileDialogs.h"

namespace {

using kvtest::TestCore;

// Decoded independently of the engine: GDI+ from the file itself.
ref::Img Decode(const std::wstring& path) {
    Gdiplus::Bitmap bmp(path.c_str());
    if (bmp.GetLastStatus() != Gdiplus::Ok) return {};
    return kvtest::ImagePixels(&bmp);
}

int MaxDiff(const ref::Img& a, const ref::Img& b) {
    if (a.w != b.w || a.h != b.h) return 999;
    int m = 0;
    for (size_t i = 0; i < a.px.size(); ++i)
        for (int c = 0; c < 3; ++c) m = std::max(m, std::abs(ref::Ch(a.px[i], c) - ref::Ch(b.px[i], c)));
    return m;
}

class Files : public kvtest::CoreWithImage {
protected:
    void SetUp() override {
        // Smooth content (JPEG keeps it within a small tolerance), 64 colours at most (GIF keeps it).
        ref::Img image(120, 90);
        for (int y = 0; y < image.h; ++y)
            for (int x = 0; x < image.w; ++x) image.at(x, y) = RGBX{uint8_t(x / 30 * 85), uint8_t(y / 30 * 85), 128, 0};
        Start(L"files", image);
    }
};

TEST_F(Files, InstalledEncodersAndFilters) {
    const kv::CodecList enc = kv::InstalledCodecs(false), dec = kv::InstalledCodecs(true);
    for (const wchar_t* ext : {L"bmp", L"png", L"jpg", L"gif", L"tif"}) EXPECT_TRUE(kv::CodecForExtension(enc, ext)) << ext;
    EXPECT_GE(dec.size(), enc.size());
    const std::wstring filter = kv::MakeOpenFilter(dec, CGdiplusFileDialog::UiFilterTexts());
    EXPECT_EQ(filter.rfind(L"所有支持的图像文件|", 0), 0u);
    EXPECT_EQ(filter.substr(filter.size() - 2), L"||");
    for (const CGdiplusCodecInfo& c : enc) EXPECT_EQ(c.GetExtensions().find_first_of(L"ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::wstring::npos);
}

TEST_F(Files, SaveAndOpenRoundTrips) {
    struct Row {
        const wchar_t* ext;
        int tolerance;
    };
    const std::wstring dir = kvtest::TempFolder(L"卡沃 图像 files");
    for (Row r : {Row{L"bmp", 0}, {L"png", 0}, {L"tif", 0}, {L"gif", 0}, {L"jpg", 80}}) {
        SCOPED_TRACE(std::string(r.ext, r.ext + wcslen(r.ext)));
        const std::wstring path = dir + L"图 " + r.ext + L"." + r.ext;
        // GIF is written from 8-bit indices: the picture comes back as the palette's nearest
        // colours.
        const bool gif = std::wstring(r.ext) == L"gif";
        const ref::Img expected = gif ? ref::QuantiseWeb(kvtest::Opaque(src)) : kvtest::Opaque(src);
        ASSERT_TRUE(core.SaveImage(path, FALSE));
        EXPECT_EQ(core.GetPathName(), path);
        EXPECT_LE(MaxDiff(expected, Decode(path)), r.tolerance);
        // The thumbnail: its own size and pixels; the names stay those of the full save.
        const std::wstring thumb = dir + L"thumb." + r.ext;
        ASSERT_TRUE(core.SaveImage(thumb, TRUE));
        int x = 0, y = 0;
        Gdiplus::Image* t = core.GetThubImage(x, y);
        const ref::Img decoded = Decode(thumb);
        EXPECT_EQ(decoded.w, int(t->GetWidth()));
        EXPECT_EQ(core.GetPathName(), path);

        TestCore other;
        CWnd m2, p2;
        m2.CreateEx(0, L"o", WS_OVERLAPPEDWINDOW, CRect(0, 0, 500, 400), nullptr, 0);
        p2.Create(L"", WS_VISIBLE, CRect(0, 0, 400, 300), &m2, 1001);
        ASSERT_TRUE(other.InitDadodav(&m2, &p2));
        other.m_config.SetBlur(1);
        ASSERT_TRUE(other.OpenImage(path));
        EXPECT_EQ(other.m_config.GetBlur(), 0);  // opening switches the operations off
        EXPECT_EQ(other.GetPathName(), path);
        EXPECT_LE(MaxDiff(expected, kvtest::ImagePixels(other.GetImage())), r.tolerance);
        // Saving back over the opened file works: the file is not held open.
        EXPECT_TRUE(other.SaveImage(path, FALSE));
        other.CloseDadodav();
        DeleteFileW(CKarvoConfig::GetConfigPath().c_str());
    }
    EXPECT_EQ(kvtest::CountFiles(dir), 10);
}

TEST_F(Files, FailedOpenChangesNothing) {
    const std::wstring dir = kvtest::TempFolder(L"kv bad open");
    const std::wstring bad = dir + L"not an image.png";
    HANDLE f = CreateFileW(bad.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    WriteFile(f, "garbage!", 8, &n, nullptr);
    CloseHandle(f);
    core.m_config.SetGrayScale(1);
    core.RefreshImageData();
    core.SetPathName(L"C:\\old.png");
    Gdiplus::Image* before = core.GetImage();
    int x = 0, y = 0;
    Gdiplus::Image* thumb = core.GetThubImage(x, y);
    for (const std::wstring& p : {bad, dir + L"missing.png"}) {
        EXPECT_FALSE(core.OpenImage(p));
        EXPECT_EQ(core.GetLastFileStatus(), CKarvoCore::FileStatus::LoadFailed);
        EXPECT_EQ(core.GetLastFilePath(), p);
        EXPECT_EQ(core.GetImage(), before);
        EXPECT_EQ(core.GetThubImage(x, y), thumb);
        EXPECT_EQ(core.GetPathName(), L"C:\\old.png");
        EXPECT_EQ(core.m_config.GetGrayScale(), 1);
    }
}

TEST_F(Files, FailedSaveLeavesNoFile) {
    const std::wstring dir = kvtest::TempFolder(L"kv bad save");
    EXPECT_FALSE(core.SaveImage(dir + L"x.unknownext", FALSE));
    EXPECT_EQ(core.GetLastFileStatus(), CKarvoCore::FileStatus::NoEncoder);
    EXPECT_FALSE(core.SaveImage(dir + L"no such folder\\x.png", FALSE));
    EXPECT_EQ(core.GetLastFileStatus(), CKarvoCore::FileStatus::WriteFailed);
    EXPECT_EQ(kvtest::CountFiles(dir), 0);
    EXPECT_EQ(core.GetPathName(), L"");
    wchar_t small[MAX_PATH];
    if (GetEnvironmentVariableW(L"KV_SMALL_DISK", small, MAX_PATH)) {
        // A picture larger than the disk: the partial temporary file is removed too.
        TestCore big;
        CWnd m2, p2;
        m2.CreateEx(0, L"o", WS_OVERLAPPEDWINDOW, CRect(0, 0, 500, 400), nullptr, 0);
        p2.Create(L"", WS_VISIBLE, CRect(0, 0, 400, 300), &m2, 1001);
        ASSERT_TRUE(big.InitDadodav(&m2, &p2));
        const ref::Img noise = kvtest::Opaque(kvtest::RandomImage(400, 300, 9));
        HBITMAP h = kvtest::MakeBitmap(noise);
        big.ResetBitmapData(h);
        DeleteObject(h);
        big.RefreshImageData();
        const std::wstring sdir = std::wstring(small) + L"\\";
        EXPECT_FALSE(big.SaveImage(sdir + L"big.bmp", FALSE));
        EXPECT_EQ(kvtest::CountFiles(sdir), 0);
        big.CloseDadodav();
        DeleteFileW(CKarvoConfig::GetConfigPath().c_str());
    }
    TestCore empty;
    EXPECT_FALSE(empty.SaveImage(dir + L"x.png", FALSE));
    EXPECT_EQ(empty.GetLastFileStatus(), CKarvoCore::FileStatus::NoImage);
}

// The copy puts the current picture as a 24-bit bottom-up DIB, bytes exact, rows padded with
// zeros to whole words, at an odd width and with a step switched on; a program asking for
// CF_BITMAP gets the same pixels from it.
TEST_F(Files, CopyPutsTheProcessedPixelsAsA24BitDib) {
    for (int negate : {0, 1}) {
        SCOPED_TRACE(negate ? "negated" : "as captured");
        const ref::Img odd = kvtest::Opaque(kvtest::RandomImage(37, 11, 21));
        HBITMAP h = kvtest::MakeBitmap(odd);
        core.ResetBitmapData(h);
        DeleteObject(h);
        core.m_config.SetNegate(negate);
        core.RefreshImageData();
        ref::Img want = odd;
        for (RGBX& p : want.px) {
            if (negate) p = RGBX{uint8_t(~p.blue), uint8_t(~p.green), uint8_t(~p.red), p.reserved};
        }
        ASSERT_TRUE(core.CopyImageData(0));
        ASSERT_TRUE(OpenClipboard(nullptr));
        HGLOBAL mem = GetClipboardData(CF_DIB);
        ASSERT_TRUE(mem);
        const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(mem));
        ASSERT_TRUE(header);
        EXPECT_EQ(header->biWidth, 37);
        EXPECT_EQ(header->biHeight, 11);  // bottom-up
        EXPECT_EQ(header->biBitCount, 24);
        EXPECT_EQ(header->biCompression, DWORD(BI_RGB));
        const int stride = 112;  // 37 · 3 = 111, padded to a whole word
        ASSERT_GE(GlobalSize(mem), sizeof(BITMAPINFOHEADER) + size_t(stride) * 11);
        const auto* rows = reinterpret_cast<const uint8_t*>(header + 1);
        int wrong = 0;
        for (int y = 0; y < 11; ++y) {
            const uint8_t* r = rows + (10 - y) * stride;
            for (int x = 0; x < 37; ++x) {
                const RGBX p = want.at(x, y);
                wrong += r[3 * x] != p.blue || r[3 * x + 1] != p.green || r[3 * x + 2] != p.red;
            }
            wrong += r[111] != 0;
        }
        EXPECT_EQ(wrong, 0);
        GlobalUnlock(mem);
        CloseClipboard();
        ASSERT_TRUE(OpenClipboard(nullptr));
        HBITMAP synthesized = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
        ASSERT_TRUE(synthesized);
        EXPECT_TRUE(kvtest::SameImage(kvtest::Opaque(want), kvtest::BitmapPixels(synthesized)));
        CloseClipboard();
    }
    core.m_config.SetNegate(0);
}

TEST_F(Files, ClipboardRoundTrip) {
    ASSERT_TRUE(core.CopyImageData(0));
    // A second copy of the picture: paste it, the grey switch applies once more.
    TestCore other;
    CWnd m2, p2;
    m2.CreateEx(0, L"o", WS_OVERLAPPEDWINDOW, CRect(0, 0, 500, 400), nullptr, 0);
    p2.Create(L"", WS_VISIBLE, CRect(0, 0, 400, 300), &m2, 1001);
    ASSERT_TRUE(other.InitDadodav(&m2, &p2));
    other.SetPathName(L"C:\\x.png");
    ASSERT_TRUE(other.PasteImageData());
    EXPECT_EQ(other.GetPathName(), L"");
    EXPECT_TRUE(kvtest::SameImage(kvtest::Opaque(src), kvtest::ImagePixels(other.GetImage())));
    // The thumbnail copy has the thumbnail's size.
    ASSERT_TRUE(core.CopyImageData(1));
    ASSERT_TRUE(OpenClipboard(nullptr));
    BITMAP bm{};
    GetObjectW(GetClipboardData(CF_BITMAP), sizeof bm, &bm);
    CloseClipboard();
    int x, y;
    EXPECT_EQ(bm.bmWidth, int(core.GetThubImage(x, y)->GetWidth()));

    // No bitmap on the clipboard: FALSE and nothing changes.
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    Gdiplus::Image* before = other.GetImage();
    EXPECT_FALSE(other.PasteImageData());
    EXPECT_EQ(other.GetImage(), before);

    // Another thread holds the clipboard for 200 ms: the copy waits for it.
    std::atomic<bool> holding{false};
    std::thread holder([&] {
        if (OpenClipboard(nullptr)) {
            holding = true;
            Sleep(200);
            CloseClipboard();
        }
    });
    while (!holding) Sleep(1);
    EXPECT_TRUE(core.CopyImageData(0));
    holder.join();
    other.CloseDadodav();
    DeleteFileW(CKarvoConfig::GetConfigPath().c_str());
}

// The paste holds the clipboard only while it copies the bitmap: a program that waits to open
// the clipboard (here a thread with a window of its own) gets it while the paste's refresh still
// runs (rotation, blur and sharpening of a 2400 × 1800 picture, a few hundred ms), not only once
// the paste returns. Each round counts only when the waiter saw the clipboard held by the paste.
// Wine: with the clipboard closed at the paste's very end, the waiter still got it before the
// paste had returned in about a third of the rounds; eight rounds make a pass by that race
// unlikely (0.4^8).
TEST_F(Files, PasteClosesTheClipboardBeforeItsRefresh) {
    core.m_config.SetRotate(1);
    core.m_config.SetRotateAngle(30);
    core.m_config.SetBlur(1);
    core.m_config.SetSharpen(1);
    HBITMAP picture = kvtest::MakeBitmap(kvtest::RandomImage(2400, 1800, 5));
    int observed = 0;
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        ASSERT_TRUE(SetClipboardData(CF_BITMAP, CopyImage(picture, IMAGE_BITMAP, 0, 0, 0)));
        CloseClipboard();
        enum { kNotSeen, kDuringPaste, kAfterPaste };
        std::atomic<bool> returned{false};
        std::atomic<int> got{kNotSeen};
        std::thread waiter([&] {
            HWND own = CreateWindowExW(0, L"STATIC", L"waiter", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
            bool held = false;
            while (!returned) {
                if (OpenClipboard(own)) {
                    const bool during = !returned;
                    CloseClipboard();
                    if (held) {
                        got = during ? kDuringPaste : kAfterPaste;
                        break;
                    }
                    Sleep(1);  // a free clipboard is looked at again soon, without holding it much
                } else {
                    held = true;  // the paste has it: from now on take it as soon as it is free
                }
            }
            if (held && got == kNotSeen) got = kAfterPaste;
            DestroyWindow(own);
        });
        const BOOL pasted = core.PasteImageData();
        returned = true;
        waiter.join();
        EXPECT_TRUE(pasted);
        EXPECT_NE(got.load(), int(kAfterPaste)) << "the clipboard stayed closed to others until the paste returned";
        observed += got == kDuringPaste;
    }
    DeleteObject(picture);
    EXPECT_GE(observed, 1);
    EXPECT_GT(core.GetImage()->GetWidth(), 2400u);  // the rotation ran
}

std::wstring Widen(const char* s) {
    std::wstring w;
    for (; *s; ++s) w += (*s == '/') ? L'\\' : wchar_t(*s);
    return L"Z:" + w;
}

class LoaderBitmap : public CImageBitmap {
public:
    using CImageBitmap::GetFileType;
};

TEST_F(Files, Loaders) {
    struct Row {
        const wchar_t* path;
        int type;
    };
    for (Row r : {Row{L"A.Bmp", 0}, {L"c:\\x.jpeg", 2}, {L"x.JPG", 2}, {L"x.png", 4}, {L".bmp", 4}, {L"x.gif.bmp", 0},
                  {L"x.bmp.gif", 0}, {L"y.ico", 1}, {L"z.gif", 3}})
        EXPECT_EQ(LoaderBitmap::GetFileType(r.path), r.type) << std::string(r.path, r.path + wcslen(r.path));

    const std::wstring dir = kvtest::TempFolder(L"kv loaders");
    ASSERT_TRUE(core.SaveImage(dir + L"a.bmp", FALSE));
    ASSERT_TRUE(core.SaveImage(dir + L"a.jpg", FALSE));
    ASSERT_TRUE(core.SaveImage(dir + L"a.gif", FALSE));
    ASSERT_TRUE(core.SaveImage(dir + L"a.png", FALSE));
    for (const wchar_t* f : {L"a.bmp", L"a.gif"}) {
        HBITMAP h = CImageBitmap::LoadImageFile(dir + f, 0xFFFFFFFF);
        ASSERT_TRUE(h) << f;
        const ref::Img expected = f[2] == L'g' ? ref::QuantiseWeb(kvtest::Opaque(src)) : kvtest::Opaque(src);
        EXPECT_TRUE(kvtest::SameImage(expected, kvtest::BitmapPixels(h)));
        DeleteObject(h);
    }
    HBITMAP jpg = CImageBitmap::LoadImageFile(dir + L"a.jpg", 0x00FF00);
    ASSERT_TRUE(jpg);
    EXPECT_LE(MaxDiff(kvtest::Opaque(src), kvtest::BitmapPixels(jpg)), 80);
    DeleteObject(jpg);
    EXPECT_EQ(CImageBitmap::LoadImageFile(dir + L"a.png", 0xFFFFFFFF), nullptr);  // not a type it loads

    CImageBitmap obj;
    ASSERT_EQ(obj.LoadImageW(dir + L"a.bmp"), 1);
    const HBITMAP kept = obj.GetSafeHandle();
    EXPECT_EQ(obj.LoadImageW(dir + L"a.jpg"), 0);  // already holds a bitmap
    EXPECT_EQ(obj.GetSafeHandle(), kept);

    // An icon's transparent corner shows the matte colour; the object methods use the object's
    // background colour when no matte is given.
    const std::wstring ico = Widen(KV_SOURCE_DIR) + L"\\app\\res\\Karvo.ico";
    HBITMAP green = CImageBitmap::LoadImageFile(ico, RGB(0, 255, 0));
    ASSERT_TRUE(green);
    EXPECT_EQ(kvtest::BitmapPixels(green).at(0, 0).green, 255);
    EXPECT_EQ(kvtest::BitmapPixels(green).at(0, 0).red, 0);
    DeleteObject(green);
    CImageBitmap white;  // background 0xFFFFFF
    ASSERT_EQ(white.LoadImageW(ico), 1);
    const RGBX corner = kvtest::BitmapPixels(white.GetSafeHandle()).at(0, 0);
    EXPECT_TRUE(corner.red == 255 && corner.green == 255 && corner.blue == 255);

    // Resources of this test program: RCDATA 9100 holds a 220 × 253 bitmap file.
    int length = 0;
    HMODULE self = GetModuleHandleW(nullptr);
    ASSERT_EQ(CImageBitmap::GetResource(MAKEINTRESOURCEW(9100), RT_RCDATA, self, nullptr, length), 1);
    EXPECT_GT(length, 220 * 253 * 3);
    std::vector<BYTE> buf(static_cast<size_t>(length));
    int shorter = length - 1;
    EXPECT_EQ(CImageBitmap::GetResource(MAKEINTRESOURCEW(9100), RT_RCDATA, self, buf.data(), shorter), 0);
    EXPECT_EQ(buf[0], 0);  // nothing copied
    EXPECT_EQ(CImageBitmap::GetResource(MAKEINTRESOURCEW(9100), RT_RCDATA, self, buf.data(), length), 1);
    EXPECT_EQ(buf[0], 'B');
    EXPECT_EQ(CImageBitmap::GetResource(MAKEINTRESOURCEW(9999), RT_RCDATA, self, nullptr, length), 0);
    HBITMAP res = CImageBitmap::LoadImageResource(9100, RT_RCDATA, self, 0xFFFFFFFF);
    ASSERT_TRUE(res);
    BITMAP bm{};
    GetObjectW(res, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 220);
    EXPECT_EQ(bm.bmHeight, 253);
    DeleteObject(res);
}

}  // namespace

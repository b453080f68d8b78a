// Files and clipboard contents made to hurt: truncated and lying headers in every format the
// decoders read, huge claimed sizes, many frames, a wrong extension; read-only targets, a full
// disk and a huge clipboard picture; and settings files whose <Capture> values were made to
// hurt. Each either works or fails with everything kept.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <climits>
#include <functional>
#include <memory>
#include <string>

#include "CoreFixture.h"
#include "HugeFiles.h"
#include "settings/FileIO.h"
#include "settings/XmlTree.h"

namespace {

std::string Bytes(const std::wstring& path) {
    std::string b;
    kv::ReadFileBytes(path, b);
    return b;
}

void Put(const std::wstring& path, const std::string& bytes) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(kv::WriteFileAtomic(path, bytes));
}

void Le16(std::string& s, unsigned v) { s += char(v & 0xFF), s += char(v >> 8 & 0xFF); }
void Le32(std::string& s, uint32_t v) { Le16(s, v & 0xFFFF), Le16(s, v >> 16); }
void Be32(std::string& s, uint32_t v) {
    for (int i = 3; i >= 0; --i) s += char(v >> (8 * i) & 0xFF);
}

uint32_t Crc32(const std::string& s) {
    uint32_t c = 0xFFFFFFFF;
    for (unsigned char b : s) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320 ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

// A grey 4 × 4 TIFF whose one strip lies at `offset` (past the end of a 100-byte file).
std::string TiffStripPastEnd(uint32_t offset) {
    std::string t = "II*";
    t += '\0';
    Le32(t, 8);
    const uint16_t tags[8][2] = {{256, 3}, {257, 3}, {258, 3}, {259, 3}, {262, 3}, {273, 4}, {278, 3}, {279, 4}};
    const uint32_t values[8] = {4, 4, 8, 1, 1, offset, 4, 16};
    Le16(t, 8);
    for (int i = 0; i < 8; ++i) {
        Le16(t, tags[i][0]), Le16(t, tags[i][1]), Le32(t, 1);
        Le32(t, values[i]);
    }
    Le32(t, 0);
    t.resize(100, '\0');
    return t;
}

// A copy of a little-endian TIFF with every strip offset moved to `offset` (past its end).
std::string TiffStripsMoved(std::string t, uint32_t offset) {
    const auto u16 = [&](size_t at) { return unsigned(uint8_t(t[at])) | unsigned(uint8_t(t[at + 1])) << 8; };
    const auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
    const auto set32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) t[at + size_t(i)] = char(v >> (8 * i) & 0xFF);
    };
    if (t.size() < 8 || t[0] != 'I') return t;
    const size_t ifd = u32(4);
    const unsigned n = u16(ifd);
    for (unsigned i = 0; i < n; ++i) {
        const size_t e = ifd + 2 + 12 * i;
        if (u16(e) != 273) continue;
        const uint32_t count = u32(e + 4);
        if (count == 1) set32(e + 8, offset);
        for (uint32_t k = 0; count > 1 && k < count; ++k) set32(u32(e + 8) + 4 * k, offset + 64 * k);
    }
    return t;
}

// A PNG whose header (with a correct checksum) claims the given size, followed by no pixels.
std::string PngClaiming(uint32_t w, uint32_t h) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string ihdr = "IHDR";
    Be32(ihdr, w), Be32(ihdr, h);
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);
    Be32(png, 13);
    png += ihdr;
    Be32(png, Crc32(ihdr));
    std::string iend = "IEND";
    Be32(png, 0);
    png += iend;
    Be32(png, Crc32(iend));
    return png;
}

// A 1 × 1 GIF with the image repeated as `frames` frames.
std::string GifFrames(int frames) {
    std::string g = "GIF89a";
    g += std::string("\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff", 13);
    for (int i = 0; i < frames; ++i) g += std::string("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00", 15);
    return g + ";";
}

// A bitmap file header claiming width × height at 24 bits, with a few bytes of pixels.
std::string BmpClaiming(int32_t w, int32_t h) {
    std::string b = "BM";
    Le32(b, 54 + 16), Le32(b, 0), Le32(b, 54);
    Le32(b, 40), Le32(b, uint32_t(w)), Le32(b, uint32_t(h));
    Le16(b, 1), Le16(b, 24), Le32(b, 0), Le32(b, 16), Le32(b, 2835), Le32(b, 2835), Le32(b, 0), Le32(b, 0);
    return b + std::string(16, '\x7f');
}

class Hostile : public kvtest::CoreWithImage {
protected:
    void SetUp() override {
        Start(L"hostile", kvtest::Opaque(kvtest::RandomImage(64, 48, 3)));
        dir = kvtest::TempFolder(L"kv hostile");
    }
    std::wstring dir;
};

TEST_F(Hostile, DamagedFilesOpenOrChangeNothing) {
    // Valid files of every format to cut down.
    std::string valid[5];
    const wchar_t* exts[5] = {L"bmp", L"png", L"jpg", L"gif", L"tif"};
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(core.SaveImage(dir + L"valid." + exts[i], FALSE));
        valid[i] = Bytes(dir + L"valid." + exts[i]);
    }
    using S = CKarvoCore::FileStatus;
    struct Row {
        std::wstring name;
        std::string bytes;
        bool mayOpen;
        S failure = S::LoadFailed;
    };
    std::vector<Row> rows = {
        {L"strip past the end.tif", TiffStripPastEnd(100000), false},
        {L"strip far past the end.tif", TiffStripPastEnd(0xFFFFFFF0u), false},
        {L"huge claimed.png", PngClaiming(100000, 100000), false, S::TooLarge},
        {L"one pixel wide, tall.png", PngClaiming(1, 0x7FFFFFFF), false, S::TooLarge},
        {L"huge claimed.bmp", BmpClaiming(100000, 100000), false, S::TooLarge},
        {L"negative width.bmp", BmpClaiming(-5, 5), false},
        {L"many frames.gif", GifFrames(3000), true},
        {L"png named.jpg", valid[1], true},
        {L"strips moved past the end.tif", TiffStripsMoved(valid[4], uint32_t(valid[4].size()) + 100000), false},
        {L"strips moved far past the end.tif", TiffStripsMoved(valid[4], 0xFFFFF000u), false},
        {L"empty.png", "", false},
        {L"one byte.tif", "I", false},
    };
    for (int i = 0; i < 5; ++i) {
        const std::string& v = valid[i];
        const std::wstring e = exts[i];
        rows.push_back({L"header only." + e, v.substr(0, std::min<size_t>(v.size(), 30)), false});
        rows.push_back({L"half." + e, v.substr(0, v.size() / 2), true});
        rows.push_back({L"all but one byte." + e, v.substr(0, v.size() - 1), true});
        std::string flipped = v;
        for (size_t k = 16; k < flipped.size(); k += 97) flipped[k] = char(~flipped[k]);
        // Byte 16 of a PNG is the first of its width: the flipped one claims 4 billion columns.
        rows.push_back({L"bytes flipped." + e, flipped, true, e == L"png" ? S::TooLarge : S::LoadFailed});
    }

    core.m_config.SetGrayScale(1);
    core.RefreshImageData();
    core.SetPathName(L"C:\\kept.png");
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.name.begin(), r.name.end()));
        const std::wstring path = dir + r.name;
        Put(path, r.bytes);
        Gdiplus::Image* before = core.GetImage();
        if (core.OpenImage(path)) {
            EXPECT_TRUE(r.mayOpen) << "opened a file that has no picture in it";
            ASSERT_TRUE(core.GetImage());
            EXPECT_GT(core.GetImage()->GetWidth(), 0u);
            // Back to the known state for the next row.
            HBITMAP h = kvtest::MakeBitmap(src);
            core.ResetBitmapData(h);
            DeleteObject(h);
            core.m_config.SetGrayScale(1);
            core.RefreshImageData();
            core.SetPathName(L"C:\\kept.png");
            continue;
        }
        EXPECT_EQ(core.GetLastFileStatus(), r.failure);
        EXPECT_EQ(core.GetImage(), before);
        EXPECT_EQ(core.GetPathName(), L"C:\\kept.png");
        EXPECT_EQ(core.m_config.GetGrayScale(), 1);
    }
}

// A read-only file is not replaced (Windows refuses; Wine would replace it): the save fails
// with access denied and the file keeps every byte. A full disk reports itself as such.
TEST_F(Hostile, ReadOnlyTargetAndFullDisk) {
    const std::wstring path = dir + L"read only.png";
    Put(path, "the user's own file");
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(core.SaveImage(path, FALSE));
    EXPECT_EQ(core.GetLastFileStatus(), CKarvoCore::FileStatus::WriteFailed);
    EXPECT_EQ(core.GetLastFileError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Bytes(path), "the user's own file");
    EXPECT_EQ(kvtest::CountFiles(dir), 1);  // no temporary file left either
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);

    wchar_t small[MAX_PATH];
    if (!GetEnvironmentVariableW(L"KV_SMALL_DISK", small, MAX_PATH)) GTEST_SKIP() << "no small disk mounted";
    const ref::Img noise = kvtest::Opaque(kvtest::RandomImage(400, 300, 9));
    HBITMAP h = kvtest::MakeBitmap(noise);
    core.ResetBitmapData(h);
    DeleteObject(h);
    core.m_config.SetGrayScale(0);
    core.RefreshImageData();
    EXPECT_FALSE(core.SaveImage(std::wstring(small) + L"\\big.bmp", FALSE));
    EXPECT_EQ(core.GetLastFileStatus(), CKarvoCore::FileStatus::WriteFailed);
    EXPECT_EQ(core.GetLastFileError(), DWORD(ERROR_DISK_FULL));
}

// The clipboard's picture is measured from its header before anything is converted: one larger
// than the engine takes is refused at once, as too large.
TEST_F(Hostile, HugeClipboardPictureIsRefusedAsTooLarge) {
    Gdiplus::Image* before = core.GetImage();
    for (LONG side : {16000L, 9000L, 100000L}) {
        SCOPED_TRACE(side);
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + 64);
        auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(mem));
        *header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), side, side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        GlobalUnlock(mem);
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        ASSERT_TRUE(SetClipboardData(CF_DIB, mem));
        CloseClipboard();
        EXPECT_FALSE(core.PasteImageData());
        EXPECT_EQ(core.GetLastFileStatus(), CKarvoCore::FileStatus::TooLarge);
        EXPECT_EQ(core.GetRefusedSize().cx, side);
        EXPECT_EQ(core.GetImage(), before);
    }
}

// A clipboard picture without pixels (a side of 0, or a negative width) is no picture: the paste
// fails and the current image, its names and its switches stay.
TEST_F(Hostile, EmptyClipboardPictureIsRefused) {
    core.SetPathName(L"C:\\kept.png");
    Gdiplus::Image* before = core.GetImage();
    struct Row {
        LONG w, h;
    };
    for (Row r : {Row{0, 5}, {5, 0}, {0, 0}, {-5, 5}, {0, -5}}) {
        SCOPED_TRACE(testing::Message() << r.w << " x " << r.h);
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + 256);
        auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(mem));
        *header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), r.w, r.h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        GlobalUnlock(mem);
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        ASSERT_TRUE(SetClipboardData(CF_DIB, mem));
        CloseClipboard();
        EXPECT_FALSE(core.PasteImageData());
        EXPECT_EQ(core.GetLastFileStatus(), CKarvoCore::FileStatus::NoBitmap);
        EXPECT_EQ(core.GetImage(), before);
        EXPECT_EQ(core.GetImage()->GetWidth(), 64u);
        EXPECT_EQ(core.GetPathName(), L"C:\\kept.png");
    }
}

// JPEG, GIF, TIFF and icon files claiming a huge size: headers with no pixels behind them.
std::string JpegClaiming(unsigned w, unsigned h) {
    std::string j = "\xFF\xD8\xFF\xC0";
    j += std::string("\x00\x11\x08", 3);
    j += char(h >> 8), j += char(h & 0xFF), j += char(w >> 8), j += char(w & 0xFF);
    return j + std::string("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01\xFF\xD9", 12);
}

std::string GifClaiming(unsigned w, unsigned h) {
    std::string g = "GIF89a";
    Le16(g, w), Le16(g, h);
    return g + std::string("\x00\x00\x00;", 4);
}

std::string TiffClaiming(uint32_t w, uint32_t h) {
    std::string t = TiffStripPastEnd(100000);
    for (int i = 0; i < 4; ++i) t[18 + i] = char(w >> (8 * i) & 0xFF), t[30 + i] = char(h >> (8 * i) & 0xFF);
    t[12] = t[24] = 4;  // both tags as LONG
    return t;
}

std::string IconWithPng(const std::string& png) {
    std::string i;
    Le16(i, 0), Le16(i, 1), Le16(i, 1);
    i += std::string("\0\0\0\0\1\0\x20\0", 8);
    Le32(i, uint32_t(png.size())), Le32(i, 22);
    return i + png;
}

double MsSince(LARGE_INTEGER start) {
    LARGE_INTEGER now, f;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&f);
    return double(now.QuadPart - start.QuadPart) * 1000.0 / double(f.QuadPart);
}

size_t PeakMegabytes() {
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    return K32GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c) ? c.PeakWorkingSetSize >> 20 : 0;
}

// Real files far over the limit (a black 20000 × 20000 PNG, 7.5 MB; the same as a bitmap file of
// run-length rows, 3 MB) and lying headers of the other formats are refused from their headers,
// as too large with their size, everything kept; the same writers' small files open, so the large
// ones are pictures. Files loaded as bitmaps are measured the same way. The time and the
// process's peak memory are printed (decoding the 20000 × 20000 PNG first took 11 s and 2.3 GB).
TEST_F(Hostile, HugePicturesAreRefusedBeforeDecoding) {
    core.m_config.SetGrayScale(1);
    core.RefreshImageData();
    core.SetPathName(L"C:\\kept.png");
    Gdiplus::Image* before = core.GetImage();
    struct Row {
        const wchar_t* name;
        std::string bytes;
        LONG w, h;
    };
    const Row rows[] = {
        {L"black 20000.png", kvtest::BlackPng(20000, 20000), 20000, 20000},
        {L"black 25000.png", kvtest::BlackPng(25000, 25000), 25000, 25000},
        {L"black 20000.bmp", kvtest::BlackRleBmp(20000, 20000), 20000, 20000},
        {L"claims 30000.jpg", JpegClaiming(30000, 30000), 30000, 30000},
        {L"claims 65535.gif", GifClaiming(65535, 65535), 65535, 65535},
        {L"claims 40000.tif", TiffClaiming(40000, 40000), 40000, 40000},
        {L"huge png inside.ico", IconWithPng(kvtest::BlackPng(20000, 20000)), 20000, 20000},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.name, r.name + wcslen(r.name)));
        const std::wstring path = dir + r.name;
        Put(path, r.bytes);
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        EXPECT_FALSE(core.OpenImage(path));
        const double ms = MsSince(start);
        EXPECT_EQ(core.GetLastFileStatus(), CKarvoCore::FileStatus::TooLarge);
        EXPECT_EQ(core.GetRefusedSize().cx, r.w);
        EXPECT_EQ(core.GetRefusedSize().cy, r.h);
        EXPECT_EQ(core.GetImage(), before);
        EXPECT_EQ(core.GetPathName(), L"C:\\kept.png");
        EXPECT_EQ(core.m_config.GetGrayScale(), 1);
        printf("  %ls (%zu bytes): refused in %.1f ms, peak %zu MB\n", r.name, r.bytes.size(), ms, PeakMegabytes());
    }
    const std::wstring bmp = dir + L"black 20000.bmp";
    EXPECT_EQ(CImageBitmap::LoadImageFile(bmp, 0xFFFFFFFF), nullptr);
    CImageBitmap object;
    EXPECT_EQ(object.LoadImageW(bmp), 0);
    EXPECT_EQ(object.GetSafeHandle(), nullptr);

    Put(dir + L"small.png", kvtest::BlackPng(300, 200));
    Put(dir + L"small.bmp", kvtest::BlackRleBmp(300, 200));
    for (const wchar_t* name : {L"small.png", L"small.bmp"}) {
        SCOPED_TRACE(std::string(name, name + wcslen(name)));
        ASSERT_TRUE(core.OpenImage(dir + name));
        EXPECT_TRUE(kvtest::SameImage(ref::Background(300, 200, 0), kvtest::ImagePixels(core.GetImage())));
    }
    HBITMAP small = CImageBitmap::LoadImageFile(dir + L"small.bmp", 0xFFFFFFFF);
    ASSERT_TRUE(small);
    EXPECT_TRUE(kvtest::SameImage(ref::Background(300, 200, 0), kvtest::BitmapPixels(small)));
    DeleteObject(small);
}

// A step whose result would pass the engine's limit is left out and reported; the others run.
TEST_F(Hostile, ChainStepsBeyondTheLimitAreLeftOut) {
    CKarvoConfig& c = core.m_config;
    c.SetShearAcross(1);
    c.SetShearAcrossAmout(200000);  // 200 064 × 48, 9.6 million pixels: allowed
    core.RefreshImageData();
    EXPECT_EQ(core.GetRefusedSteps(), 0);
    EXPECT_EQ(core.GetImage()->GetWidth(), 200064u);
    c.SetShearAcrossAmout(2000000);  // 96 million: left out
    c.SetGrayScale(1);
    core.RefreshImageData();
    EXPECT_EQ(core.GetRefusedSteps(), int(CKarvoCore::kRefusedShear));
    EXPECT_EQ(core.GetRefusedSize().cx, 2000064);
    ASSERT_TRUE(core.GetImage());
    EXPECT_EQ(core.GetImage()->GetWidth(), 64u);  // grey ran, the shear did not
    c.SetShearAcross(0);
    c.SetScale(1);
    c.SetScaleFactor(10000);  // 6400 × 4800 = 30.7 million: allowed
    core.RefreshImageData();
    EXPECT_EQ(core.GetRefusedSteps(), 0);
    c.SetRotate(1);
    c.SetRotateAngle(45);
    c.SetScaleFactor(20000);  // the rotated picture (about 80 × 80) 200 times on each side: left out
    core.RefreshImageData();
    EXPECT_EQ(core.GetRefusedSteps(), int(CKarvoCore::kRefusedScale));
    EXPECT_LT(core.GetImage()->GetWidth(), 200u);
}

// A step that would leave no pixels (a scale factor of 0, below 0, or too small for the picture:
// 2 % of 64 × 48 is 1 × 0) is left out and reported as such, never run into a failed chain that
// shows the capture unprocessed without a word; the steps before and after it still run.
TEST_F(Hostile, ChainStepsWithNoPixelsAreLeftOut) {
    CKarvoConfig& c = core.m_config;
    c.SetGrayScale(1);
    c.SetScale(1);
    struct Row {
        int factor;
        int refused;
    };
    const int empty = CKarvoCore::kRefusedScale << CKarvoCore::kEmptyShift;
    const Row rows[] = {{0, empty}, {-50, empty}, {1, empty}, {-2147483647 - 1, empty}, {2, empty}, {3, 0}, {100, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.factor);
        c.SetScaleFactor(row.factor);
        core.RefreshImageData();
        EXPECT_EQ(core.GetRefusedSteps(), row.refused);
        ASSERT_TRUE(core.GetImage());
        const UINT w = row.refused ? 64u : UINT(64 * row.factor / 100);
        EXPECT_EQ(core.GetImage()->GetWidth(), w);
        // The grey step ran either way: the first pixel's three channels are equal.
        Gdiplus::Color px;
        ASSERT_EQ(static_cast<Gdiplus::Bitmap*>(core.GetImage())->GetPixel(0, 0, &px), Gdiplus::Ok);
        EXPECT_TRUE(px.GetR() == px.GetG() && px.GetG() == px.GetB());
    }
}

// The engine started on a settings file whose <Capture> section holds the row's values (sound,
// pause and hiding off; a rotation angle of 33 to show that nothing else is lost), then closed,
// which writes the file again.
class HostileSettings : public ::testing::Test {
public:  // the rows' checks reach them through a reference
    void Start(const std::wstring& capture) {
        const std::wstring text = L"<Dadodav><Basic><PlaySnapSound>0</PlaySnapSound><SnapDelayTime>0</SnapDelayTime>"
                                  L"<HideMainWnd>0</HideMainWnd></Basic><Image><RotateAngle>33</RotateAngle></Image>"
                                  L"<Capture>" + capture + L"</Capture></Dadodav>";
        std::string bytes;
        for (wchar_t c : text) bytes += char(c & 0xFF), bytes += char(c >> 8);
        ASSERT_TRUE(kv::WriteFileAtomic(CKarvoConfig::GetConfigPath(), bytes));
        m_engine = std::make_unique<Engine>();
        Engine& e = *m_engine;
        ASSERT_TRUE(e.main.CreateEx(0, L"hostile settings", WS_OVERLAPPEDWINDOW, CRect(0, 0, 500, 400), nullptr, 0));
        ASSERT_TRUE(e.preview.Create(L"", WS_VISIBLE, CRect(0, 0, 400, 300), &e.main, 1001));
        ASSERT_TRUE(e.core.InitDadodav(&e.main, &e.preview));
    }
    CKarvoCore& Core() { return m_engine->core; }
    //! Closes the engine, which writes the settings file.
    void Close() {
        if (!m_engine) return;
        m_engine->core.CloseDadodav();
        m_engine->main.DestroyWindow();
        m_engine.reset();
    }
    //! Closes the engine and returns the text the file written then holds for the element.
    std::wstring Written(const std::wstring& name) {
        Close();
        const std::string bytes = Bytes(CKarvoConfig::GetConfigPath());
        std::wstring text;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) text += wchar_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
        const std::wstring open = L"<" + name + L">\n", close = L"</" + name + L">";
        const size_t at = text.find(open), end = text.find(close);
        if (at == std::wstring::npos || end == std::wstring::npos) return L"<missing>";
        std::wstring v = text.substr(at + open.size(), end - at - open.size());
        v.erase(0, v.find_first_not_of(L' '));
        v.erase(v.find_last_not_of(L" \n") + 1);
        return v;
    }
    void TearDown() override {
        Close();
        DeleteFileW(CKarvoConfig::GetConfigPath().c_str());
    }
    static std::wstring El(const wchar_t* name, const std::wstring& v) {
        return std::wstring(L"<") + name + L">" + v + L"</" + name + L">";
    }
    static std::wstring AutoSave(const std::wstring& folder, const std::wstring& pattern = L"p_{n}",
                                 const wchar_t* format = L"png") {
        return El(L"AutoSave", L"1") + El(L"AutoSaveFolder", folder) + El(L"AutoSavePattern", pattern) +
               El(L"AutoSaveFormat", format);
    }

private:
    struct Engine {
        CWnd main, preview;
        CKarvoCore core;
    };
    std::unique_ptr<Engine> m_engine;
};

// Each value either works or gets the setting's default, or the capture stays and the failure
// is kept with its reason for the program to tell; no file of the user's is touched, and the
// file written at the end holds sane values and everything else it held.
TEST_F(HostileSettings, CaptureValuesGetAClearResult) {
    const std::wstring dir = kvtest::TempFolder(L"kv hostile settings");
    const std::wstring aFile = dir + L"a file";
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    // An existing folder so deep that no name fits in it: the whole path would pass 227 characters.
    std::wstring deep = dir + std::wstring(size_t(std::max<ptrdiff_t>(1, 240 - ptrdiff_t(dir.size()))), L'd') + L"\\";
    struct Row {
        const char* what;
        std::wstring capture;
        bool snap;  // take a whole-screen capture first
        std::function<void(HostileSettings&)> check;
    };
    auto failed = [](DWORD error) {
        return [error](HostileSettings& t) {
            EXPECT_TRUE(t.Core().GetAutoSaveFailed());
            EXPECT_EQ(t.Core().GetAutoSaveError(), error);
            EXPECT_TRUE(t.Core().GetImage());  // the capture stays
        };
    };
    const Row rows[] = {
        {"folder is a file", AutoSave(aFile), true,
         [&](HostileSettings& t) {
             failed(ERROR_DIRECTORY)(t);
             EXPECT_EQ(Bytes(aFile), "the user's own file");
             EXPECT_EQ(t.Written(L"AutoSaveFolder"), aFile);
         }},
        {"folder missing", AutoSave(dir + L"missing\\"), true, failed(ERROR_PATH_NOT_FOUND)},
        {"no folder", AutoSave(L""), true, failed(ERROR_PATH_NOT_FOUND)},
        {"folder too deep for any name", AutoSave(deep), true,
         [&](HostileSettings& t) {
             failed(ERROR_FILENAME_EXCED_RANGE)(t);
             EXPECT_EQ(kvtest::CountFiles(deep), 0);
         }},
        {"folder of 5000 characters", AutoSave(L"C:\\" + std::wstring(5000, L'f')), true,
         [&](HostileSettings& t) {
             failed(ERROR_PATH_NOT_FOUND)(t);
             EXPECT_EQ(t.Written(L"AutoSaveFolder"), L"C:\\" + std::wstring(5000, L'f'));
         }},
        {"unknown format: the default", AutoSave(dir, L"p_{n}", L"xyz"), true,
         [&](HostileSettings& t) {
             EXPECT_FALSE(t.Core().GetAutoSaveFailed());
             EXPECT_EQ(Bytes(dir + L"p_1.png").substr(1, 3), "PNG");
             EXPECT_EQ(t.Written(L"AutoSaveFormat"), L"png");
         }},
        {"no format: the default", AutoSave(dir, L"p_{n}", L""), true,
         [&](HostileSettings& t) {
             EXPECT_EQ(Bytes(dir + L"p_1.png").substr(1, 3), "PNG");
             EXPECT_EQ(t.Written(L"AutoSaveFormat"), L"png");
         }},
        {"no pattern", AutoSave(dir, L""), true,
         [&](HostileSettings&) { EXPECT_EQ(Bytes(dir + L"Karvo.png").substr(1, 3), "PNG"); }},
        {"pattern of 100000 characters", AutoSave(dir, std::wstring(100000, L'{')), true,
         [&](HostileSettings& t) {
             EXPECT_FALSE(t.Core().GetAutoSaveFailed());
             EXPECT_LE(t.Core().GetAutoSavePath().size(), size_t(MAX_PATH - 1 - 32));
             EXPECT_EQ(Bytes(t.Core().GetAutoSavePath()).substr(1, 3), "PNG");
             EXPECT_EQ(t.Written(L"AutoSavePattern").size(), 100000u);
         }},
        {"last rectangle as large as 32 bits hold: the screen",
         El(L"LastRegionLeft", L"0") + El(L"LastRegionTop", L"0") + El(L"LastRegionRight", L"2147483647") +
             El(L"LastRegionBottom", L"99999999999"),
         false,
         [&](HostileSettings& t) {
             ASSERT_TRUE(t.Core().SnapLastRegion());
             EXPECT_EQ(t.Core().GetImage()->GetWidth(), UINT(sw));
             EXPECT_EQ(t.Core().GetImage()->GetHeight(), UINT(sh));
             EXPECT_EQ(t.Written(L"LastRegionBottom"), L"2147483647");
         }},
        {"last rectangle wider than 32 bits hold: none",
         El(L"LastRegionLeft", L"-2147483648") + El(L"LastRegionTop", L"0") + El(L"LastRegionRight", L"2147483647") +
             El(L"LastRegionBottom", L"10"),
         false,
         [&](HostileSettings& t) {
             int l = 1, tp = 1, r = 1, b = 1;
             t.Core().m_config.GetLastRegion(l, tp, r, b);
             EXPECT_EQ(l | tp | r | b, 0);
             EXPECT_EQ(t.Written(L"LastRegionLeft"), L"0");
             EXPECT_EQ(t.Written(L"LastRegionRight"), L"0");
         }},
        {"pointer switch of 7", El(L"DrawPointer", L"7"), false,
         [&](HostileSettings& t) { EXPECT_EQ(t.Written(L"DrawPointer"), L"1"); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        kvtest::TempFolder(L"kv hostile settings");
        Put(aFile, "the user's own file");
        CreateDirectoryW(deep.c_str(), nullptr);
        Start(r.capture);
        if (r.snap) {
            ASSERT_TRUE(Core().SnapFullScreen());
        }
        r.check(*this);
        EXPECT_EQ(Written(L"RotateAngle"), L"33");
    }
}

// A counter at or past 2^31 never turns negative, and a folder whose name holds the text
// "\colon" reads back as it was written.
TEST_F(HostileSettings, CounterPastTwoToThe31AndColonInAFolder) {
    const std::wstring dir = kvtest::TempFolder(L"kv hostile settings");
    for (const wchar_t* counter : {L"2147483647", L"2147483648", L"99999999999"}) {
        SCOPED_TRACE(std::string(counter, counter + wcslen(counter)));
        kvtest::TempFolder(L"kv hostile settings");
        Start(AutoSave(dir) + El(L"AutoSaveCounter", counter));
        ASSERT_TRUE(Core().SnapFullScreen());
        EXPECT_FALSE(Core().GetAutoSaveFailed());
        EXPECT_EQ(Bytes(dir + L"p_2147483647.png").substr(1, 3), "PNG");
        const long long next = std::stoll(Written(L"AutoSaveCounter"));
        EXPECT_GE(next, 1);
        EXPECT_LE(next, INT_MAX);
    }
    // The folder as the settings file gives it, and as it reads back after the program wrote it.
    const std::wstring colon = dir + L"colon\\";
    CreateDirectoryW(colon.c_str(), nullptr);
    std::wstring escaped = colon;
    XML_File::MakeSaveString(escaped);
    Start(AutoSave(escaped));
    EXPECT_EQ(Core().m_config.GetAutoSaveFolder(), colon);
    ASSERT_TRUE(Core().SnapFullScreen());
    EXPECT_FALSE(Core().GetAutoSaveFailed());
    Close();
    CKarvoConfig again;
    again.LoadConfig();
    EXPECT_EQ(again.GetAutoSaveFolder(), colon);
}

}  // namespace

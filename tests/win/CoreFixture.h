#pragma once
// An engine in-process for the file and clipboard tests: a main window, a preview, no settings
// file left behind, and a picture as the current image.
#include <gtest/gtest.h>

#include "TestImages.h"
#include "WinTestUtil.h"
#include "engine/KarvoCore.h"

namespace kvtest {

class TestCore : public CKarvoCore {
public:
    using CKarvoCore::AutoSaveCapture;
    using CKarvoCore::ResetBitmapData;
};

class CoreWithImage : public ::testing::Test {
protected:
    //! Starts the engine under the window title `name` with `image` as its current picture.
    void Start(const wchar_t* name, const ref::Img& image) {
        DeleteFileW(CKarvoConfig::GetConfigPath().c_str());
        ASSERT_TRUE(main.CreateEx(0, name, WS_OVERLAPPEDWINDOW, CRect(0, 0, 500, 400), nullptr, 0));
        ASSERT_TRUE(preview.Create(L"", WS_VISIBLE, CRect(0, 0, 400, 300), &main, 1001));
        ASSERT_TRUE(core.InitDadodav(&main, &preview));
        SetPicture(image);
    }
    //! `image` as a new current picture, as a capture makes one.
    void SetPicture(const ref::Img& image) {
        src = image;
        HBITMAP h = MakeBitmap(src);
        core.ResetBitmapData(h);
        DeleteObject(h);
        core.RefreshImageData();
    }
    void TearDown() override {
        core.CloseDadodav();
        DeleteFileW(CKarvoConfig::GetConfigPath().c_str());
    }
    CWnd main, preview;
    TestCore core;
    ref::Img src;
};

}  // namespace kvtest

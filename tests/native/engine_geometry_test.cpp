// The thumbnail rule and the grab clamp.
#include <gtest/gtest.h>

#include "imaging/Geometry.h"

namespace {

TEST(EngineGeometry, ThumbnailWorkedExamples) {
    struct Row {
        int cw, ch, iw, ih;
        kv::ThumbLayout expect;
    };
    const Row rows[] = {
        {400, 300, 1920, 1080, {396, 222, 2, 39}}, {400, 300, 800, 600, {394, 296, 3, 2}},
        {386, 294, 1280, 1024, {362, 290, 12, 2}}, {400, 300, 300, 200, {300, 200, 50, 50}},
        {400, 300, 396, 296, {396, 296, 2, 2}},    {400, 300, 395, 295, {395, 295, 2, 2}},  // odd remainder: extra pixel right/bottom
        {400, 300, 1, 1, {1, 1, 199, 149}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.cw << "x" << r.ch << " " << r.iw << "x" << r.ih);
        const kv::ThumbLayout t = kv::FitThumbnail(r.cw, r.ch, r.iw, r.ih);
        EXPECT_EQ(t.width, r.expect.width);
        EXPECT_EQ(t.height, r.expect.height);
        EXPECT_EQ(t.left, r.expect.left);
        EXPECT_EQ(t.top, r.expect.top);
    }
}

// A side that scaling would make 0 keeps one pixel, centred like any other.
TEST(EngineGeometry, ThinPicturesKeepOnePixel) {
    struct Row {
        int cw, ch, iw, ih;
        kv::ThumbLayout expect;
    };
    const Row rows[] = {
        {400, 300, 1, 5000, {1, 296, 199, 2}},  {400, 300, 5000, 1, {396, 1, 2, 149}},
        {400, 300, 1, 450, {1, 296, 199, 2}},   {400, 300, 450, 1, {395, 1, 2, 149}},
        {400, 300, 10000, 1, {396, 1, 2, 149}}, {400, 300, 2, 5000, {1, 296, 199, 2}},
        {400, 300, 1, 296, {1, 296, 199, 2}},   {400, 300, 397, 1, {396, 1, 2, 149}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.cw << "x" << r.ch << " " << r.iw << "x" << r.ih);
        const kv::ThumbLayout t = kv::FitThumbnail(r.cw, r.ch, r.iw, r.ih);
        EXPECT_EQ(t.width, r.expect.width);
        EXPECT_EQ(t.height, r.expect.height);
        EXPECT_EQ(t.left, r.expect.left);
        EXPECT_EQ(t.top, r.expect.top);
    }
}

TEST(EngineGeometry, ClampToPrimaryScreen) {
    struct Row {
        kv::Rect in;
        bool ok;
        kv::Rect out;
    };
    const Row rows[] = {
        {{-100, 10, 200, 110}, true, {0, 10, 200, 110}},   {{1300, 0, 1600, 300}, false, {}},
        {{0, 0, 1280, 800}, true, {0, 0, 1280, 800}},      {{1200, 700, 1400, 900}, true, {1200, 700, 1280, 800}},
        {{-50, -50, -10, -10}, false, {}},                 {{5, 5, 5, 9}, false, {}},
    };
    for (const Row& r : rows) {
        kv::Rect rc = r.in;
        EXPECT_EQ(kv::ClampToScreen(rc, 1280, 800), r.ok);
        if (r.ok) {
            EXPECT_EQ(rc.left, r.out.left);
            EXPECT_EQ(rc.top, r.out.top);
            EXPECT_EQ(rc.right, r.out.right);
            EXPECT_EQ(rc.bottom, r.out.bottom);
        }
    }
}

}  // namespace

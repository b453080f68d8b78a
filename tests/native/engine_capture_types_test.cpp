// The capture-type table: stored values, command-line words, strings, file names, commands and
// the interactive set, row by row; and the pixel comparison behind the wait until our own
// drawing has left the screen.
#include <gtest/gtest.h>

#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "engine/CaptureArgs.h"
#include "engine/OwnDrawing.h"
#include "settings/CaptureType.h"

namespace {

using kv::CaptureType;

TEST(EngineCaptureTypes, EveryRow) {
    struct Expected {
        CaptureType type;
        int stored;
        const wchar_t* word;
        unsigned command;
        bool interactive;
        bool guarded;
    };
    // The six first values are those the settings files have always stored.
    const Expected expected[] = {
        {CaptureType::Screen, 0, L"screen", 32795, false, true},
        {CaptureType::ActiveWindow, 1, L"active", 32846, true, true},
        {CaptureType::CurrentWindow, 2, L"current", 32847, false, true},
        {CaptureType::ClientArea, 3, L"client", 32848, true, true},
        {CaptureType::Object, 4, L"object", 32850, true, true},
        {CaptureType::Rectangle, 5, L"rect", 32845, true, false},
        {CaptureType::AllMonitors, 6, L"all", 32880, false, true},
        {CaptureType::PointerMonitor, 7, L"monitor", 32881, false, true},
    };
    ASSERT_EQ(kv::kCaptureTypeCount, int(std::size(expected)));
    std::set<std::wstring> words;
    std::set<unsigned> commands;
    for (int i = 0; i < kv::kCaptureTypeCount; ++i) {
        SCOPED_TRACE(i);
        const kv::CaptureTypeRow& row = kv::kCaptureTypes[i];
        const Expected& e = expected[i];
        EXPECT_EQ(row.type, e.type);
        EXPECT_EQ(int(row.type), e.stored);
        EXPECT_EQ(kv::CaptureTypeRowOf(e.stored), &row);
        EXPECT_EQ(&kv::RowOf(e.type), &row);
        EXPECT_EQ(std::wstring(row.word), e.word);
        EXPECT_EQ(row.fileNameString, 4112u + unsigned(e.stored));
        EXPECT_EQ(row.command, e.command);
        EXPECT_EQ(row.uiString, 1100u + unsigned(e.stored));
        EXPECT_EQ(row.interactive, e.interactive);
        EXPECT_EQ(row.guarded, e.guarded);
        EXPECT_TRUE(row.AsFixed().guarded);
        words.insert(row.word);
        commands.insert(row.command);
        // The command dispatches to this row; the word parses to this type and is named back.
        EXPECT_EQ(kv::CaptureTypeForCommand(row.command), &row);
        std::wstring error;
        std::wstring upper = row.word;
        for (wchar_t& c : upper) c = wchar_t(std::towupper(wint_t(c)));
        for (const std::wstring& w : {std::wstring(row.word), upper}) {
            const auto r = kv::ParseCaptureArgs({L"/capture", w}, error);
            ASSERT_TRUE(r) << error;
            EXPECT_EQ(r->type, e.type);
            EXPECT_FALSE(r->region);
            EXPECT_EQ(r->monitor, -1);
            EXPECT_EQ(std::wstring(kv::CaptureName(*r)), e.word);
        }
    }
    EXPECT_EQ(words.size(), std::size(expected));
    EXPECT_EQ(commands.size(), std::size(expected));
    EXPECT_EQ(kv::CaptureTypeRowOf(-1), nullptr);
    EXPECT_EQ(kv::CaptureTypeRowOf(8), nullptr);
    EXPECT_EQ(kv::CaptureTypeForCommand(32851), nullptr);  // the last region again is no type
}

TEST(EngineCaptureTypes, MonitorNumbers) {
    struct Row {
        const wchar_t* word;
        int monitor;          // -1: refused
        const wchar_t* error;
    };
    const Row rows[] = {
        {L"monitor:1", 0, L""},
        {L"MONITOR:3", 2, L""},
        {L"monitor:64", 63, L""},
        {L"monitor:0", -1, L"bad monitor number (monitor:N with N from 1): monitor:0"},
        {L"monitor:65", -1, L"bad monitor number (monitor:N with N from 1): monitor:65"},
        {L"monitor:", -1, L"bad monitor number (monitor:N with N from 1): monitor:"},
        {L"monitor:-2", -1, L"bad monitor number (monitor:N with N from 1): monitor:-2"},
        {L"monitor:2x", -1, L"bad monitor number (monitor:N with N from 1): monitor:2x"},
        {L"all:2", -1, L"unknown capture type: all:2"},
        {L"monitors", -1, L"unknown capture type: monitors"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << std::string(r.word, r.word + wcslen(r.word)));
        std::wstring error;
        const auto req = kv::ParseCaptureArgs({L"/capture", r.word}, error);
        if (r.monitor < 0) {
            EXPECT_FALSE(req);
            EXPECT_EQ(error, r.error);
            continue;
        }
        ASSERT_TRUE(req) << std::string(error.begin(), error.end());
        EXPECT_EQ(req->type, CaptureType::PointerMonitor);
        EXPECT_EQ(req->monitor, r.monitor);
        EXPECT_EQ(std::wstring(kv::CaptureName(*req)), L"monitor");
    }
    // A negative origin is a region like any other.
    std::wstring error;
    const auto neg = kv::ParseCaptureArgs({L"/region", L"-1280,-720,100,50"}, error);
    ASSERT_TRUE(neg);
    EXPECT_EQ(neg->x, -1280);
    EXPECT_EQ(neg->y, -720);
}

RGBX Px(uint8_t r, uint8_t g, uint8_t b) { return RGBX{b, g, r, 0}; }

TEST(EngineCaptureTypes, OwnDrawing) {
    // A 3 × 2 window shown over a 4-pixel-wide screen picture, at its column 1.
    const std::vector<RGBX> screen = {Px(9, 9, 9), Px(1, 1, 1), Px(2, 2, 2), Px(3, 3, 3),
                                      Px(9, 9, 9), Px(4, 4, 4), Px(5, 5, 5), Px(6, 6, 6)};
    const std::vector<RGBX> shown = {Px(1, 1, 1), Px(200, 0, 0), Px(3, 3, 3), Px(0, 0, 255), Px(5, 5, 5), Px(6, 6, 6)};
    const kv::OwnDrawing d = kv::DrawnOver(shown.data(), screen.data() + 1, 4, 3, 2);
    EXPECT_EQ(d.width, 3);
    EXPECT_EQ(d.height, 2);
    ASSERT_EQ(d.marks, (std::vector<size_t>{1, 3}));
    EXPECT_TRUE(kv::SameColour(d.drawn[0], Px(200, 0, 0)));
    EXPECT_TRUE(kv::SameColour(d.drawn[1], Px(0, 0, 255)));
    struct Row {
        const char* name;
        std::vector<RGBX> now;
        bool shown;
    };
    const std::vector<RGBX> gone = {Px(1, 1, 1), Px(2, 2, 2), Px(3, 3, 3), Px(4, 4, 4), Px(5, 5, 5), Px(6, 6, 6)};
    std::vector<RGBX> oneLeft = gone, alphaOnly = gone;
    oneLeft[3] = Px(0, 0, 255);
    alphaOnly[1] = RGBX{0, 0, 200, 77};  // the fourth byte is no colour
    const Row rows[] = {
        {"all repainted", gone, false},
        {"one pixel still drawn", oneLeft, true},
        {"same colour, other fourth byte", alphaOnly, true},
        {"still the window", shown, true},
        {"a picture of another size", std::vector<RGBX>(5), false},
        {"no picture", {}, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(kv::StillShown(d, r.now), r.shown);
    }
    EXPECT_FALSE(kv::StillShown(kv::DrawnOver(gone.data(), gone.data(), 3, 3, 2), gone));  // nothing drawn

    // The inverted pen: each channel ~(pen ^ colour), only at the pen's pixels.
    const std::vector<RGBX> under = {Px(0, 0, 0), Px(255, 255, 255), Px(10, 20, 30), Px(1, 2, 3)};
    const kv::OwnDrawing f = kv::InvertedOver(under, 2, 2, {0, 2, 9}, Px(255, 0, 0));
    ASSERT_EQ(f.marks, (std::vector<size_t>{0, 2}));  // 9 lies outside
    EXPECT_TRUE(kv::SameColour(f.drawn[0], Px(0, 255, 255)));
    EXPECT_TRUE(kv::SameColour(f.drawn[1], Px(10, 235, 225)));
    EXPECT_TRUE(kv::InvertedOver(under, 3, 2, {0}, Px(255, 0, 0)).Empty());  // pixels of another size
}

}  // namespace

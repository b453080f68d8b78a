// The capture command line: what each argument list becomes, and every refusal.
#include <gtest/gtest.h>

#include "engine/CaptureArgs.h"

namespace {

TEST(EngineArgs, Accepted) {
    std::wstring err;
    auto r = kv::ParseCaptureArgs({L"/capture", L"Screen", L"/delay", L"250", L"/out", L"C:\\a b\\x.png", L"/clipboard",
                                   L"-quiet", L"/process", L"/POINTER"},
                                  err);
    ASSERT_TRUE(r) << std::string(err.begin(), err.end());
    EXPECT_EQ(r->type, kv::CaptureType::Screen);
    EXPECT_FALSE(r->region);
    EXPECT_EQ(r->delayMs, 250);
    EXPECT_EQ(r->out, L"C:\\a b\\x.png");
    EXPECT_TRUE(r->clipboard && r->quiet && r->process && r->pointer);
    r = kv::ParseCaptureArgs({L"/region", L"-10,20,300,200", L"/out", L"-"}, err);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->region);
    EXPECT_STREQ(kv::CaptureName(*r), L"region");
    EXPECT_EQ(r->x, -10);
    EXPECT_EQ(r->h, 200);
    EXPECT_EQ(r->out, L"-");
    // Each name gives the type the settings file stores for it (object 4, rect 5).
    const std::pair<const wchar_t*, int> types[] = {{L"screen", 0}, {L"active", 1}, {L"current", 2},
                                                    {L"client", 3}, {L"object", 4}, {L"rect", 5}};
    for (const auto& [t, stored] : types) {
        r = kv::ParseCaptureArgs({L"/capture", t}, err);
        ASSERT_TRUE(r);
        EXPECT_STREQ(kv::CaptureName(*r), t);
        EXPECT_EQ(int(r->type), stored);
    }
    r = kv::ParseCaptureArgs({L"/capture", L"screen", L"/out", L"C:\\shots\""}, err);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->out, L"C:\\shots\\");
    r = kv::ParseCaptureArgs({L"/?"}, err);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->help);
}

// Every refusal says why in one line; an argument it repeats is cut to 100 characters.
TEST(EngineArgs, Refused) {
    const std::wstring longArg(40000, L'x');
    struct Row {
        std::vector<std::wstring> args;
        std::wstring error;
    };
    const Row rows[] = {
        {{}, L"no capture type: use /capture <type> or /region x,y,w,h"},
        {{L"/capture"}, L"missing value after /capture"},
        {{L"/capture", L"window"}, L"unknown capture type: window"},
        {{L"/capture", L"screen", L"/capture", L"rect"}, L"more than one capture type"},
        {{L"/capture", L"screen", L"/capture", L"screen"}, L"more than one capture type"},
        {{L"/region", L"1,2,3"}, L"bad region (x,y,w,h with w and h positive): 1,2,3"},
        {{L"/region", L"1,2,3,0"}, L"bad region (x,y,w,h with w and h positive): 1,2,3,0"},
        {{L"/region", L"1,2,3,4,5"}, L"bad region (x,y,w,h with w and h positive): 1,2,3,4,5"},
        {{L"/region", L"1,2,3,4,"}, L"bad region (x,y,w,h with w and h positive): 1,2,3,4,"},
        {{L"/region", L",,,"}, L"bad region (x,y,w,h with w and h positive): ,,,"},
        {{L"/region", L"a,b,c,d"}, L"bad region (x,y,w,h with w and h positive): a,b,c,d"},
        {{L"/region", L"2147483648,0,10,10"}, L"bad region (x,y,w,h with w and h positive): 2147483648,0,10,10"},
        {{L"/region", L"0,0,4294967297,1"}, L"bad region (x,y,w,h with w and h positive): 0,0,4294967297,1"},
        {{L"/region", L"-99999999999999999999,0,1,1"},
         L"bad region (x,y,w,h with w and h positive): -99999999999999999999,0,1,1"},
        {{L"/region", L"0,0,10,10 "}, L"bad region (x,y,w,h with w and h positive): 0,0,10,10 "},
        {{L"/region", L"1,1,1,1", L"/region", L"1,1,1,1"}, L"more than one capture type"},
        {{L"/capture", L"screen", L"/region", L"1,1,1,1"}, L"more than one capture type"},
        {{L"/capture", L"screen", L"/delay", L"-1"}, L"bad delay (0 to 15000 ms): -1"},
        {{L"/capture", L"screen", L"/delay", L"15001"}, L"bad delay (0 to 15000 ms): 15001"},
        {{L"/capture", L"screen", L"/delay", L"99999999999999999999"}, L"bad delay (0 to 15000 ms): 99999999999999999999"},
        {{L"/capture", L"screen", L"/delay", L"4294967296"}, L"bad delay (0 to 15000 ms): 4294967296"},
        {{L"/capture", L"screen", L"/delay", L"1e3"}, L"bad delay (0 to 15000 ms): 1e3"},
        {{L"/capture", L"screen", L"/delay", L"0x10"}, L"bad delay (0 to 15000 ms): 0x10"},
        {{L"/capture", L"screen", L"/delay", L""}, L"bad delay (0 to 15000 ms): "},
        {{L"/capture", L"screen", L"/delay"}, L"missing value after /delay"},
        {{L"/capture", L"screen", L"/delay", L"100", L"/delay", L"200"}, L"more than one /delay"},
        {{L"/capture", L"screen", L"/out", L"a.png", L"/out", L"b.png"}, L"more than one /out"},
        {{L"/capture", L"screen", L"/out", L""}, L"empty /out path"},
        {{L"/capture", L"screen", L"/out"}, L"missing value after /out"},
        // A value that is an option is a missing value, not a file, number or type named so.
        {{L"/capture", L"screen", L"/out", L"/quiet"}, L"missing value after /out"},
        {{L"/capture", L"screen", L"/out", L"-CLIPBOARD"}, L"missing value after /out"},
        {{L"/capture", L"screen", L"/delay", L"/out", L"x.png"}, L"missing value after /delay"},
        {{L"/capture", L"/quiet"}, L"missing value after /capture"},
        {{L"/region", L"/delay", L"5"}, L"missing value after /region"},
        {{L"/capture", L"screen", L"/bogus"}, L"unknown argument: /bogus"},
        {{L"/capture", L"screen", L"--delay", L"5"}, L"unknown argument: --delay"},
        {{L"/capture", L"screen", L"/"}, L"unknown argument: /"},
        {{L"/capture", L"screen", longArg}, L"unknown argument: " + longArg.substr(0, 100) + L"…"},
        {{L"/capture", longArg}, L"unknown capture type: " + longArg.substr(0, 100) + L"…"},
        // The cut never leaves half of a surrogate pair (where wchar_t has 16 bits).
        {{L"/capture", L"screen", L"/" + std::wstring(98, L'y') + L"\U0001F600z"},
         L"unknown argument: /" + std::wstring(98, L'y') + (sizeof(wchar_t) == 2 ? L"" : L"\U0001F600") + L"…"},
    };
    for (const Row& r : rows) {
        std::wstring shown;
        for (const std::wstring& a : r.args) shown += (shown.empty() ? L"" : L" ") + a.substr(0, 40);
        SCOPED_TRACE(std::string(shown.begin(), shown.end()));
        std::wstring err;
        EXPECT_FALSE(kv::ParseCaptureArgs(r.args, err));
        EXPECT_EQ(err, r.error);
    }
}

// Switches may come again; a very long /out path is taken whole (the file system judges it).
TEST(EngineArgs, RepeatedSwitchesAndLongValues) {
    std::wstring err;
    auto r = kv::ParseCaptureArgs({L"/capture", L"screen", L"/quiet", L"/quiet", L"-QUIET", L"/clipboard", L"/clipboard"}, err);
    ASSERT_TRUE(r) << std::string(err.begin(), err.end());
    EXPECT_TRUE(r->quiet && r->clipboard);
    const std::wstring path = L"C:\\" + std::wstring(32000, L'p') + L".png";
    r = kv::ParseCaptureArgs({L"/region", L"0,0,1,1", L"/out", path}, err);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->out, path);
    r = kv::ParseCaptureArgs({L"/region", L"-1000000,-1000000,1000000,1000000", L"/delay", L" 15000"}, err);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->x, -1000000);
    EXPECT_EQ(r->delayMs, 15000);
    // "-" alone is standard output, not an option.
    r = kv::ParseCaptureArgs({L"/region", L"0,0,1,1", L"/out", L"-"}, err);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->out, L"-");
}

TEST(EngineArgs, JsonStrings) {
    EXPECT_EQ(kv::JsonString(L"a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(kv::JsonString(L"\n\x01"), "\"\\u000a\\u0001\"");
    EXPECT_EQ(kv::JsonString(L"截图"), "\"\xE6\x88\xAA\xE5\x9B\xBE\"");
}

}  // namespace

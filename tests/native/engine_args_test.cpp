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

TEST(EngineArgs, Refused) {
    const std::vector<std::vector<std::wstring>> bad = {
        {},
        {L"/capture"},
        {L"/capture", L"window"},
        {L"/capture", L"screen", L"/capture", L"rect"},
        {L"/region", L"1,2,3"},
        {L"/region", L"1,2,3,0"},
        {L"/region", L"1,2,3,4,5"},
        {L"/region", L"a,b,c,d"},
        {L"/capture", L"screen", L"/delay", L"-1"},
        {L"/capture", L"screen", L"/delay", L"15001"},
        {L"/capture", L"screen", L"/delay"},
        {L"/capture", L"screen", L"/out", L""},
        {L"/capture", L"screen", L"/bogus"},
        {L"/capture", L"screen", L"/region", L"1,1,1,1"},
    };
    for (const auto& args : bad) {
        std::wstring err;
        EXPECT_FALSE(kv::ParseCaptureArgs(args, err)) << args.size();
        EXPECT_FALSE(err.empty());
    }
}

TEST(EngineArgs, JsonStrings) {
    EXPECT_EQ(kv::JsonString(L"a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(kv::JsonString(L"\n\x01"), "\"\\u000a\\u0001\"");
    EXPECT_EQ(kv::JsonString(L"截图"), "\"\xE6\x88\xAA\xE5\x9B\xBE\"");
}

}  // namespace

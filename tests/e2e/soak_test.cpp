// The diagnostics query against what can be seen of the process from outside.
#include "E2eTest.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "res/resource.h"

namespace {

using kvdrive::WaitFor;
using Q = kv::diag::Query;

// Sound off, no pause, the automatic copy on; the main window hides for each capture (the
// default). The chain: grey, flip, rotation, scaling and sharpening.
const wchar_t kConfig[] =
    L"<Dadodav>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n  <SnapDelayTime>\n   0\n  </SnapDelayTime>\n"
    L" </Basic>\n <Image>\n  <GrayScale>\n   1\n  </GrayScale>\n  <Scale>\n   1\n  </Scale>\n  <Rotate>\n   1\n"
    L"  </Rotate>\n  <FlipHorz>\n   1\n  </FlipHorz>\n  <Sharpen>\n   1\n  </Sharpen>\n  <AutoCopy>\n   1\n"
    L"  </AutoCopy>\n  <RotateAngle>\n   30\n  </RotateAngle>\n </Image>\n</Dadodav>\n";

class Soak : public kvtest::E2eTest {};

// The windows of a process as another process finds them: top-level (shown or not), their
// children, and message-only windows, each once.
long WindowsOf(DWORD pid) {
    std::vector<HWND> all;
    const WNDENUMPROC collect = [](HWND h, LPARAM lp) noexcept -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
    };
    EnumWindows(collect, reinterpret_cast<LPARAM>(&all));
    for (HWND h = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); h; h = FindWindowExW(HWND_MESSAGE, h, nullptr, nullptr))
        if (GetAncestor(h, GA_PARENT) != GetDesktopWindow()) all.push_back(h);
    std::vector<HWND> theirs;
    for (HWND h : all) {
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner != pid) continue;
        theirs.push_back(h);
        EnumChildWindows(h, collect, reinterpret_cast<LPARAM>(&theirs));
    }
    std::sort(theirs.begin(), theirs.end());
    return long(std::unique(theirs.begin(), theirs.end()) - theirs.begin());
}

LONG_PTR PrivateBytesOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    return GetProcessMemoryInfo(process, &pmc, sizeof pmc) ? LONG_PTR(pmc.PagefileUsage) : -1;
}

// Each figure against what it must be: nothing caught, the placeholder bitmap's owner, no DIB
// section before the first capture and two after it (the raw and the processed picture), at
// least the windows another process sees, and private bytes as another process reads them.
TEST_F(Soak, DiagnosticsQueryAnswersWithTheProcessFigures) {
    kvdrive::Karvo& k = App();
    k.WriteConfig(kConfig);
    ASSERT_TRUE(k.Launch());
    EXPECT_EQ(k.Diagnostic(Q(99)), -1);
    EXPECT_EQ(k.Diagnostic(Q::kQueryCount), -1);
    kvdrive::Karvo::Figures f = k.Diagnostics();
    EXPECT_EQ(f[Q::kCaughtExceptions], 0);
    EXPECT_EQ(f[Q::kLiveOwners], 1);
    EXPECT_EQ(f[Q::kDibSections], 0);
    EXPECT_GT(f[Q::kGdiObjects], 0);
    EXPECT_GE(f[Q::kUserObjects], WindowsOf(k.Proc().Id()));
    EXPECT_GT(f[Q::kHandles], 0);

    const DWORD seq = kvdrive::ClipboardSequence();
    kvdrive::Press(VK_SNAPSHOT, {VK_CONTROL});
    ASSERT_TRUE(WaitFor([&] { return kvdrive::ClipboardSequence() != seq && IsWindowVisible(k.Main()); }));
    const LONG_PTR before = PrivateBytesOf(k.Proc().pi.hProcess);
    f = k.Diagnostics();
    const LONG_PTR after = PrivateBytesOf(k.Proc().pi.hProcess);
    EXPECT_EQ(f[Q::kDibSections], 2);
    EXPECT_GE(f[Q::kGdiObjects], f[Q::kDibSections]);
    EXPECT_GE(f[Q::kUserObjects], WindowsOf(k.Proc().Id()));
    // Two 1280 × 800 pictures at least, and the same figure as read from outside (within the
    // little the query itself may allocate).
    EXPECT_GT(f[Q::kPrivateBytes], 8 << 20);
    EXPECT_GE(f[Q::kPrivateBytes], std::min(before, after) - (1 << 20));
    EXPECT_LE(f[Q::kPrivateBytes], std::max(before, after) + (1 << 20));
    EXPECT_TRUE(k.Exit());
}

}  // namespace

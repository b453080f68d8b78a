// The diagnostics query's answers. The system's own counts are taken where it keeps them; Wine 8
// keeps some of them at zero, and there the same figure is counted another way (each measured
// against objects made and freed by a test program under this machine's Wine):
// - GDI objects: GetGuiResources is always 0; the process's GDI handle table, which Wine (like
//   Windows) maps into the process and points the PEB at, has one entry with a type per object.
// - USER objects: GetGuiResources is always 0, and nothing lists menus, icons or cursors of a
//   process; its windows (top-level, child and message-only) are counted instead.
// - Handles: GetProcessHandleCount succeeds with 0; the system's handle list has each handle
//   with its process.
// - Private bytes: PrivateUsage is 0; PagefileUsage, the same figure on Windows, is the
//   process's anonymous memory (resident and swapped) there.
#include "framework/Diagnostics.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "framework/Handles.h"
#include "framework/ModuleState.h"
#include "imaging/BitmapOps.h"

namespace {

// One entry of the GDI handle table (24 bytes on 64-bit Windows and Wine); a free one has type 0.
struct GdiHandleEntry {
    uint64_t object;
    uint16_t processId, count;
    uint16_t unique;
    uint8_t type, flags;
    uint64_t user;
};
static_assert(sizeof(GdiHandleEntry) == 24);
constexpr size_t kGdiTableEntries = 0x10000;
constexpr size_t kPebGdiTableOffset = 0xF8;  // PEB.GdiSharedHandleTable, 64-bit layout

template <class F>
F NtdllEntry(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

long GdiTableCount() {
    using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    static const auto query = NtdllEntry<Query>("NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION info{};
    if (!query || query(::GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) != 0) return -1;
    const auto* peb = reinterpret_cast<const char*>(info.PebBaseAddress);
    const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + kPebGdiTableOffset);
    if (!table) return -1;
    long n = 0;
    for (size_t i = 0; i < kGdiTableEntries; ++i) n += table[i].type != 0;
    return n;
}

// Each window once: Wine's FindWindowEx(HWND_MESSAGE) can list top-level windows too (seen once
// as every window counted twice), so the message-only ones are taken by their parent and the
// whole list made unique.
long WindowCount() {
    std::vector<HWND> all;
    const WNDENUMPROC collect = [](HWND h, LPARAM lp) noexcept -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
    };
    ::EnumWindows(collect, reinterpret_cast<LPARAM>(&all));
    HWND desktop = ::GetDesktopWindow();
    for (HWND h = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); h;
         h = ::FindWindowExW(HWND_MESSAGE, h, nullptr, nullptr))
        if (::GetAncestor(h, GA_PARENT) != desktop) all.push_back(h);
    const DWORD self = ::GetCurrentProcessId();
    std::vector<HWND> mine;
    for (HWND h : all) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(h, &pid);
        if (pid != self) continue;
        mine.push_back(h);
        ::EnumChildWindows(h, collect, reinterpret_cast<LPARAM>(&mine));
    }
    std::sort(mine.begin(), mine.end());
    return long(std::unique(mine.begin(), mine.end()) - mine.begin());
}

// SystemExtendedHandleInformation (64): every handle of the system with its process.
struct HandleEntry {
    void* object;
    ULONG_PTR processId, handle;
    ULONG access;
    USHORT creatorBackTrace, typeIndex;
    ULONG attributes, reserved;
};
struct HandleList {
    ULONG_PTR count, reserved;
    HandleEntry entries[1];
};

long HandleListCount() {
    using Query = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
    static const auto query = NtdllEntry<Query>("NtQuerySystemInformation");
    if (!query) return -1;
    std::vector<uint8_t> buf(1 << 20);
    constexpr NTSTATUS kLengthMismatch = NTSTATUS(0xC0000004L);
    NTSTATUS status;
    ULONG needed = 0;
    while ((status = query(64, buf.data(), ULONG(buf.size()), &needed)) == kLengthMismatch && buf.size() < (256u << 20))
        buf.resize(buf.size() * 2);
    if (status != 0) return -1;
    const auto* list = reinterpret_cast<const HandleList*>(buf.data());
    const ULONG_PTR pid = ::GetCurrentProcessId();
    long n = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i) n += list->entries[i].processId == pid;
    return n;
}

}  // namespace

namespace kv::diag {

LONG_PTR Value(WPARAM query) {
    HANDLE self = ::GetCurrentProcess();
    switch (query) {
    case kCaughtExceptions: return kv::fw::CaughtExceptionCount();
    case kLiveOwners: return kv::LiveOwnerCount().load();
    case kDibSections: return kv::bitmap::LiveSections();
    case kGdiObjects:
        if (const DWORD n = ::GetGuiResources(self, GR_GDIOBJECTS)) return LONG_PTR(n);
        return GdiTableCount();
    case kUserObjects:
        if (const DWORD n = ::GetGuiResources(self, GR_USEROBJECTS)) return LONG_PTR(n);
        return WindowCount();
    case kHandles: {
        DWORD n = 0;
        if (::GetProcessHandleCount(self, &n) && n) return LONG_PTR(n);
        return HandleListCount();
    }
    case kPrivateBytes: {
        PROCESS_MEMORY_COUNTERS pmc{};
        pmc.cb = sizeof pmc;
        if (!::GetProcessMemoryInfo(self, &pmc, sizeof pmc)) return -1;
        return LONG_PTR(pmc.PagefileUsage);
    }
    default: return -1;
    }
}

}  // namespace kv::diag

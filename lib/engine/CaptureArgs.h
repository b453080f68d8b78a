#pragma once
// The command line of a capture run: `/capture <type> | /region x,y,w,h`, `/delay ms`,
// `/out path|-`, `/clipboard`, `/process`, `/quiet`, `/?`. Parsed without the platform, so the
// rules are tested natively.
#include <optional>
#include <string>
#include <vector>

#include "Export.h"

namespace kv {

enum class CaptureKind { Screen, Active, Current, Client, Rect, Object, Region };

struct CaptureRequest {
    CaptureKind kind = CaptureKind::Screen;
    int x = 0, y = 0, w = 0, h = 0;  // /region
    int delayMs = 0;
    std::wstring out;                // empty: none given; "-": standard output
    bool clipboard = false;
    bool process = false;
    bool quiet = false;
    bool help = false;
};

//! Exit codes of a capture run.
enum ExitCode : int {
    kExitOk = 0,
    kExitBadArguments = 2,
    kExitCaptureFailed = 3,
    kExitCancelled = 4,
    kExitNoEncoder = 5,
    kExitWriteFailed = 6,
};

//! The request, or std::nullopt with error set to a one-line reason.
KV_API std::optional<CaptureRequest> ParseCaptureArgs(const std::vector<std::wstring>& args, std::wstring& error);
//! The name of a capture type as the command line writes it.
KV_API const wchar_t* CaptureKindName(CaptureKind k);
//! The usage text.
KV_API const wchar_t* CaptureUsage();
//! A JSON string literal (quotes included) for s, escaped.
KV_API std::string JsonString(const std::wstring& s);

}  // namespace kv

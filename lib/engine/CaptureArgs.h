#pragma once
// The command line of a capture run: `/capture <type> | /region x,y,w,h`, `/delay ms`,
// `/out path|-`, `/clipboard`, `/process`, `/quiet`, `/?`. Parsed without the platform, so the
// rules are tested natively.
#include <optional>
#include <string>
#include <vector>

#include "Export.h"
#include "settings/CaptureType.h"

namespace kv {

struct CaptureRequest {
    CaptureType type = CaptureType::Screen;
    bool region = false;             // /region: a fixed rectangle instead of a capture type
    int x = 0, y = 0, w = 0, h = 0;  // /region
    int delayMs = 0;
    std::wstring out;                // empty: none given; "-": standard output
    bool clipboard = false;
    bool process = false;
    bool quiet = false;
    bool pointer = false;            // draw the mouse pointer into the picture
    int monitor = -1;                // monitor:N: the Nth monitor (N from 1) as index N - 1
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
//! What the request captures, as the command line writes it ("region" for /region).
KV_API const wchar_t* CaptureName(const CaptureRequest& r);
//! The usage text.
KV_API const wchar_t* CaptureUsage();
//! A JSON string literal (quotes included) for s, escaped.
KV_API std::string JsonString(const std::wstring& s);

}  // namespace kv

#include "engine/CaptureArgs.h"

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <utility>

namespace kv {

namespace {

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = wchar_t(std::towlower(wint_t(c)));
    return s;
}

bool ParseInt(const std::wstring& s, long long lo, long long hi, int& out) {
    if (s.empty()) return false;
    wchar_t* end = nullptr;
    const long long v = std::wcstoll(s.c_str(), &end, 10);
    if (!end || *end || v < lo || v > hi) return false;
    out = int(v);
    return true;
}


// An argument as an error message repeats it: at most 100 characters of it, so that a very long
// one still gives a message that can be read (and a message box that fits on the screen).
std::wstring Shown(const std::wstring& arg) {
    if (arg.size() <= 100) return arg;
    const bool split = arg[99] >= 0xD800 && arg[99] < 0xDC00;  // not half of a surrogate pair
    return arg.substr(0, split ? 99 : 100) + L"…";
}

// An argument as an option name: lower case, a leading "-" read as "/".
std::wstring OptionName(const std::wstring& arg) {
    std::wstring a = Lower(arg);
    if (!a.empty() && a[0] == L'-') a[0] = L'/';
    return a;
}

bool IsOption(const std::wstring& arg) {
    static const wchar_t* const kOptions[] = {L"/?",   L"/help",  L"/h",         L"/capture", L"/region", L"/delay",
                                              L"/out", L"/quiet", L"/clipboard", L"/process", L"/pointer"};
    const std::wstring a = OptionName(arg);
    for (const wchar_t* o : kOptions)
        if (a == o) return true;
    return false;
}

}  // namespace

const wchar_t* CaptureName(const CaptureRequest& r) {
    if (r.region) return L"region";
    if (const CaptureTypeRow* row = CaptureTypeRowOf(int(r.type))) return row->word;
    return L"screen";
}

// An option that takes a value takes the next argument, unless that is itself an option: then
// its value is missing (`/out /quiet` is not a file named "/quiet"). /delay and /out may be
// given once; the switches any number of times.
std::optional<CaptureRequest> ParseCaptureArgs(const std::vector<std::wstring>& args, std::wstring& error) {
    CaptureRequest r;
    bool haveType = false, haveDelay = false, haveOut = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring a = OptionName(args[i]);
        auto value = [&](const wchar_t* what) -> const std::wstring* {
            if (i + 1 >= args.size() || IsOption(args[i + 1])) {
                error = std::wstring(L"missing value after ") + what;
                return nullptr;
            }
            return &args[++i];
        };
        auto once = [&](bool& seen, const wchar_t* what) {
            if (seen) error = std::wstring(L"more than one ") + what;
            return !std::exchange(seen, true);
        };
        if (a == L"/?" || a == L"/help" || a == L"/h") {
            r.help = true;
        } else if (a == L"/capture") {
            const std::wstring* v = value(L"/capture");
            if (!v) return std::nullopt;
            std::wstring t = Lower(*v);
            // monitor:N, the Nth monitor in the documented order (the primary is 1).
            const std::wstring monitorWord = std::wstring(RowOf(CaptureType::PointerMonitor).word) + L":";
            if (t.compare(0, monitorWord.size(), monitorWord) == 0) {
                int n = 0;
                if (!ParseInt(t.substr(monitorWord.size()), 1, 64, n))
                    return error = L"bad monitor number (monitor:N with N from 1): " + Shown(*v), std::nullopt;
                r.monitor = n - 1;
                t.resize(monitorWord.size() - 1);
            }
            bool found = false;
            for (const CaptureTypeRow& k : kCaptureTypes)
                if (t == k.word) r.type = k.type, found = true;
            if (!found) return error = L"unknown capture type: " + Shown(*v), std::nullopt;
            if (haveType) return error = L"more than one capture type", std::nullopt;
            haveType = true;
        } else if (a == L"/region") {
            const std::wstring* v = value(L"/region");
            if (!v) return std::nullopt;
            int n[4];
            size_t start = 0;
            for (int k = 0; k < 4; ++k) {
                const size_t comma = v->find(L',', start);
                const std::wstring part = v->substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
                const bool last = k == 3;
                if ((comma == std::wstring::npos) != last || !ParseInt(part, k < 2 ? -1000000 : 1, 1000000, n[k]))
                    return error = L"bad region (x,y,w,h with w and h positive): " + Shown(*v), std::nullopt;
                start = comma + 1;
            }
            if (haveType) return error = L"more than one capture type", std::nullopt;
            haveType = true;
            r.region = true;
            r.x = n[0], r.y = n[1], r.w = n[2], r.h = n[3];
        } else if (a == L"/delay") {
            const std::wstring* v = value(L"/delay");
            if (!v || !once(haveDelay, L"/delay")) return std::nullopt;
            if (!ParseInt(*v, 0, 15000, r.delayMs)) return error = L"bad delay (0 to 15000 ms): " + Shown(*v), std::nullopt;
        } else if (a == L"/out") {
            const std::wstring* v = value(L"/out");
            if (!v || !once(haveOut, L"/out")) return std::nullopt;
            r.out = *v;
            // "C:\\folder\\" reaches us as C:\\folder" (the backslash escaped the quote); no path
            // can hold a quote, so it is the folder the user meant.
            if (!r.out.empty() && r.out.back() == L'"') r.out.back() = L'\\';
            if (r.out.empty()) return error = L"empty /out path", std::nullopt;
        } else if (a == L"/clipboard") {
            r.clipboard = true;
        } else if (a == L"/process") {
            r.process = true;
        } else if (a == L"/quiet") {
            r.quiet = true;
        } else if (a == L"/pointer") {
            r.pointer = true;
        } else {
            return error = L"unknown argument: " + Shown(args[i]), std::nullopt;
        }
    }
    if (!r.help && !haveType) return error = L"no capture type: use /capture <type> or /region x,y,w,h", std::nullopt;
    return r;
}

const wchar_t* CaptureUsage() {
    return L"Usage: Karvo.exe /capture <screen|active|current|client|rect|object|all|monitor|monitor:N> [options]\n"
           L"       Karvo.exe /region x,y,w,h [options]\n"
           L"  screen is the primary monitor, all every monitor, monitor the one under the pointer,\n"
           L"  monitor:N the Nth (1 the primary, then from left to right); x and y may be negative\n"
           L"Options:\n"
           L"  /delay ms     wait before capturing (0 to 15000, default 0)\n"
           L"  /out path     write the image; the format follows the extension; a folder gets a new\n"
           L"                file Karvo_<date>_<time>_<n>.png; - writes PNG to standard output\n"
           L"                (default: a new file in the current folder)\n"
           L"  /clipboard    put the image on the clipboard too\n"
           L"  /process      apply the image operations switched on in config.xml\n"
           L"  /quiet        no capture sound\n"
           L"  /pointer      draw the mouse pointer into the picture (not with object)\n"
           L"  /?            this text\n"
           L"On success one JSON line goes to standard output. Exit codes: 0 done, 2 bad arguments,\n"
           L"3 capture failed, 4 selection cancelled, 5 no encoder for the format, 6 write failed.\n";
}

std::string JsonString(const std::wstring& s) {
    std::string out = "\"";
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = uint32_t(s[i]);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && uint32_t(s[i + 1]) >= 0xDC00 &&
            uint32_t(s[i + 1]) < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(s[++i]) - 0xDC00);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(c));
            out += buf;
        } else if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;  // an unpaired surrogate
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out + "\"";
}

}  // namespace kv

#pragma once
// File names for automatic saving, made from a pattern. Tokens in braces: {yyyy} {yy} {MM} {dd}
// {HH} {mm} {ss}, {date} (yyyyMMdd), {time} (HHmmss), {n} (the counter), {type} (the capture
// type's name), {title} (the captured window's title), {process} (its program, without ".exe").
// Anything else stays as written. Characters no file name may hold become "_", trailing dots
// and spaces go, a device name (CON, NUL, COM1, ...) gets a "_" before it, and an empty result
// is "Karvo". Portable: the rules are tested without the platform.
#include <cstddef>
#include <string>

#include "Export.h"

namespace kv {

struct NameFields {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    unsigned counter = 1;
    std::wstring type, title, process;
};

//! The file name (without folder or extension) the pattern gives for these fields.
KV_API std::wstring ExpandNamePattern(const std::wstring& pattern, const NameFields& fields);
//! folder + name + suffix + "." + ext, with the name shortened (never the folder, suffix or
//! extension) so the whole path has at most maxPath characters; empty when even an empty name
//! would not fit. The folder ends with a backslash or slash, or one is added.
KV_API std::wstring FitPath(std::wstring folder, const std::wstring& name, const std::wstring& suffix, const std::wstring& ext,
                     size_t maxPath);

}  // namespace kv

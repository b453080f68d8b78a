#pragma once
// Whole-file reads and atomic whole-file writes by wide path. A write goes to a new temporary
// file beside the target, is flushed to the disk and then renamed over the target in one step,
// so the target is always either the old file or the complete new one.
#include <string>

#include "Export.h"

namespace kv {

//! The file's bytes; false when it cannot be opened or read.
KV_API bool ReadFileBytes(const std::wstring& path, std::string& bytes);
//! Replaces the file atomically; false (old file intact, no temporary left) on any failure.
KV_API bool WriteFileAtomic(const std::wstring& path, const std::string& bytes);

#if defined(_WIN32)
//! Takes a name no file has yet: folder\name.ext, else "name (2).ext", "name (3).ext" and so on,
//! the name shortened so the path leaves room for WriteFileAtomic's temporary name. The file is
//! created empty and closed. On failure false, with path the last name tried (empty when the
//! folder alone is too long) and error the reason.
KV_API bool ReserveNewFile(const std::wstring& folder, const std::wstring& name, const std::wstring& ext,
                           std::wstring& path, unsigned long& error);
#endif

}  // namespace kv

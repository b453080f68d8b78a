#pragma once
// The diagnostics query: a registered window message that the program's main window answers at
// once with one number about the running process, chosen by wParam. It only reads, so it is in
// every build; the end-to-end tests use it to watch a long run for leaks and swallowed faults.
#include <windows.h>

#include "Export.h"

namespace kv::diag {

//! The name RegisterWindowMessageW takes for the query.
inline constexpr wchar_t kMessageName[] = L"KarvoDiagnostics";

//! What the query answers, by wParam; any other wParam answers -1.
enum Query : unsigned {
    kCaughtExceptions = 0,  //!< exceptions caught at the framework's window and dialog delivery points
    kLiveOwners = 1,        //!< our handle owners holding a handle (kv::LiveOwnerCount)
    kDibSections = 2,       //!< our DIB sections not yet deleted (kv::bitmap::LiveSections)
    kGdiObjects = 3,        //!< GDI objects of the process
    kUserObjects = 4,       //!< USER objects of the process (under Wine: its windows only)
    kHandles = 5,           //!< kernel handles of the process
    kPrivateBytes = 6,      //!< private committed memory of the process, in bytes
    kPreviewSerial = 7,     //!< the picture serial the main window's preview last painted (0: none)
    kQueryCount = 8,
};

//! The answer to one query, as the main window returns it.
KV_API LONG_PTR Value(WPARAM query);

}  // namespace kv::diag

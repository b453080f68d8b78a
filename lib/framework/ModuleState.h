#pragma once
// The framework's process-wide module state, held in KarvoLib.dll so that the program and the
// library share it: the program's instance and the current resource module, from which every
// dialog template, bitmap, cursor and string is loaded; and the count of exceptions caught where
// the framework delivers a message to a window or dialog object.
#include <windows.h>

#include "Export.h"

namespace kv::fw {

//! The module resources are loaded from now; the program's own until something switches it.
KV_API HINSTANCE GetResourceHandle();
KV_API void SetResourceHandle(HINSTANCE module);
//! The program's executable module.
KV_API HINSTANCE GetInstanceHandle();
//! KarvoLib.dll's own module.
KV_API HINSTANCE GetLibraryModule();
//! The module the library's windows load their resources from (the library's own unless
//! KvSetResourceHandle chose another).
KV_API HINSTANCE GetLibraryResourceModule();

//! Records an exception caught at one of the boundaries nothing may leave by exception (window,
//! dialog and COM callbacks): a line on the debugger output naming where and what, and one more
//! in the count. Call it inside the catch block.
KV_API void CountCaughtException(const char* where) noexcept;
//! How many exceptions those boundaries have caught in this process.
KV_API int CaughtExceptionCount() noexcept;

}  // namespace kv::fw

//! Sets the module library windows load resources from; null restores the library's own.
KV_API void KvSetResourceHandle(HINSTANCE module);

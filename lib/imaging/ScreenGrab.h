#pragma once
// The one screen grab, shared by the engine and the selection window.
#include <windows.h>

#include "Export.h"
#include "framework/Types.h"
#include "imaging/ImageBitmap.h"

namespace kv {

//! Grabs rect of hWnd (the whole window when rect is empty; screen coordinates for the desktop
//! window) into a new bitmap object the caller deletes; null when nothing lies on the primary
//! screen.
KV_API CImageBitmap* GrabWindow(HWND hWnd, CRect rect);

}  // namespace kv

#pragma once
// The one screen grab, shared by the engine and the selection window, and the monitor layout
// it grabs from.
#include <windows.h>

#include "Export.h"
#include "engine/MonitorLayout.h"
#include "framework/Types.h"
#include "imaging/ImageBitmap.h"

namespace kv {

//! The desktop's monitors now, in virtual-screen coordinates (physical pixels).
KV_API MonitorLayout DesktopLayout();
//! Grabs rect of hWnd (the whole window when rect is empty; screen coordinates for the desktop
//! window) into a new bitmap object the caller deletes, clipped to the virtual screen, with the
//! parts no monitor covers in kUncoveredColour; null when nothing of it lies on a monitor.
//! `grabbed`, when given, receives the screen rectangle the bitmap holds. `reuse`, when given
//! and of the grab's size, is filled instead of a new bitmap (and is empty afterwards).
KV_API CImageBitmap* GrabWindow(HWND hWnd, CRect rect, CRect* grabbed = nullptr, bitmap::UniqueDib* reuse = nullptr);

}  // namespace kv

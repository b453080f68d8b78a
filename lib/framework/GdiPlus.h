#pragma once
// GDI+ through the C++ wrapper headers that mingw-w64 ships; they need min and max in scope.
#include <windows.h>

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

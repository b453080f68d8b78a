#include "framework/Owners.h"

// mingw's GDI+ headers need min/max and the GDI types in scope.
#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

kv::GdiPlusSession::GdiPlusSession() {
    Gdiplus::GdiplusStartupInput input;
    m_ok = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
}

kv::GdiPlusSession::~GdiPlusSession() {
    if (m_ok) Gdiplus::GdiplusShutdown(m_token);
}

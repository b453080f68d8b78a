// The Windows-only member of CImageBitmap: the 32-bit top-down description of a GDI bitmap.
#include "imaging/ImageBitmap.h"

#include "imaging/BitmapOps.h"

long CImageBitmap::PrepareBitmapInfo32(BITMAPINFO& info, HBITMAP hBitmap) {
    CSize size;
    if (!kv::bitmap::GetSize(hBitmap ? hBitmap : m_hObject, &size)) return 0;
    info.bmiHeader = kv::bitmap::Describe32(size).bmiHeader;
    return size.cy;
}

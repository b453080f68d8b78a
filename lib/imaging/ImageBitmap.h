#pragma once
// CImageBitmap: a platform bitmap that processors run over as a packed 32-bit top-down array.
// The object owns its bitmap; every operation that replaces it does so only once the new bitmap
// is complete, and a failed call leaves the object as it was.
#include "Export.h"
#include "imaging/PixelTypes.h"
#include "imaging/Processor.h"

class KV_API CImageBitmap {
public:
    explicit CImageBitmap(DWORD background = 0xFFFFFF);
    virtual ~CImageBitmap();
    CImageBitmap(const CImageBitmap&) = delete;
    CImageBitmap& operator=(const CImageBitmap&) = delete;

    //! The owned bitmap (borrowed by the caller), or null.
    HBITMAP GetSafeHandle() const { return m_hObject; }
    operator HBITMAP() const { return m_hObject; }
    //! Takes ownership of h; fails when the object already holds a bitmap.
    int Attach(HBITMAP h);
    //! Gives up ownership and returns the bitmap.
    HBITMAP Detach();
    //! Deletes the owned bitmap; 0 when there was none.
    int DeleteObject();
    COLORREF GetBackground() const { return m_clrBackground; }

    //! Replaces this bitmap by a deep copy of the source (which stays the caller's). 0 on failure.
    int CopyImage(HBITMAP hSource);
    int CopyImage(const CImageBitmap* pSource);

    //! Runs the chain over the image; 1 on success (an empty chain changes nothing), 0 on failure
    //! with the bitmap unchanged (also when the sizes cannot be allocated).
    int ProcessImage(CProcessorChain& chain);
    int ProcessImage(CImage32BitProcessor* pProcessor);

    int RotateImage(int degrees, int interpolate);
    int ShearImage(int horizontal, int vertical, int interpolate);
    int ResizeImage(double factor);
    int FlipImage(int horizontal, int vertical);
    int GrayImage();
    int NegateImage();
    int BlurImage(int factor);
    int SharpenImage(int factor);
    int ReplaceColor(DWORD from, DWORD to);

    //! Fills size.cx × size.cy pixels with the colour (0 and white as byte fills); 0 for null.
    static int Fill(RGBX* pBuffer, CSize size, DWORD colour);

protected:
    //! The pixels as a new array (delete[] by the caller), top row first; null on failure.
    RGBX* GetDIBits32();
#if defined(_WIN32)
    //! Describes hBitmap (this object's when null) as 32-bit top-down; its height, or 0.
    long PrepareBitmapInfo32(BITMAPINFO& info, HBITMAP hBitmap);
#endif

private:
    HBITMAP m_hObject = nullptr;
    COLORREF m_clrBackground;
};

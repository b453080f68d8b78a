// The screen grab and the steps every capture shares: the pause, the sound, the grab into the
// raw buffer, the refresh and the automatic copy.
#include "engine/ImageDocument.h"
#include "engine/KarvoCore.h"

#include <mmsystem.h>

#include <memory>

#include "framework/Gdi.h"
#include "framework/Handles.h"
#include "framework/Owners.h"
#include "imaging/BitmapOps.h"
#include "imaging/ScreenGrab.h"
#include "settings/Helper.h"

CImageBitmap* CKarvoCore::SnapBitmap(HWND hWnd, CRect rect) { return kv::GrabWindow(hWnd, rect); }

// The pointer's shape is copied when it is taken, so it can be drawn later (after the selection
// window, whose own cursor the screen shows by then, has closed).
// Wine: the global cursor's handle is not usable by a thread whose windows do not have it
// (GetCursorInfo says it shows, with a null handle or one that cannot be described or copied
// here); the standard arrow stands in for it. Windows gives the global cursor.
CKarvoCore::PointerShot CKarvoCore::TakePointer() {
    PointerShot shot;
    CURSORINFO ci{sizeof ci};
    if (!::GetCursorInfo(&ci) || !(ci.flags & CURSOR_SHOWING)) return shot;
    for (HCURSOR cursor : {ci.hCursor, ::LoadCursorW(nullptr, IDC_ARROW)}) {
        ICONINFO ii{};
        if (!cursor || !::GetIconInfo(cursor, &ii)) continue;
        kv::UniqueHbitmap mask(ii.hbmMask), colour(ii.hbmColor);  // GetIconInfo's copies are ours
        kv::UniqueHicon copy(::CopyIcon(cursor));
        if (!copy) continue;
        shot.showing = true;
        // Where the pointer is now: Wine's GetCursorInfo gives the place its server last heard of,
        // which lags behind the display while this process has not yet read the pointer's
        // motion (on a loaded machine, a whole drag behind); GetCursorPos asks the display. On
        // Windows the two agree.
        shot.at = ci.ptScreenPos;
        if (POINT now; ::GetCursorPos(&now)) shot.at = now;
        shot.hotSpot = POINT{LONG(ii.xHotspot), LONG(ii.yHotspot)};
        shot.shape = std::move(copy);
        break;
    }
    return shot;
}

namespace {

// The pointer drawn into a grab whose top-left corner lies at `origin` on the screen: its own
// shape (colour, mask and all) with its hot spot on the pointer's place.
void DrawPointer(HBITMAP grab, POINT origin, const CKarvoCore::PointerShot& p) {
    if (!p.showing || !p.shape) return;
    kv::UniqueHdc dc = kv::CreateCompatibleDc(nullptr);
    if (!dc) return;
    kv::ScopedSelect select(dc.get(), grab);
    ::DrawIconEx(dc.get(), p.at.x - p.hotSpot.x - origin.x, p.at.y - p.hotSpot.y - origin.y, p.shape.get(), 0, 0, 0,
                 nullptr, DI_NORMAL);
}

}  // namespace

// A grab whose buffer holds no bitmap is a failed capture: FALSE, and the previous image stays.
BOOL CKarvoCore::SnapRect(HWND hWnd, CRect rect) { return SnapRect(hWnd, rect, nullptr); }

BOOL CKarvoCore::SnapRect(HWND hWnd, CRect rect, bool pointer) {
    if (!pointer) return SnapRect(hWnd, rect, nullptr);
    const PointerShot now = TakePointer();
    return SnapRect(hWnd, rect, &now);
}

BOOL CKarvoCore::SnapRect(HWND hWnd, CRect rect, const PointerShot* pointer) {
    if (!hWnd) return FALSE;
    CRect grabbed;  // where the grab came from, in screen coordinates, clipped as the grab was
    std::unique_ptr<CImageBitmap> bmp(kv::GrabWindow(hWnd, rect, &grabbed, &m_doc->grabSpare));
    if (!bmp || !bmp->GetSafeHandle()) return FALSE;
    if (pointer) DrawPointer(bmp->GetSafeHandle(), POINT{grabbed.left, grabbed.top}, *pointer);
    // The grab becomes the raw image itself (no copy); the refresh makes the processed one. The
    // raw image it replaces is kept for the next grab to fill.
    m_doc->grabSpare = kv::bitmap::UniqueDib::Adopt(m_bmpRaw.Detach());
    m_bmpRaw.Attach(bmp->Detach());
    NewPicture();
    RefreshImageData();
    m_rcLastSnap = grabbed;
    m_hLastSnapWnd = hWnd;
    return TRUE;
}

void CKarvoCore::PlaySnapSound() {
    if (!(m_run.active ? m_run.sound : m_config.GetPlaySnapSound() != 0) || m_bInitializing) return;
    const std::wstring wav = CHelper::GetAppPath() + L"snap.wav";
    if (::GetFileAttributesW(wav.c_str()) != INVALID_FILE_ATTRIBUTES) ::sndPlaySoundW(wav.c_str(), SND_ASYNC);
}

void CKarvoCore::AutoCopyCurrent() {
    if (!m_run.active && m_config.GetAutoCopy()) CopyImageData(0);
}

BOOL CKarvoCore::Capture(const kv::CaptureRequest& request) {
    m_run = RunOptions{true, request.delayMs, !request.quiet, request.process, request.pointer, request.monitor};
    BOOL result = FALSE;
    if (request.region) {
        m_lastCaptureType = kv::CaptureType::Rectangle;
        result = SnapRegion(CRect(request.x, request.y, request.x + request.w, request.y + request.h));
    } else {
        result = SnapType(request.type);
    }
    m_run = RunOptions{};
    return result;
}

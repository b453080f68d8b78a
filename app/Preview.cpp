// The preview: the engine's thumbnail on a white field inside the preview control, or the
// placeholder picture when there is no image; the same drawing goes onto one printed page.
#include "MainDialog.h"

#include <commdlg.h>

#include "framework/Gdi.h"
#include "framework/Handles.h"

namespace {

// No selection, no page numbers, copies and collation by the printer, print-to-file hidden.
constexpr DWORD kPrintFlags = 0x14000C;

}  // namespace

void CKarvoDlg::DrawPreview(BOOL toPrinter) {
    CRect rc;
    m_wndPreview.GetClientRect(&rc);
    kv::WindowDc screen;
    kv::UniqueHdc printer;
    HDC target = nullptr;  // borrowed from one of the two owners above
    if (toPrinter) {
        PRINTDLGW pd{sizeof pd};
        pd.hwndOwner = m_hWnd;  // owned and modal: it cannot open underneath the window
        pd.Flags = kPrintFlags | PD_RETURNDC;
        if (!::PrintDlgW(&pd)) return;
        const kv::UniqueHglobal devMode(pd.hDevMode), devNames(pd.hDevNames);  // the dialog's, ours to free
        printer.reset(pd.hDC);
        if (!printer) return;
        DOCINFOW doc{sizeof doc};
        doc.lpszDocName = L"Dadodav";
        if (::StartDocW(printer.get(), &doc) <= 0) return;
        ::StartPage(printer.get());
        target = printer.get();
    } else {
        screen = kv::GetDc(m_wndPreview.GetSafeHwnd());
        target = screen.get();
    }
    if (!target) return;

    if (m_core.GetImage()) {
        Gdiplus::Graphics g(target);
        int x = 0, y = 0;
        Gdiplus::Image* thumb = m_core.GetThubImage(x, y);
        if (g.GetLastStatus() == Gdiplus::Ok && thumb) {
            Gdiplus::SolidBrush white(Gdiplus::Color(0xFFFFFFFF));
            g.FillRectangle(&white, 1, 1, rc.Width() - 2, rc.Height() - 2);
            g.DrawImage(thumb, x, y, INT(thumb->GetWidth()), INT(thumb->GetHeight()));
            if (!toPrinter) m_previewSerial = m_core.GetPictureSerial();
        }
    } else if (m_placeholder) {
        kv::UniqueHdc memory = kv::CreateCompatibleDc(target);
        kv::ScopedSelect select(memory.get(), m_placeholder.get());
        ::StretchBlt(target, 0, 0, rc.Width() + 1, rc.Height() + 1, memory.get(), 0, 0, 450, 320, SRCCOPY);
    }

    if (toPrinter) {
        ::EndPage(printer.get());
        ::EndDoc(printer.get());
    }
}

void CKarvoDlg::PrinterSetup() {
    PRINTDLGW pd{sizeof pd};
    pd.hwndOwner = m_hWnd;
    pd.Flags = kPrintFlags | PD_PRINTSETUP;
    if (!::PrintDlgW(&pd)) return;
    const kv::UniqueHglobal devMode(pd.hDevMode), devNames(pd.hDevNames);
    const kv::UniqueHdc dc(pd.hDC);
}

void CKarvoDlg::OnPaint() {
    if (::IsIconic(m_hWnd)) {
        kv::PaintDc dc(m_hWnd);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
        CRect rc;
        GetClientRect(&rc);
        const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
        ::DrawIcon(dc.get(), (rc.Width() - cx + 1) / 2, (rc.Height() - cy + 1) / 2, m_hIcon);
        return;
    }
    {
        kv::PaintDc dc(m_hWnd);  // the dialog's own background is drawn by its erase
    }
    // The preview control paints its frame itself; draw over it once it has.
    ::UpdateWindow(m_wndPreview.GetSafeHwnd());
    DrawPreview(FALSE);
}

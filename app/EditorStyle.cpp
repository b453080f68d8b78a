// The editor's style choices: colour (fixed colours, the last few chosen, any other through the
// colour dialog), width, font, the switches, the steps' first number; a selected mark takes
// each change as one undo step, new marks get the style, and config.xml keeps it.
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cwchar>

#include "EditorWindow.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "framework/ModuleState.h"
#include "framework/UiText.h"
#include "res/resource.h"

namespace {

constexpr COLORREF kFixedColours[] = {0x0000FF, 0x0080FF, 0x00FFFF, 0x00A000, 0xFF0000,
                                      0x800080, 0x000000, 0x808080, 0xFFFFFF};
constexpr int kWidths[] = {1, 2, 3, 4, 6, 8, 12, 16, 24, 32};

// The editor's texts in the interface language.
std::wstring LoadText(UINT id) { return kv::fw::LoadText(kv::fw::GetInstanceHandle(), id); }

// A colour swatch for a menu item, as tall as a menu check mark.
kv::UniqueHbitmap Swatch(COLORREF c, int size) {
    kv::WindowDc screen = kv::GetDc(nullptr);
    kv::UniqueHbitmap bmp(::CreateCompatibleBitmap(screen.get(), size, size));
    kv::UniqueHdc dc = kv::CreateCompatibleDc(screen.get());
    if (!bmp || !dc) return bmp;
    kv::ScopedSelect sel(dc.get(), bmp.get());
    RECT r{0, 0, size, size};
    ::FillRect(dc.get(), &r, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    kv::UniqueHbrush fill(::CreateSolidBrush(c));
    RECT in{1, 1, size - 1, size - 1};
    ::FillRect(dc.get(), &in, fill.get());
    return bmp;
}

// Where a menu opened from the keyboard shows: under the toolbar button, else at the pointer.
POINT MenuPlace(const RECT* under) {
    POINT p{};
    if (under) return POINT{under->left, under->bottom};
    ::GetCursorPos(&p);
    return p;
}

class CStepStartDialog : public CDialog {
public:
    CStepStartDialog(CWnd* parent, int start) : CDialog(IDD_MARKUP_STEPSTART, parent), m_start(start) {}
    int m_start;

protected:
    BOOL OnInitDialog() override {
        ::SetDlgItemInt(m_hWnd, IDC_EDIT_STEPSTART, UINT(m_start), FALSE);
        ::SendDlgItemMessageW(m_hWnd, IDC_EDIT_STEPSTART, EM_LIMITTEXT, 4, 0);
        return TRUE;
    }
    void OnOK() override {
        BOOL ok = FALSE;
        const UINT v = ::GetDlgItemInt(m_hWnd, IDC_EDIT_STEPSTART, &ok, FALSE);
        if (ok) m_start = int(std::min<UINT>(v, 9999));
        CDialog::OnOK();
    }
};

}  // namespace

const kv::markup::MarkStyle& CMarkupEditor::CurrentStyle() const {
    if (const kv::markup::Mark* m = m_selected ? m_model.Doc().Find(m_selected) : nullptr) return m->style;
    return m_style;
}

template <class F>
void CMarkupEditor::RestyleSelection(F change) {
    change(m_style);
    if (const kv::markup::Mark* m = m_selected ? m_model.Doc().Find(m_selected) : nullptr) {
        kv::markup::MarkStyle s = m->style;
        change(s);
        m_model.Doc().Restyle(m_selected, s);
    }
    Recompose();
    UpdateUi();
}

void CMarkupEditor::SetColour(COLORREF c) {
    c &= 0xFFFFFF;
    m_recent.erase(std::remove(m_recent.begin(), m_recent.end(), c), m_recent.end());
    m_recent.insert(m_recent.begin(), c);
    if (m_recent.size() > kRecentColours) m_recent.resize(kRecentColours);
    RestyleSelection([c](kv::markup::MarkStyle& s) { s.colour = c; });
    RefreshColourImage();
}

void CMarkupEditor::SetWidth(int width) {
    RestyleSelection([width](kv::markup::MarkStyle& s) { s.width = width; });
}

void CMarkupEditor::Toggle(bool kv::markup::MarkStyle::*field) {
    const bool on = !(CurrentStyle().*field);
    RestyleSelection([field, on](kv::markup::MarkStyle& s) { s.*field = on; });
}

void CMarkupEditor::ChooseColourMenu(const RECT* under) {
    kv::UniqueHmenu menu(::CreatePopupMenu());
    if (!menu) return;
    const int size = ::GetSystemMetrics(SM_CYMENUCHECK) + 4;
    std::vector<COLORREF> colours(std::begin(kFixedColours), std::end(kFixedColours));
    std::vector<kv::UniqueHbitmap> swatches;
    const auto add = [&](COLORREF c, UINT id) {
        wchar_t name[16];
        std::swprintf(name, 16, L"#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
        swatches.push_back(Swatch(c, size));
        MENUITEMINFOW mii{sizeof mii};
        mii.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP | MIIM_STATE;
        mii.wID = id;
        mii.dwTypeData = name;
        mii.hbmpItem = swatches.back().get();
        mii.fState = c == CurrentStyle().colour ? MFS_CHECKED : 0;
        ::InsertMenuItemW(menu.get(), UINT(::GetMenuItemCount(menu.get())), TRUE, &mii);
    };
    for (size_t i = 0; i < colours.size(); ++i) add(colours[i], ID_COLOUR_FIRST + UINT(i));
    if (!m_recent.empty()) ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    for (COLORREF c : m_recent) {
        colours.push_back(c);
        add(c, ID_COLOUR_FIRST + UINT(colours.size() - 1));
    }
    ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu.get(), MF_STRING, ID_MARKUP_OTHERCOLOUR, LoadText(ID_MARKUP_OTHERCOLOUR).c_str());
    const POINT at = MenuPlace(under);
    const UINT cmd = UINT(::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0,
                                           m_hWnd, nullptr));
    if (cmd >= ID_COLOUR_FIRST && cmd < ID_COLOUR_FIRST + colours.size()) SetColour(colours[cmd - ID_COLOUR_FIRST]);
    else if (cmd == ID_MARKUP_OTHERCOLOUR) OnCommand(cmd);
}

void CMarkupEditor::ChooseWidthMenu(const RECT* under) {
    kv::UniqueHmenu menu(::CreatePopupMenu());
    if (!menu) return;
    const std::wstring format = LoadText(IDS_MARKUP_WIDTH);
    for (size_t i = 0; i < std::size(kWidths); ++i) {
        wchar_t text[32];
        std::swprintf(text, 32, format.c_str(), kWidths[i]);
        ::AppendMenuW(menu.get(), MF_STRING | (CurrentStyle().width == kWidths[i] ? MF_CHECKED : 0),
                      ID_WIDTH_FIRST + UINT(i), text);
    }
    const POINT at = MenuPlace(under);
    const UINT cmd = UINT(::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0,
                                           m_hWnd, nullptr));
    if (cmd >= ID_WIDTH_FIRST && cmd < ID_WIDTH_FIRST + std::size(kWidths)) SetWidth(kWidths[cmd - ID_WIDTH_FIRST]);
}

// The font's size is in the picture's pixels (a text is as tall in every zoom).
void CMarkupEditor::ChooseFontDialog() {
    LOGFONTW lf{};
    const kv::markup::MarkStyle& now = CurrentStyle();
    lf.lfHeight = -now.fontSize;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::wcsncpy(lf.lfFaceName, now.fontFace.c_str(), LF_FACESIZE - 1);
    CHOOSEFONTW cf{sizeof cf};
    cf.hwndOwner = m_hWnd;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_NOVERTFONTS;
    if (!::ChooseFontW(&cf)) return;
    const std::wstring face = lf.lfFaceName;
    const int size = std::clamp(int(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight), CKarvoConfig::kMinEditorFontSize,
                                CKarvoConfig::kMaxEditorFontSize);
    RestyleSelection([&](kv::markup::MarkStyle& s) {
        if (!face.empty()) s.fontFace = face;
        s.fontSize = size;
    });
}

void CMarkupEditor::ChooseStepStart() {
    CStepStartDialog dlg(this, m_model.Doc().State().stepStart);
    if (dlg.DoModal() == IDOK) m_model.Doc().SetStepStart(dlg.m_start);
}

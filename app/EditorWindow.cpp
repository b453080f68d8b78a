// The editor's frame: creation and layout, the modal loop and its keys, commands, the toolbar
// and status bar, the remembered place, and leaving (apply, discard, ask).
#include "EditorWindow.h"

#include <windows.h>
#include <imm.h>

#include <algorithm>
#include <cwchar>

#include "Editor.h"
#include "MainDialog.h"
#include "framework/Dialog.h"
#include "framework/ModuleState.h"
#include "framework/UiText.h"
#include "res/resource.h"

using kv::markup::MarkKind;

namespace {

// The editor's texts in the interface language.
std::wstring LoadText(UINT id) { return kv::fw::LoadText(kv::fw::GetInstanceHandle(), id); }

// The caption of the editor's message boxes: the name the user stored, else the program's name
// in the interface language (as the main window's).
std::wstring BoxTitle(const CKarvoCore& core) {
    const std::wstring stored = core.m_config.GetAppName();
    if (stored != kv::fw::LoadTextIn(kv::fw::GetInstanceHandle(), IDS_APP_NAME, kv::fw::kLangChinese)) return stored;
    return LoadText(IDS_APP_NAME);
}

// The one-letter key of each tool, in tool order.
constexpr wchar_t kToolKeys[kEditorToolCount + 1] = L"VALREPHTNBXC";

// The question asked once when unapplied changes would be lost: 应用 / 放弃 / 取消.
class CAskDialog : public CDialog {
public:
    explicit CAskDialog(CWnd* parent) : CDialog(IDD_MARKUP_ASK, parent) {}

protected:
    BOOL OnCommand(UINT id, UINT code, HWND ctl) override {
        if (id == IDYES || id == IDNO) return EndDialog(id), TRUE;
        return CDialog::OnCommand(id, code, ctl);
    }
};

int HeightOf(HWND h) {
    RECT r;
    ::GetWindowRect(h, &r);
    return r.bottom - r.top;
}

bool IsOurs(HWND root, HWND h) { return h == root || (h && ::IsChild(root, h)); }

}  // namespace

namespace {
bool running = false;  // one editor at a time: its loop runs inside the owner's
}  // namespace

bool MarkupEditorOpen() { return running; }

void RunMarkupEditor(CWnd* owner, CKarvoCore& core) {
    if (running) return;
    running = true;
    {
        CMarkupEditor editor(core);
        if (auto* dlg = dynamic_cast<CKarvoDlg*>(owner))
            editor.SetFileReporter([](void* d) { static_cast<CKarvoDlg*>(d)->ReportEditorSaveFailure(); }, dlg);
        editor.Run(owner);
    }
    running = false;
}

CMarkupEditor::CMarkupEditor(CKarvoCore& core) : m_core(core), m_model(core), m_canvas(*this) {}

CMarkupEditor::~CMarkupEditor() = default;

void CMarkupEditor::Run(CWnd* owner) {
    HWND ownerRoot = owner ? ::GetAncestor(owner->GetSafeHwnd(), GA_ROOT) : nullptr;
    if (!m_model.Valid()) {
        ::MessageBoxW(ownerRoot, LoadText(IDS_MARKUP_NOIMAGE).c_str(), BoxTitle(m_core).c_str(),
                      MB_OK | MB_ICONINFORMATION);
        return;
    }
    LoadSettings();
    if (!CreateFrame(owner)) return;
    const bool ownerWasEnabled = ownerRoot && ::IsWindowEnabled(ownerRoot);
    if (ownerWasEnabled) ::EnableWindow(ownerRoot, FALSE);
    ::SetForegroundWindow(m_hWnd);
    ::SetFocus(m_canvas.GetSafeHwnd());
    while (!m_closing && ::IsWindow(m_hWnd)) {
        MSG msg;
        if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            if (msg.message == WM_QUIT) ::PostQuitMessage(int(msg.wParam));  // for the outer loop
            break;
        }
        // The global hot keys capture or open windows: not while a picture is being marked up.
        if (msg.message == WM_HOTKEY) continue;
        if (PreTranslate(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (::IsWindow(m_hWnd)) SaveSettings();
    if (ownerWasEnabled) ::EnableWindow(ownerRoot, TRUE);
    if (ownerRoot) ::SetActiveWindow(ownerRoot);
    if (::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

bool CMarkupEditor::CreateFrame(CWnd* owner) {
    HDC screen = ::GetDC(nullptr);
    m_dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    if (m_dpi < 96) m_dpi = 96;
    m_keys = ::LoadAcceleratorsW(kv::fw::GetInstanceHandle(), MAKEINTRESOURCEW(IDR_EDITOR_KEYS));
    m_menu.reset(kv::fw::LoadUiMenu(kv::fw::GetInstanceHandle(), IDR_EDITOR));

    // The remembered place when it still meets the screen; otherwise the picture at 100 % with
    // the frame around it, held to the work area and centred in it.
    RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int left = 0, top = 0, right = 0, bottom = 0;
    m_core.m_config.GetEditorPlace(left, top, right, bottom);
    RECT place{left, top, right, bottom}, seen;
    const RECT virt{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                    ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                    ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const bool remembered = right > left && ::IntersectRect(&seen, &place, &virt) &&
                            seen.right - seen.left >= 100 && seen.bottom - seen.top >= 100;
    if (!remembered) {
        const CSize pic = m_model.Doc().OutputSize();
        const int chromeW = ::GetSystemMetrics(SM_CXSIZEFRAME) * 2 + ::GetSystemMetrics(SM_CXVSCROLL) + 8;
        const int chromeH = ::GetSystemMetrics(SM_CYSIZEFRAME) * 2 + ::GetSystemMetrics(SM_CYCAPTION) +
                            ::GetSystemMetrics(SM_CYMENU) + ::GetSystemMetrics(SM_CYHSCROLL) + 8 + 2 * (m_dpi * 30 / 96);
        // At least as wide as the toolbar in one row (made before the window, measured here).
        const int minW = std::max(m_dpi * 640 / 96, ToolbarWidth() + chromeW), minH = m_dpi * 400 / 96;
        const int w = std::clamp(pic.cx + chromeW, std::min<int>(minW, work.right - work.left), int(work.right - work.left));
        const int h = std::clamp(pic.cy + chromeH, std::min<int>(minH, work.bottom - work.top), int(work.bottom - work.top));
        place = RECT{work.left + (work.right - work.left - w) / 2, work.top + (work.bottom - work.top - h) / 2, 0, 0};
        place.right = place.left + w;
        place.bottom = place.top + h;
    }
    HWND ownerRoot = owner ? ::GetAncestor(owner->GetSafeHwnd(), GA_ROOT) : nullptr;
    if (!CreateEx(0, LoadText(IDS_MARKUP_TITLE).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, place, ownerRoot,
                  reinterpret_cast<UINT_PTR>(m_menu.get())))
        return false;
    m_menu.release();  // the window's now
    if (HICON icon = ::LoadIconW(kv::fw::GetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME))) {
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    CreateToolbar();
    m_status = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, m_hWnd,
                                 nullptr, kv::fw::GetInstanceHandle(), nullptr);
    RECT none{0, 0, 10, 10};
    if (!m_canvas.CreateEx(0, L"", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | WS_TABSTOP, none, m_hWnd, 1))
        return false;
    ::ImmAssociateContext(m_canvas.GetSafeHwnd(), nullptr);  // letters are tool keys until a text is typed
    Layout();
    Recompose(true);
    RECT client;
    m_canvas.GetClientRect(&client);
    const CSize pic = m_outSize;
    m_zoom = (pic.cx <= client.right && pic.cy <= client.bottom) ? 1.0 : FitZoom();
    UpdateScrollBars();
    WINDOWPLACEMENT wp{sizeof wp};
    ::GetWindowPlacement(m_hWnd, &wp);
    ShowWindow(remembered && m_core.m_config.GetEditorMaximized() ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    SetTool(m_tool);
    UpdateUi();
    return true;
}

void CMarkupEditor::CreateToolbar() {
    m_toolbar = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                                  WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | TBSTYLE_LIST | CCS_TOP |
                                      CCS_NODIVIDER,
                                  0, 0, 0, 0, m_hWnd, nullptr, kv::fw::GetInstanceHandle(), nullptr);
    if (!m_toolbar) return;
    ::SendMessageW(m_toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageW(m_toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    const int size = m_dpi * 16 / 96 + (m_dpi > 96 ? 2 : 0);
    m_images.reset(MakeEditorImages(size, m_style.colour));
    ::SendMessageW(m_toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(size, size));
    ::SendMessageW(m_toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_images.get()));
    const std::wstring done = LoadText(IDS_MARKUP_DONE);
    const INT_PTR doneText = ::SendMessageW(m_toolbar, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>((done + L'\0').c_str()));
    std::vector<TBBUTTON> buttons;
    const auto add = [&](int image, UINT id, BYTE style, INT_PTR text = -1) {
        TBBUTTON b{};
        b.iBitmap = image;
        b.idCommand = int(id);
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = BYTE(style | (style == BTNS_SEP ? 0 : BTNS_AUTOSIZE));
        b.iString = text;
        buttons.push_back(b);
    };
    const auto separator = [&] { add(0, 0, BTNS_SEP); };
    for (int i = 0; i < kEditorToolCount; ++i) add(i, ID_TOOL_FIRST + UINT(i), BTNS_CHECKGROUP);
    separator();
    add(kEditorImageColour, ID_MARKUP_COLOUR, BTNS_WHOLEDROPDOWN);
    add(kEditorImageWidth, ID_MARKUP_WIDTH, BTNS_WHOLEDROPDOWN);
    add(kEditorImageDashed, ID_MARKUP_DASHED, BTNS_CHECK);
    add(kEditorImageFilled, ID_MARKUP_FILLED, BTNS_CHECK);
    add(kEditorImageTwoHeads, ID_MARKUP_TWOHEADS, BTNS_CHECK);
    add(kEditorImageTextBox, ID_MARKUP_TEXTBOX, BTNS_CHECK);
    add(kEditorImageFont, ID_MARKUP_FONT, BTNS_BUTTON);
    separator();
    add(kEditorImageUndo, ID_MARKUP_UNDO, BTNS_BUTTON);
    add(kEditorImageRedo, ID_MARKUP_REDO, BTNS_BUTTON);
    separator();
    add(kEditorImageCopy, ID_MARKUP_COPY, BTNS_BUTTON);
    add(kEditorImageSave, ID_MARKUP_SAVE, BTNS_BUTTON);
    separator();
    add(kEditorImageDone, ID_MARKUP_DONE, BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT, doneText);
    ::SendMessageW(m_toolbar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageW(m_toolbar, TB_AUTOSIZE, 0, 0);
}

// The toolbar's buttons in one row: each image with its frame, the separators, the text button.
int CMarkupEditor::ToolbarWidth() const {
    const int image = m_dpi * 16 / 96 + (m_dpi > 96 ? 2 : 0);
    const int button = image + 8 * m_dpi / 96, drop = 14 * m_dpi / 96;
    return (kEditorToolCount + 11) * button + 2 * drop + 5 * 8 + 40 * m_dpi / 96;
}

void CMarkupEditor::RefreshColourImage() {
    if (!m_toolbar) return;
    const int size = m_dpi * 16 / 96 + (m_dpi > 96 ? 2 : 0);
    kv::UniqueAny<kv::detail::NullTraits<HIMAGELIST, ::ImageList_Destroy>> fresh(MakeEditorImages(size, m_style.colour));
    if (!fresh) return;
    ::SendMessageW(m_toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(fresh.get()));
    m_images = std::move(fresh);
    ::InvalidateRect(m_toolbar, nullptr, TRUE);
}

void CMarkupEditor::Layout() {
    if (!m_hWnd) return;
    RECT client;
    GetClientRect(&client);
    int top = 0, bottom = client.bottom;
    if (m_toolbar) {
        ::SendMessageW(m_toolbar, TB_AUTOSIZE, 0, 0);
        top = HeightOf(m_toolbar);
    }
    if (m_status) {
        ::SendMessageW(m_status, WM_SIZE, 0, 0);
        bottom -= HeightOf(m_status);
        const int s = m_dpi;
        int parts[4] = {s * 110 / 96, s * 250 / 96, s * 320 / 96, -1};
        ::SendMessageW(m_status, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(parts));
    }
    ::MoveWindow(m_canvas.GetSafeHwnd(), 0, top, client.right, std::max(0, bottom - top), TRUE);
    UpdateScrollBars();
    UpdateStatus();
}

LRESULT CMarkupEditor::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE: return Layout(), 0;
    case WM_COMMAND: return OnCommand(LOWORD(wp)), 0;
    case WM_CLOSE: return AskAndClose(), 0;
    case WM_SETFOCUS: return ::SetFocus(m_canvas.GetSafeHwnd()), 0;
    case WM_INITMENUPOPUP: return UpdateMenu(reinterpret_cast<HMENU>(wp)), 0;
    case WM_GETMINMAXINFO: {
        auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
        mm->ptMinTrackSize = POINT{m_dpi * 360 / 96, m_dpi * 240 / 96};
        return 0;
    }
    case WM_NOTIFY: {
        LRESULT result = 0;
        OnToolbarNotify(reinterpret_cast<NMHDR*>(lp), result);
        return result;
    }
    default: return CWnd::WindowProc(msg, wp, lp);
    }
}

void CMarkupEditor::OnToolbarNotify(NMHDR* hdr, LRESULT& result) {
    if (hdr->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(hdr);
        static std::wstring tip;  // the tooltip reads the text after we return
        tip = LoadText(UINT(hdr->idFrom));
        info->lpszText = tip.data();
        info->hinst = nullptr;
        return;
    }
    if (hdr->hwndFrom == m_toolbar && hdr->code == TBN_DROPDOWN) {
        auto* tb = reinterpret_cast<NMTOOLBARW*>(hdr);
        RECT r = tb->rcButton;
        ::MapWindowPoints(m_toolbar, nullptr, reinterpret_cast<POINT*>(&r), 2);
        if (tb->iItem == ID_MARKUP_COLOUR) ChooseColourMenu(&r);
        if (tb->iItem == ID_MARKUP_WIDTH) ChooseWidthMenu(&r);
        result = TBDDRET_DEFAULT;
    }
}

// Keys the window reads before anything else: the editor's table (Ctrl combinations), then the
// plain keys (tool letters, Enter, Esc, Del, arrows) unless a text is being typed.
bool CMarkupEditor::PreTranslate(MSG& msg) {
    if (!IsOurs(m_hWnd, msg.hwnd)) return false;
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    if (m_keys && ::TranslateAcceleratorW(m_hWnd, m_keys, &msg)) return true;
    if (m_typing || msg.message != WM_KEYDOWN) return false;
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0, alt = ::GetKeyState(VK_MENU) < 0;
    if (ctrl || alt) return false;
    const UINT vk = UINT(msg.wParam);
    if (const wchar_t* k = std::wcschr(kToolKeys, wchar_t(vk)); k && vk >= 'A' && vk <= 'Z') {
        SetTool(EditorTool(k - kToolKeys));
        return true;
    }
    switch (vk) {
    case VK_RETURN: return Done(), true;
    case VK_ESCAPE:
        if (m_drag != Drag::None || m_selected) return OnCanvasKey(vk), true;
        return AskAndClose(), true;
    case VK_DELETE: return DeleteSelection(), true;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: return OnCanvasKey(vk), true;
    default: return false;
    }
}

void CMarkupEditor::Reactivate() {
    ::SetForegroundWindow(m_hWnd);
    ::SetFocus(m_canvas.GetSafeHwnd());
}

void CMarkupEditor::SetTool(EditorTool t) {
    if (m_typing) EndText();
    m_tool = t;
    if (t != EditorTool::Select) Select(0);
    if (m_toolbar)
        for (int i = 0; i < kEditorToolCount; ++i)
            ::SendMessageW(m_toolbar, TB_CHECKBUTTON, ID_TOOL_FIRST + i, i == int(t));
    UpdateStatus();
}

void CMarkupEditor::OnCommand(UINT id) {
    kv::markup::CMarkDocument& doc = m_model.Doc();
    if (id >= ID_TOOL_FIRST && id <= ID_TOOL_LAST) return SetTool(EditorTool(id - ID_TOOL_FIRST));
    if (m_typing && id != ID_MARKUP_COPY && id != ID_MARKUP_SAVE) EndText();
    switch (id) {
    case ID_MARKUP_DONE: return Done();
    case ID_MARKUP_CLOSE: return AskAndClose();
    case ID_MARKUP_COPY:
        if (!m_model.Copy() && m_core.GetLastFileStatus() == CKarvoCore::FileStatus::ClipboardBusy)
            ::MessageBoxW(m_hWnd, LoadText(IDS_MARKUP_COPYBUSY).c_str(), BoxTitle(m_core).c_str(),
                          MB_OK | MB_ICONWARNING);
        break;
    case ID_MARKUP_SAVE:
        if (!m_model.Save(this)) ReportSaveFailure();
        Reactivate();  // Wine: a closed file dialog leaves no window active
        break;
    case ID_MARKUP_UNDO: doc.Undo(); break;
    case ID_MARKUP_REDO:
    case ID_MARKUP_REDO2: doc.Redo(); break;
    case ID_MARKUP_DELETE: DeleteSelection(); break;
    case ID_MARKUP_DUPLICATE: Duplicate(); break;
    case ID_MARKUP_FRONT: doc.BringToFront(m_selected); break;
    case ID_MARKUP_BACK: doc.SendToBack(m_selected); break;
    case ID_MARKUP_SELECTNONE: Select(0); break;
    case ID_MARKUP_STEPSTART:
        ChooseStepStart();
        Reactivate();
        break;
    case ID_MARKUP_ZOOMIN: ZoomStep(1, POINT{}, false); break;
    case ID_MARKUP_ZOOMOUT: ZoomStep(-1, POINT{}, false); break;
    case ID_MARKUP_FIT: SetZoom(FitZoom(), POINT{}, false); break;
    case ID_MARKUP_ACTUAL: SetZoom(1.0, POINT{}, false); break;
    case ID_MARKUP_COLOUR: ChooseColourMenu(nullptr); break;
    case ID_MARKUP_OTHERCOLOUR: {
        CHOOSECOLORW cc{sizeof cc};
        static COLORREF custom[16];
        cc.hwndOwner = m_hWnd;
        cc.rgbResult = m_style.colour;
        cc.lpCustColors = custom;
        cc.Flags = CC_RGBINIT | CC_FULLOPEN;
        if (::ChooseColorW(&cc)) SetColour(cc.rgbResult);
        Reactivate();
        break;
    }
    case ID_MARKUP_WIDTH: ChooseWidthMenu(nullptr); break;
    case ID_MARKUP_FONT:
        ChooseFontDialog();
        Reactivate();
        break;
    case ID_MARKUP_DASHED: Toggle(&kv::markup::MarkStyle::dashed); break;
    case ID_MARKUP_FILLED: Toggle(&kv::markup::MarkStyle::filled); break;
    case ID_MARKUP_TWOHEADS: Toggle(&kv::markup::MarkStyle::twoHeads); break;
    case ID_MARKUP_TEXTBOX: Toggle(&kv::markup::MarkStyle::background); break;
    case ID_MARKUP_OUTLINE: Toggle(&kv::markup::MarkStyle::outline); break;
    default:
        if (id >= ID_IMAGEOP_FIRST && id <= ID_IMAGEOP_LAST) {
            Select(0);
            if (m_model.ImageOperation(int(id - ID_IMAGEOP_FIRST))) SetZoom(m_zoom, POINT{}, false);
        }
        break;
    }
    if (m_selected && !doc.Find(m_selected)) m_selected = 0;
    Recompose();
    UpdateUi();
}

void CMarkupEditor::UpdateUi() {
    if (!m_toolbar) return;
    kv::markup::CMarkDocument& doc = m_model.Doc();
    const auto enable = [&](UINT id, bool on) { ::SendMessageW(m_toolbar, TB_ENABLEBUTTON, id, on); };
    const auto check = [&](UINT id, bool on) { ::SendMessageW(m_toolbar, TB_CHECKBUTTON, id, on); };
    enable(ID_MARKUP_UNDO, doc.CanUndo());
    enable(ID_MARKUP_REDO, doc.CanRedo());
    const kv::markup::MarkStyle& s = CurrentStyle();
    check(ID_MARKUP_DASHED, s.dashed);
    check(ID_MARKUP_FILLED, s.filled);
    check(ID_MARKUP_TWOHEADS, s.twoHeads);
    check(ID_MARKUP_TEXTBOX, s.background);
    UpdateStatus();
}

void CMarkupEditor::UpdateMenu(HMENU menu) {
    kv::markup::CMarkDocument& doc = m_model.Doc();
    const kv::markup::MarkStyle& s = CurrentStyle();
    const int n = ::GetMenuItemCount(menu);
    for (int pos = 0; pos < n; ++pos) {
        const UINT id = ::GetMenuItemID(menu, pos);
        bool enabled = true, checked = false;
        if (id >= ID_TOOL_FIRST && id <= ID_TOOL_LAST) checked = int(id - ID_TOOL_FIRST) == int(m_tool);
        if (id >= ID_IMAGEOP_FIRST && id <= ID_IMAGEOP_LAST) {
            checked = m_model.ImageOperationOn(int(id - ID_IMAGEOP_FIRST));
        }
        switch (id) {
        case ID_MARKUP_UNDO: enabled = doc.CanUndo(); break;
        case ID_MARKUP_REDO: enabled = doc.CanRedo(); break;
        case ID_MARKUP_DELETE:
        case ID_MARKUP_DUPLICATE:
        case ID_MARKUP_FRONT:
        case ID_MARKUP_BACK:
        case ID_MARKUP_SELECTNONE: enabled = m_selected != 0; break;
        case ID_MARKUP_DASHED: checked = s.dashed; break;
        case ID_MARKUP_FILLED: checked = s.filled; break;
        case ID_MARKUP_TWOHEADS: checked = s.twoHeads; break;
        case ID_MARKUP_TEXTBOX: checked = s.background; break;
        case ID_MARKUP_OUTLINE: checked = s.outline; break;
        default: break;
        }
        ::EnableMenuItem(menu, UINT(pos), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
        ::CheckMenuItem(menu, UINT(pos), MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

void CMarkupEditor::UpdateStatus() {
    if (!m_status) return;
    wchar_t buf[64] = L"";
    if (m_pointer.x >= 0 && m_pointer.y >= 0 && m_pointer.x < m_outSize.cx && m_pointer.y < m_outSize.cy)
        std::swprintf(buf, 64, L"%d, %d", int(m_pointer.x), int(m_pointer.y));
    ::SendMessageW(m_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
    std::swprintf(buf, 64, LoadText(IDS_MARKUP_SIZE).c_str(), int(m_outSize.cx), int(m_outSize.cy));
    ::SendMessageW(m_status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(buf));
    std::swprintf(buf, 64, LoadText(IDS_MARKUP_ZOOM).c_str(), int(m_zoom * 100 + 0.5));
    ::SendMessageW(m_status, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(buf));
    const std::wstring hint = LoadText(IDS_MARKUP_HINT_FIRST + UINT(m_tool));
    ::SendMessageW(m_status, SB_SETTEXTW, 3, reinterpret_cast<LPARAM>(hint.c_str()));
}

bool CMarkupEditor::Changed() const { return m_model.Changed(); }

void CMarkupEditor::Done() {
    if (m_typing) EndText();
    if (m_drag != Drag::None) return;
    if (Changed()) m_model.Apply();
    SaveSettings();
    m_closing = true;
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

void CMarkupEditor::Discard() { m_model.Discard(); }

// A failed save is told as the main window tells its own (the owner's words, the file, the
// reason); a cancelled dialog says nothing.
void CMarkupEditor::ReportSaveFailure() {
    if (m_reportFile) m_reportFile(m_reportContext);
}

void CMarkupEditor::AskAndClose() {
    if (m_typing) EndText();
    if (m_drag != Drag::None) return;
    if (Changed()) {
        CAskDialog ask(this);
        const INT_PTR answer = ask.DoModal();
        if (answer == IDYES) return Done();
        if (answer != IDNO) return;
        Discard();
    }
    SaveSettings();
    m_closing = true;
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

void CMarkupEditor::LoadSettings() {
    const CKarvoConfig& c = m_core.m_config;
    m_style.colour = COLORREF(c.GetEditorColour());
    m_style.width = c.GetEditorWidth();
    m_style.fontFace = c.GetEditorFontFace();
    m_style.fontSize = c.GetEditorFontSize();
    m_style.dashed = c.GetEditorDashed() != 0;
    m_style.filled = c.GetEditorFilled() != 0;
    m_style.twoHeads = c.GetEditorTwoHeads() != 0;
    m_style.background = c.GetEditorTextBox() != 0;
    m_recent.clear();
    const std::wstring& list = c.GetEditorRecentColours();
    for (size_t at = 0; at < list.size() && m_recent.size() < kRecentColours;) {
        wchar_t* end = nullptr;
        const unsigned long v = std::wcstoul(list.c_str() + at, &end, 10);
        if (end == list.c_str() + at) break;
        if (v <= 0xFFFFFF && std::find(m_recent.begin(), m_recent.end(), COLORREF(v)) == m_recent.end())
            m_recent.push_back(COLORREF(v));
        at = size_t(end - list.c_str());
        while (at < list.size() && list[at] == L' ') ++at;
    }
}

void CMarkupEditor::SaveSettings() {
    CKarvoConfig& c = m_core.m_config;
    c.SetEditorColour(int(m_style.colour & 0xFFFFFF));
    c.SetEditorWidth(m_style.width);
    c.SetEditorFontFace(m_style.fontFace);
    c.SetEditorFontSize(m_style.fontSize);
    c.SetEditorDashed(m_style.dashed);
    c.SetEditorFilled(m_style.filled);
    c.SetEditorTwoHeads(m_style.twoHeads);
    c.SetEditorTextBox(m_style.background);
    std::wstring list;
    for (COLORREF r : m_recent) list += (list.empty() ? L"" : L" ") + std::to_wstring(r);
    c.SetEditorRecentColours(list);
    if (!m_hWnd) return;
    WINDOWPLACEMENT wp{sizeof wp};
    if (!::GetWindowPlacement(m_hWnd, &wp)) return;
    const RECT& r = wp.rcNormalPosition;
    c.SetEditorPlace(r.left, r.top, r.right, r.bottom);
    c.SetEditorMaximized(wp.showCmd == SW_SHOWMAXIMIZED || ::IsZoomed(m_hWnd));
}

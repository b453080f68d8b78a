// The image file dialogs through the system's file dialog objects (IFileOpenDialog and
// IFileSaveDialog), which give the current look; the explorer-hook dialog remains for a system
// without them. The rules are the same: the codec file types in their order, the default
// extension and encoder following the chosen type, a typed extension choosing its encoder, and
// an extension no encoder writes refused with the dialog still open.
#include <shobjidl.h>

#include <vector>

#include "framework/ComObject.h"
#include "framework/ModuleState.h"
#include "framework/Owners.h"
#include "framework/UiText.h"
#include "framework/UniqueCom.h"
#include "res/resource.h"
#include "settings/CodecInfo.h"
#include "settings/FileDialogs.h"

namespace {

class Events final : public kv::ComObject<IFileDialogEvents> {
public:
    explicit Events(CGdiplusFileDialog* owner) : m_owner(owner) {}
    HRESULT STDMETHODCALLTYPE OnFileOk(IFileDialog*) override {
        try {
            return m_owner->ItemFileOk() ? S_OK : S_FALSE;
        } catch (...) {
            kv::fw::CountCaughtException("the file dialog's OK check");
            return S_FALSE;
        }
    }
    HRESULT STDMETHODCALLTYPE OnTypeChange(IFileDialog*) override {
        try {
            m_owner->ItemTypeChange();
        } catch (...) {
            kv::fw::CountCaughtException("the file dialog's type change");
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnFolderChanging(IFileDialog*, IShellItem*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFolderChange(IFileDialog*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnSelectionChange(IFileDialog*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShareViolation(IFileDialog*, IShellItem*, FDE_SHAREVIOLATION_RESPONSE*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnOverwrite(IFileDialog*, IShellItem*, FDE_OVERWRITE_RESPONSE*) override { return E_NOTIMPL; }

private:
    bool Implements(REFIID riid) const override { return riid == IID_IFileDialogEvents; }
    CGdiplusFileDialog* m_owner;  // borrowed: outlives the dialog's run
};

}  // namespace

// The bar-separated filter ("name|patterns|...|") as the object's file types.
bool CGdiplusFileDialog::RunItemDialog(HWND owner, INT_PTR& result) {
    kv::ComSession com;
    kv::UniqueCom<IFileDialog> dialog;
    if (FAILED(::CoCreateInstance(m_bOpen ? CLSID_FileOpenDialog : CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IFileDialog, dialog.put_void())))
        return false;
    std::vector<std::wstring> parts;
    for (size_t at = 0; at < m_strFilter.size();) {
        const size_t bar = m_strFilter.find(L'|', at);
        if (bar == std::wstring::npos) break;
        parts.push_back(m_strFilter.substr(at, bar - at));
        at = bar + 1;
    }
    std::vector<COMDLG_FILTERSPEC> types;
    for (size_t i = 0; i + 1 < parts.size() && !parts[i].empty(); i += 2) types.push_back({parts[i].c_str(), parts[i + 1].c_str()});
    if (!types.empty()) {
        dialog->SetFileTypes(UINT(types.size()), types.data());
        dialog->SetFileTypeIndex(m_ofn.nFilterIndex ? m_ofn.nFilterIndex : 1);
    }
    // The save dialog's name is completed and checked here (ItemFileOk), not by the object:
    // Wine adds the chosen type's extension to a name typed with another known one ("x.png"
    // saved as BMP became "x.png.bmp"), and its overwrite question would then ask about the
    // wrong file. So the object gets no default extension and asks nothing.
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    options |= FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR;
    options &= ~FILEOPENDIALOGOPTIONS(FOS_OVERWRITEPROMPT);
    if (m_bOpen) options |= FOS_FILEMUSTEXIST;
    dialog->SetOptions(options);
    m_itemPath.clear();
    if (m_file[0]) dialog->SetFileName(m_file.data());
    const kv::UniqueCom<Events> events(new Events(this));  // the dialog takes its own reference
    DWORD cookie = 0;
    const bool advised = SUCCEEDED(dialog->Advise(events.get(), &cookie));
    m_pItem = dialog.get();
    OnInitDone();
    const HRESULT shown = dialog->Show(owner);
    m_pItem = nullptr;
    if (advised) dialog->Unadvise(cookie);
    result = IDCANCEL;
    if (SUCCEEDED(shown)) {
        kv::UniqueCom<IShellItem> item;
        PWSTR path = nullptr;
        std::wstring chosen = m_itemPath;
        if (chosen.empty() && SUCCEEDED(dialog->GetResult(item.put())) && SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) &&
            path) {
            chosen = path;
            ::CoTaskMemFree(path);
        }
        if (!chosen.empty()) {
            if (chosen.size() < m_file.size()) {
                std::fill(m_file.begin(), m_file.end(), L'\0');
                std::copy(chosen.begin(), chosen.end(), m_file.begin());
                const size_t slash = chosen.find_last_of(L"\\/");
                m_ofn.nFileOffset = WORD(slash == std::wstring::npos ? 0 : slash + 1);
                result = IDOK;
            }
        }
    }
    return true;
}

void CGdiplusFileDialog::ItemTypeChange() {
    UINT index = 0;
    if (m_pItem && SUCCEEDED(m_pItem->GetFileTypeIndex(&index))) m_ofn.nFilterIndex = index;
    OnTypeChange();
}

// The saved file's full name: the typed name in the dialog's folder (a typed full path stands
// as it is), with the chosen type's extension when none was typed; an existing file is replaced
// only when the user says so.
BOOL CGdiplusFileDialog::ItemFileOk() {
    UINT index = 0;
    if (m_pItem && SUCCEEDED(m_pItem->GetFileTypeIndex(&index))) m_ofn.nFilterIndex = index;
    if (!OnFileNameOK()) return FALSE;
    if (m_bOpen || !m_pItem) return TRUE;
    std::wstring name = TypedName();
    if (name.empty()) return FALSE;
    const bool absolute = name.size() > 1 && (name[1] == L':' || (name[0] == L'\\' && name[1] == L'\\'));
    std::wstring full = name;
    if (!absolute) {
        kv::UniqueCom<IShellItem> folder;
        PWSTR dir = nullptr;
        if (FAILED(m_pItem->GetFolder(folder.put())) || FAILED(folder->GetDisplayName(SIGDN_FILESYSPATH, &dir)) || !dir) return FALSE;
        std::wstring base = dir;
        ::CoTaskMemFree(dir);
        if (!base.empty() && base.back() != L'\\') base += L'\\';
        full = base + name;
    }
    const size_t i = m_ofn.nFilterIndex;
    if (kv::FileExtension(full.substr(full.find_last_of(L"\\/") + 1)).empty() && i >= 1 && i <= m_codecs.size())
        full += std::wstring(L".") + m_codecs[i - 1].GetDefExt();
    const DWORD attributes = ::GetFileAttributesW(full.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return FALSE;
    if (attributes != INVALID_FILE_ATTRIBUTES && (m_ofn.Flags & OFN_OVERWRITEPROMPT)) {
        const std::wstring text = kv::fw::FormatText(kv::fw::LibraryText(IDS_KV_REPLACE), {full.substr(full.find_last_of(L"\\/") + 1)});
        if (::MessageBoxW(DialogWindow(), text.c_str(), kv::fw::LibraryText(IDS_KV_REPLACE_CAPTION).c_str(),
                          MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
            return FALSE;
    }
    m_itemPath = full;
    return TRUE;
}

std::wstring CGdiplusFileDialog::TypedName() const {
    if (m_pItem) {
        PWSTR name = nullptr;
        if (FAILED(m_pItem->GetFileName(&name)) || !name) return {};
        std::wstring typed = name;
        ::CoTaskMemFree(name);
        return typed;
    }
    wchar_t name[MAX_PATH] = {};
    if (!m_hDialog || ::SendMessageW(m_hDialog, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(name)) < 0) return {};
    return name;
}

HWND CGdiplusFileDialog::DialogWindow() const {
    if (!m_pItem) return m_hDialog;
    kv::UniqueCom<IOleWindow> window;
    HWND hwnd = nullptr;
    if (SUCCEEDED(m_pItem->QueryInterface(IID_IOleWindow, window.put_void()))) window->GetWindow(&hwnd);
    return hwnd;
}

void CGdiplusFileDialog::SetDialogDefExt(const wchar_t* ext) {
    if (!m_pItem && m_hDialog) ::SendMessageW(m_hDialog, CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(ext));
}

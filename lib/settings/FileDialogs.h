#pragma once
// The image file dialogs: their file types come from the installed GDI+ decoders (open) and
// encoders (save), and the save dialog ties the chosen type, or a typed extension, to the
// encoder the image is saved with.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Window.h"

struct IFileDialog;
#include "settings/CodecInfo.h"

class KV_API CGdiplusFileDialog {
public:
    CGdiplusFileDialog(BOOL open, const wchar_t* fileName, DWORD flags, CWnd* parent);
    virtual ~CGdiplusFileDialog();
    CGdiplusFileDialog(const CGdiplusFileDialog&) = delete;
    CGdiplusFileDialog& operator=(const CGdiplusFileDialog&) = delete;

    //! 1 for OK, 2 for cancel (also when GDI+ is not started).
    virtual INT_PTR DoModal();
    std::wstring GetPathName() const;
    std::wstring GetFileName() const;
    const kv::CodecList& Codecs() const { return m_codecs; }
    //! Whether DoModal uses the system's file dialog objects (the current look; default) rather
    //! than the explorer-hook dialog, which is also used when the objects are missing.
    bool m_bVistaStyle = true;

    //! The filter's words in the interface language.
    static kv::FilterTexts UiFilterTexts();

    // Called back by the file dialog object's events.
    void ItemTypeChange();
    BOOL ItemFileOk();

protected:
    virtual void FillCodecInfoArray() = 0;
    virtual void ConstructMFCStyleFilter() = 0;
    void TranslateFilter();
    // Explorer-style hook notifications.
    virtual void OnInitDone() {}
    virtual void OnTypeChange() {}
    //! FALSE refuses the typed name (the dialog stays open).
    virtual BOOL OnFileNameOK() { return TRUE; }
    //! Fills the list from GDI+'s decoder or encoder records.
    void FillCodecs(bool decoders);
    //! The name now typed in the dialog's name box.
    std::wstring TypedName() const;
    //! The dialog's window while it is shown (for messages), or null.
    HWND DialogWindow() const;
    //! The extension the dialog adds to a name typed without one.
    void SetDialogDefExt(const wchar_t* ext);

    kv::CodecList m_codecs;
    std::wstring m_strFilter;
    OPENFILENAMEW m_ofn{};
    HWND m_hDialog = nullptr;  // the common dialog while it is shown
    HWND m_hParent = nullptr;  // borrowed; the owner is found from it when the dialog opens

private:
    static UINT_PTR CALLBACK HookProc(HWND hdlg, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    //! Runs the file dialog object; false when the system has none (the hook dialog runs then).
    bool RunItemDialog(HWND owner, INT_PTR& result);
    IFileDialog* m_pItem = nullptr;  // the file dialog object while it is shown (borrowed)
    std::wstring m_itemPath;         // the save dialog's completed name, from ItemFileOk
    BOOL m_bOpen;
    std::vector<wchar_t> m_file;
    wchar_t m_defExt[20] = {};
};

class KV_API CGdiplusFileOpenDialog : public CGdiplusFileDialog {
public:
    explicit CGdiplusFileOpenDialog(const wchar_t* fileName = nullptr, DWORD flags = OFN_EXPLORER | OFN_HIDEREADONLY,
                                    CWnd* parent = nullptr)
        : CGdiplusFileDialog(TRUE, fileName, flags, parent) {}

protected:
    void FillCodecInfoArray() override { FillCodecs(true); }
    void ConstructMFCStyleFilter() override { m_strFilter = kv::MakeOpenFilter(m_codecs, UiFilterTexts()); }
};

class KV_API CGdiplusFileSaveAsDialog : public CGdiplusFileDialog {
public:
    explicit CGdiplusFileSaveAsDialog(const wchar_t* fileName = nullptr, DWORD flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT,
                                      CWnd* parent = nullptr)
        : CGdiplusFileDialog(FALSE, fileName, flags, parent) {}
    //! The encoder to save with, once DoModal returned 1.
    CLSID GetCodecCLSID() const { return m_clsid; }
    //! The extension of the name now in the dialog's name box.
    std::wstring GetFileExt() const;

protected:
    void FillCodecInfoArray() override { FillCodecs(false); }
    void ConstructMFCStyleFilter() override { m_strFilter = kv::MakeSaveFilter(m_codecs, UiFilterTexts()); }
    void OnInitDone() override;
    void OnTypeChange() override;
    BOOL OnFileNameOK() override;
    void SetDefaultExt();
    void SetCurrentCodecCLSID();

private:
    CLSID m_clsid{};
};

namespace kv {
//! The installed encoders (or decoders), in GDI+'s order.
KV_API CodecList InstalledCodecs(bool decoders);
}  // namespace kv

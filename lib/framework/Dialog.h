#pragma once
// CDialog: modal and modeless dialogs from templates in the current resource module. The dialog
// procedure reads `this` from the init parameter on WM_INITDIALOG, keeps it in DWLP_USER and
// forwards to DialogProc; a handler's result for WM_NOTIFY goes back through DWLP_MSGRESULT.
// A modal dialog runs the framework's own loop (owner disabled, PreTranslateMessage, dialog
// keyboard handling), which sends WM_KICKIDLE whenever the queue runs empty: the dialog updates
// its menus and buttons there.
#include "framework/Window.h"

//! Sent to a modal dialog when its loop finds the queue empty (wParam MSGF_DIALOGBOX).
#define WM_KICKIDLE 0x036A

class KV_API CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* pParent = nullptr) : m_nIDTemplate(templateId), m_pParent(pParent) {}
    ~CDialog() override;

    //! Runs the dialog in its own modal loop; the value given to EndDialog, or -1.
    virtual INT_PTR DoModal();
    //! Creates it modeless (shown when the template says WS_VISIBLE).
    BOOL CreateModeless(CWnd* pParent = nullptr);
    void EndDialog(INT_PTR result);
    BOOL DestroyWindow();
    bool IsModal() const { return m_modal; }
    UINT GetTemplateId() const { return m_nIDTemplate; }

protected:
    //! Called by the modal loop for every message before dialog handling; TRUE eats it.
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }
    //! Return FALSE when focus was set here.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    //! WM_COMMAND; the default routes IDOK and IDCANCEL.
    virtual BOOL OnCommand(UINT id, UINT code, HWND hwndCtl);
    //! One switch per class: return TRUE when handled (DialogProc semantics).
    virtual INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp);
    //! Result for the message being handled (WM_NOTIFY and the like).
    void SetMsgResult(LRESULT r) const { ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, r); }
    LRESULT DefaultProc(UINT, WPARAM, LPARAM) override { return 0; }

    //! Delivers a dialog procedure's message to its object (init: the object, on WM_INITDIALOG).
    static INT_PTR Deliver(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, CDialog* init) noexcept;

    UINT m_nIDTemplate;
    CWnd* m_pParent;  // borrowed

private:
    static INT_PTR CALLBACK StaticDlgProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    bool m_modal = false;
    bool m_ending = false;
    INT_PTR m_result = -1;
};

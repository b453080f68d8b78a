#pragma once
// CDlgSnapObjHelper: the tip shown while an interface object is picked with the mouse
// (template 4005): cursor coordinates, two instruction lines and a live magnifier. The engine
// holds one for its lifetime and moves it between the bottom-right and top-left corners.
#include "framework/Dialog.h"
#include "selection/SnapTipEdit.h"

class KV_API CDlgSnapObjHelper : public CDialog {
public:
    enum { IDD = 4005 };
    explicit CDlgSnapObjHelper(CWnd* pParent = nullptr) : CDialog(IDD, pParent) {}

    CSnapTipEdit m_tipEdit;
    BOOL m_bAtTopLeft = FALSE;
    int m_nTipWidth = 220;
    int m_nTipHeight = 216;
    BOOL m_bFirstMove = TRUE;

protected:
    BOOL OnInitDialog() override;
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void DrawTipWindow();

private:
    void OnMouseMove();
};

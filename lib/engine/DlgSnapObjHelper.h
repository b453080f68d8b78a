#pragma once
// CDlgSnapObjHelper: the tip shown while an interface object is picked with the mouse
// (template 4005). The engine holds one from construction; picking shows and moves it.
#include "framework/Dialog.h"

class KV_API CDlgSnapObjHelper : public CDialog {
public:
    enum { IDD = 4005 };
    explicit CDlgSnapObjHelper(CWnd* pParent = nullptr) : CDialog(IDD, pParent) {}
};

#pragma once
#include "framework/Dialog.h"

// The About box (template 100): icon, version, the maker's lines and three links.
class CDlgAbout : public CDialog {
public:
    CDlgAbout();

protected:
    INT_PTR DialogProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

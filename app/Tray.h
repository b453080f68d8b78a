#pragma once
// CTrayNotifyIcon: the program's icon in the notification area, with the tray menu and the
// double click. Two hidden helper windows: one steps the icon's frames on a timer, one puts the
// icon back when the taskbar is re-created ("TaskbarCreated").
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Owners.h"
#include "framework/Window.h"

class CTrayNotifyIcon;

class CTrayTimerWnd : public CWnd {
public:
    CTrayTimerWnd(CTrayNotifyIcon* owner, const HICON* icons, int count, UINT interval);
    BOOL CreateHidden();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    CTrayNotifyIcon* m_pOwner;
    std::vector<HICON> m_icons;  // shared icons, not destroyed
    UINT m_nInterval;
    kv::TimerOwner m_timer;  // steps the frames while the window exists
    size_t m_nCurrent = 0;
};

class CTrayRessurectionWnd : public CWnd {
public:
    explicit CTrayRessurectionWnd(CTrayNotifyIcon* owner) : m_pOwner(owner) {}
    BOOL CreateHidden();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    CTrayNotifyIcon* m_pOwner;
};

class CTrayNotifyIcon {
public:
    CTrayNotifyIcon();
    virtual ~CTrayNotifyIcon();
    CTrayNotifyIcon(const CTrayNotifyIcon&) = delete;
    CTrayNotifyIcon& operator=(const CTrayNotifyIcon&) = delete;

    //! Adds the icon; non-zero on success.
    BOOL Create(CWnd* owner, UINT id, const std::wstring& tip, const HICON* icons, int count, UINT interval, UINT message);
    //! The callback message's parameters: the icon id and the mouse message.
    virtual LRESULT HandleTrayMessage(WPARAM wp, LPARAM lp);
    //! Removes the icon from the notification area.
    void Delete();
    BOOL IsShowing() const { return m_bShowing; }
    void SetIcon(HICON icon);
    //! The taskbar came back: take the icon out and put it in again.
    void Resurrect();
    //! "TaskbarCreated", registered once.
    static UINT TaskbarCreatedMessage();

private:
    NOTIFYICONDATAW m_nid{};
    BOOL m_bShowing = FALSE;
    BOOL m_bHidden = FALSE;
    CWnd* m_pOwner = nullptr;  // borrowed
    std::unique_ptr<CTrayTimerWnd> m_pTimerWnd;
    std::unique_ptr<CTrayRessurectionWnd> m_pResurrectionWnd;
    BOOL m_bAnimated = FALSE;
};

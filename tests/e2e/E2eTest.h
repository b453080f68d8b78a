#pragma once
// Base fixture of the end-to-end tests: a screenshot of the screen is kept for every failure.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <memory>
#include <string>

#include "Karvo.h"

namespace kvtest {

inline std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

//! The texts of a window's children, each followed by "|" (a message box's text among them).
inline std::wstring AllText(HWND box) {
    std::wstring all;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) all += kvdrive::Text(c) + L"|";
    return all;
}

//! Opens the settings sheet and checks, on each of its pages, that every visible control lies
//! inside what the user sees of the page: the page, within the tab control's display area and
//! the sheet's client area. Leaves the sheet closed; the pictures go to shots/<prefix>-<n>.
void CheckSettingsPagesFit(kvdrive::Karvo& k, const std::wstring& prefix);

class E2eTest : public ::testing::Test {
protected:
    std::wstring TestName() const {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        return Widen(std::string(info->test_suite_name()) + "." + info->name());
    }
    //! The program under test, in a folder named after the test; ended after TearDown's
    //! screenshot, so the picture of a failure shows it as it was.
    kvdrive::Karvo& App() {
        if (!m_app) m_app = std::make_unique<kvdrive::Karvo>(TestName());
        return *m_app;
    }
    void TearDown() override {
        // Nothing the program catches at its boundaries goes unnoticed (its debugger output
        // names what and where).
        if (m_app) {
            EXPECT_EQ(m_app->CaughtExceptions(), 0) << "the program caught exceptions";
        }
        if (HasFailure()) {
            const std::wstring dir = kvdrive::ScratchRoot() + L"failures\\";
            CreateDirectoryW(dir.c_str(), nullptr);
            kvdrive::SaveScreenshot(dir + TestName() + L".png");
        }
        m_app.reset();
    }
public:
    static void KeepShot(const std::wstring& name) { Keep(name); }

protected:
    //! Waits until the clipboard changes from `before` and holds a bitmap; that picture.
    static kvdrive::Picture NextPicture(DWORD before) {
        kvdrive::Picture p;
        kvdrive::WaitFor([&] { return kvdrive::ClipboardSequence() != before && (p = kvdrive::ClipboardPicture()).width > 0; });
        return p;
    }
    //! The program's full-screen selection window, or null.
    static HWND SelectionWindow(kvdrive::Karvo& k) {
        HWND sel = nullptr;
        kvdrive::WaitFor([&] {
            for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
                if (kvdrive::ScreenRect(h).right - kvdrive::ScreenRect(h).left == GetSystemMetrics(SM_CXSCREEN)) sel = h;
            return sel != nullptr;
        });
        return sel;
    }
    //! The selection tip's line asking for the press, as the built library has it (Chinese).
    static std::wstring TipAsksForPress() {
        const std::wstring s = kvdrive::ResourceString(L"KarvoLib.dll", 4142);  // IDS_KV_RECT_TIP_STATE0
        return s.substr(0, s.find(L"\r"));
    }
    //! The selection tip's line naming the colour under the pointer.
    static std::wstring TipPixel(COLORREF c) {
        std::wstring s = kvdrive::ResourceString(L"KarvoLib.dll", 4141);  // IDS_KV_RECT_TIP_PIXEL, "%1" to "%3"
        s = s.substr(0, s.find(L"\r"));
        const int v[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
        for (int i = 0; i < 3; ++i) {
            const std::wstring mark = L"%" + std::to_wstring(i + 1);
            if (const size_t at = s.find(mark); at != std::wstring::npos) s.replace(at, mark.size(), std::to_wstring(v[i]));
        }
        return s;
    }
    //! Ready for a press: the selection window's tip asks for one and the window has the foreground.
    static bool SelectionReady(HWND sel) {
        HWND tip = GetDlgItem(sel, 1031);
        const std::wstring asks = TipAsksForPress();
        return !asks.empty() && kvdrive::WaitFor([&] {
            return GetForegroundWindow() == sel && kvdrive::Text(tip).find(asks) != std::wstring::npos;
        });
    }
    //! A screenshot kept for people to look at (docs, review).
    static void Keep(const std::wstring& name, const RECT* area = nullptr) {
        Sleep(400);  // let the windows finish painting: this picture is for people, not for asserts
        const std::wstring dir = kvdrive::ScratchRoot() + L"shots\\";
        CreateDirectoryW(dir.c_str(), nullptr);
        kvdrive::SaveScreenshot(dir + name + L".png", area);
    }

private:
    std::unique_ptr<kvdrive::Karvo> m_app;
};

inline void CheckSettingsPagesFit(kvdrive::Karvo& k, const std::wstring& prefix) {
    ::PostMessageW(k.Main(), WM_COMMAND, 32830, 0);  // 设置
    HWND sheet = nullptr;
    ASSERT_TRUE(kvdrive::WaitFor([&] {
        for (HWND h : kvdrive::TopWindows(k.Proc().Id()))
            if (h != k.Main() && kvdrive::Text(h) == kvdrive::ResourceString(L"Karvo.exe", 2007)) sheet = h;  // IDS_SETTINGS_CAPTION
        return sheet != nullptr;
    }));
    const auto onScreen = [](HWND h) {
        RECT r;
        ::GetClientRect(h, &r);
        ::MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    HWND tabs = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    const int pages = int(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(pages, 4);
    for (int page = 0; page < pages; ++page) {
        SCOPED_TRACE(page);
        ::SendMessageW(sheet, PSM_SETCURSEL, WPARAM(page), 0);
        HWND hwnd = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        ASSERT_TRUE(hwnd);
        HWND tab = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
        ASSERT_TRUE(tab);
        RECT display = onScreen(tab);
        // The tab control's display area, less a pixel of its frame on each side.
        RECT tabClient;
        ::GetClientRect(tab, &tabClient);
        ::SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&tabClient));
        ::MapWindowPoints(tab, nullptr, reinterpret_cast<POINT*>(&tabClient), 2);
        RECT seen = onScreen(hwnd), sheetClient = onScreen(sheet);
        ::IntersectRect(&seen, &seen, &tabClient);
        ::IntersectRect(&seen, &seen, &display);
        ::IntersectRect(&seen, &seen, &sheetClient);
        int outside = 0;
        for (HWND c = ::GetWindow(hwnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            if (!::IsWindowVisible(c)) continue;
            const RECT r = kvdrive::ScreenRect(c);
            const bool in = r.left >= seen.left && r.top >= seen.top && r.right <= seen.right && r.bottom <= seen.bottom;
            if (!in) {
                ++outside;
                ADD_FAILURE() << "control " << ::GetDlgCtrlID(c) << " (" << r.left << "," << r.top << ")-(" << r.right
                              << "," << r.bottom << ") lies outside (" << seen.left << "," << seen.top << ")-("
                              << seen.right << "," << seen.bottom << ")";
            }
        }
        E2eTest::KeepShot(prefix + L"-" + std::to_wstring(page));
    }
    ::PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_TRUE(kvdrive::WaitFor([&] { return !::IsWindow(sheet); }));
}

}  // namespace kvtest

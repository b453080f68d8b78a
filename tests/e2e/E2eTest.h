#pragma once
// Base fixture of the end-to-end tests: a screenshot of the screen is kept for every failure.
#include <gtest/gtest.h>

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
        if (HasFailure()) {
            const std::wstring dir = kvdrive::ScratchRoot() + L"failures\\";
            CreateDirectoryW(dir.c_str(), nullptr);
            kvdrive::SaveScreenshot(dir + TestName() + L".png");
        }
        m_app.reset();
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

}  // namespace kvtest

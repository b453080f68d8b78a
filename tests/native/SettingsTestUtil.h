#pragma once
// Helpers for the settings tests: UTF-16 LE file images from text lines, and scratch folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace kvtest {

inline std::string Utf16(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        out += char(uint32_t(c) & 0xFF);
        out += char((uint32_t(c) >> 8) & 0xFF);
    }
    return out;
}

inline std::wstring FromUtf16(const std::string& bytes) {
    std::wstring out;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out += wchar_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8));
    return out;
}

inline std::string ReadBytes(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

inline void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

// A fresh folder under the test's temporary directory, removed at the end of the test.
class ScratchDir {
public:
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::filesystem::temp_directory_path() /
                 ("kv-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" + std::to_string(::rand()));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }
    std::wstring wide(const std::string& name) const { return (m_path / name).wstring(); }

private:
    std::filesystem::path m_path;
};

}  // namespace kvtest

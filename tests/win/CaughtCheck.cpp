// Every Windows test run fails when the framework's boundaries caught an exception that no test
// asked for: a handler that throws is a fault even though the program keeps running. Each test
// that catches one is named on the output, so the fault can be found.
#include <gtest/gtest.h>

#include <cstdio>

#include "WinTestUtil.h"
#include "framework/ModuleState.h"

namespace kvtest {

int g_expectedCaught = 0;

void ExpectCaught(int n) { g_expectedCaught += n; }

}  // namespace kvtest

namespace {

class NameCatchers : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        m_before = kv::fw::CaughtExceptionCount() - kvtest::g_expectedCaught;
    }
    void OnTestEnd(const ::testing::TestInfo& info) override {
        const int caught = kv::fw::CaughtExceptionCount() - kvtest::g_expectedCaught - m_before;
        if (caught > 0)
            std::printf("%s.%s: %d exception(s) caught at the framework's boundaries\n", info.test_suite_name(),
                        info.name(), caught);
    }
    int m_before = 0;
};

class NoneCaught : public ::testing::Environment {
    void SetUp() override { ::testing::UnitTest::GetInstance()->listeners().Append(new NameCatchers); }
    void TearDown() override {
        EXPECT_EQ(kv::fw::CaughtExceptionCount(), kvtest::g_expectedCaught)
            << "exceptions were caught at the framework's boundaries (the tests named above)";
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new NoneCaught);

}  // namespace

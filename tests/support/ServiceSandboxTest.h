#pragma once
// The fixture of the tests that run the service inside the test program: every test gets its
// own database and registry hive in a temporary folder, and must release every object and
// free every block it was given.

#include "platform/com/ComObject.h"
#include "platform/com/ObjBase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace testsupport {

class ServiceSandboxTest : public ::testing::Test {
protected:
    // folderPrefix starts the name of each test's folder (the process id and test name follow).
    explicit ServiceSandboxTest(const char* folderPrefix) : m_folderPrefix(folderPrefix) {}

    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                (m_folderPrefix + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        ::setenv("BORVANTA_SERVICE_DB", (m_dir / "mouse.db").c_str(), 1);
        ::setenv("BORVANTA_REGISTRY", (m_dir / "registry.txt").c_str(), 1);
        m_objects = ComObjectBase::LiveObjects();
        m_blocks = CoTaskMemOutstanding();
    }
    void TearDown() override {
        EXPECT_EQ(ComObjectBase::LiveObjects(), m_objects) << "references left";
        EXPECT_EQ(CoTaskMemOutstanding(), m_blocks) << "task-allocator blocks left";
        std::filesystem::remove_all(m_dir);
    }

    std::filesystem::path m_dir;
    long m_objects = 0;
    long m_blocks = 0;

private:
    std::string m_folderPrefix;
};

} // namespace testsupport

#include "platform/base/Mutex.h"
#include "platform/base/Process.h"
#include "platform/base/WinError.h"

#include "ProcessTestSupport.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace {

class MutexTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("BORVANTA_LOCK_DIR", m_folder.Native().c_str(), 1); }
    void TearDown() override { ::unsetenv("BORVANTA_LOCK_DIR"); }

    // Starts the helper holding the named mutex and waits until it owns it.
    PROCESS_INFORMATION StartHolder(const char16_t* name) {
        const auto ready = m_folder.Native() / "ready";
        std::filesystem::remove(ready);
        CString line = Quoted(HelperProgram()) + u" hold-mutex " + Quoted(name) + u" " +
                       Quoted(NativeText(ready));
        PROCESS_INFORMATION pi;
        EXPECT_TRUE(CreateProcessW(nullptr, std::u16string(line.str()).data(), nullptr, nullptr,
                                   FALSE, 0, nullptr, nullptr, nullptr, &pi));
        EXPECT_EQ(WaitForFile(ready), "ready\n");
        return pi;
    }

    TempFolder m_folder;
};

TEST_F(MutexTest, SecondCreateInOneProcessReportsExistingAndSharesOwnership) {
    HANDLE first = CreateMutexW(nullptr, FALSE, u"CSingleInstanceApp{B98C6AA5-57C0}");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    HANDLE second = CreateMutexW(nullptr, FALSE, u"CSingleInstanceApp{B98C6AA5-57C0}");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

    // Ownership is the mutex's, whichever handle takes it; it is recursive for its thread.
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
    DWORD otherThread = WAIT_FAILED;
    std::thread([&] { otherThread = WaitForSingleObject(second, 30); }).join();
    EXPECT_EQ(otherThread, WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(second));
    EXPECT_TRUE(ReleaseMutex(first));
    EXPECT_FALSE(ReleaseMutex(first));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
    std::thread([&] {
        otherThread = WaitForSingleObject(second, 1000);
        ReleaseMutex(second);
    }).join();
    EXPECT_EQ(otherThread, WAIT_OBJECT_0);

    CloseHandle(first);
    CloseHandle(second);
    // With every handle closed the name is gone.
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, u"CSingleInstanceApp{B98C6AA5-57C0}"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    HANDLE again = CreateMutexW(nullptr, FALSE, u"CSingleInstanceApp{B98C6AA5-57C0}");
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(again);
}

TEST_F(MutexTest, OwnerInAnotherProcessBlocksUntilItDies) {
    PROCESS_INFORMATION holder = StartHolder(u"Borvanta\\Single Instance");

    HANDLE mine = CreateMutexW(nullptr, TRUE, u"Borvanta\\Single Instance");
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(ReleaseMutex(mine)); // initial ownership is not granted for an existing name
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(mine, 100), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    HANDLE opened = OpenMutexW(SYNCHRONIZE, FALSE, u"Borvanta\\Single Instance");
    EXPECT_NE(opened, nullptr);
    CloseHandle(opened);

    // The holder crashes while owning the mutex: it is free at once.
    EXPECT_TRUE(TerminateProcess(holder.hProcess, 9));
    EXPECT_EQ(WaitForSingleObject(holder.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mine, 2000), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mine));
    CloseHandle(mine);
    CloseHandle(holder.hProcess);
    CloseHandle(holder.hThread);

    // The dead holder keeps no name alive either.
    HANDLE fresh = CreateMutexW(nullptr, FALSE, u"Borvanta\\Single Instance");
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(fresh);
}

TEST_F(MutexTest, UnnamedMutexesAreSeparateAndBadHandlesFail) {
    HANDLE a = CreateMutexW(nullptr, TRUE, nullptr);
    HANDLE b = CreateMutexW(nullptr, FALSE, nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    DWORD result = WAIT_FAILED;
    std::thread([&] {
        result = WaitForSingleObject(a, 0);
        if (WaitForSingleObject(b, 0) == WAIT_OBJECT_0) {
            ReleaseMutex(b);
        } else {
            result = WAIT_FAILED;
        }
    }).join();
    EXPECT_EQ(result, WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(a));
    CloseHandle(a);
    CloseHandle(b);
    EXPECT_FALSE(ReleaseMutex(a));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, u"never created"), nullptr);
}

} // namespace

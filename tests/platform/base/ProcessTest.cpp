#include "platform/base/Process.h"
#include "platform/base/Path.h"
#include "platform/base/ToolHelp.h"
#include "platform/base/WinError.h"

#include "ProcessTestSupport.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Copies the helper program into folder under another name.
fs::path CopyHelper(const fs::path& folder, const char* name) {
    const fs::path target = folder / name;
    fs::copy_file(PROCESS_TEST_HELPER, target);
    fs::permissions(target, fs::perms::owner_all);
    return target;
}

ULONG_PTR Result(HINSTANCE value) {
    return reinterpret_cast<ULONG_PTR>(value);
}

// Sets PATH for one test and puts it back afterwards.
class PathOverride {
public:
    explicit PathOverride(const fs::path& folder) {
        const char* old = std::getenv("PATH");
        m_old = old ? old : "";
        ::setenv("PATH", folder.c_str(), 1);
    }
    ~PathOverride() { ::setenv("PATH", m_old.c_str(), 1); }

private:
    std::string m_old;
};

TEST(ProcessTest, CommandLinesSplitByQuotingRules) {
    auto words =
        SplitCommandLine(u"  prog \"two words\" a\\\"b \"c\"\"d\" e\\\\\"f g\" \\\\x \"\"");
    ASSERT_EQ(words.size(), 7u);
    EXPECT_EQ(words[0], CString(u"prog"));
    EXPECT_EQ(words[1], CString(u"two words"));
    EXPECT_EQ(words[2], CString(u"a\"b"));
    EXPECT_EQ(words[3], CString(u"c\"d"));
    EXPECT_EQ(words[4], CString(u"e\\f g"));
    EXPECT_EQ(words[5], CString(u"\\\\x"));
    EXPECT_EQ(words[6], CString(u""));
    EXPECT_TRUE(SplitCommandLine(nullptr).empty());
    EXPECT_EQ(ProgramImageName(u"Borvanta5600.exe"), CString(u"Borvanta5600"));
    EXPECT_EQ(ProgramImageName(u"game"), CString(u"game"));
}

TEST(ProcessTest, CreateProcessPassesArgumentsFolderAndExitCode) {
    TempFolder folder;
    fs::create_directories(folder.Native() / "work dir");
    const fs::path out = folder.Native() / "args.txt";
    CString line = Quoted(HelperProgram()) + u" write-args " + Quoted(NativeText(out)) +
                   u" \"with blank\" semi;colon $(echo no) \"quote\\\"inside\"";
    const CString workDir = folder.Path() + u"work dir";
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(CreateProcessW(nullptr, std::u16string(line.str()).data(), nullptr, nullptr, FALSE,
                               0, nullptr, workDir, nullptr, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(pi.hThread, 0), WAIT_OBJECT_0);
    DWORD code = 99;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(WaitForFile(out), (folder.Native() / "work dir").string() +
                                    "\nwith blank\nsemi;colon\n$(echo\nno)\nquote\"inside\n");
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    CString exitLine = Quoted(HelperProgram()) + u" exit 7";
    ASSERT_TRUE(CreateProcessW(nullptr, std::u16string(exitLine.str()).data(), nullptr, nullptr,
                               FALSE, 0, nullptr, nullptr, nullptr, &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 7u);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    CString missing = u"\"/nonexistent/program\" x";
    EXPECT_FALSE(CreateProcessW(nullptr, std::u16string(missing.str()).data(), nullptr, nullptr,
                                FALSE, 0, nullptr, nullptr, nullptr, &pi));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(ProcessTest, SnapshotAndImageNameShowARunningChild) {
    TempFolder folder;
    ::setenv("BORVANTA_LOCK_DIR", folder.Native().c_str(), 1);
    const fs::path game = CopyHelper(folder.Native(), "Game.exe");
    const fs::path ready = folder.Native() / "ready";
    CString line = Quoted(FromNativePath(game)) + u" hold-mutex m " + Quoted(NativeText(ready));
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(CreateProcessW(nullptr, std::u16string(line.str()).data(), nullptr, nullptr, FALSE,
                               0, nullptr, nullptr, nullptr, &pi));
    EXPECT_EQ(WaitForFile(ready), "ready\n");
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);

    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
    PROCESSENTRY32W entry;
    entry.dwSize = 100;
    EXPECT_FALSE(Process32FirstW(snapshot, &entry));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_LENGTH));
    entry.dwSize = sizeof(entry);
    bool foundChild = false;
    bool foundSelf = false;
    int count = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        ++count;
        if (entry.th32ProcessID == pi.dwProcessId) {
            foundChild = true;
            EXPECT_EQ(CString(entry.szExeFile), CString(u"Game.exe"));
            EXPECT_EQ(entry.th32ParentProcessID, GetCurrentProcessId());
        }
        foundSelf = foundSelf || entry.th32ProcessID == GetCurrentProcessId();
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(foundChild);
    EXPECT_TRUE(foundSelf);
    EXPECT_GE(count, 2);
    CloseHandle(snapshot);

    HANDLE opened = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pi.dwProcessId);
    ASSERT_NE(opened, nullptr);
    WCHAR name[520] = {};
    DWORD size = 520;
    ASSERT_TRUE(QueryFullProcessImageNameW(opened, 0, name, &size));
    EXPECT_EQ(CString(name), FromNativePath(game));
    EXPECT_EQ(size, static_cast<DWORD>(FromNativePath(game).GetLength()));
    PathStripPathW(name);
    EXPECT_EQ(CString(name), CString(u"Game.exe"));
    WCHAR tiny[4] = {};
    size = 4;
    EXPECT_FALSE(QueryFullProcessImageNameW(opened, 0, tiny, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    // Ended through one handle, seen through the other, with the code it was given.
    EXPECT_TRUE(TerminateProcess(opened, 3));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 3u);
    EXPECT_FALSE(TerminateProcess(pi.hProcess, 4)); // already gone
    CloseHandle(opened);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    ::unsetenv("BORVANTA_LOCK_DIR");

    EXPECT_EQ(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, 0), nullptr);
    EXPECT_EQ(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, 0x7FFFFFF0u), nullptr);
}

TEST(ProcessTest, AProcessStartedElsewhereCanBeWaitedFor) {
    // Started without the process layer, so OpenProcess knows nothing of it.
    char sleepArg[] = "30";
    char sleepName[] = "sleep";
    char* argv[] = {sleepName, sleepArg, nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ), 0);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(pid));
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(WaitForSingleObject(process, 20), WAIT_TIMEOUT);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    CloseHandle(process);
}

TEST(ProcessTest, ShellExecuteStartsProgramsByTheirSystemName) {
    TempFolder folder;
    CopyHelper(folder.Native(), "Tool");
    const fs::path out = folder.Native() / "out.txt";
    // "Tool.exe" is the program "Tool"; letter case of the name does not matter.
    HINSTANCE result = ShellExecuteW(nullptr, u"open", u"tool.EXE", u"write-args out.txt \"a b\"",
                                     folder.Path(), 1);
    EXPECT_GT(Result(result), 32u);
    EXPECT_EQ(WaitForFile(out), folder.Native().string() + "\na b\n");

    const CString directory = folder.Path();
    SHELLEXECUTEINFOW info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = u"Tool";
    info.lpParameters = u"exit 5";
    info.lpDirectory = directory;
    ASSERT_TRUE(ShellExecuteExW(&info));
    ASSERT_NE(info.hProcess, nullptr);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 5u);
    CloseHandle(info.hProcess);

    EXPECT_EQ(Result(ShellExecuteW(nullptr, u"open", u"Missing.exe", nullptr, folder.Path(), 1)),
              static_cast<ULONG_PTR>(SE_ERR_FNF));
    EXPECT_EQ(Result(ShellExecuteW(nullptr, u"print", u"Tool", nullptr, folder.Path(), 1)),
              static_cast<ULONG_PTR>(SE_ERR_NOASSOC));
    EXPECT_EQ(Result(ShellExecuteW(nullptr, u"open", u"", nullptr, nullptr, 1)),
              static_cast<ULONG_PTR>(SE_ERR_FNF));
}

TEST(ProcessTest, DocumentsAndWebAddressesGoToTheDesktopOpener) {
    TempFolder folder;
    fs::create_directories(folder.Native() / "bin");
    fs::create_directories(folder.Native() / "empty");
    fs::create_directories(folder.Native() / "Manuals");
    std::ofstream(folder.Native() / "Manuals" / "index.html") << "<html></html>";
    const fs::path opener = folder.Native() / "bin" / "xdg-open";
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" > \"${0%/*}/opened\"\n";
    fs::permissions(opener, fs::perms::owner_all);
    const fs::path opened = folder.Native() / "bin" / "opened";
    {
        PathOverride path(folder.Native() / "bin");
        const CString help = folder.Path() + u"manuals\\INDEX.html";
        EXPECT_GT(Result(ShellExecuteW(nullptr, u"OPEN", help, nullptr, nullptr, 1)), 32u);
        EXPECT_EQ(WaitForFile(opened),
                  (folder.Native() / "Manuals" / "index.html").string() + "\n");
    }
    EXPECT_EQ(fs::remove(opened), true);
    {
        // A relative document name is found in the given folder, not the current one.
        PathOverride path(folder.Native() / "bin");
        EXPECT_GT(Result(ShellExecuteW(nullptr, nullptr, u"manuals\\index.HTML", nullptr,
                                       folder.Path(), 1)),
                  32u);
        EXPECT_EQ(WaitForFile(opened),
                  (folder.Native() / "Manuals" / "index.html").string() + "\n");
    }
    EXPECT_EQ(fs::remove(opened), true);
    {
        PathOverride path(folder.Native() / "bin");
        EXPECT_GT(Result(ShellExecuteW(nullptr, u"open", u"https://example.org/a?b=c d", nullptr,
                                       nullptr, 1)),
                  32u);
        EXPECT_EQ(WaitForFile(opened), "https://example.org/a?b=c d\n");
    }
    {
        // No opener on this desktop: a clean failure, nothing started.
        PathOverride path(folder.Native() / "empty");
        EXPECT_EQ(
            Result(ShellExecuteW(nullptr, u"open", u"https://example.org/", nullptr, nullptr, 1)),
            static_cast<ULONG_PTR>(SE_ERR_NOASSOC));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
        EXPECT_EQ(
            Result(ShellExecuteW(nullptr, u"open", u"missing.html", nullptr, folder.Path(), 1)),
            static_cast<ULONG_PTR>(SE_ERR_FNF));
    }
}

} // namespace

// The program a process runs, as its user names it: a game under Wine's loader, a script
// under its interpreter, otherwise the executable; and the files the program chooser lists.

#include "platform/base/ProcessProgram.h"
#include "platform/base/Path.h"
#include "platform/base/Process.h"
#include "platform/base/ToolHelp.h"

#include "ProcessTestSupport.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string ProgramOf(const std::string& executable, std::vector<std::string> arguments,
                      const std::string& folder = "/home/u") {
    return platform::ProgramOfCommand({executable, std::move(arguments), folder});
}

TEST(ProcessProgramTest, LoadersAndInterpretersAreNamedAfterWhatTheyRun) {
    // Wine writes the game's Windows path into the command's first word.
    EXPECT_EQ(ProgramOf("/usr/lib/wine/wine64-preloader", {"C:\\Games\\Game.exe", "-windowed"}),
              "C:\\Games\\Game.exe");
    EXPECT_EQ(platform::ProgramBaseName("C:\\Games\\Game.exe"), "Game.exe");
    // A loader whose first word still names it: the first argument that is no option.
    EXPECT_EQ(ProgramOf("/usr/bin/wine", {"wine", "--debug", "Setup.exe"}, "/tmp"),
              "/tmp/Setup.exe");
    EXPECT_EQ(ProgramOf("/usr/bin/wine", {"wine"}), "/usr/bin/wine");

    // Scripts, relative to the process's folder; options and their values are passed over.
    EXPECT_EQ(ProgramOf("/usr/bin/python3.11", {"python3", "-u", "-X", "dev", "game.py", "-v"}),
              "/home/u/game.py");
    EXPECT_EQ(ProgramOf("/usr/bin/bash", {"bash", "-o", "pipefail", "/opt/run.sh"}), "/opt/run.sh");
    EXPECT_EQ(ProgramOf("/usr/bin/python3", {"python3", "--", "-odd.py"}), "/home/u/-odd.py");
    EXPECT_EQ(ProgramOf("/usr/bin/java", {"java", "-Xmx2G", "-jar", "launcher.jar"}),
              "/home/u/launcher.jar");
    EXPECT_EQ(ProgramOf("/usr/bin/mono", {"mono", "Game.exe"}), "/home/u/Game.exe");
    // A module names itself; inline code and a program on standard input leave the
    // interpreter.
    EXPECT_EQ(ProgramOf("/usr/bin/python3", {"python3", "-m", "game"}), "game");
    EXPECT_EQ(ProgramOf("/usr/bin/python3", {"python3", "-c", "print(1)"}), "/usr/bin/python3");
    EXPECT_EQ(ProgramOf("/usr/bin/perl", {"perl", "-e", "1", "x.pl"}), "/usr/bin/perl");
    EXPECT_EQ(ProgramOf("/usr/bin/bash", {"bash", "-"}), "/usr/bin/bash");
    EXPECT_EQ(ProgramOf("/usr/bin/bash", {"bash"}), "/usr/bin/bash");

    // Anything else is its executable, whatever its first word says.
    EXPECT_EQ(ProgramOf("/opt/game/Game", {"C:\\Other.exe"}), "/opt/game/Game");
    EXPECT_EQ(ProgramOf("/usr/bin/pythonista", {"pythonista", "x.py"}), "/usr/bin/pythonista");
    EXPECT_EQ(ProgramOf("/usr/bin/winecfg", {"winecfg", "x.exe"}), "/usr/bin/winecfg");
}

TEST(ProcessProgramTest, ARunningGameUnderWinesLoaderIsNamedAfterTheGame) {
    TempFolder folder;
    // The helper program under the loader's name, started with the game's path as its first
    // word, as Wine's loader runs a game.
    const fs::path loader = folder.Native() / "wine64-preloader";
    fs::copy_file(PROCESS_TEST_HELPER, loader);
    fs::permissions(loader, fs::perms::owner_all);
    const fs::path ready = folder.Native() / "ready";
    const std::string first = "C:\\Games\\Game.exe";
    const std::string readyText = ready.string();
    std::vector<char*> argv = {const_cast<char*>(first.c_str()), const_cast<char*>("hold-mutex"),
                               const_cast<char*>("wine-test"), const_cast<char*>(readyText.c_str()),
                               nullptr};
    ::setenv("BORVANTA_LOCK_DIR", folder.Native().c_str(), 1);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, loader.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    EXPECT_EQ(WaitForFile(ready), "ready\n");

    bool found = false;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == static_cast<DWORD>(pid)) {
            found = true;
            EXPECT_EQ(CString(entry.szExeFile), CString(u"Game.exe"));
        }
    }
    CloseHandle(snapshot);
    EXPECT_TRUE(found);

    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, static_cast<DWORD>(pid));
    ASSERT_NE(process, nullptr);
    WCHAR name[520] = {};
    DWORD size = 520;
    EXPECT_TRUE(QueryFullProcessImageNameW(process, 0, name, &size));
    EXPECT_EQ(CString(name), CString(u"C:\\Games\\Game.exe"));
    CloseHandle(process);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

TEST(ProcessProgramTest, TheChooserListsProgramsWindowsProgramsAndScripts) {
    TempFolder folder;
    auto write = [&](const char* name, const char* text) {
        std::ofstream(folder.Native() / name) << text;
        return folder.Native() / name;
    };
    const fs::path runnable = write("tool", "binary");
    fs::permissions(runnable, fs::perms::owner_all);
    EXPECT_TRUE(platform::IsProgramFile(runnable));
    EXPECT_TRUE(platform::IsProgramFile(write("Game.EXE", "MZ")));
    EXPECT_TRUE(platform::IsProgramFile(write("game.py", "print(1)")));
    EXPECT_TRUE(platform::IsProgramFile(write("launch", "#!/bin/sh\n")));
    EXPECT_FALSE(platform::IsProgramFile(write("notes.txt", "#")));
    EXPECT_FALSE(platform::IsProgramFile(folder.Native()));
    EXPECT_FALSE(platform::IsProgramFile(folder.Native() / "missing.exe"));
}

} // namespace

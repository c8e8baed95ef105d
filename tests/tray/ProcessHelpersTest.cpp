#include "tray/ProcessHelpers.h"

#include "platform/base/Path.h"
#include "platform/base/Process.h"
#include "platform/base/Registry.h"
#include "platform/base/ToolHelp.h"
#include "platform/base/WideChar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A private registry hive and folder per test; the current folder is put back afterwards
// (starting the configurator changes it).
class ProcessHelpersTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("borvanta-pchelp-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        ::setenv("BORVANTA_REGISTRY", (m_dir / "registry.txt").c_str(), 1);
        m_oldFolder = fs::current_path();
    }
    void TearDown() override {
        fs::current_path(m_oldFolder);
        ::unsetenv("BORVANTA_REGISTRY");
        fs::remove_all(m_dir);
    }

    void SetProductValue(const char16_t* name, const std::u16string& text) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, kProductKey, &key), ERROR_SUCCESS);
        // Stored with its terminator, as the installer writes strings.
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
        RegCloseKey(key);
    }

    // A stand-in configurator in folder: notes the folder it was started in.
    void MakeConfigurator(const fs::path& folder) {
        fs::create_directories(folder);
        const fs::path program = folder / "Borvanta5600";
        std::ofstream(program) << "#!/bin/sh\npwd > started.tmp && mv started.tmp started\n";
        fs::permissions(program, fs::perms::owner_all);
    }

    // Starts a copy of a long-sleeping program under the given file name.
    PROCESS_INFORMATION StartSleeper(const char* name) {
        const fs::path program = m_dir / name;
        fs::copy_file("/bin/sleep", program, fs::copy_options::overwrite_existing);
        fs::permissions(program, fs::perms::owner_all);
        std::u16string line = u"\"" + FromUtf8(program.string()) + u"\" 60";
        PROCESS_INFORMATION pi;
        EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, nullptr, &pi));
        // Running once its program file shows in the process table.
        for (int i = 0; i < 1000; ++i) {
            CString image;
            GetProcessImageName(pi.dwProcessId, image);
            if (image == CString(FromUtf8(name))) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return pi;
    }

    static void Stop(PROCESS_INFORMATION& pi) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }

    // The folder noted by the stand-in configurator (empty when it did not start in 10 s).
    static std::string StartedIn(const fs::path& folder) {
        const fs::path marker = folder / "started";
        for (int i = 0; i < 2000 && !fs::exists(marker); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::ifstream in(marker);
        std::string line;
        std::getline(in, line);
        return line;
    }

    fs::path m_dir;
    fs::path m_oldFolder;
};

TEST_F(ProcessHelpersTest, LanguageSettingIsReadWhenPresent) {
    CString language = u"unchanged";
    EXPECT_FALSE(ReadLanguageSetting(language)); // the key is created, the value is missing
    EXPECT_EQ(language, CString(u"unchanged"));

    SetProductValue(u"Language", u"German");
    EXPECT_TRUE(ReadLanguageSetting(language));
    EXPECT_EQ(language, CString(u"German"));

    // A value without terminator ends where its bytes end.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, kProductKey, &key), ERROR_SUCCESS);
    const std::u16string bare = u"Dansk";
    RegSetValueExW(key, u"Language", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare.data()),
                   static_cast<DWORD>(bare.size() * sizeof(char16_t)));
    RegCloseKey(key);
    EXPECT_TRUE(ReadLanguageSetting(language));
    EXPECT_EQ(language, CString(u"Dansk"));

    // Longer than the 510 bytes read: not read at all.
    SetProductValue(u"Language", std::u16string(300, u'x'));
    language = u"unchanged";
    EXPECT_FALSE(ReadLanguageSetting(language));
    EXPECT_EQ(language, CString(u"unchanged"));
}

TEST_F(ProcessHelpersTest, ConfiguratorStartsFromInstallFolderWithOrWithoutBackslash) {
    EXPECT_FALSE(LaunchConfigurator()); // no product key, no value: nothing started

    const fs::path install = m_dir / "Install Dir";
    MakeConfigurator(install);
    SetProductValue(u"InstallDir", FromUtf8(install.string()));
    EXPECT_TRUE(LaunchConfigurator());
    EXPECT_EQ(StartedIn(install), install.string());
    EXPECT_EQ(fs::current_path(), install);

    fs::remove(install / "started");
    fs::current_path(m_oldFolder);
    SetProductValue(u"InstallDir", (FromNativePath(install) + u"\\").str());
    EXPECT_TRUE(LaunchConfigurator());
    EXPECT_EQ(StartedIn(install), install.string());

    // An install folder without the program, and an empty value: no start, no crash.
    fs::create_directories(m_dir / "empty");
    fs::current_path(m_dir / "empty");
    SetProductValue(u"InstallDir", FromUtf8((m_dir / "empty").string()));
    EXPECT_FALSE(LaunchConfigurator());
    SetProductValue(u"InstallDir", u"");
    EXPECT_FALSE(LaunchConfigurator());
    SetProductValue(u"InstallDir", u"\\");
    EXPECT_FALSE(LaunchConfigurator());

    // An install folder that cannot be made current starts nothing, also when the folder
    // current before holds a configurator.
    const fs::path elsewhere = m_dir / "elsewhere";
    MakeConfigurator(elsewhere);
    fs::current_path(elsewhere);
    SetProductValue(u"InstallDir", FromUtf8((m_dir / "missing").string()));
    EXPECT_FALSE(LaunchConfigurator());
    EXPECT_EQ(fs::current_path(), elsewhere);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(elsewhere / "started"));
}

// Whether a configurator runs that is not one of this test's processes (another program on
// this machine would make "not running" untestable).
bool OtherConfiguratorRuns(DWORD ours) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        found = found || (entry.th32ProcessID != ours &&
                          CString(entry.szExeFile) == CString(u"Borvanta5600"));
    }
    CloseHandle(snapshot);
    return found;
}

// A copy of a long-sleeping program under the configurator's name, shown on another display
// or run by another user (uid); ended with the test.
pid_t StartForeignConfigurator(const fs::path& folder, const char* display, uid_t uid) {
    const fs::path program = folder / "Borvanta5600";
    fs::copy_file("/bin/sleep", program, fs::copy_options::overwrite_existing);
    fs::permissions(program, fs::perms::all);
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("DISPLAY", display, 1);
        if (uid != getuid() && setuid(uid) != 0) {
            _exit(127);
        }
        execl(program.c_str(), "Borvanta5600", "60", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Running once its program shows in the process table.
    for (int i = 0; i < 1000; ++i) {
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name == "Borvanta5600") {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return pid;
}

void StopForeign(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

TEST_F(ProcessHelpersTest, OnlyAConfiguratorOfThisUserOnThisDisplayCounts) {
    // A display no other program on this machine uses: configurators running elsewhere (the
    // other tests', anyone's) must not count, which is the point.
    ::setenv("DISPLAY", ":7341", 1);
    EXPECT_FALSE(IsConfiguratorRunning());
    // The same user on another display.
    pid_t other = StartForeignConfigurator(m_dir, ":7342.0", getuid());
    EXPECT_FALSE(IsConfiguratorRunning());
    StopForeign(other);
    // Another user on this display (only root can start one).
    if (getuid() == 0) {
        other = StartForeignConfigurator(m_dir, ":7341", 65534);
        EXPECT_FALSE(IsConfiguratorRunning());
        StopForeign(other);
    }
    // This user, this display (its screen named or not).
    other = StartForeignConfigurator(m_dir, ":7341.0", getuid());
    EXPECT_TRUE(IsConfiguratorRunning());
    StopForeign(other);
    ::unsetenv("DISPLAY");
}

TEST_F(ProcessHelpersTest, RunningConfiguratorIsFoundByItsExactName) {
    PROCESS_INFORMATION other = StartSleeper("borvanta5600");
    if (!OtherConfiguratorRuns(0)) {
        EXPECT_FALSE(IsConfiguratorRunning()); // differs in letter case only: another program
    }
    PROCESS_INFORMATION configurator = StartSleeper("Borvanta5600");
    EXPECT_TRUE(IsConfiguratorRunning());
    Stop(configurator);
    if (!OtherConfiguratorRuns(0)) {
        EXPECT_FALSE(IsConfiguratorRunning());
    }
    Stop(other);
}

TEST_F(ProcessHelpersTest, ImageNameIsTheProgramFileWithoutFolder) {
    PROCESS_INFORMATION game = StartSleeper("Game.exe");
    CString image = u"before";
    GetProcessImageName(game.dwProcessId, image);
    EXPECT_EQ(image, CString(u"Game.exe"));
    Stop(game);

    // A process that cannot be opened leaves the name as it was.
    image = u"before";
    GetProcessImageName(0x7FFFFFF0u, image);
    EXPECT_EQ(image, CString(u"before"));

    EXPECT_TRUE(EnableDebugPrivilege());
}

} // namespace

// The configurator program itself, started as a user starts it, without a usable display:
// it says why and ends at once, leaving the next start free; asked for a screenshot it runs
// on the in-memory display and leaves nothing running behind it.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
    int exitCode = -1; // -1: still running after the time allowed (then killed)
    std::string errors;
};

// Runs the program with the given DISPLAY (null: unset), arguments and a private service and
// registry.
Outcome RunConfigurator(const char* display, const std::filesystem::path& dir,
                        const std::vector<std::string>& args = {}) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 2);
        close(pipeFds[0]);
        close(pipeFds[1]);
        if (display != nullptr) {
            setenv("DISPLAY", display, 1);
        } else {
            unsetenv("DISPLAY");
        }
        unsetenv("BORVANTA_DISPLAY");
        setenv("BORVANTA_SERVICE_DB", (dir / "mouse.db").c_str(), 1);
        setenv("BORVANTA_REGISTRY", (dir / "registry.txt").c_str(), 1);
        setenv("BORVANTA_LOCK_DIR", (dir / "locks").c_str(), 1);
        const std::string program = std::string(BORVANTA_PROGRAM_DIR) + "/Borvanta5600";
        std::vector<char*> argv{const_cast<char*>("Borvanta5600")};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    Outcome outcome;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            close(pipeFds[0]);
            return outcome;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::array<char, 512> buffer{};
    ssize_t got = 0;
    while ((got = read(pipeFds[0], buffer.data(), buffer.size())) > 0) {
        outcome.errors.append(buffer.data(), static_cast<size_t>(got));
    }
    close(pipeFds[0]);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return outcome;
}

} // namespace

TEST(DesktopStart, WithoutAUsableDisplayTheConfiguratorSaysWhyAndEnds) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("borvanta-desktop-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "locks");

    const Outcome unset = RunConfigurator(nullptr, dir);
    EXPECT_EQ(unset.exitCode, 1);
    EXPECT_NE(unset.errors.find("DISPLAY is not set"), std::string::npos) << unset.errors;

    // A display number no server listens on.
    const Outcome absent = RunConfigurator(":64999", dir);
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_NE(absent.errors.find("cannot open the X display \":64999\""), std::string::npos)
        << absent.errors;
    // An unknown argument is passed over: the start goes on (and here ends for the display).
    const Outcome stray = RunConfigurator(nullptr, dir, {"--psn_0_12345"});
    EXPECT_EQ(stray.exitCode, 1);
    EXPECT_NE(stray.errors.find("ignoring the unknown argument \"--psn_0_12345\""),
              std::string::npos)
        << stray.errors;
    EXPECT_NE(stray.errors.find("DISPLAY is not set"), std::string::npos) << stray.errors;

    // Neither start left the single-instance marker behind.
    for (const auto& entry : fs::directory_iterator(dir / "locks")) {
        ADD_FAILURE() << "left behind: " << entry.path();
    }
    fs::remove_all(dir);
}

TEST(DesktopStart, AScreenshotOnTheInMemoryDisplayLeavesNoTrayCompanionBehind) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("borvanta-screenshot-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "locks");
    fs::create_directories(dir / "install");
    // The install folder holds a stand-in tray companion that notes that it was started.
    const fs::path marker = dir / "tray-started";
    {
        std::ofstream tray(dir / "install" / "BorvantaSysTray");
        tray << "#!/bin/sh\necho started > '" << marker.string() << "'\n";
    }
    fs::permissions(dir / "install" / "BorvantaSysTray", fs::perms::owner_all);
    {
        std::ofstream registry(dir / "registry.txt");
        registry
            << "Borvanta registry 1\n\n[HKEY_LOCAL_MACHINE]\n\n[HKEY_LOCAL_MACHINE\\Software]\n\n"
               "[HKEY_LOCAL_MACHINE\\Software\\Tolvi]\n\n"
               "[HKEY_LOCAL_MACHINE\\Software\\Tolvi\\Borvanta]\n"
            << "\"InstallDir\"=sz:\"" << (dir / "install").string() << "\"\n"
            << "\"Language\"=sz:\"English\"\n";
    }

    const fs::path shot = dir / "shot.png";
    const Outcome outcome =
        RunConfigurator(nullptr, dir, {"--screenshot", shot.string(), "--seconds", "0"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_TRUE(fs::exists(shot));
    EXPECT_TRUE(fs::exists(dir / "shot-performance.png"));
    // The run took its pictures without starting the tray companion, which would have stayed
    // on the in-memory display, unseen, after the configurator ended.
    EXPECT_FALSE(fs::exists(marker));
    fs::remove_all(dir);
}

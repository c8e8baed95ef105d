#pragma once
// A private Xvfb for tests on the X11 display: started on a display number it picks itself
// (-displayfd), killed with the test program at the latest (parent-death signal).

#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <thread>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

inline std::optional<std::string> FindXvfb() {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        std::string path = std::string(dir) + "/Xvfb";
        if (access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    return std::nullopt;
}

class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer() { Stop(); }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // withoutExtension: an extension the server leaves out (e.g. "MIT-SHM"), or empty.
    bool Start(const std::string& program, const std::string& screen = "1024x768x24",
               const std::string& withoutExtension = {}) {
        int fds[2];
        if (pipe(fds) != 0) {
            return false;
        }
        const pid_t parent = getpid();
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) {
                _exit(127); // the test program ended before the signal was armed
            }
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            if (withoutExtension.empty()) {
                execl(program.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0",
                      screen.c_str(), "-nolisten", "tcp", "-br", "-noreset",
                      static_cast<char*>(nullptr));
            } else {
                execl(program.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0",
                      screen.c_str(), "-nolisten", "tcp", "-br", "-noreset", "-extension",
                      withoutExtension.c_str(), static_cast<char*>(nullptr));
            }
            _exit(127);
        }
        close(fds[1]);
        if (m_pid < 0) {
            close(fds[0]);
            return false;
        }
        std::string number;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 200) <= 0) {
                continue;
            }
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n') {
                break;
            }
            number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            Stop();
            return false;
        }
        m_name = ":" + number;
        return true;
    }

    void Stop() {
        if (m_pid <= 0) {
            return;
        }
        kill(m_pid, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    const std::string& Name() const { return m_name; }

private:
    pid_t m_pid = -1;
    std::string m_name;
};

} // namespace testsupport

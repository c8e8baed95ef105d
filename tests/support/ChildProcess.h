#pragma once
// A child program for tests: killed with the test program at the latest (parent-death
// signal), its standard output read line by line when asked for, and stopped with TERM
// (KILL after two seconds) when the test is done.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testsupport {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { Stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] with the arguments; pipeOut: its standard output can be read with
    // ReadLine; display: its DISPLAY when not empty.
    bool Start(const std::vector<std::string>& argv, bool pipeOut = true,
               const std::string& display = {}) {
        int fds[2] = {-1, -1};
        if (pipeOut && pipe(fds) != 0) {
            return false;
        }
        const pid_t parent = getpid();
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) {
                _exit(127);
            }
            if (pipeOut) {
                dup2(fds[1], 1);
                close(fds[0]);
                close(fds[1]);
            }
            if (!display.empty()) {
                setenv("DISPLAY", display.c_str(), 1);
            }
            std::vector<char*> args;
            for (const auto& a : argv) {
                args.push_back(const_cast<char*>(a.c_str()));
            }
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        if (pipeOut) {
            close(fds[1]);
            m_out = fds[0];
        }
        return m_pid > 0;
    }

    // The next line of output (without its newline), waiting at most `ms`.
    std::optional<std::string> ReadLine(int ms = 10000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        std::string line;
        while (m_out >= 0 && std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_out, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) {
                continue;
            }
            char c = 0;
            if (read(m_out, &c, 1) != 1) {
                return std::nullopt;
            }
            if (c == '\n') {
                return line;
            }
            line += c;
        }
        return std::nullopt;
    }

    void Stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            for (int i = 0; i < 100 && waitpid(m_pid, nullptr, WNOHANG) != m_pid; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                if (i == 99) {
                    kill(m_pid, SIGKILL);
                    waitpid(m_pid, nullptr, 0);
                }
            }
            m_pid = -1;
        }
        if (m_out >= 0) {
            close(m_out);
            m_out = -1;
        }
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

} // namespace testsupport

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

    // Before Start: the program file to run when argv[0] is not its path (as a loader names
    // the program it runs), and whether WriteLine feeds the child's standard input.
    void SetProgram(std::string program) { m_program = std::move(program); }
    void PipeInput() { m_pipeIn = true; }

    // Starts argv[0] with the arguments; pipeOut: its standard output can be read with
    // ReadLine; display: its DISPLAY when not empty.
    bool Start(const std::vector<std::string>& argv, bool pipeOut = true,
               const std::string& display = {}) {
        int fds[2] = {-1, -1};
        if (pipeOut && pipe(fds) != 0) {
            return false;
        }
        int in[2] = {-1, -1};
        if (m_pipeIn && pipe(in) != 0) {
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
            if (m_pipeIn) {
                dup2(in[0], 0);
                close(in[0]);
                close(in[1]);
            }
            if (!display.empty()) {
                setenv("DISPLAY", display.c_str(), 1);
            }
            std::vector<char*> args;
            for (const auto& a : argv) {
                args.push_back(const_cast<char*>(a.c_str()));
            }
            args.push_back(nullptr);
            execv(m_program.empty() ? args[0] : m_program.c_str(), args.data());
            _exit(127);
        }
        if (pipeOut) {
            close(fds[1]);
            m_out = fds[0];
        }
        if (m_pipeIn) {
            close(in[0]);
            m_in = in[1];
        }
        return m_pid > 0;
    }

    // Writes one line to the child's standard input (PipeInput).
    bool WriteLine(const std::string& line) {
        const std::string text = line + "\n";
        return m_in >= 0 &&
               write(m_in, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    }

    pid_t Pid() const { return m_pid; }

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

    // The wait status once the process ended by itself (at most `ms`), else nothing.
    std::optional<int> WaitForEnd(int ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (m_pid > 0 && std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
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
        if (m_in >= 0) {
            close(m_in);
            m_in = -1;
        }
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_in = -1;
    std::string m_program;
    bool m_pipeIn = false;
};

} // namespace testsupport

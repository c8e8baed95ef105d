#pragma once
// A named pipe (FIFO) where a reader expects a file, and a guard that frees a reader caught
// waiting in it: after the grace time the guard opens the pipe for writing and closes it
// again, so a blocked open or read ends with an empty file instead of hanging the test. A
// test asserts that the guard never had to act.

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

class NamedPipe {
public:
    explicit NamedPipe(std::filesystem::path path) : m_path(std::move(path)) {
        m_made = ::mkfifo(m_path.c_str(), 0600) == 0;
    }
    ~NamedPipe() {
        std::error_code ec;
        std::filesystem::remove(m_path, ec);
    }
    NamedPipe(const NamedPipe&) = delete;
    NamedPipe& operator=(const NamedPipe&) = delete;

    bool Made() const { return m_made; }
    const std::filesystem::path& Path() const { return m_path; }

    // Runs f; a reader of the pipe that still waits after the grace time is set free. True
    // when f returned on its own (the guard never opened the pipe).
    template <class F>
    bool ReturnsWithoutAWriter(F&& f, std::chrono::milliseconds grace = std::chrono::seconds(10)) {
        std::atomic<bool> done{false};
        std::atomic<bool> freed{false};
        std::thread guard([&] {
            const auto deadline = std::chrono::steady_clock::now() + grace;
            while (!done && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            while (!done) {
                const int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    freed = true;
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        f();
        done = true;
        guard.join();
        return !freed;
    }

private:
    std::filesystem::path m_path;
    bool m_made = false;
};

} // namespace testsupport

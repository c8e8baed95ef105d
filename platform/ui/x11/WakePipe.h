#pragma once
// A self-pipe that wakes a reader thread out of poll(): any thread writes a byte with Wake,
// the reader polls ReadEnd beside its X connection and drains the pipe before it looks again.
// Both ends are non-blocking and closed with the object.

#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace platform::x11 {

class WakePipe {
public:
    WakePipe() = default;
    ~WakePipe() {
        if (m_read >= 0) {
            close(m_read);
            close(m_write);
        }
    }
    WakePipe(const WakePipe&) = delete;
    WakePipe& operator=(const WakePipe&) = delete;

    bool Open() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
            return false;
        }
        m_read = fds[0];
        m_write = fds[1];
        return true;
    }
    void Wake() const {
        const char byte = 1;
        // A full pipe already holds a wake-up: nothing is lost when the write fails.
        [[maybe_unused]] const ssize_t n = write(m_write, &byte, 1);
    }
    // Reads away the wake-ups written so far.
    void Drain() const {
        char buffer[64];
        while (read(m_read, buffer, sizeof buffer) > 0) {
        }
    }
    int ReadEnd() const { return m_read; }

private:
    int m_read = -1;
    int m_write = -1;
};

// Holds a connection's lock for Xlib calls made on another thread than the connection's
// reader. Released, it wakes the reader: a round trip or a write may have read events into
// Xlib's queue, where the reader's poll of the socket cannot see them (they would wait there
// for the next event to arrive).
class WakingLock {
public:
    WakingLock(std::mutex& mutex, const WakePipe& reader) : m_lock(mutex), m_reader(reader) {}
    ~WakingLock() {
        m_lock.unlock();
        m_reader.Wake();
    }
    WakingLock(const WakingLock&) = delete;
    WakingLock& operator=(const WakingLock&) = delete;

private:
    std::unique_lock<std::mutex> m_lock;
    const WakePipe& m_reader;
};

} // namespace platform::x11

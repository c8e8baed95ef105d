#pragma once
// The one clock behind timers, tick counts and sleeps. Programs run on the real clock; tests
// install a VirtualClock and advance it by hand, so timer-driven behaviour is deterministic.

#include "platform/base/WinTypes.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start, monotonic.
    virtual std::uint64_t NowMs() = 0;
    // Blocks the calling thread for ms milliseconds of this clock's time.
    virtual void SleepMs(DWORD ms) = 0;
    // True when time only moves through Advance (waits must not use wall time).
    virtual bool IsVirtual() const = 0;
};

class RealClock final : public Clock {
public:
    std::uint64_t NowMs() override;
    void SleepMs(DWORD ms) override;
    bool IsVirtual() const override { return false; }
};

// Time stands still until Advance is called. Sleep advances the clock by the slept time, so a
// single-threaded test that sleeps sees time pass without waiting.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::uint64_t startMs = 1000) : m_now(startMs) {}
    std::uint64_t NowMs() override { return m_now.load(); }
    void SleepMs(DWORD ms) override { Advance(ms); }
    bool IsVirtual() const override { return true; }
    // Moves time forward and wakes every thread waiting in a message loop, so due timers fire.
    void Advance(std::uint64_t ms);

private:
    std::atomic<std::uint64_t> m_now;
};

// The process-wide clock. SetClock(nullptr) restores the real clock. The caller keeps the
// installed clock alive until it is replaced.
Clock& GetClock();
void SetClock(Clock* clock);

// RAII installation of a virtual clock for a test's scope.
class ScopedVirtualClock {
public:
    explicit ScopedVirtualClock(std::uint64_t startMs = 1000) : m_clock(startMs) {
        SetClock(&m_clock);
    }
    ~ScopedVirtualClock() { SetClock(nullptr); }
    ScopedVirtualClock(const ScopedVirtualClock&) = delete;
    ScopedVirtualClock& operator=(const ScopedVirtualClock&) = delete;
    VirtualClock& clock() { return m_clock; }
    void Advance(std::uint64_t ms) { m_clock.Advance(ms); }

private:
    VirtualClock m_clock;
};

} // namespace platform

// Tick count and sleep through the process-wide clock.
DWORD GetTickCount();
ULONGLONG GetTickCount64();
void Sleep(DWORD ms);

#include "platform/ui/Clock.h"

#include "platform/ui/ThreadQueue.h"

#include <chrono>
#include <thread>

namespace platform {

namespace {
RealClock g_realClock;
std::atomic<Clock*> g_clock{&g_realClock};
} // namespace

std::uint64_t RealClock::NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void RealClock::SleepMs(DWORD ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void VirtualClock::Advance(std::uint64_t ms) {
    m_now.fetch_add(ms);
    ThreadQueue::WakeAll();
}

Clock& GetClock() {
    return *g_clock.load();
}

void SetClock(Clock* clock) {
    g_clock.store(clock ? clock : &g_realClock);
    ThreadQueue::WakeAll();
}

} // namespace platform

DWORD GetTickCount() {
    return static_cast<DWORD>(platform::GetClock().NowMs());
}
ULONGLONG GetTickCount64() {
    return platform::GetClock().NowMs();
}
void Sleep(DWORD ms) {
    platform::GetClock().SleepMs(ms);
}

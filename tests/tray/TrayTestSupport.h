#pragma once
// Shared helpers of the tray tests: a private mouse database and registry per test, a handler
// that records what the sinks hand on, message pumping and a second program on the mouse.

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ObjBase.h"
#include "platform/ui/Clock.h"
#include "platform/ui/ThreadQueue.h"
#include "service/DeviceService.h"
#include "tests/support/ServiceSandboxTest.h"
#include "tray/EventHandlers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace traytest {

// Every test gets its own mouse and registry hive, and must release every object and free
// every block it was given.
class TrayTest : public testsupport::ServiceSandboxTest {
protected:
    TrayTest() : ServiceSandboxTest("borvanta-tray-") {}
};

// Runs the calling thread's queued callbacks until pred holds (at most five seconds).
template <class Pred> bool PumpUntil(Pred pred, int ms = 5000) {
    auto queue = platform::ThreadQueue::Current();
    for (int waited = 0; waited < ms; waited += 10) {
        const std::uint64_t wakeups = queue->WakeCount();
        queue->RunIncoming();
        if (pred()) {
            return true;
        }
        queue->Wait(platform::GetClock().NowMs() + 10, wakeups);
    }
    queue->RunIncoming();
    return pred();
}

inline void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

// Runs the helper program on the same mouse; its exit code.
inline int RunOtherProgram(std::vector<std::string> args) {
    args.insert(args.begin(), TRAY_TEST_HELPER);
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What the tray dialog would be told, with the thread it was told on.
struct Event {
    char kind; // 'd' dpi, 'm' manager, 'p' profile, 'a' active profile changed
    int a;
    int b;
    friend bool operator==(const Event& x, const Event& y) {
        return x.kind == y.kind && x.a == y.a && x.b == y.b;
    }
    friend std::ostream& operator<<(std::ostream& os, const Event& e) {
        return os << e.kind << '(' << e.a << ',' << e.b << ')';
    }
};

class RecordingHandler final : public IDpiEventHandler, public IProfileEventHandler {
public:
    virtual ~RecordingHandler() = default;
    void OnDpiChanged(int x, int y) override { Record({'d', x, y}); }
    void OnActiveProfileChanged() override { Record({'a', 0, 0}); }
    void OnProfileManagerEvent(int flags, int a, int, int, int) override {
        Record({'m', flags, a});
    }
    void OnProfileEvent(int flags, int value, int, int, int) override {
        Record({'p', flags, value});
    }
    std::vector<Event> events;
    std::vector<DWORD> threads;

private:
    void Record(const Event& e) {
        events.push_back(e);
        threads.push_back(GetCurrentThreadId());
    }
};

} // namespace traytest
